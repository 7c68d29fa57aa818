// The simulated driver, seen from a plain libmodbus master on its terminal.

#include "quick_driver.h"
#include "test_main.h"

#include "sim/sim_driver.h"
#include "sim/sim_profile.h"

#include <modbus/modbus.h>

#include <QElapsedTimer>
#include <QProcess>

#include <cerrno>
#include <chrono>
#include <signal.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using words = std::vector<std::uint16_t>;
using std::chrono::milliseconds;

// A libmodbus RTU master on the simulator's terminal; every call records the
// errno it left.
struct master {
    modbus_t* ctx = nullptr;
    int err = 0;

    explicit master(const std::string& path, int timeout_ms = 500)
    {
        ctx = modbus_new_rtu(path.c_str(), 115200, 'N', 8, 1);
        if (!ctx)
            return;
        modbus_set_slave(ctx, 1);
        modbus_set_response_timeout(ctx, 0, timeout_ms * 1000);
        if (modbus_connect(ctx) != 0) {
            modbus_free(ctx);
            ctx = nullptr;
        }
    }
    ~master() { close(); }
    master(const master&) = delete;
    master& operator=(const master&) = delete;

    bool ok() const { return ctx != nullptr; }
    void close()
    {
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
        ctx = nullptr;
    }
    int read(std::uint16_t address, int n, words& out)
    {
        out.assign(std::size_t(n), 0xAAAA);
        errno = 0;
        const int rc = modbus_read_registers(ctx, address, n, out.data());
        err = errno;
        return rc;
    }
    words read(std::uint16_t address, int n)
    {
        words out;
        if (read(address, n, out) != n)
            out.clear();
        return out;
    }
    int write(std::uint16_t address, const words& values)
    {
        errno = 0;
        const int rc = modbus_write_registers(ctx, address, int(values.size()), values.data());
        err = errno;
        return rc;
    }
    int write1(std::uint16_t address, std::uint16_t value)
    {
        errno = 0;
        const int rc = modbus_write_register(ctx, address, value);
        err = errno;
        return rc;
    }
};

words expected_buffer(const sim::scope_graph& g, unsigned buffer)
{
    words w;
    for (std::uint32_t i = 0; i < g.count; ++i)
        w.push_back(std::uint16_t(sim::driver::scope_sample(g, buffer, i)));
    return w;
}

} // namespace

class tst_sim_driver : public QObject {
    Q_OBJECT

private slots:
    void registers();
    void identity_block();
    void busy();
    void exception_range();
    void silence();
    void bad_crc();
    void short_answer();
    void counts_and_log();
    void wire_time();
    void scope();
    void reopen_and_stop();
    void graphs_from_profiles();
    void standalone();
};

void tst_sim_driver::registers()
{
    test_support::quick_driver d;
    QVERIFY(d.running());
    QVERIFY(QString::fromStdString(d.tty_path()).startsWith("/dev/pts/"));
    master m(d.tty_path());
    QVERIFY(m.ok());

    d.set_registers(0x100, {1, 2, 3, 0xFFFF});
    QCOMPARE(m.read(0x100, 4), (words{1, 2, 3, 0xFFFF}));

    QCOMPARE(m.write(0x200, {10, 20, 30}), 3);
    QCOMPARE(d.get_registers(0x200, 3), (words{10, 20, 30}));
    QCOMPARE(m.write1(0x300, 0x1234), 1);
    QCOMPARE(d.get_register(0x300), std::uint16_t(0x1234));

    // The map spans all 65536 addresses and wraps.
    d.set_registers(0xFFFE, {7, 8, 9});
    QCOMPARE(d.get_register(0), std::uint16_t(9));
    QCOMPARE(d.get_registers(0xFFFF, 2), (words{8, 9}));
    QCOMPARE(m.read(0xFFFE, 2), (words{7, 8}));
    QCOMPARE(m.read(0xFF90, 100).size(), std::size_t(100));
}

