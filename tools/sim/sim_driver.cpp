#include "sim/sim_driver.h"

#include <modbus/modbus.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

using clock = std::chrono::steady_clock;

constexpr double pi = 3.14159265358979323846;

std::uint16_t word(const std::uint8_t* p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}

std::uint16_t crc16(const std::uint8_t* p, std::size_t n)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

void put_crc(std::vector<std::uint8_t>& frame)
{
    const std::uint16_t crc = crc16(frame.data(), frame.size() - 2);
    frame[frame.size() - 2] = std::uint8_t(crc & 0xFF);
    frame[frame.size() - 1] = std::uint8_t(crc >> 8);
}

std::runtime_error sys_error(const std::string& what)
{
    return std::runtime_error("simulated driver: " + what + ": " + std::strerror(errno));
}

void close_fd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

struct range {
    std::uint32_t first;
    std::uint32_t end; // one past the last
};

// The register ranges a request reads or writes.
std::vector<range> touched(const std::uint8_t* req, int len)
{
    if (len < 4)
        return {};
    const std::uint8_t fn = req[1];
    const std::uint32_t addr = word(req + 2);
    switch (fn) {
    case 1: case 2: case 3: case 4: case 15: case 16:
        if (len < 6)
            return {};
        return {{addr, addr + std::max<std::uint32_t>(1, word(req + 4))}};
    case 5: case 6: case 22:
        return {{addr, addr + 1}};
    case 23:
        if (len < 10)
            return {};
        return {{addr, addr + std::max<std::uint32_t>(1, word(req + 4))},
                {word(req + 6), std::uint32_t(word(req + 6)) + std::max<std::uint32_t>(1, word(req + 8))}};
    default:
        return {};
    }
}

request describe(const std::uint8_t* req, int len)
{
    request r;
    r.function = req[1];
    switch (r.function) {
    case 1: case 2: case 3: case 4: case 15: case 16: case 23:
        if (len >= 6) {
            r.address = word(req + 2);
            r.count = word(req + 4);
        }
        break;
    case 5: case 6: case 22:
        if (len >= 4) {
            r.address = word(req + 2);
            r.count = 1;
        }
        break;
    default:
        break;
    }
    return r;
}

// (address, value) of every holding register a request writes.
std::vector<std::pair<std::uint16_t, std::uint16_t>> written(const std::uint8_t* req, int len)
{
    std::vector<std::pair<std::uint16_t, std::uint16_t>> out;
    int first_value = 0;
    unsigned n = 0;
    std::uint16_t addr = 0;
    switch (req[1]) {
    case 6:
        if (len >= 6)
            out.emplace_back(word(req + 2), word(req + 4));
        return out;
    case 16:
        if (len < 7)
            return out;
        addr = word(req + 2);
        n = word(req + 4);
        first_value = 7;
        break;
    case 23:
        if (len < 11)
            return out;
        addr = word(req + 6);
        n = word(req + 8);
        first_value = 11;
        break;
    default:
        return out;
    }
    for (unsigned i = 0; i < n && first_value + 2 * int(i) + 1 < len; ++i)
        out.emplace_back(std::uint16_t(addr + i), word(req + first_value + 2 * i));
    return out;
}

} // namespace

std::vector<scope_graph> graphs_6469(std::chrono::milliseconds period)
{
    std::vector<scope_graph> out;
    for (int k = 0; k < 4; ++k) {
        scope_graph g;
        g.trigger = std::uint16_t(0x0088 + 2 * k);
        g.start = std::uint16_t(0x010E + 0x100 * k);
        g.count = 256;
        g.period = period;
        g.amplitude = std::int16_t(10000 - 2000 * k);
        g.phase = k * pi / 2;
        out.push_back(g);
    }
    return out;
}

struct driver::impl {
    struct graph_state {
        scope_graph cfg;
        unsigned buffers = 0;
        unsigned fires = 0;
        unsigned rearms = 0;
        clock::time_point due;
    };

    struct exc_range {
        range r;
        std::uint8_t code;
    };

    mutable std::mutex m;
    modbus_mapping_t* map = nullptr;

    std::array<unsigned, 256> by_function{};
    unsigned total = 0;
    bool log_on = false;
    std::vector<request> log;

    unsigned busy_n = 0;
    clock::time_point busy_until;
    std::vector<exc_range> exceptions;
    bool silent = false;
    unsigned silent_n = 0;
    unsigned bad_crc_n = 0;
    unsigned short_n = 0;
    bool wire = true;

    std::vector<graph_state> graphs;

    // Owned by start/stop and the serving thread.
    std::thread thread;
    std::atomic<bool> stopping{false};
    bool running = false;
    std::string path;
    int master = -1;
    int slave_fd = -1; // kept open, so the terminal never hangs up
    int closes = -1;   // inotify: a master closed the terminal
    int wake[2] = {-1, -1};
    int answer[2] = {-1, -1}; // modbus_reply writes into [0], we pick it up at [1]
    modbus_t* ctx = nullptr;

