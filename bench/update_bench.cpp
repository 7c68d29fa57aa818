// velmora-bench update: one device update of a watch list spread over the
// register map, against the wire-time model of 115200 baud 8N1.

#include "bench.h"

#include "device/device.h"
#include "modbus/modbus_device.h"
#include "sim/sim_driver.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>

namespace bench {

namespace {

struct layout {
    std::vector<profiles::item> items;
    std::vector<sim::request> reads; // one per run of consecutive registers
    unsigned longest = 0;            // registers of the longest run
};

// Clusters of items, one or two registers each, a few of them overlapping
// their neighbour, with unread gaps between clusters; no cluster spans more
// than 100 registers, so each costs exactly one request.
layout make_layout(long count, unsigned seed, unsigned map_size)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
    layout l;
    std::set<unsigned short> registers;
    unsigned next = pick(0, 16);
    while (long(l.items.size()) < count) {
        const unsigned cluster_start = next;
        const unsigned cluster_items = pick(1, 45);
        for (unsigned j = 0; j < cluster_items && long(l.items.size()) < count; ++j) {
            const unsigned len = pick(0, 3) == 0 ? 2 : 1;
            if (next + len - cluster_start > 100)
                break;
            profiles::item it = profiles::single(static_cast<unsigned short>(next));
            it.gui = profiles::spin;
            it.value.length = len;
            it.value.data.assign(len, 0);
            l.items.push_back(it);
            for (unsigned k = 0; k < len; ++k)
                registers.insert(static_cast<unsigned short>(next + k));
            // Now and then the next item starts on this one's second register.
            next += (len == 2 && pick(0, 5) == 0) ? 1 : len;
        }
        next = *registers.rbegin() + 1 + pick(2, 16 * map_size / unsigned(count));
    }
    if (*registers.rbegin() >= map_size)
        throw std::runtime_error("the watch list does not fit the register map; use fewer items");

    auto it = registers.begin();
    while (it != registers.end()) {
        const unsigned first = *it;
        unsigned last = first;
        for (++it; it != registers.end() && *it == last + 1; ++it)
            last = *it;
        l.reads.push_back({3, static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(last + 1 - first)});
        l.longest = std::max(l.longest, last + 1 - first);
    }
    return l;
}

std::uint16_t pattern(unsigned address)
{
    return static_cast<std::uint16_t>(address * 0x9E37u + 0x79B9u);
}

} // namespace

void usage_update(std::ostream& os)
{
    os << "Usage: velmora-bench update [--count N] [--warmup N] [--items N] [--seed N] [--backend B]\n\n"
          "Watches N items (one or two registers each, in clusters spread over the\n"
          "register map) on a device connected to the simulated driver, with its\n"
          "wire-time emulation on, and times one normal update of the whole watch\n"
          "list, repeatedly, over each back end. Prints the requests per update, the\n"
          "wall time per update, the wire-time model (request and answer bytes at\n"
          "115200 baud 8N1, and the same plus the 3.5-character gap after each frame)\n"
          "and the wall time minus the model, and the time the update spends outside\n"
          "the link's requests. Exits with 1 when an update makes other requests than\n"
          "one per run of consecutive registers, when the mean wall time exceeds the\n"
          "model with gaps by more than 5 %, or when the update's own time exceeds 5 %\n"
          "of the bytes' time.\n\n"
          "  --count N    timed updates per back end (default 50)\n"
          "  --warmup N   untimed updates before them (default 3)\n"
          "  --items N    watched items, 1 to 1000 (default 150)\n"
          "  --seed N     of the item layout (default 1)\n"
          "  --backend B  serial, bridge or all (default all)\n";
}