void tst_sim_driver::identity_block()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());

    QCOMPARE(m.read(0xFFF0, 4), (words{6469, 3, 17, 6489}));
    d.set_identity(6758, 1, 2);
    QCOMPARE(m.read(0xFFF0, 4), (words{6758, 1, 2, 6761}));
    d.set_identity(65535, 1, 0);
    QCOMPARE(m.read(0xFFF0, 4), (words{65535, 1, 0, 0}));
    d.set_identity(6469, 3, 17, true);
    const words wrong = m.read(0xFFF0, 4);
    QCOMPARE(wrong.size(), std::size_t(4));
    QVERIFY(wrong[3] != std::uint16_t(wrong[0] + wrong[1] + wrong[2]));
}

void tst_sim_driver::busy()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());
    words out;

    d.busy_next(2);
    QCOMPARE(m.read(0, 4, out), -1);
    QCOMPARE(m.err, EMBXSBUSY);
    QCOMPARE(m.write(0x10, {5}), -1);
    QCOMPARE(m.err, EMBXSBUSY);
    QCOMPARE(d.get_register(0x10), std::uint16_t(0)); // not done
    QCOMPARE(m.read(0, 4, out), 4);
    QCOMPARE(d.requests(), 3u);

    d.busy_for(milliseconds(150));
    QElapsedTimer t;
    t.start();
    int busy_answers = 0;
    while (m.read(0, 1, out) != 1 && t.elapsed() < 2000) {
        QCOMPARE(m.err, EMBXSBUSY);
        ++busy_answers;
        std::this_thread::sleep_for(milliseconds(10));
    }
    QVERIFY(busy_answers >= 3);
    QVERIFY2(t.elapsed() >= 140 && t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
}

void tst_sim_driver::exception_range()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());
    words out;

    d.exception_range(0x100, 10, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
    QCOMPARE(m.read(0x100, 1, out), -1);
    QCOMPARE(m.err, EMBXILADD);
    QCOMPARE(m.read(0xF0, 0x10, out), 0x10); // ends right before the range
    QCOMPARE(m.read(0xF0, 0x11, out), -1);   // touches its first register
    QCOMPARE(m.err, EMBXILADD);
    QCOMPARE(m.read(0x109, 1, out), -1);
    QCOMPARE(m.read(0x10A, 5, out), 5);
    QCOMPARE(m.write1(0x105, 7), -1);
    QCOMPARE(m.err, EMBXILADD);
    QCOMPARE(d.get_register(0x105), std::uint16_t(0));

    d.exception_range(0x2000, 1, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
    QCOMPARE(m.write(0x1FFE, {1, 2, 3}), -1);
    QCOMPARE(m.err, EMBXSFAIL);

    d.clear_faults();
    QCOMPARE(m.read(0x100, 10, out), 10);
    QVERIFY_EXCEPTION_THROWN(d.exception_range(0, 1, 0), std::invalid_argument);
    QVERIFY_EXCEPTION_THROWN(d.exception_range(0, 1, 12), std::invalid_argument);
}

void tst_sim_driver::silence()
{
    test_support::quick_driver d;
    master m(d.tty_path(), 50);
    QVERIFY(m.ok());
    words out;

    d.set_silent(true);
    QElapsedTimer t;
    t.start();
    QCOMPARE(m.read(0, 4, out), -1);
    QCOMPARE(m.err, ETIMEDOUT);
    QVERIFY(t.elapsed() >= 45);
    QCOMPARE(m.write1(0x20, 9), -1);
    QCOMPARE(m.err, ETIMEDOUT);
    QCOMPARE(d.get_register(0x20), std::uint16_t(0));
    QCOMPARE(d.requests(), 2u);

    d.set_silent(false);
    d.silent_next(2);
    QCOMPARE(m.read(0, 4, out), -1);
    QCOMPARE(m.read(0, 4, out), -1);
    QCOMPARE(m.err, ETIMEDOUT);
    QCOMPARE(m.read(0xFFF0, 4, out), 4);
    QCOMPARE(out, (words{6469, 3, 17, 6489}));
}

void tst_sim_driver::bad_crc()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());
    words out;

    d.bad_crc_next(3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m.read(0xFFF0, 4, out), -1);
        QCOMPARE(m.err, EMBBADCRC);
    }
    QCOMPARE(m.read(0xFFF0, 4, out), 4);
    QCOMPARE(out, (words{6469, 3, 17, 6489}));
    QCOMPARE(d.requests(), 4u);

    // Exception answers can be spoilt too.
    d.busy_next(1);
    d.bad_crc_next(1);
    QCOMPARE(m.read(0, 1, out), -1);
    QCOMPARE(m.err, EMBBADCRC);
    QCOMPARE(m.read(0, 1, out), 1);
}