    impl()
    {
        map = modbus_mapping_new(0, 0, 65536, 0);
        if (!map)
            throw sys_error("register map");
    }
    ~impl() { modbus_mapping_free(map); }

    // A fresh context forgets what libmodbus concluded from earlier frames.
    // Keeps the old one if no new one can be made.
    bool new_context()
    {
        modbus_t* fresh = modbus_new_rtu(path.c_str(), 115200, 'N', 8, 1);
        if (!fresh)
            return false;
        modbus_set_slave(fresh, slave);
        // Short waits keep the thread responsive to stop(); a request arrives
        // in one piece from the master's write anyway.
        modbus_set_byte_timeout(fresh, 0, 20000);
        modbus_set_indication_timeout(fresh, 0, 20000);
        modbus_set_socket(fresh, master);
        if (ctx)
            modbus_free(ctx);
        ctx = fresh;
        return true;
    }

    void release()
    {
        if (ctx)
            modbus_free(ctx);
        ctx = nullptr;
        close_fd(closes);
        close_fd(slave_fd);
        close_fd(master);
        close_fd(wake[0]);
        close_fd(wake[1]);
        close_fd(answer[0]);
        close_fd(answer[1]);
        path.clear();
    }

    void open()
    {
        if (::openpty(&master, &slave_fd, nullptr, nullptr, nullptr) != 0)
            throw sys_error("openpty");
        // Raw from the start: the terminal keeps these settings for every
        // master that opens it, and a master restores them when it closes.
        termios t{};
        if (::tcgetattr(slave_fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B115200);
            ::cfsetospeed(&t, B115200);
            ::tcsetattr(slave_fd, TCSANOW, &t);
        }
        char name[128];
        const int rc = ::ptsname_r(master, name, sizeof name);
        if (rc != 0) {
            errno = rc;
            throw sys_error("ptsname");
        }
        path = name;
        ::fcntl(master, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        // A hang-up would tell that a master closed, but not when one closes
        // and the next opens at once; close events queue up. Without them
        // (no inotify instance left) the driver still serves.
        closes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (closes >= 0 && ::inotify_add_watch(closes, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
            close_fd(closes);
        if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0)
            throw sys_error("pipe");
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, answer) != 0)
            throw sys_error("socketpair");
        if (!new_context())
            throw sys_error("modbus_new_rtu");
    }

    // A master closed the terminal: the answers it left unread belong to no
    // one, and the next master must not take them for its own.
    void master_closed()
    {
        drain(closes);
        ::tcflush(slave_fd, TCIFLUSH);
        new_context();
    }

