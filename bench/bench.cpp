#include "bench.h"

#include "sim/sim_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace bench {

void take_number(const std::vector<std::string>& args, std::size_t& i, long min, long max, long& out)
{
    const std::string option = args[i];
    if (i + 1 >= args.size())
        throw usage_error{option + " needs a number"};
    const std::string& text = args[++i];
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < min || v > max)
        throw usage_error{option + " takes a number from " + std::to_string(min) + " to " + std::to_string(max)
                          + ", not " + text};
    out = v;
}

const char* name_of(link_kind k)
{
    return k == link_kind::serial ? "serial" : "bridge";
}

std::vector<link_kind> links_named(const std::string& name)
{
    if (name == "serial")
        return {link_kind::serial};
    if (name == "bridge")
        return {link_kind::bridge};
    if (name == "all")
        return {link_kind::serial, link_kind::bridge};
    throw usage_error{"no such back end: " + name};
}

modbus::connection::descriptor descriptor_for(link_kind k, const sim::driver& d)
{
    modbus::connection::descriptor desc;
    if (k == link_kind::serial) {
        desc.name = d.tty_path();
        desc.type = modbus::serial_link;
        desc.kind = "COM";
        desc.location = d.tty_path();
    } else {
        ::setenv("VELMORA_BRIDGE_DEVICES", (d.tty_path() + "|simulated bridge|ea60|10c4").c_str(), 1);
        desc.name = "simulated bridge";
        desc.type = modbus::bridge_link;
        desc.kind = "USBXpress";
        desc.index = 0;
    }
    return desc;
}

stats summarize(std::vector<double> us)
{
    stats s;
    if (us.empty())
        return s;
    std::sort(us.begin(), us.end());
    s.mean = std::accumulate(us.begin(), us.end(), 0.0) / double(us.size());
    s.median = us[us.size() / 2];
    s.min = us.front();
    s.max = us.back();
    s.p95 = us[std::min(us.size() - 1, std::size_t(std::ceil(0.95 * double(us.size()))) - 1)];
    return s;
}

} // namespace bench