void tst_sim_driver::short_answer()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());
    words out;

    d.short_next(1);
    QCOMPARE(m.read(0xFFF0, 4, out), -1);
    QCOMPARE(m.err, EMBBADDATA);
    QCOMPARE(m.read(0xFFF0, 4, out), 4);

    // A single register read answered with none.
    d.short_next(1);
    QCOMPARE(m.read(0xFFF0, 1, out), -1);
    QCOMPARE(m.err, EMBBADDATA);

    // A write is done but reported one register short.
    d.short_next(1);
    QCOMPARE(m.write(0x40, {4, 5, 6}), -1);
    QCOMPARE(m.err, EMBBADDATA);
    QCOMPARE(d.get_registers(0x40, 3), (words{4, 5, 6}));

    // A single-register write carries no count and leaves the switch armed.
    d.short_next(1);
    QCOMPARE(m.write1(0x50, 1), 1);
    QCOMPARE(m.read(0x50, 2, out), -1);
    QCOMPARE(m.err, EMBBADDATA);
    QCOMPARE(m.read(0x50, 2, out), 2);
}

void tst_sim_driver::counts_and_log()
{
    test_support::quick_driver d(true);
    master m(d.tty_path(), 50);
    QVERIFY(m.ok());
    words out;

    m.read(0x10, 4, out);
    m.write(0x20, {1, 2});
    m.write1(0x30, 5);
    d.busy_next(1);
    m.read(0xFFF0, 4, out);
    QCOMPARE(d.requests(), 4u);
    QCOMPARE(d.requests(3), 2u);
    QCOMPARE(d.requests(16), 1u);
    QCOMPARE(d.requests(6), 1u);
    QCOMPARE(d.requests(4), 0u);
    const std::vector<sim::request> expected{{3, 0x10, 4}, {16, 0x20, 2}, {6, 0x30, 1}, {3, 0xFFF0, 4}};
    QVERIFY(d.request_log() == expected);

    d.reset_counts();
    QCOMPARE(d.requests(), 0u);
    QCOMPARE(d.requests(3), 0u);
    QVERIFY(d.request_log().empty());

    // Another slave's request is neither answered nor counted, and the next
    // request to slave 1 is served as usual.
    modbus_set_slave(m.ctx, 2);
    QCOMPARE(m.read(0, 1, out), -1);
    QCOMPARE(m.err, ETIMEDOUT);
    modbus_set_slave(m.ctx, 1);
    QCOMPARE(m.read(0xFFF0, 1, out), 1);
    QCOMPARE(out[0], std::uint16_t(6469));
    QCOMPARE(d.requests(), 1u);

    d.set_request_log(false);
    m.read(0, 1, out);
    QCOMPARE(d.requests(), 2u);
    QCOMPARE(d.request_log().size(), std::size_t(1));
}