    bool readable(int fd) const
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
    }

    void drain(int fd)
    {
        std::uint8_t buf[256];
        while (::read(fd, buf, sizeof buf) > 0) {
        }
    }

    // Milliseconds until the next scope buffer is due, -1 without scope.
    int scope_wait(clock::time_point now) const
    {
        std::lock_guard<std::mutex> lock(m);
        int wait = -1;
        for (const auto& g : graphs) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(g.due - now).count();
            const int ms = int(std::max<long long>(0, left));
            wait = wait < 0 ? ms : std::min(wait, ms);
        }
        return wait;
    }

    void run_scope(clock::time_point now)
    {
        std::lock_guard<std::mutex> lock(m);
        for (auto& g : graphs) {
            if (now < g.due)
                continue;
            std::uint16_t* regs = map->tab_registers;
            if (regs[g.cfg.trigger] == 0) {
                for (std::uint32_t i = 0; i < g.cfg.count; ++i)
                    regs[std::uint16_t(g.cfg.start + i)] = std::uint16_t(scope_sample(g.cfg, g.buffers, i));
                ++g.buffers;
                regs[g.cfg.trigger] = std::uint16_t((g.buffers - 1) % 65535 + 1);
                ++g.fires;
            }
            g.due += g.cfg.period;
            if (g.due <= now)
                g.due = now + g.cfg.period;
        }
    }

    void serve()
    {
        // Wire-time sleeps end close to their deadline.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        while (!stopping.load()) {
            pollfd fds[3] = {{wake[0], POLLIN, 0}, {closes, POLLIN, 0}, {master, POLLIN, 0}};
            const int r = ::poll(fds, 3, scope_wait(clock::now()));
            const auto t_rx = clock::now();
            if (r < 0) {
                if (errno != EINTR)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (fds[0].revents)
                drain(wake[0]);
            if (stopping.load())
                break;
            // Before the next request, which may come from the next master.
            if (fds[1].revents)
                master_closed();
            run_scope(t_rx);
            if (fds[2].revents & POLLIN) {
                try {
                    serve_one(t_rx);
                } catch (const std::exception&) {
                    // Out of memory for the log: the request goes unanswered.
                }
            }
        }
    }

    void serve_one(clock::time_point t_rx)
    {
        std::uint8_t req[MODBUS_RTU_MAX_ADU_LENGTH];
        modbus_set_socket(ctx, master);
        const int len = modbus_receive(ctx, req);
        if (len == 0) {
            // Another slave's request. libmodbus would now swallow the next
            // frame as that slave's answer, which never comes on this line.
            new_context();
            return;
        }
        if (len < 0) {
            drain(master);
            return;
        }

        std::vector<std::uint8_t> out;
        bool wire_on;
        {
            std::lock_guard<std::mutex> lock(m);
            wire_on = wire;
            ++total;
            ++by_function[req[1]];
            if (log_on)
                log.push_back(describe(req, len));

            if (silent || silent_n > 0) {
                if (!silent)
                    --silent_n;
                return;
            }

            modbus_set_socket(ctx, answer[0]);
            bool normal = false;
            if (busy_until > clock::now() || busy_n > 0) {
                if (busy_until <= clock::now())
                    --busy_n;
                modbus_reply_exception(ctx, req, MODBUS_EXCEPTION_SLAVE_OR_SERVER_BUSY);
            } else if (const std::uint8_t code = exception_for(req, len)) {
                modbus_reply_exception(ctx, req, code);
            } else {
                modbus_reply(ctx, req, len, map);
                normal = true;
            }
            modbus_set_socket(ctx, master);

            std::uint8_t buf[MODBUS_RTU_MAX_ADU_LENGTH + 16];
            const ssize_t n = ::read(answer[1], buf, sizeof buf);
            if (n <= 0) {
                // A broadcast: done but not answered.
                if (normal)
                    count_rearms(req, len);
                return;
            }
            out.assign(buf, buf + n);

            if (normal && !(out[1] & 0x80)) {
                count_rearms(req, len);
                if (short_next_applies(out))
                    --short_n;
            }
            if (bad_crc_n > 0) {
                --bad_crc_n;
                out.back() ^= 0xFF;
            }
        }

        if (wire_on)
            std::this_thread::sleep_until(t_rx + byte_time * static_cast<long>(std::size_t(len) + out.size()));
        if (readable(closes))
            return; // the master that asked is gone

        std::size_t sent = 0;
        while (sent < out.size()) {
            const ssize_t w = ::write(master, out.data() + sent, out.size() - sent);
            if (w <= 0)
                break; // nobody reads: the answer is lost like on a real line
            sent += std::size_t(w);
        }
    }

    std::uint8_t exception_for(const std::uint8_t* req, int len) const
    {
        for (const auto& span : touched(req, len))
            for (const auto& e : exceptions)
                if (span.first < e.r.end && e.r.first < span.end)
                    return e.code;
        return 0;
    }

    void count_rearms(const std::uint8_t* req, int len)
    {
        for (const auto& w : written(req, len))
            if (w.second == 0)
                for (auto& g : graphs)
                    if (g.cfg.trigger == w.first)
                        ++g.rearms;
    }

    // Cuts a normal answer short if a short answer is due and the answer
    // carries a register count; tells whether it did.
    bool short_next_applies(std::vector<std::uint8_t>& out) const
    {
        if (short_n == 0)
            return false;
        const std::uint8_t fn = out[1];
        if ((fn == 3 || fn == 4) && out.size() >= 5 && out[2] >= 2 && std::size_t(out[2]) + 5 == out.size()) {
            out[2] = std::uint8_t(out[2] - 2);
            out.erase(out.end() - 4, out.end() - 2);
            put_crc(out);
            return true;
        }
        if (fn == 16 && out.size() == 8 && word(&out[4]) > 0) {
            const std::uint16_t q = std::uint16_t(word(&out[4]) - 1);
            out[4] = std::uint8_t(q >> 8);
            out[5] = std::uint8_t(q & 0xFF);
            put_crc(out);
            return true;
        }
        return false;
    }
};

driver::driver() : d_(new impl)
{
    set_identity(6469, 3, 17);
}

driver::~driver()
{
    stop();
}

void driver::start()
{
    if (d_->running)
        return;
    try {
        d_->open();
    } catch (...) {
        d_->release();
        throw;
    }
    {
        std::lock_guard<std::mutex> lock(d_->m);
        const auto now = clock::now();
        for (auto& g : d_->graphs)
            g.due = now;
    }
    d_->stopping = false;
    d_->thread = std::thread([this] { d_->serve(); });
    d_->running = true;
}

