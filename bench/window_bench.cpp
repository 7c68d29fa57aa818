// velmora-bench window: the program's start, and the main window connecting
// to, paging through and polling a 6469 driver, against the wire-time model
// of 115200 baud 8N1.

#include "bench.h"

#include "main_window.h"

#include "device/device.h"
#include "dorvane/profile.h"
#include "modbus/devices.h"
#include "services/settings.h"
#include "sim/sim_driver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <stdexcept>

namespace bench {

namespace {

// Wire time of requests as the driver logged them: request and answer bytes,
// with or without the 3.5-character gap after each frame.
double model_us(const std::vector<sim::request>& log, bool gaps = true)
{
    double us = 0;
    for (const sim::request& r : log) {
        const double bytes = r.function == 3 ? 8 + 5 + 2.0 * r.count : 8 + 8;
        us += (bytes + (gaps ? 2 * gap_chars : 0)) * byte_us;
    }
    return us;
}

// One read per run of consecutive registers of the items that are read (in
// pieces of at most 100), in address order.
std::vector<sim::request> runs_of(const std::vector<profiles::item>& items)
{
    std::set<unsigned> registers;
    for (const profiles::item& it : items) {
        if (it.address == 0xFFFF || it.dir == profiles::wo)
            continue;
        for (unsigned k = 0; k < it.length(); ++k)
            registers.insert(unsigned(it.address) + k);
    }
    std::vector<sim::request> reads;
    for (auto it = registers.begin(); it != registers.end();) {
        const unsigned first = *it;
        unsigned last = first;
        for (++it; it != registers.end() && *it == last + 1 && last + 1 - first < 100; ++it)
            last = *it;
        reads.push_back({3, std::uint16_t(first), std::uint16_t(last + 1 - first)});
    }
    return reads;
}

// A box would wait for ever: close it, and count it as a failure.
struct box_closer {
    int seen = 0;
    QTimer timer;
    box_closer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++seen;
                std::fprintf(stderr, "box: %s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
                box->reject();
            }
        });
        timer.start(20);
    }
};

QPushButton* connect_button(main_window& w)
{
    return w.findChild<QPushButton*>(QStringLiteral("connect"));
}

device* connected_device()
{
    return updater ? qobject_cast<device*>(updater->parent()) : nullptr;
}

// Process start until the main window has been built and is about to show:
// its constructor's last log line, "device disconnected".
std::vector<double> time_starts(long count, const QString& program)
{
    std::vector<double> us;
    for (long i = 0; i < count; ++i) {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/.config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The program's standard output is block-buffered into a pipe.
        const auto t0 = clock::now();
        p.start(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), program, QStringLiteral("--single")});
        QByteArray out;
        bool shown = false;
        while (!shown && p.waitForReadyRead(10000)) {
            out += p.readAllStandardOutput();
            shown = out.contains("main: device disconnected");
        }
        const double elapsed = micros(clock::now() - t0);
        p.terminate();
        if (!p.waitForFinished(5000))
            p.kill();
        p.waitForFinished(1000);
        if (!shown)
            throw std::runtime_error("the program did not show its window: " + out.toStdString());
        us.push_back(elapsed);
    }
    return us;
}

void print(const char* what, const stats& s, const char* unit_note = "")
{
    std::printf("%-34s %9.3f %9.3f %9.3f %9.3f%s\n", what, s.mean / 1000, s.median / 1000, s.p95 / 1000,
                s.max / 1000, unit_note);
}

} // namespace

void usage_window(std::ostream& os)
{
    os << "Usage: velmora-bench window [--count N] [--starts N]\n\n"
          "Times the program and its main window against the simulated 6469 driver\n"
          "(wire-time emulation on, scope off), offscreen:\n"
          "- start: `velmora --single` from process start until its main window is\n"
          "  built (its constructor's last log line), with an empty home; goal 1 s;\n"
          "- connect: Connect through \"Autodetect\" until the first page shows the\n"
          "  driver's values; requests must be the identity block and one read per\n"
          "  run of consecutive registers, wall time within 10 % of their wire time\n"
          "  (with the gaps); the device listing that \"Autodetect\" runs is timed\n"
          "  apart;\n"
          "- page: each page switch, which must make no request;\n"
          "- tick: one update tick of the static panel and the first page; one read\n"
          "  per run of the watched registers, and its own time (the same update\n"
          "  served from the link's copy, the controls' repaint included) under 5 %\n"
          "  of the bytes' wire time.\n"
          "Exits with 1 when a limit is missed.\n\n"
          "  --count N    connections and ticks timed (default 10)\n"
          "  --starts N   program starts timed (default 5; 0 skips them)\n";
}