void tst_sim_driver::wire_time()
{
    sim::driver d;
    QVERIFY(d.wire_time()); // on unless switched off
    d.start();
    master m(d.tty_path());
    QVERIFY(m.ok());
    words out;

    // 8 request bytes and 5 + 200 answer bytes at 86.8 us each: 18.5 ms.
    const qint64 model_us = 213 * 86806 / 1000;
    qint64 fastest = 1000000;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QCOMPARE(m.read(0, 100, out), 100);
        const qint64 us = t.nsecsElapsed() / 1000;
        QVERIFY2(us >= model_us - 200, qPrintable(QString::number(us)));
        fastest = std::min(fastest, us);
    }
    QVERIFY2(fastest < model_us + 20000, qPrintable(QString::number(fastest)));

    d.set_wire_time(false);
    QVERIFY(!d.wire_time());
    fastest = 1000000;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QCOMPARE(m.read(0, 100, out), 100);
        fastest = std::min(fastest, t.nsecsElapsed() / 1000);
    }
    QVERIFY2(fastest < 8000, qPrintable(QString::number(fastest)));
}

void tst_sim_driver::scope()
{
    test_support::quick_driver d;
    master m(d.tty_path());
    QVERIFY(m.ok());

    sim::scope_graph g;
    g.trigger = 0x88;
    g.start = 0x10E;
    g.count = 256;
    g.period = milliseconds(20);
    g.amplitude = 1000;
    sim::scope_graph h = g;
    h.trigger = 0x8A;
    h.start = 0x20E;
    h.count = 16;
    h.phase = 1.0;
    d.set_scope({g, h});
    QCOMPARE(d.scope().size(), std::size_t(2));

    auto read_buffer = [&](const sim::scope_graph& gr) {
        words all;
        for (std::uint32_t at = 0; at < gr.count; at += 100) {
            const words part = m.read(std::uint16_t(gr.start + at), int(std::min<std::uint32_t>(100, gr.count - at)));
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };

    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(0), 1u, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(1), 1u, 1000);
    QCOMPARE(m.read(0x88, 1), (words{1}));
    const words first = read_buffer(g);
    QCOMPARE(first, expected_buffer(g, 0));
    QCOMPARE(std::int16_t(first[64]), std::int16_t(1000)); // crest of the sine
    QCOMPARE(std::int16_t(first[192]), std::int16_t(-1000));
    QCOMPARE(read_buffer(h), expected_buffer(h, 0));

    // Not re-armed: no new buffer however long the master waits.
    std::this_thread::sleep_for(milliseconds(120));
    QCOMPARE(d.scope_fires(0), 1u);
    QCOMPARE(read_buffer(g), first);

    QCOMPARE(m.write1(0x88, 0), 1);
    QCOMPARE(d.scope_rearms(0), 1u);
    QCOMPARE(d.scope_rearms(1), 0u);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(0), 2u, 1000);
    QCOMPARE(m.read(0x88, 1), (words{2}));
    const words second = read_buffer(g);
    QCOMPARE(second, expected_buffer(g, 1));
    QVERIFY(second != first);
    QCOMPARE(d.scope_fires(1), 1u);

    // Only writes of 0 re-arm; a block write counts as well.
    QCOMPARE(m.write1(0x8A, 3), 1);
    QCOMPARE(d.scope_rearms(1), 0u);
    QCOMPARE(m.write(0x88, {0, 0, 0}), 3);
    QCOMPARE(d.scope_rearms(0), 2u);
    QCOMPARE(d.scope_rearms(1), 1u);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(1), 2u, 1000);
    // A broadcast is done though not answered.
    modbus_set_slave(m.ctx, 0);
    modbus_set_response_timeout(m.ctx, 0, 20000);
    m.write1(0x8A, 0);
    modbus_set_slave(m.ctx, 1);
    modbus_set_response_timeout(m.ctx, 0, 500000);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_rearms(1), 2u, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(1), 3u, 1000);

    // Clearing the trigger from the test side is no bus write.
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(0), 3u, 1000);
    d.set_register(0x88, 0);
    QTRY_COMPARE_WITH_TIMEOUT(d.scope_fires(0), 4u, 1000);
    QCOMPARE(d.scope_rearms(0), 2u);

    d.reset_counts();
    QCOMPARE(d.scope_fires(0), 0u);
    QCOMPARE(d.scope_rearms(0), 0u);
    QVERIFY_EXCEPTION_THROWN(d.scope_fires(2), std::out_of_range);

    d.set_scope({});
    QVERIFY(d.scope().empty());
    QCOMPARE(m.write1(0x88, 0), 1);
    std::this_thread::sleep_for(milliseconds(60));
    QCOMPARE(m.read(0x88, 1), (words{0}));
}

