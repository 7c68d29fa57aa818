// Real links against the simulated driver on a pseudo-terminal: the serial
// RTU back end and the bridge back end (through the bridge stand-in on the
// same kind of terminal).

#include "quick_driver.h"
#include "sim_link.h"
#include "test_main.h"

#include "bridge/bridge_control.h"
#include "modbus/connection.h"
#include "modbus/errors.h"
#include "modbus/modbus_device.h"
#include "recording_output.h"
#include "sim/sim_driver.h"

#include <modbus.h>

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>

using modbus::connection;
using words = std::vector<unsigned short>;

namespace {

enum backend { serial = 1, bridge = 2 };

// What a request ended with.
struct outcome {
    enum { none, protocol, link, other } kind = none;
    int code = 0;
    std::string text;
};

template <typename F>
outcome outcome_of(F&& f)
{
    outcome o;
    try {
        f();
    } catch (const modbus::protocol_exception& e) {
        o = {outcome::protocol, e.code, e.what()};
    } catch (const modbus::connection_exception& e) {
        o = {outcome::link, e.code, e.what()};
    } catch (const std::runtime_error& e) {
        o = {outcome::other, 0, e.what()};
    }
    return o;
}

std::vector<std::string> from(const std::vector<std::string>& lines, const std::string& first)
{
    auto it = std::find(lines.begin(), lines.end(), first);
    return std::vector<std::string>(it, lines.end());
}

} // namespace

class tst_modbus_device : public QObject {
    Q_OBJECT

    test_support::quick_driver sim_;
    int pauses_ = 0;

    connection::descriptor descriptor_of(int type) const
    {
        return type == serial ? test_support::serial_descriptor(sim_) : test_support::bridge_descriptor(sim_);
    }

    std::unique_ptr<connection> open(int type)
    {
        return std::unique_ptr<connection>(new connection(descriptor_of(type), 3));
    }

    void backends()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("serial") << int(serial);
        QTest::newRow("bridge") << int(bridge);
    }

