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

} // namespace

int main(int argc, char* argv[])
{
    unsigned long id = 6469, hw = 3, fw = 17, period = 200;
    bool wrong_sum = false, wire = true, scope = true;

    const option longopts[] = {
        {"id", required_argument, nullptr, 'i'},
        {"hw", required_argument, nullptr, 'h'},
        {"fw", required_argument, nullptr, 'f'},
        {"wrong-sum", no_argument, nullptr, 'w'},
        {"no-wire-time", no_argument, nullptr, 'n'},
        {"no-scope", no_argument, nullptr, 's'},
        {"scope-period", required_argument, nullptr, 'p'},
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
        if (scope)
            d.set_scope(sim::graphs_for(std::uint16_t(id), std::chrono::milliseconds(period)));
        d.start();
        std::cout << d.tty_path() << std::endl;
        std::cerr << "velmora-sim: profile " << id << ", hw " << hw << ", fw " << fw
                  << (wrong_sum ? ", wrong check sum" : "") << ", wire time " << (wire ? "on" : "off")
                  << ", scope graphs " << d.scope().size() << "\n";
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