void tst_sim_driver::reopen_and_stop()
{
    sim::driver d;
    d.start();
    const std::string path = d.tty_path();
    words out;
    {
        master m(path);
        QVERIFY(m.ok());
        QCOMPARE(m.read(0xFFF0, 1), (words{6469}));
    }
    {
        master m(path);
        QVERIFY(m.ok());
        QCOMPARE(m.read(0xFFF0, 1), (words{6469}));
        // Gives up long before the answer and closes; the answer must not
        // reach the next master, which opens while it is still due.
        modbus_set_response_timeout(m.ctx, 0, 2000);
        QCOMPARE(m.read(0, 125, out), -1);
        QCOMPARE(m.err, ETIMEDOUT);
    }
    std::this_thread::sleep_for(milliseconds(5));
    {
        master m(path);
        QVERIFY(m.ok());
        QCOMPARE(m.read(0xFFF0, 4), (words{6469, 3, 17, 6489}));
        // Lets an answer arrive and closes without reading it.
        const std::uint8_t raw[] = {1, 3, 0, 0, 0, 100};
        QVERIFY(modbus_send_raw_request(m.ctx, raw, sizeof raw) > 0);
        std::this_thread::sleep_for(milliseconds(40));
    }
    // The close is noticed a moment later; a master opening within that
    // moment could still see the unread answer.
    std::this_thread::sleep_for(milliseconds(5));
    {
        master m(path);
        QVERIFY(m.ok());
        QCOMPARE(m.read(0xFFF0, 4), (words{6469, 3, 17, 6489}));

        // Stopping with a master attached and an answer on its way.
        std::thread late([&] { m.read(0, 100, out); });
        std::this_thread::sleep_for(milliseconds(5));
        QElapsedTimer t;
        t.start();
        d.stop();
        late.join();
        QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
        QVERIFY(!d.running());
        QVERIFY(d.tty_path().empty());
    }

    // Again, and stopping with no master attached; the registers stay.
    d.set_register(0x77, 0x7777);
    d.start();
    {
        master m(d.tty_path());
        QVERIFY(m.ok());
        QCOMPARE(m.read(0x77, 1), (words{0x7777}));
    }
    QElapsedTimer t;
    t.start();
    d.stop();
    QVERIFY(t.elapsed() < 100);

    // The destructor stops a running driver.
    t.start();
    {
        sim::driver e;
        e.start();
        master m(e.tty_path());
        QVERIFY(m.ok());
    }
    QVERIFY(t.elapsed() < 100);
}

void tst_sim_driver::graphs_from_profiles()
{
    std::vector<profiles::graphic> list(2);
    list[0].trigger = profiles::single(0x88);
    list[0].start = 0x10E;
    list[0].count = 256;
    list[1].trigger = profiles::single(0x200);
    list[1].start = 0x1000;
    list[1].count = 70000;
    const auto gs = sim::graphs_of(list, milliseconds(50));
    QCOMPARE(gs.size(), std::size_t(2));
    QCOMPARE(gs[0].trigger, std::uint16_t(0x88));
    QCOMPARE(gs[0].start, std::uint16_t(0x10E));
    QCOMPARE(gs[0].count, 256u);
    QCOMPARE(gs[1].trigger, std::uint16_t(0x200));
    QCOMPARE(gs[1].count, 65536u);
    QCOMPARE(gs[1].period, milliseconds(50));
    QVERIFY(gs[0].phase != gs[1].phase);

    const auto g6469 = sim::graphs_for(6469);
    QCOMPARE(g6469.size(), std::size_t(4));
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(g6469[k].trigger, std::uint16_t(0x88 + 2 * k));
        QCOMPARE(g6469[k].start, std::uint16_t(0x10E + 0x100 * k));
        QCOMPARE(g6469[k].count, 256u);
    }
    QVERIFY(sim::graphs_for(6758).empty());
}

