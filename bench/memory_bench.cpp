// velmora-bench memory: the raw memory editor's table and its "readl all"
// pass against the wire-time model of 115200 baud 8N1.

#include "bench.h"

#include "memory_table.h"
#include "modbus/modbus_device.h"
#include "sim/sim_driver.h"

#include <QApplication>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace bench {

namespace {

std::uint16_t pattern(unsigned address)
{
    return static_cast<std::uint16_t>(address * 0x9E37u + 0x79B9u);
}

// The requests of a pass with full replies: blocks of 110 up to 0xFFFF.
std::vector<sim::request> full_pass()
{
    std::vector<sim::request> r;
    for (unsigned start = 0; start < 0x10000; start += 110)
        r.push_back({3, static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(std::min(110u, 0x10000 - start))});
    return r;
}

double model_us(const sim::request& r)
{
    return double(8 + 5 + 2 * r.count) * byte_us + 2 * gap_chars * byte_us;
}

bool cells_hold_pattern(const memory_table& mt)
{
    const auto* table = mt.findChild<QTableWidget*>(QStringLiteral("mt"));
    for (unsigned a = 0; a < 0x10000; ++a) {
        const auto pos = map_pos(static_cast<unsigned short>(a));
        if (table->item(pos.second, pos.first)->text() != QString::number(pattern(a)))
            return false;
    }
    return true;
}

} // namespace

void usage_memory(std::ostream& os)
{
    os << "Usage: velmora-bench memory [--builds N] [--passes N] [--backend B]\n\n"
          "Times the building of the raw memory editor (its 65,536 cells), then its\n"
          "\"readl all\" pass over the whole register space of the simulated driver,\n"
          "with its wire-time emulation on, over each back end. Prints the requests\n"
          "of a pass, its wall time next to the wire-time model (request and answer\n"
          "bytes at 115200 baud 8N1 plus the 3.5-character gap after each frame), the\n"
          "time outside the link's requests, and the longest time the window went\n"
          "without processing events. Exits with 1 when a pass makes other requests\n"
          "than 595 of 110 registers and one of 86, when a cell does not show its\n"
          "register, or when the longest gap exceeds twice the model of one block.\n\n"
          "  --builds N   timed constructions of the editor (default 5)\n"
          "  --passes N   timed passes per back end (default 1)\n"
          "  --backend B  serial, bridge or all (default all)\n";
}

int run_memory(const std::vector<std::string>& args)
{
    long builds = 5;
    long passes = 1;
    std::vector<link_kind> links = links_named("all");
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--builds")
            take_number(args, i, 1, 1000, builds);
        else if (args[i] == "--passes")
            take_number(args, i, 1, 100, passes);
        else if (args[i] == "--backend" && i + 1 < args.size())
            links = links_named(args[++i]);
        else
            throw usage_error{"unknown option " + args[i]};
    }

    std::vector<double> build_times;
    for (long i = 0; i < builds; ++i) {
        const auto t0 = clock::now();
        memory_table mt;
        build_times.push_back(micros(clock::now() - t0));
    }
    const stats b = summarize(build_times);
    std::printf("memory: building the editor (65,536 cells), %ld times: mean %.1f ms, median %.1f, min %.1f, "
                "max %.1f\n\n",
                builds, b.mean / 1000, b.median / 1000, b.min / 1000, b.max / 1000);

    sim::driver driver;
    driver.set_wire_time(true);
    {
        std::vector<std::uint16_t> all(0x10000);
        for (unsigned a = 0; a < all.size(); ++a)
            all[a] = pattern(a);
        driver.set_registers(0, all);
    }
    driver.start();

    const std::vector<sim::request> expected = full_pass();
    double model = 0;
    double block_model = 0;
    for (const sim::request& r : expected) {
        model += model_us(r);
        block_model = std::max(block_model, model_us(r));
    }
    std::printf("readl all: %ld pass(es) per back end, driver on %s; model %zu requests, %.1f ms per pass, "
                "%.3f ms per block of 110\n\n",
                passes, driver.tty_path().c_str(), expected.size(), model / 1000, block_model / 1000);
    std::printf("%-8s %8s %10s %9s %11s %10s %14s\n", "back end", "requests", "wall ms", "vs model", "own ms",
                "events", "longest gap ms");

    bool ok = true;
    for (const link_kind k : links) {
        for (long p = 0; p < passes; ++p) {
            auto owned = std::make_unique<timed_backend>(modbus::open_modbus_device(descriptor_for(k, driver), 3));
            timed_backend* backend = owned.get();
            memory_table mt;
            mt.set_connection(std::make_shared<modbus::connection>(std::move(owned)));

            // A zero-interval timer runs whenever the editor lets events run.
            std::vector<clock::time_point> ticks;
            ticks.reserve(1024);
            QTimer probe;
            probe.setInterval(0);
            QObject::connect(&probe, &QTimer::timeout, [&ticks] { ticks.push_back(clock::now()); });
            probe.start();

            driver.reset_counts();
            driver.set_request_log(true);
            const auto t0 = clock::now();
            mt.read_all();
            const auto t1 = clock::now();
            probe.stop();
            driver.set_request_log(false);

            double gap = 0;
            clock::time_point last = t0;
            for (const auto& t : ticks) {
                gap = std::max(gap, micros(t - last));
                last = t;
            }
            gap = std::max(gap, micros(t1 - last));

            const double wall = micros(t1 - t0);
            const bool requests_ok = driver.request_log() == expected && backend->requests == expected.size();
            const bool cells_ok = cells_hold_pattern(mt);
            const bool gap_ok = gap <= 2 * block_model;
            ok = ok && requests_ok && cells_ok && gap_ok;
            std::printf("%-8s %8u %10.1f %+8.1f%% %6.1f %4.1f%% %10zu %14.3f %s%s%s\n", name_of(k), backend->requests,
                        wall / 1000, (wall - model) / model * 100, (wall - backend->link_us) / 1000,
                        (wall - backend->link_us) / wall * 100, ticks.size(), gap / 1000, gap_ok ? "ok" : "GAP",
                        requests_ok ? "" : " WRONG REQUESTS", cells_ok ? "" : " WRONG CELLS");
        }
    }
    std::printf("\nown: wall time of the pass outside the link's requests (filling cells, processing\n"
                "events), in ms and as part of the wall time; events: times the window processed\n"
                "events during the pass\n");
    driver.stop();
    return ok ? 0 : 1;
}

} // namespace bench