int run_update(const std::vector<std::string>& args)
{
    long count = 50;
    long warmup = 3;
    long items = 150;
    long seed = 1;
    std::vector<link_kind> links = links_named("all");
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count")
            take_number(args, i, 1, 100000, count);
        else if (args[i] == "--warmup")
            take_number(args, i, 0, 100000, warmup);
        else if (args[i] == "--items")
            take_number(args, i, 1, 1000, items);
        else if (args[i] == "--seed")
            take_number(args, i, 0, 1000000, seed);
        else if (args[i] == "--backend" && i + 1 < args.size())
            links = links_named(args[++i]);
        else
            throw usage_error{"unknown option " + args[i]};
    }

    // Below the identity block and the command register.
    const unsigned map_size = 0xF000;
    const layout l = make_layout(items, unsigned(seed), map_size);

    sim::driver driver;
    driver.set_wire_time(true);
    {
        std::vector<std::uint16_t> all(map_size);
        for (unsigned a = 0; a < map_size; ++a)
            all[a] = pattern(a);
        driver.set_registers(0, all);
    }
    driver.start();

    double bytes_us = 0;
    unsigned registers = 0;
    for (const sim::request& r : l.reads) {
        bytes_us += double(8 + 5 + 2 * r.count) * byte_us;
        registers += r.count;
    }
    const double model_us = bytes_us + double(l.reads.size()) * 2 * gap_chars * byte_us;
    std::printf("update: %ld items, %u registers in %zu runs (longest %u) from 0x%04X to 0x%04X, "
                "%ld updates per back end after %ld untimed, driver on %s\n",
                items, registers, l.reads.size(), l.longest, unsigned(l.reads.front().address),
                unsigned(l.reads.back().address + l.reads.back().count - 1), count, warmup,
                driver.tty_path().c_str());
    std::printf("model per update: %.3f ms of request and answer bytes, %.3f ms with the gaps after each "
                "frame\n\n",
                bytes_us / 1000, model_us / 1000);
    std::printf("%-8s %8s %9s %9s %9s %9s %14s %14s %13s\n", "back end", "requests", "mean ms", "median",
                "p95", "max", "- bytes ms", "- model ms", "own ms");

    bool ok = true;
    for (const link_kind k : links) {
        auto owned = std::make_unique<timed_backend>(modbus::open_modbus_device(descriptor_for(k, driver), 3));
        timed_backend* backend = owned.get();
        device dev(std::make_shared<modbus::connection>(std::move(owned)));
        long emitted = 0;
        QObject::connect(&dev, &device::item_changed, &dev, [&emitted](const profiles::item&) { ++emitted; });
        for (const auto& it : l.items)
            dev.add_item_watch(it);
        if (dev.watch_list().size() != l.items.size())
            throw std::runtime_error("items share an address");

        for (long i = 0; i < warmup; ++i)
            dev.update_profile();

        std::vector<double> wall, link;
        wall.reserve(std::size_t(count));
        link.reserve(std::size_t(count));
        bool requests_ok = true;
        for (long i = 0; i < count; ++i) {
            driver.reset_counts();
            driver.set_request_log(i == 0);
            emitted = 0;
            backend->link_us = 0;
            const auto t0 = clock::now();
            dev.update_profile();
            wall.push_back(micros(clock::now() - t0));
            link.push_back(backend->link_us);
            requests_ok = requests_ok && driver.requests() == l.reads.size() && emitted == items
                && (i != 0 || driver.request_log() == l.reads);
        }
        for (const auto& it : dev.watch_list())
            for (unsigned j = 0; j < it.length(); ++j)
                if (it.value.data[j] != pattern(it.address + j))
                    throw std::runtime_error(std::string(name_of(k)) + ": the values are not the driver's");

        const stats w = summarize(wall);
        const stats in_link = summarize(link);
        const double over_bytes = w.mean - bytes_us;
        const double over_model = w.mean - model_us;
        const double own = w.mean - in_link.mean;
        const bool within = over_model <= 0.05 * model_us && own <= 0.05 * bytes_us;
        ok = ok && within && requests_ok;
        std::printf("%-8s %8zu %9.3f %9.3f %9.3f %9.3f %6.3f %+5.1f%% %6.3f %+5.1f%% %6.3f %4.1f%% %s%s\n",
                    name_of(k), l.reads.size(), w.mean / 1000, w.median / 1000, w.p95 / 1000, w.max / 1000,
                    over_bytes / 1000, over_bytes / bytes_us * 100, over_model / 1000, over_model / model_us * 100,
                    own / 1000, own / bytes_us * 100, within ? "ok" : "OVER 5 %",
                    requests_ok ? "" : " WRONG REQUESTS");
    }
    std::printf("\n- bytes, - model: mean wall time per update minus the model, in ms and as part of the\n"
                "model; own: mean time of the update outside the link's requests, in ms and as part of\n"
                "the bytes' time\n");
    driver.stop();
    return ok ? 0 : 1;
}

} // namespace bench
