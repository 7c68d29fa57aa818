// Our stand-in for the bridge vendor's library. The attached devices are
// the entries of the environment variable VELMORA_BRIDGE_DEVICES,
//     path|product text|product id|vendor id;path|...
// read afresh on every call, so that a test can plug and unplug devices.
// A device is the terminal at its path.

#include "bridge/bridge.h"
#include "bridge/bridge_control.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

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
    unsigned times; // 0: for ever
};

std::mutex injections_mutex;
std::vector<injection> injections;

constexpr std::size_t call_kinds = static_cast<std::size_t>(bridge_control::call::set_baud_rate) + 1;
std::array<std::atomic<unsigned>, call_kinds> call_counts{};

// Counts the call and returns the status injected for it, or bridge_ok.
bridge_status injected(bridge_control::call c, int index, unsigned option = 0)
{
    ++call_counts[static_cast<std::size_t>(c)];
    std::lock_guard<std::mutex> lock(injections_mutex);
    for (auto i = injections.begin(); i != injections.end(); ++i)
        if (i->c == c && (i->index == -1 || i->index == index) && (i->option == 0 || i->option == option)) {
            const bridge_status s = i->status;
            if (i->times > 0 && --i->times == 0)
                injections.erase(i);
            return s;
        }
    return bridge_ok;
}

} // namespace

struct bridge_device {
    int fd;
    int index;
};

namespace {

std::mutex devices_mutex;
std::set<bridge_device*> open_set;

std::mutex timeouts_mutex;
uint32_t read_timeout = BRIDGE_INFINITE_TIMEOUT;
uint32_t write_timeout = BRIDGE_INFINITE_TIMEOUT;
std::atomic<uint32_t> timeout_at_last_read{BRIDGE_INFINITE_TIMEOUT};

uint32_t current_read_timeout()
{
    std::lock_guard<std::mutex> lock(timeouts_mutex);
    return read_timeout;
}

uint32_t current_write_timeout()
{
    std::lock_guard<std::mutex> lock(timeouts_mutex);
    return write_timeout;
}

// The device behind a handle; false for a handle that is not open.
bool lookup(bridge_handle h, bridge_device& out)
{
    std::lock_guard<std::mutex> lock(devices_mutex);
    if (!h || !open_set.count(h))
        return false;
    out = *h;
    return true;
}

// What every call on an open device does first: find the device behind the
// handle and apply a status a test injected; 0 lets the call go on.
bridge_status enter(bridge_control::call c, bridge_handle h, bridge_device& out)
{
    if (!lookup(h, out)) {
        injected(c, -1);
        return bridge_invalid_handle;
    }
    return injected(c, out.index);
}

using steady = std::chrono::steady_clock;

// Waits for `events` on fd until `deadline`; false when the time ran out.
// A failure of poll counts as ready, so that the next read or write tells.
bool wait_for(int fd, short events, bool forever, steady::time_point deadline)
{
    for (;;) {
        int ms = -1;
        if (!forever) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady::now()).count();
            if (left <= 0)
                return false;
            ms = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, ms);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return true;
        if (r == 0 && !forever && steady::now() >= deadline)
            return false;
    }
}

speed_t speed_of(uint32_t baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

bridge_status set_line(int fd, speed_t speed, bool raw)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return bridge_system_error;
    if (raw) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
    }
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? bridge_ok : bridge_system_error;
}

} // namespace

namespace bridge_control {

void inject(call c, int index, bridge_status status, unsigned option)
{
    std::lock_guard<std::mutex> lock(injections_mutex);
    injections.push_back({c, index, option, status, 0});
}

void inject_next(call c, int index, bridge_status status, unsigned times)
{
    if (times == 0)
        return;
    std::lock_guard<std::mutex> lock(injections_mutex);
    injections.push_back({c, index, 0, status, times});
}

void clear()
{
    std::lock_guard<std::mutex> lock(injections_mutex);
    injections.clear();
}

void reset()
{
    clear();
    {
        std::lock_guard<std::mutex> lock(devices_mutex);
        for (bridge_device* d : open_set) {
            ::close(d->fd);
            delete d;
        }
        open_set.clear();
    }
    {
        std::lock_guard<std::mutex> lock(timeouts_mutex);
        read_timeout = BRIDGE_INFINITE_TIMEOUT;
        write_timeout = BRIDGE_INFINITE_TIMEOUT;
    }
    timeout_at_last_read = BRIDGE_INFINITE_TIMEOUT;
    for (auto& n : call_counts)
        n = 0;
}

unsigned calls(call c)
{
    return call_counts[static_cast<std::size_t>(c)];
}

unsigned open_devices()
{
    std::lock_guard<std::mutex> lock(devices_mutex);
    return static_cast<unsigned>(open_set.size());
}

uint32_t last_read_timeout()
{
    return timeout_at_last_read;
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

extern "C" bridge_status bridge_open(uint32_t index, bridge_handle* handle)
{
    if (const bridge_status s = injected(bridge_control::call::open, static_cast<int>(index)))
        return s;
    if (!handle)
        return bridge_invalid_parameter;
    const std::vector<device_entry> devices = attached_devices();
    if (index >= devices.size())
        return bridge_device_not_found;
    const int fd = ::open(devices[index].path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return bridge_system_error;
    if (set_line(fd, B115200, true) != bridge_ok) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return bridge_system_error;
    }
    bridge_device* d = new bridge_device{fd, static_cast<int>(index)};
    std::lock_guard<std::mutex> lock(devices_mutex);
    open_set.insert(d);
    *handle = d;
    return bridge_ok;
}

extern "C" bridge_status bridge_close(bridge_handle handle)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::close, handle, d))
        return s;
    {
        std::lock_guard<std::mutex> lock(devices_mutex);
        open_set.erase(handle);
    }
    delete handle;
    return ::close(d.fd) == 0 ? bridge_ok : bridge_system_error;
}