private slots:
    void initTestCase()
    {
        connection::modbus_device::set_pause([this] { ++pauses_; });
    }

    void cleanupTestCase()
    {
        connection::modbus_device::set_pause({});
        sim_.stop();
    }

    void init()
    {
        sim_.clear_faults();
        sim_.reset_counts();
        sim_.set_identity(6469, 3, 17);
        sim_.set_request_log(false);
        bridge_control::reset();
        pauses_ = 0;
        cl::syslog::logman().level_set(cl::syslog::dbg);
    }

    void cleanup()
    {
        cl::syslog::logman().level_set(cl::syslog::dbg);
        QCOMPARE(bridge_control::open_devices(), 0u);
    }

    void identity_write_and_read_back_data() { backends(); }
    void identity_write_and_read_back()
    {
        QFETCH(int, type);
        auto link = open(type);
        sim_.set_request_log(true);

        words id(4);
        QCOMPARE(link->read_registers(0xFFF0, id, false), 4);
        QCOMPARE(id, (words{6469, 3, 17, 6489}));
        QCOMPARE(sim_.request_log(), (std::vector<sim::request>{{3, 0xFFF0, 4}}));

        sim_.set_identity(6758, 2, 5);
        QCOMPARE(link->read_registers(0xFFF0, id, false), 4);
        QCOMPARE(id, (words{6758, 2, 5, 6765}));

        const words values{1, 0x8000, 0xFFFF, 42};
        QCOMPARE(link->write_registers(0x200, values), 4);
        QCOMPARE(sim_.get_registers(0x200, 4), (std::vector<std::uint16_t>{1, 0x8000, 0xFFFF, 42}));
        words back(4);
        QCOMPARE(link->read_registers(0x200, back, false), 4);
        QCOMPARE(back, values);

        // A full block of 100 as the connection asks for them.
        std::vector<std::uint16_t> ramp(250);
        for (std::size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = std::uint16_t(i * 7);
        sim_.set_registers(0x1000, ramp);
        const words block = link->read_block(0x1000, 0x1000 + 250, false);
        QCOMPARE(block, words(ramp.begin(), ramp.end()));
        QCOMPARE(sim_.requests(3), 6u);
        QCOMPARE(pauses_, 0);
    }

    void register_copy_data() { backends(); }
    void register_copy()
    {
        QFETCH(int, type);
        auto link = open(type);
        sim_.set_registers(0x300, {11, 12, 13, 14});
        words bus(4);
        link->read_registers(0x300, bus, false);
        QCOMPARE(bus, (words{11, 12, 13, 14}));
        sim_.set_registers(0x300, {0, 0, 0, 0});
        sim_.reset_counts();

        words copy(4);
        QCOMPARE(link->read_registers(0x300, copy, true), 4);
        QCOMPARE(copy, (words{11, 12, 13, 14}));
        QCOMPARE(sim_.requests(), 0u);

        // Never seen: zeros, without asking the driver.
        words unseen{9, 9};
        QCOMPARE(link->read_registers(0x400, unseen, true), 2);
        QCOMPARE(unseen, (words{0, 0}));

        link->write_registers(0x500, {21, 22});
        words written(3);
        link->read_registers(0x4FF, written, true);
        QCOMPARE(written, (words{0, 21, 22}));
        QCOMPARE(sim_.requests(), 1u);

        // A failed request leaves the copy alone.
        sim_.busy_next(1);
        words failed(4);
        QCOMPARE(outcome_of([&] { link->read_registers(0x300, failed, false); }).kind, outcome::protocol);
        link->read_registers(0x300, copy, true);
        QCOMPARE(copy, (words{11, 12, 13, 14}));
    }

    void exception_answers_data() { backends(); }
    void exception_answers()
    {
        QFETCH(int, type);
        auto link = open(type);
        auto& rec = test_support::log_recorder();
        const unsigned purges = bridge_control::calls(bridge_control::call::flush_buffers);

        sim_.busy_next(1);
        words v(4);
        outcome o = outcome_of([&] { link->read_registers(0, v, false); });
        QCOMPARE(o.kind, outcome::protocol);
        QCOMPARE(o.code, 112345684);
        QCOMPARE(o.code, modbus::protocol_exception::busy);
        QCOMPARE(o.text, std::string("Slave device or server is busy"));
        QCOMPARE(sim_.requests(), 1u);
        QCOMPARE(pauses_, 0);
        QCOMPARE(bridge_control::calls(bridge_control::call::flush_buffers), purges);
        QVERIFY(rec.has("read_registers finished"));

        sim_.exception_range(0x600, 10, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        o = outcome_of([&] { link->write_registers(0x609, {1, 2}); });
        QCOMPARE(o.kind, outcome::protocol);
        QCOMPARE(o.code, 112345680);
        QCOMPARE(o.text, std::string("Illegal data address"));
        QCOMPARE(sim_.requests(), 2u);
        QVERIFY(rec.has("write protocol error! return..."));

        // The gateway answers are retried like a broken link.
        sim_.exception_range(0x700, 1, MODBUS_EXCEPTION_GATEWAY_PATH);
        o = outcome_of([&] { link->read_registers(0x700, v, false); });
        QCOMPARE(o.kind, outcome::link);
        QCOMPARE(o.code, 112345688);
        QCOMPARE(sim_.requests(), 5u);
        QCOMPARE(pauses_, 3);

        sim_.clear_faults();
        QCOMPARE(link->read_registers(0, v, false), 4);
    }

    void link_failures_data() { backends(); }
    void link_failures()
    {
        QFETCH(int, type);
        auto link = open(type);
        words v(4);

        sim_.bad_crc_next(3);
        outcome o = outcome_of([&] { link->read_registers(0x10, v, false); });
        QCOMPARE(o.kind, outcome::link);
        QCOMPARE(o.code, 112345690);
        QCOMPARE(o.text, std::string("Invalid CRC"));
        QCOMPARE(sim_.requests(), 3u);
        QCOMPARE(pauses_, 3);

        // Two bad answers and a good one: the third attempt brings the values.
        sim_.set_registers(0x10, {5, 6, 7, 8});
        sim_.bad_crc_next(2);
        QCOMPARE(link->read_registers(0x10, v, false), 4);
        QCOMPARE(v, (words{5, 6, 7, 8}));
        QCOMPARE(sim_.requests(), 6u);
        QCOMPARE(pauses_, 5);

        sim_.short_next(3);
        o = outcome_of([&] { link->read_registers(0x10, v, false); });
        QCOMPARE(o.kind, outcome::link);
        QCOMPARE(o.code, EMBBADDATA);
        QCOMPARE(o.text, std::string("Invalid data"));

        sim_.reset_counts();
        pauses_ = 0;
        sim_.set_silent(true);
        QElapsedTimer t;
        t.start();
        o = outcome_of([&] { link->read_registers(0x10, v, false); });
        QCOMPARE(o.kind, outcome::other);
        QCOMPARE(o.text, std::string("Unknown read error: ") + modbus_strerror(ETIMEDOUT));
        QCOMPARE(sim_.requests(), 3u);
        QCOMPARE(pauses_, 3);
        // Three waits for the library's half-second response time-out.
        QVERIFY2(t.elapsed() >= 1400, qPrintable(QString::number(t.elapsed())));

        o = outcome_of([&] { link->write_registers(0x10, {1}); });
        QCOMPARE(o.kind, outcome::other);
        QCOMPARE(o.text, std::string("Unknown write error: ") + modbus_strerror(ETIMEDOUT));
        QCOMPARE(sim_.requests(), 6u);
        QCOMPARE(sim_.get_register(0x10), std::uint16_t(5));

        sim_.set_silent(false);
        QCOMPARE(link->read_registers(0x10, v, false), 4);
    }

    void log_lines_data() { backends(); }
    void log_lines()
    {
        QFETCH(int, type);
        auto& rec = test_support::log_recorder();
        cl::syslog::logman().level_set(cl::syslog::hard);
        auto link = open(type);
        const std::string opening = type == serial ? "trying to open COM device: " + sim_.tty_path() + " ..."
                                                   : std::string("trying to open silabs device:  ...");
        QCOMPARE(rec.texts("modbus"),
                 (std::vector<std::string>{"Using tries to connect devices: 0", opening, "modbus CREATED"}));

        rec.clear();
        words v(4);
        link->read_registers(0xFFF0, v, false);
        link->read_registers(0xFFF0, v, true);
        QCOMPARE(rec.texts("modbus"), (std::vector<std::string>{"reading addr:65520 size:4", "read_registers finished",
                                                                 "reading addr:65520 size:4",
                                                                 "reading from virtual memory copy"}));

        rec.clear();
        link->write_registers(0x100, {1, 2, 3});
        QCOMPARE(rec.texts("modbus"),
                 (std::vector<std::string>{"writing addr:256 size:3", "writing counter: 0", "writing response: 3",
                                           "writing errno: 0", "write ok! return..."}));

        rec.clear();
        sim_.bad_crc_next(3);
        QCOMPARE(outcome_of([&] { link->write_registers(0x100, {4}); }).code, 112345690);
        std::vector<std::string> expected{"writing addr:256 size:1"};
        for (int i = 0; i < 3; ++i)
            for (const std::string& line :
                 {"writing counter: " + std::to_string(i), std::string("writing response: -1"),
                  std::string("writing errno: 112345690"), std::string("write flushing modbus..."),
                  std::string("write try next")})
                expected.push_back(line);
        expected.push_back("write tries ends - throwing error:112345690");
        QCOMPARE(rec.texts("modbus"), expected);

        // Writes log at info: the program's usual threshold shows them, but
        // not the reads.
        cl::syslog::logman().level_set(cl::syslog::info);
        rec.clear();
        link->read_registers(0xFFF0, v, false);
        link->write_registers(0x100, {5});
        QCOMPARE(rec.texts("modbus").size(), std::size_t(5));
        QCOMPARE(rec.texts("modbus").front(), std::string("writing addr:256 size:1"));
    }

    void opening_attempts()
    {
        auto& rec = test_support::log_recorder();
        // The first two attempts can't open the bridge device.
        bridge_control::inject_next(bridge_control::call::open, 0, bridge_invalid_parameter, 2);
        {
            auto link = open(bridge);
            words v(4);
            QCOMPARE(link->read_registers(0xFFF0, v, false), 4);
        }
        const std::vector<std::string> lines = from(rec.texts("modbus"), "Using tries to connect devices: 0");
        QCOMPARE(std::vector<std::string>(lines.begin(), lines.begin() + 6),
                 (std::vector<std::string>{"Using tries to connect devices: 0",
                                           "connection to modbus failed:Invalid argument",
                                           "Using tries to connect devices: 1",
                                           "connection to modbus failed:Invalid argument",
                                           "Using tries to connect devices: 2", "modbus CREATED"}));
        QCOMPARE(pauses_, 0);
        QCOMPARE(bridge_control::calls(bridge_control::call::open), 3u);

        // Every attempt fails: the last one's exception.
        rec.clear();
        bridge_control::inject(bridge_control::call::open, 0, bridge_invalid_handle);
        outcome o = outcome_of([&] { open(bridge); });
        QCOMPARE(o.kind, outcome::other);
        QCOMPARE(o.text, std::string("Connection failed: ") + modbus_strerror(EIO));
        QCOMPARE(rec.texts("modbus").size(), std::size_t(6));
        QVERIFY(!rec.has("modbus CREATED"));
        bridge_control::clear();

        // A purge that fails after the device opened must not leave it open.
        bridge_control::inject(bridge_control::call::flush_buffers, 0, bridge_write_error);
        o = outcome_of([&] { open(bridge); });
        QCOMPARE(o.text, std::string("Connection failed: ") + modbus_strerror(EIO));
        QCOMPARE(bridge_control::calls(bridge_control::call::open), 9u);
        QCOMPARE(bridge_control::open_devices(), 0u);
        bridge_control::clear();
        QVERIFY(open(bridge) != nullptr);

        // No such bridge device.
        connection::descriptor d = descriptor_of(bridge);
        d.index = 3;
        o = outcome_of([&] { connection c(d, 3); });
        QCOMPARE(o.text, std::string("Connection failed: ") + modbus_strerror(EIO));

        // No such port.
        d = descriptor_of(serial);
        d.location = "/dev/no-such-velmora-port";
        o = outcome_of([&] { connection c(d, 3); });
        QCOMPARE(o.text, std::string("Connection failed: ") + modbus_strerror(ENOENT));

        // No port at all: the library makes no context.
        rec.clear();
        d.location.clear();
        o = outcome_of([&] { connection c(d, 1); });
        QCOMPARE(o.text, std::string("Can't connect to modbus: ") + modbus_strerror(EINVAL));
        QVERIFY(rec.has(std::string("opening modbus failed:") + modbus_strerror(EINVAL)));
        QCOMPARE(pauses_, 0);
    }

    void refused_arguments()
    {
        auto& rec = test_support::log_recorder();
        for (int tries : {0, -1}) {
            const outcome o = outcome_of([&] { connection c(descriptor_of(serial), tries); });
            QCOMPARE(o.kind, outcome::other);
            QVERIFY(!o.text.empty());
        }
        QVERIFY(rec.texts("modbus").empty());
        QCOMPARE(bridge_control::calls(bridge_control::call::open), 0u);

        connection::descriptor d = descriptor_of(serial);
        d.type = modbus::emulation_link;
        QCOMPARE(outcome_of([&] { connection::modbus_device m(d, 1); }).text, std::string("Unsupported device type"));
    }

    void real_pause()
    {
        auto previous = connection::modbus_device::set_pause({});
        auto link = open(serial);
        sim_.bad_crc_next(1);
        words v(4);
        QElapsedTimer t;
        t.start();
        QCOMPARE(link->read_registers(0xFFF0, v, false), 4);
        const qint64 elapsed = t.elapsed();
        connection::modbus_device::set_pause(previous);
        QVERIFY2(elapsed >= 1000 && elapsed < 3000, qPrintable(QString::number(elapsed)));
        QCOMPARE(sim_.requests(), 2u);
        QCOMPARE(pauses_, 0);
    }
};

VELMORA_TEST_MAIN(tst_modbus_device)
#include "tst_modbus_device.moc"
