// Our stand-in for the bridge vendor's library. The attached devices are
// the entries of the environment variable VELMORA_BRIDGE_DEVICES,
//     path|product text|product id|vendor id;path|...
// read afresh on every call, so that a test can plug and unplug devices.

#include "bridge/bridge.h"
#include "bridge/bridge_control.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct device_entry {
    std::string path;
    std::string product_text;
    std::string product_id;
    std::string vendor_id;
};

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = s.find(sep, start);
        parts.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::vector<device_entry> attached_devices()
{
    std::vector<device_entry> result;
    const char* env = std::getenv("VELMORA_BRIDGE_DEVICES");
    if (!env || !*env)
        return result;
    for (const std::string& entry : split(env, ';')) {
        if (entry.empty())
            continue;
        std::vector<std::string> f = split(entry, '|');
        f.resize(4);
        result.push_back({f[0], f[1], f[2], f[3]});
    }
    return result;
}

struct injection {
    bridge_control::call c;
    int index;
    unsigned option;
    bridge_status status;
};

std::mutex injections_mutex;
std::vector<injection> injections;

// The status injected for this call, or bridge_ok.
bridge_status injected(bridge_control::call c, int index, unsigned option = 0)
{
    std::lock_guard<std::mutex> lock(injections_mutex);
    for (const injection& i : injections)
        if (i.c == c && (i.index == -1 || i.index == index) && (i.option == 0 || i.option == option))
            return i.status;
    return bridge_ok;
}

} // namespace

namespace bridge_control {

void inject(call c, int index, bridge_status status, unsigned option)
{
    std::lock_guard<std::mutex> lock(injections_mutex);
    injections.push_back({c, index, option, status});
}

void clear()
{
    std::lock_guard<std::mutex> lock(injections_mutex);
    injections.clear();
}

} // namespace bridge_control

extern "C" bridge_status bridge_device_count(uint32_t* count)
{
    if (!count)
        return bridge_invalid_parameter;
    if (const bridge_status s = injected(bridge_control::call::device_count, -1))
        return s;
    *count = static_cast<uint32_t>(attached_devices().size());
    return bridge_ok;
}

extern "C" bridge_status bridge_product_string(uint32_t index, void* buffer, uint32_t option)
{
    if (!buffer)
        return bridge_invalid_parameter;
    const std::vector<device_entry> devices = attached_devices();
    if (index >= devices.size())
        return bridge_device_not_found;
    if (const bridge_status s = injected(bridge_control::call::product_string, static_cast<int>(index), option))
        return s;
    const device_entry& d = devices[index];
    const std::string* text = nullptr;
    switch (option) {
    case bridge_option_product_text: text = &d.product_text; break;
    case bridge_option_vendor_id: text = &d.vendor_id; break;
    case bridge_option_product_id: text = &d.product_id; break;
    default: return bridge_invalid_parameter;
    }
    // A text that fills the buffer gets no NUL; callers terminate it.
    const std::size_t n = std::min<std::size_t>(text->size() + 1, bridge_string_size);
    std::memcpy(buffer, text->c_str(), n);
    return bridge_ok;
}
