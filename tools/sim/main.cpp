// velmora-sim: a simulated servo driver on a pseudo-terminal. Prints the
// terminal's path as its first line and serves until SIGINT or SIGTERM.

#include "sim/sim_driver.h"
#include "sim/sim_profile.h"

#include <fcntl.h>
#include <getopt.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

int stop_pipe[2] = {-1, -1};

void on_stop_signal(int)
{
    const int saved = errno;
    const char c = 1;
    if (::write(stop_pipe[1], &c, 1) < 0) {
        // Already asked to stop.
    }
    errno = saved;
}

void usage(std::ostream& os)
{
    os << "Usage: velmora-sim [options]\n"
          "Serves a simulated servo driver (Modbus RTU, slave 1) on a pseudo-terminal\n"
          "and prints the terminal's path as the first line of standard output.\n\n"
          "  --id N             profile identifier (default 6469)\n"
          "  --hw N             hardware version (default 3)\n"
          "  --fw N             firmware version (default 17)\n"
          "  --wrong-sum        report a wrong identity check sum\n"
          "  --no-wire-time     answer at once instead of at 115200 baud\n"
          "  --no-scope         don't fill the profile's graph buffers\n"
          "  --scope-period MS  time between graph buffers (default 200)\n"
          "Faults (as the test switches of the driver):\n"
          "  --busy N           answer the first N requests \"busy\" (exception 6)\n"
          "  --busy-for MS      answer \"busy\" for MS milliseconds from the start\n"
          "  --silent           never answer\n"
          "  --silent-next N    leave the first N requests unanswered\n"
          "  --exception FIRST:COUNT:CODE\n"
          "                     answer requests touching registers FIRST..FIRST+COUNT-1\n"
          "                     with Modbus exception CODE (1..11); may be repeated\n"
          "  --bad-crc N        spoil the check sum of the first N answers\n"
          "  --short N          cut the first N read answers one register short\n"
          "  --help             show this text\n";
}

bool number(const char* text, unsigned long max, unsigned long& out)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (errno || end == text || *end || v > max || text[0] == '-')
        return false;
    out = v;
    return true;
}

struct range_fault {
    unsigned long first = 0, count = 0, code = 0;
};

// FIRST:COUNT:CODE
bool exception_fault(const char* text, range_fault& out)
{
    const std::string s(text);
    const auto a = s.find(':');
    const auto b = a == std::string::npos ? a : s.find(':', a + 1);
    if (b == std::string::npos)
        return false;
    return number(s.substr(0, a).c_str(), 0xFFFF, out.first)
        && number(s.substr(a + 1, b - a - 1).c_str(), 0x10000, out.count) && out.count > 0
        && number(s.substr(b + 1).c_str(), 11, out.code) && out.code > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    unsigned long id = 6469, hw = 3, fw = 17, period = 200;
    bool wrong_sum = false, wire = true, scope = true, silent = false;
    unsigned long busy = 0, busy_ms = 0, silent_next = 0, bad_crc = 0, short_answers = 0;
    std::vector<range_fault> ranges;

    const option longopts[] = {
        {"id", required_argument, nullptr, 'i'},
        {"hw", required_argument, nullptr, 'h'},
        {"fw", required_argument, nullptr, 'f'},
        {"wrong-sum", no_argument, nullptr, 'w'},
        {"no-wire-time", no_argument, nullptr, 'n'},
        {"no-scope", no_argument, nullptr, 's'},
        {"scope-period", required_argument, nullptr, 'p'},
        {"busy", required_argument, nullptr, 'b'},
        {"busy-for", required_argument, nullptr, 'B'},
        {"silent", no_argument, nullptr, 'S'},
        {"silent-next", required_argument, nullptr, 'N'},
        {"exception", required_argument, nullptr, 'e'},
        {"bad-crc", required_argument, nullptr, 'c'},
        {"short", required_argument, nullptr, 'r'},
        {"help", no_argument, nullptr, 'H'},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "", longopts, nullptr)) != -1) {
        bool ok = true;
        switch (c) {
        case 'i': ok = number(optarg, 0xFFFF, id); break;
        case 'h': ok = number(optarg, 0xFFFF, hw); break;
        case 'f': ok = number(optarg, 0xFFFF, fw); break;
        case 'p': ok = number(optarg, 3600000, period) && period > 0; break;
        case 'b': ok = number(optarg, 0xFFFFFFFF, busy); break;
        case 'B': ok = number(optarg, 3600000, busy_ms); break;
        case 'S': silent = true; break;
        case 'N': ok = number(optarg, 0xFFFFFFFF, silent_next); break;
        case 'e': ranges.emplace_back(); ok = exception_fault(optarg, ranges.back()); break;
        case 'c': ok = number(optarg, 0xFFFFFFFF, bad_crc); break;
        case 'r': ok = number(optarg, 0xFFFFFFFF, short_answers); break;
        case 'w': wrong_sum = true; break;
        case 'n': wire = false; break;
        case 's': scope = false; break;
        case 'H': usage(std::cout); return 0;
        default: usage(std::cerr); return 2;
        }
        if (!ok) {
            std::cerr << "velmora-sim: bad value for " << argv[optind - 1] << "\n";
            usage(std::cerr);
            return 2;
        }
    }
    if (optind < argc) {
        usage(std::cerr);
        return 2;
    }

    // Threads started by libraries before main() don't block the signals, so
    // whichever thread takes one only passes it on.
    if (::pipe2(stop_pipe, O_CLOEXEC) != 0) {
        std::perror("velmora-sim: pipe");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    try {
        profiles::init_profiles();
        sim::driver d;
        d.set_identity(std::uint16_t(id), std::uint16_t(hw), std::uint16_t(fw), wrong_sum);
        d.set_wire_time(wire);
        d.busy_next(unsigned(busy));
        if (busy_ms)
            d.busy_for(std::chrono::milliseconds(busy_ms));
        d.set_silent(silent);
        d.silent_next(unsigned(silent_next));
        for (const range_fault& r : ranges)
            d.exception_range(std::uint16_t(r.first), std::uint32_t(r.count), std::uint8_t(r.code));
        d.bad_crc_next(unsigned(bad_crc));
        d.short_next(unsigned(short_answers));
        if (scope)
            d.set_scope(sim::graphs_for(std::uint16_t(id), std::chrono::milliseconds(period)));
        d.start();
        std::cout << d.tty_path() << std::endl;
        std::cerr << "velmora-sim: profile " << id << ", hw " << hw << ", fw " << fw
                  << (wrong_sum ? ", wrong check sum" : "") << ", wire time " << (wire ? "on" : "off")
                  << ", scope graphs " << d.scope().size()
                  << (busy || busy_ms || silent || silent_next || !ranges.empty() || bad_crc || short_answers
                          ? ", faults set"
                          : "")
                  << "\n";
        char sig = 0;
        while (::read(stop_pipe[0], &sig, 1) < 0 && errno == EINTR) {
        }
        d.stop();
    } catch (const std::exception& e) {
        std::cerr << "velmora-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