void driver::stop()
{
    if (!d_->running)
        return;
    d_->stopping = true;
    const char c = 1;
    if (::write(d_->wake[1], &c, 1) < 0) {
        // The pipe is full, so the thread is being woken anyway.
    }
    d_->thread.join();
    d_->release();
    d_->running = false;
}

bool driver::running() const
{
    return d_->running;
}

std::string driver::tty_path() const
{
    return d_->path;
}

void driver::set_register(std::uint16_t address, std::uint16_t value)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->map->tab_registers[address] = value;
}

std::uint16_t driver::get_register(std::uint16_t address) const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->map->tab_registers[address];
}

void driver::set_registers(std::uint16_t address, const std::vector<std::uint16_t>& values)
{
    std::lock_guard<std::mutex> lock(d_->m);
    for (std::size_t i = 0; i < values.size(); ++i)
        d_->map->tab_registers[std::uint16_t(address + i)] = values[i];
}

std::vector<std::uint16_t> driver::get_registers(std::uint16_t address, std::size_t count) const
{
    std::lock_guard<std::mutex> lock(d_->m);
    std::vector<std::uint16_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = d_->map->tab_registers[std::uint16_t(address + i)];
    return out;
}

void driver::set_identity(std::uint16_t id, std::uint16_t hw, std::uint16_t fw, bool wrong_sum)
{
    const std::uint16_t sum = std::uint16_t(id + hw + fw + (wrong_sum ? 1 : 0));
    set_registers(identity_address, {id, hw, fw, sum});
}

unsigned driver::requests() const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->total;
}

unsigned driver::requests(std::uint8_t function) const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->by_function[function];
}

void driver::reset_counts()
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->total = 0;
    d_->by_function.fill(0);
    d_->log.clear();
    for (auto& g : d_->graphs) {
        g.fires = 0;
        g.rearms = 0;
    }
}

void driver::set_request_log(bool on)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->log_on = on;
}

std::vector<request> driver::request_log() const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->log;
}

void driver::busy_next(unsigned n)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->busy_n = n;
}

void driver::busy_for(std::chrono::milliseconds span)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->busy_until = clock::now() + span;
}

void driver::exception_range(std::uint16_t first, std::uint32_t count, std::uint8_t code)
{
    if (code < 1 || code >= MODBUS_EXCEPTION_MAX)
        throw std::invalid_argument("simulated driver: no such Modbus exception code");
    std::lock_guard<std::mutex> lock(d_->m);
    d_->exceptions.push_back({{first, first + count}, code});
}

void driver::set_silent(bool on)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->silent = on;
}

void driver::silent_next(unsigned n)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->silent_n = n;
}

void driver::bad_crc_next(unsigned n)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->bad_crc_n = n;
}

void driver::short_next(unsigned n)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->short_n = n;
}

void driver::clear_faults()
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->busy_n = 0;
    d_->busy_until = clock::time_point();
    d_->exceptions.clear();
    d_->silent = false;
    d_->silent_n = 0;
    d_->bad_crc_n = 0;
    d_->short_n = 0;
}

void driver::set_wire_time(bool on)
{
    std::lock_guard<std::mutex> lock(d_->m);
    d_->wire = on;
}

bool driver::wire_time() const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->wire;
}

void driver::set_scope(const std::vector<scope_graph>& graphs)
{
    for (const auto& g : graphs)
        if (g.count > 65536 || g.period.count() <= 0)
            throw std::invalid_argument("simulated driver: bad scope graph");
    {
        std::lock_guard<std::mutex> lock(d_->m);
        d_->graphs.clear();
        const auto now = clock::now();
        for (const auto& g : graphs) {
            impl::graph_state s;
            s.cfg = g;
            s.due = now;
            d_->graphs.push_back(s);
        }
    }
    if (d_->running) {
        const char c = 1;
        if (::write(d_->wake[1], &c, 1) < 0) {
            // Already being woken.
        }
    }
}

std::vector<scope_graph> driver::scope() const
{
    std::lock_guard<std::mutex> lock(d_->m);
    std::vector<scope_graph> out;
    for (const auto& g : d_->graphs)
        out.push_back(g.cfg);
    return out;
}

unsigned driver::scope_fires(std::size_t graph) const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->graphs.at(graph).fires;
}

unsigned driver::scope_rearms(std::size_t graph) const
{
    std::lock_guard<std::mutex> lock(d_->m);
    return d_->graphs.at(graph).rearms;
}

std::int16_t driver::scope_sample(const scope_graph& g, unsigned buffer, std::uint32_t i)
{
    const double n = g.count ? double(g.count) : 1.0;
    const double x = 2 * pi * double(i) / n + g.phase + double(buffer % 32) * pi / 16;
    const long v = std::lround(double(g.amplitude) * std::sin(x));
    return std::int16_t(std::clamp<long>(v, -32768, 32767));
}

} // namespace sim