extern "C" bridge_status bridge_read(bridge_handle handle, void* buffer, uint32_t count, uint32_t* count_read,
                                     void* overlapped)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::read, handle, d))
        return s;
    if (!buffer || !count_read || overlapped)
        return bridge_invalid_parameter;
    *count_read = 0;
    const uint32_t timeout = current_read_timeout();
    timeout_at_last_read = timeout;
    const bool forever = timeout == BRIDGE_INFINITE_TIMEOUT;
    const auto deadline = steady::now() + std::chrono::milliseconds(forever ? 0 : timeout);
    char* out = static_cast<char*>(buffer);
    while (*count_read < count) {
        const ssize_t n = ::read(d.fd, out + *count_read, count - *count_read);
        if (n > 0) {
            *count_read += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return bridge_system_error;
        if (n < 0 && errno == EINTR)
            continue;
        if (!wait_for(d.fd, POLLIN, forever, deadline))
            break;
    }
    return bridge_ok;
}

extern "C" bridge_status bridge_write(bridge_handle handle, void* buffer, uint32_t count, uint32_t* count_written,
                                      void* overlapped)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::write, handle, d))
        return s;
    if (!buffer || !count_written || overlapped)
        return bridge_invalid_parameter;
    *count_written = 0;
    const uint32_t timeout = current_write_timeout();
    const bool forever = timeout == BRIDGE_INFINITE_TIMEOUT;
    const auto deadline = steady::now() + std::chrono::milliseconds(forever ? 0 : timeout);
    const char* in = static_cast<const char*>(buffer);
    while (*count_written < count) {
        const ssize_t n = ::write(d.fd, in + *count_written, count - *count_written);
        if (n > 0) {
            *count_written += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return bridge_system_error;
        if (n < 0 && errno == EINTR)
            continue;
        if (!wait_for(d.fd, POLLOUT, forever, deadline))
            return bridge_write_timed_out;
    }
    return bridge_ok;
}

extern "C" bridge_status bridge_flush_buffers(bridge_handle handle, uint8_t purge_tx, uint8_t purge_rx)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::flush_buffers, handle, d))
        return s;
    if (!purge_tx && !purge_rx)
        return bridge_ok;
    const int which = purge_tx && purge_rx ? TCIOFLUSH : purge_tx ? TCOFLUSH : TCIFLUSH;
    return ::tcflush(d.fd, which) == 0 ? bridge_ok : bridge_system_error;
}

extern "C" bridge_status bridge_set_timeouts(uint32_t read_timeout_ms, uint32_t write_timeout_ms)
{
    if (const bridge_status s = injected(bridge_control::call::set_timeouts, -1))
        return s;
    std::lock_guard<std::mutex> lock(timeouts_mutex);
    read_timeout = read_timeout_ms;
    write_timeout = write_timeout_ms;
    return bridge_ok;
}

extern "C" bridge_status bridge_get_timeouts(uint32_t* read_timeout_ms, uint32_t* write_timeout_ms)
{
    if (const bridge_status s = injected(bridge_control::call::get_timeouts, -1))
        return s;
    if (!read_timeout_ms || !write_timeout_ms)
        return bridge_invalid_parameter;
    std::lock_guard<std::mutex> lock(timeouts_mutex);
    *read_timeout_ms = read_timeout;
    *write_timeout_ms = write_timeout;
    return bridge_ok;
}

extern "C" bridge_status bridge_check_rx_queue(bridge_handle handle, uint32_t* queued, uint32_t* queue_status)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::check_rx_queue, handle, d))
        return s;
    if (!queued || !queue_status)
        return bridge_invalid_parameter;
    int n = 0;
    if (::ioctl(d.fd, FIONREAD, &n) != 0)
        return bridge_system_error;
    *queued = static_cast<uint32_t>(std::max(n, 0));
    *queue_status = n > 0 ? bridge_rx_queue_has_data : bridge_rx_queue_empty;
    return bridge_ok;
}

extern "C" bridge_status bridge_set_baud_rate(bridge_handle handle, uint32_t baud_rate)
{
    bridge_device d{};
    if (const bridge_status s = enter(bridge_control::call::set_baud_rate, handle, d))
        return s;
    const speed_t speed = speed_of(baud_rate);
    if (speed == B0)
        return bridge_invalid_baud_rate;
    return set_line(d.fd, speed, false);
}