int run_window(const std::vector<std::string>& args)
{
    long count = 10;
    long starts = 5;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count")
            take_number(args, i, 1, 10000, count);
        else if (args[i] == "--starts")
            take_number(args, i, 0, 1000, starts);
        else
            throw usage_error{"unknown option " + args[i]};
    }
    bool ok = true;
    std::printf("%-34s %9s %9s %9s %9s\n", "", "mean ms", "median", "p95", "max");

    if (starts > 0) {
        const stats s = summarize(time_starts(starts, QStringLiteral(VELMORA_PROGRAM)));
        const bool within = s.median < 1e6;
        ok = ok && within;
        print("start to main window", s, within ? "  ok" : "  OVER 1 s");
    }

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick Solvery"));
    QCoreApplication::setApplicationName(QStringLiteral("velmora"));
    settings().set_dev(QStringLiteral("Autodetect"));
    settings().set_updatetime(0);
    profiles::init_profiles();

    sim::driver driver;
    driver.set_wire_time(true);
    driver.start();
    ::setenv("VELMORA_BRIDGE_DEVICES", (driver.tty_path() + "|Tarnwick Solvery servo driver|ea60|10c4").c_str(), 1);
    driver.set_request_log(true);

    box_closer boxes;
    main_window window(nullptr, Qt::WindowFlags());
    window.show();
    QCoreApplication::processEvents();

    const profiles::profile& p = profiles::get_profile(6469);
    std::vector<profiles::item> all(p.static_map);
    for (const auto& page : p.pages)
        all.insert(all.end(), page.second.begin(), page.second.end());
    std::vector<sim::request> expected{{3, profiles::profile::id_address, 4}};
    for (const sim::request& r : runs_of(all))
        expected.push_back(r);
    const double connect_model = model_us(expected);

    std::vector<double> connect_us;
    bool requests_ok = true;
    for (long i = 0; i < count; ++i) {
        driver.reset_counts();
        const auto t0 = clock::now();
        connect_button(window)->click();
        connect_us.push_back(micros(clock::now() - t0));
        requests_ok = requests_ok && connected_device() && driver.request_log() == expected;
        if (i + 1 < count)
            connect_button(window)->click();
    }
    {
        const stats s = summarize(connect_us);
        const bool within = requests_ok && s.mean <= 1.1 * connect_model;
        ok = ok && within;
        std::printf("connect: %zu requests (identity + %zu runs), wire time %.3f ms\n", expected.size(),
                    expected.size() - 1, connect_model / 1000);
        print("connect to first page", s,
              !requests_ok ? "  WRONG REQUESTS" : within ? "  ok" : "  OVER 10 %");
        // Where the rest goes: listing the devices to resolve "Autodetect".
        std::vector<double> listing;
        for (long i = 0; i < count; ++i) {
            const auto t0 = clock::now();
            modbus::device(settings().dev().toStdString());
            listing.push_back(micros(clock::now() - t0));
        }
        print("  of it: device list and autodetect", summarize(listing));
    }
    if (!connected_device())
        throw std::runtime_error("not connected");

    // Each page, then back to the first; the largest page is named.
    const QList<QPushButton*> pages =
        window.findChild<QFrame*>(QStringLiteral("control_panel"))->findChildren<QPushButton*>();
    std::size_t largest = 0;
    std::size_t index = 0;
    for (const auto& page : p.pages) {
        if (page.second.size() > std::next(p.pages.begin(), long(largest))->second.size())
            largest = index;
        ++index;
    }
    std::vector<double> page_us;
    double largest_us = 0;
    unsigned page_requests = 0;
    for (int round = 0; round < 2; ++round) {
        for (int k = 1; k <= pages.size(); ++k) {
            const int b = k % pages.size();
            driver.reset_counts();
            const auto t0 = clock::now();
            pages[b]->click();
            const double us = micros(clock::now() - t0);
            page_requests += driver.requests();
            if (round == 1) {
                page_us.push_back(us);
                if (std::size_t(b) == largest)
                    largest_us = us;
            }
        }
    }
    {
        const bool none = page_requests == 0;
        ok = ok && none;
        print("page switch", summarize(page_us), none ? "  0 requests" : "  REQUESTS MADE");
        std::printf("%-34s %9.3f  (\"%s\", %zu items)\n", "largest page", largest_us / 1000,
                    std::next(p.pages.begin(), long(largest))->first.c_str(),
                    std::next(p.pages.begin(), long(largest))->second.size());
    }

    // Ticks on the first page.
    pages[0]->click();
    const std::vector<sim::request> tick_reads = runs_of(connected_device()->watch_list());
    const double tick_model = model_us(tick_reads);
    const double tick_bytes = model_us(tick_reads, false);
    std::vector<double> tick_us, own_us;
    bool tick_requests_ok = true;
    for (long i = 0; i < count; ++i) {
        driver.reset_counts();
        auto t0 = clock::now();
        QMetaObject::invokeMethod(updater.data(), "timeout", Qt::DirectConnection);
        tick_us.push_back(micros(clock::now() - t0));
        tick_requests_ok = tick_requests_ok && driver.request_log() == tick_reads;
        // The same update served from the link's copy: everything but the
        // requests (the controls' repaint included).
        t0 = clock::now();
        connected_device()->update_profile(true);
        own_us.push_back(micros(clock::now() - t0));
    }
    {
        const stats s = summarize(tick_us);
        const stats own = summarize(own_us);
        const bool within = tick_requests_ok && own.mean <= 0.05 * tick_bytes;
        ok = ok && within;
        std::printf("tick: %zu watched items, %zu runs, wire time %.3f ms (%.3f ms without the gaps)\n",
                    connected_device()->watch_list().size(), tick_reads.size(), tick_model / 1000,
                    tick_bytes / 1000);
        print("tick", s, !tick_requests_ok ? "  WRONG REQUESTS" : "");
        print("tick's own time (from the copy)", own);
        std::printf("%-34s %8.1f %%  %s\n", "own time / wire time without gaps", own.mean / tick_bytes * 100,
                    within ? "ok" : "OVER 5 %");
    }
    if (boxes.seen) {
        std::printf("%d error boxes were shown\n", boxes.seen);
        ok = false;
    }
    connect_button(window)->click();
    driver.stop();
    return ok ? 0 : 1;
}

} // namespace bench
