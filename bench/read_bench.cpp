// velmora-bench read: block reads over each back end against the wire-time
// model of 115200 baud 8N1.

#include "bench.h"

#include "sim/sim_driver.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace bench {

void usage_read(std::ostream& os)
{
    os << "Usage: velmora-bench read [--count N] [--warmup N] [--registers N] [--backend B]\n\n"
          "Reads a block of registers N times from the simulated driver, with its\n"
          "wire-time emulation on, over each back end, and prints the time per\n"
          "request next to the wire-time model: the request and answer bytes at\n"
          "115200 baud 8N1 plus the 3.5-character gap after each frame. Exits with 1\n"
          "when the link adds more than 10 % over the model on average.\n\n"
          "  --count N      timed requests per back end (default 500)\n"
          "  --warmup N     untimed requests before them (default 20)\n"
          "  --registers N  registers per request, 1 to 125 (default 100)\n"
          "  --backend B    serial, bridge or all (default all)\n";
}

int run_read(const std::vector<std::string>& args)
{
    long count = 500;
    long warmup = 20;
    long registers = 100;
    std::vector<link_kind> links = links_named("all");
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count")
            take_number(args, i, 1, 1000000, count);
        else if (args[i] == "--warmup")
            take_number(args, i, 0, 1000000, warmup);
        else if (args[i] == "--registers")
            take_number(args, i, 1, 125, registers);
        else if (args[i] == "--backend" && i + 1 < args.size())
            links = links_named(args[++i]);
        else
            throw usage_error{"unknown option " + args[i]};
    }

    sim::driver driver;
    driver.set_wire_time(true);
    const unsigned short first = 0x100;
    std::vector<std::uint16_t> ramp(static_cast<std::size_t>(registers));
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = std::uint16_t(0x1111 * (i % 15) + i);
    driver.set_registers(first, ramp);
    driver.start();

    // Request: address, function, start, count, CRC. Answer: address,
    // function, byte count, the registers, CRC.
    const long bytes = 8 + 5 + 2 * registers;
    const double wire = double(bytes) * byte_us;
    const double gaps = 2 * gap_chars * byte_us;
    const double model = wire + gaps;
    std::printf("read: %ld registers per request, %ld requests per back end after %ld untimed, driver on %s\n",
                registers, count, warmup, driver.tty_path().c_str());
    std::printf("model: %ld bytes x %.1f us = %.3f ms on the wire + 2 gaps of 3.5 characters = %.3f ms"
                " -> %.3f ms per request\n\n",
                bytes, byte_us, wire / 1000, gaps / 1000, model / 1000);
    std::printf("%-8s %9s %9s %9s %9s %9s %10s\n", "back end", "mean ms", "median", "min", "p95", "max",
                "vs model");

    bool within = true;
    for (const link_kind k : links) {
        modbus::connection link(descriptor_for(k, driver), 3);
        std::vector<unsigned short> values;
        for (long i = 0; i < warmup; ++i) {
            values.assign(std::size_t(registers), 0);
            link.read_registers(first, values, false);
        }
        driver.reset_counts();
        std::vector<double> times;
        times.reserve(std::size_t(count));
        for (long i = 0; i < count; ++i) {
            values.assign(std::size_t(registers), 0);
            const auto t0 = clock::now();
            link.read_registers(first, values, false);
            times.push_back(micros(clock::now() - t0));
        }
        if (values != std::vector<unsigned short>(ramp.begin(), ramp.end()))
            throw std::runtime_error(std::string(name_of(k)) + ": the registers read are not the driver's");
        if (driver.requests(3) != unsigned(count))
            throw std::runtime_error(std::string(name_of(k)) + ": the driver counted "
                                     + std::to_string(driver.requests(3)) + " requests");
        const stats s = summarize(times);
        const double over = (s.mean / model - 1) * 100;
        const bool ok = s.mean <= 1.10 * model;
        within = within && ok;
        std::printf("%-8s %9.3f %9.3f %9.3f %9.3f %9.3f %+9.1f %% %s\n", name_of(k), s.mean / 1000,
                    s.median / 1000, s.min / 1000, s.p95 / 1000, s.max / 1000, over,
                    ok ? "ok" : "OVER 10 %");
    }
    driver.stop();
    return within ? 0 : 1;
}

} // namespace bench