void tst_sim_driver::standalone()
{
    {
        QProcess p;
        p.start(VELMORA_SIM_EXE, {"--no-wire-time", "--no-scope", "--id", "6758", "--hw", "4", "--fw", "9"});
        QVERIFY(p.waitForReadyRead(5000));
        const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
        QVERIFY(path.startsWith("/dev/"));
        {
            master m(path.toStdString());
            QVERIFY(m.ok());
            QCOMPARE(m.read(0xFFF0, 4), (words{6758, 4, 9, 6771}));
            std::this_thread::sleep_for(milliseconds(50));
            QCOMPARE(m.read(0x88, 1), (words{0}));
        }
        p.terminate();
        QVERIFY(p.waitForFinished(2000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
    {
        // Defaults: 6469 with its four graphs.
        QProcess p;
        p.start(VELMORA_SIM_EXE, {"--no-wire-time", "--scope-period", "20"});
        QVERIFY(p.waitForReadyRead(5000));
        const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
        master m(path.toStdString());
        QVERIFY(m.ok());
        QCOMPARE(m.read(0xFFF0, 4), (words{6469, 3, 17, 6489}));
        const auto graphs = sim::graphs_6469(milliseconds(20));
        for (std::size_t k = 0; k < graphs.size(); ++k) {
            QTRY_COMPARE_WITH_TIMEOUT(m.read(graphs[k].trigger, 1), (words{1}), 2000);
            const words head = m.read(graphs[k].start, 100);
            const words want = expected_buffer(graphs[k], 0);
            QCOMPARE(head, words(want.begin(), want.begin() + 100));
        }
        m.close();
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(2000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
    {
        // Fault switches from the command line.
        QProcess p;
        p.start(VELMORA_SIM_EXE, {"--no-wire-time", "--no-scope", "--busy", "2", "--exception", "0x100:4:2",
                                  "--exception", "0x200:1:4", "--short", "1"});
        QVERIFY(p.waitForReadyRead(5000));
        const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
        master m(path.toStdString());
        QVERIFY(m.ok());
        words out;
        QCOMPARE(m.read(0, 4, out), -1);
        QCOMPARE(m.err, EMBXSBUSY);
        QCOMPARE(m.read(0, 4, out), -1);
        QCOMPARE(m.read(0x103, 2, out), -1);
        QCOMPARE(m.err, EMBXILADD);
        QCOMPARE(m.write1(0x200, 1), -1);
        QCOMPARE(m.err, EMBXSFAIL);
        // The short answer is used up by the first read that is answered.
        QCOMPARE(m.read(0x10, 4, out), -1);
        QCOMPARE(m.read(0x10, 4, out), 4);
        m.close();
        p.terminate();
        QVERIFY(p.waitForFinished(2000));
        QCOMPARE(p.exitCode(), 0);
    }
    {
        QProcess p;
        p.start(VELMORA_SIM_EXE, {"--silent"});
        QVERIFY(p.waitForReadyRead(5000));
        master m(QString::fromLocal8Bit(p.readLine()).trimmed().toStdString(), 50);
        words out;
        QCOMPARE(m.read(0xFFF0, 4, out), -1);
        QCOMPARE(m.err, ETIMEDOUT);
        m.close();
        p.terminate();
        QVERIFY(p.waitForFinished(2000));
    }
    for (const char* bad : {"--id=70000", "--exception=1:2", "--exception=1:0:2", "--exception=1:2:12", "--busy=x"}) {
        QProcess p;
        p.start(VELMORA_SIM_EXE, {bad});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }
}

VELMORA_TEST_MAIN(tst_sim_driver)

#include "tst_sim_driver.moc"
