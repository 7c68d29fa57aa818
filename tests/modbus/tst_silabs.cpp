// The bridge back end's operations through real libmodbus contexts, with
// the bridge stand-in on a pseudo-terminal whose other end the test holds;
// and the layout of libmodbus's private interface as we declare it.

#include "test_main.h"

#include "bridge/bridge_control.h"
#include "modbus/libmodbus_private.h"
#include "modbus/modbus-silabs.h"

#include <QElapsedTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using bytes = std::vector<uint8_t>;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

uint16_t bitwise_crc(const uint8_t* p, std::size_t n)
{
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

bytes with_crc(bytes frame)
{
    const uint16_t crc = bitwise_crc(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
    return frame;
}

// A terminal the bridge stand-in opens as device 0 (and more); the test
// plays the other end.
struct line {
    int master = -1;
    int slave = -1; // held, so that the terminal never hangs up
    std::string path;

    line()
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty");
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        char name[128];
        ::ptsname_r(master, name, sizeof name);
        path = name;
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        qputenv("VELMORA_BRIDGE_DEVICES",
                QByteArray::fromStdString(path + "|bridge 0|ea60|10c4;" + path + "|bridge 1|ea60|10c4;" + path
                                          + "|bridge 2|ea60|10c4"));
    }
    ~line()
    {
        ::close(master);
        ::close(slave);
    }
    line(const line&) = delete;
    line& operator=(const line&) = delete;

    void send(const bytes& b)
    {
        QCOMPARE(::write(master, b.data(), b.size()), ssize_t(b.size()));
    }
    // Waits until the terminal holds n received bytes for the bridge.
    bool queued(int n)
    {
        for (int i = 0; i < 200; ++i) {
            int q = 0;
            ::ioctl(slave, FIONREAD, &q);
            if (q >= n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    bytes take(std::size_t n)
    {
        bytes out;
        QElapsedTimer t;
        t.start();
        while (out.size() < n && t.elapsed() < 2000) {
            uint8_t buf[512];
            const ssize_t r = ::read(master, buf, std::min(sizeof buf, n - out.size()));
            if (r > 0) {
                out.insert(out.end(), buf, buf + r);
                continue;
            }
            pollfd p{master, POLLIN, 0};
            ::poll(&p, 1, 50);
        }
        return out;
    }
};

// Everything written to standard error while it lives.
class stderr_capture {
public:
    stderr_capture()
    {
        std::fflush(stderr);
        std::cerr.flush();
        saved_ = ::dup(2);
        file_ = std::tmpfile();
        ::dup2(::fileno(file_), 2);
    }
    ~stderr_capture() { text(); }
    std::string text()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            std::cerr.flush();
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
            std::rewind(file_);
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0)
                text_.append(buf, n);
            std::fclose(file_);
        }
        return text_;
    }

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
    std::string text_;
};

struct context {
    modbus_t* ctx;
    explicit context(int index = 0) : ctx(_modbus_new_silabs(index)) {}
    ~context()
    {
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    }
    context(const context&) = delete;
    context& operator=(const context&) = delete;
    const modbus_backend_t& ops() const { return *ctx->backend; }
};

constexpr int kept = -1;
constexpr int sentinel = EXDEV;
const bridge_status statuses[] = {1, 6, 7, 12, 13, 14, 0xFF};

} // namespace

class tst_silabs : public QObject {
    Q_OBJECT

private slots:
    void init() { bridge_control::reset(); }
    void cleanup()
    {
        bridge_control::reset();
        qunsetenv("VELMORA_BRIDGE_DEVICES");
    }

    void private_interface_layout()
    {
        QVERIFY(modbus::private_interface_matches());

        modbus_t* rtu = modbus_new_rtu("/dev/velmora-layout", 19200, 'E', 7, 2);
        QVERIFY(rtu);
        QCOMPARE(rtu->slave, -1);
        QCOMPARE(rtu->s, -1);
        QCOMPARE(rtu->backend->backend_type, 0u);
        QCOMPARE(rtu->backend->header_length, 1u);
        QCOMPARE(rtu->backend->checksum_length, 2u);
        QCOMPARE(rtu->backend->max_adu_length, 256u);
        QVERIFY(rtu->backend_data != nullptr);

        QCOMPARE(modbus_set_slave(rtu, 17), 0);
        modbus_set_socket(rtu, 42);
        QCOMPARE(modbus_set_debug(rtu, TRUE), 0);
        QCOMPARE(modbus_set_error_recovery(rtu, modbus_error_recovery_mode(MODBUS_ERROR_RECOVERY_LINK
                                                                           | MODBUS_ERROR_RECOVERY_PROTOCOL)),
                 0);
        QCOMPARE(modbus_set_response_timeout(rtu, 2, 250000), 0);
        QCOMPARE(modbus_set_byte_timeout(rtu, 0, 40000), 0);
        QCOMPARE(modbus_set_indication_timeout(rtu, 3, 5), 0);

        QCOMPARE(rtu->slave, 17);
        QCOMPARE(rtu->s, 42);
        QCOMPARE(rtu->debug, 1);
        QCOMPARE(rtu->error_recovery, MODBUS_ERROR_RECOVERY_LINK | MODBUS_ERROR_RECOVERY_PROTOCOL);
        QCOMPARE(rtu->response_timeout.tv_sec, long(2));
        QCOMPARE(rtu->response_timeout.tv_usec, long(250000));
        QCOMPARE(rtu->byte_timeout.tv_sec, long(0));
        QCOMPARE(rtu->byte_timeout.tv_usec, long(40000));
        QCOMPARE(rtu->indication_timeout.tv_sec, long(3));
        QCOMPARE(rtu->indication_timeout.tv_usec, long(5));

        // The other way round: through the table and the fields, seen by the
        // public getters.
        QCOMPARE(rtu->backend->set_slave(rtu, 33), 0);
        QCOMPARE(modbus_get_slave(rtu), 33);
        rtu->byte_timeout.tv_usec = 123456;
        uint32_t sec = 9, usec = 9;
        modbus_get_byte_timeout(rtu, &sec, &usec);
        QCOMPARE(usec, 123456u);
        modbus_set_debug(rtu, FALSE);
        modbus_free(rtu);

        // Our context: the library's defaults, a placeholder descriptor.
        context c(5);
        QVERIFY(c.ctx);
        QCOMPARE(c.ctx->slave, -1);
        QCOMPARE(c.ctx->s, 0);
        QCOMPARE(c.ctx->debug, 0);
        QCOMPARE(c.ctx->error_recovery, 0);
        modbus_get_response_timeout(c.ctx, &sec, &usec);
        QCOMPARE(sec, 0u);
        QCOMPARE(usec, 500000u);
        modbus_get_byte_timeout(c.ctx, &sec, &usec);
        QCOMPARE(usec, 500000u);
        QCOMPARE(c.ctx->indication_timeout.tv_usec, long(0));
        QCOMPARE(c.ops().backend_type, 0u);
        QCOMPARE(c.ops().header_length, 1u);
        QCOMPARE(c.ops().checksum_length, 2u);
        QCOMPARE(c.ops().max_adu_length, 256u);
        QVERIFY(c.ops().pre_check_confirmation == nullptr);
        QVERIFY(c.ops().free != nullptr && c.ops().receive != nullptr && c.ops().recv != nullptr);
        QCOMPARE(modbus_get_header_length(c.ctx), 1);
    }

    void set_slave()
    {
        context c;
        QCOMPARE(modbus_set_slave(c.ctx, 0), 0);
        QCOMPARE(modbus_get_slave(c.ctx), 0);
        QCOMPARE(modbus_set_slave(c.ctx, 247), 0);
        QCOMPARE(modbus_get_slave(c.ctx), 247);
        for (int refused : {248, -1, 0x10001}) {
            errno = 0;
            QCOMPARE(modbus_set_slave(c.ctx, refused), -1);
            QCOMPARE(errno, EINVAL);
            QCOMPARE(modbus_get_slave(c.ctx), 247);
        }
    }

    void frames_and_crc()
    {
        context c;
        uint8_t digits[16] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
        QCOMPARE(c.ops().send_msg_pre(digits, 9), 11);
        QCOMPARE(digits[9], uint8_t(0x37));
        QCOMPARE(digits[10], uint8_t(0x4B));
        QCOMPARE(c.ops().check_integrity(c.ctx, digits, 11), 11);

        modbus_set_slave(c.ctx, 1);
        uint8_t req[16] = {};
        QCOMPARE(c.ops().build_request_basis(c.ctx, 3, 0x0010, 100, req), 6);
        QCOMPARE(bytes(req, req + 6), (bytes{0x01, 0x03, 0x00, 0x10, 0x00, 0x64}));
        QCOMPARE(c.ops().send_msg_pre(req, 6), 8);
        QCOMPARE(bytes(req, req + 8), with_crc({0x01, 0x03, 0x00, 0x10, 0x00, 0x64}));

        sft_t sft{9, 16, 0};
        uint8_t rsp[4] = {};
        QCOMPARE(c.ops().build_response_basis(&sft, rsp), 2);
        QCOMPARE(bytes(rsp, rsp + 2), (bytes{9, 16}));
        int length = 8;
        QCOMPARE(c.ops().prepare_response_tid(req, &length), 0);
        QCOMPARE(length, 6);

        // A spoilt checksum: quiet without debug output.
        digits[10] = 0x4C;
        {
            stderr_capture err;
            errno = 0;
            QCOMPARE(c.ops().check_integrity(c.ctx, digits, 11), -1);
            QCOMPARE(errno, EMBBADCRC);
            QCOMPARE(err.text(), std::string());
        }
        modbus_set_debug(c.ctx, TRUE);
        {
            stderr_capture err;
            QCOMPARE(c.ops().check_integrity(c.ctx, digits, 11), -1);
            QCOMPARE(err.text(), std::string("ERROR CRC received 374C != CRC calculated 374B\n"));
        }
        modbus_set_debug(c.ctx, FALSE);
        QCOMPARE(bridge_control::calls(bridge_control::call::flush_buffers), 0u);

        // Protocol recovery purges the bridge, and the error stays the CRC's
        // even when the purge fails.
        line l;
        QCOMPARE(modbus_connect(c.ctx), 0);
        modbus_set_error_recovery(c.ctx, MODBUS_ERROR_RECOVERY_PROTOCOL);
        bridge_control::inject(bridge_control::call::flush_buffers, 0, bridge_invalid_handle);
        errno = 0;
        QCOMPARE(c.ops().check_integrity(c.ctx, digits, 11), -1);
        QCOMPARE(errno, EMBBADCRC);
        QCOMPARE(bridge_control::calls(bridge_control::call::flush_buffers), 2u);
    }

    void requests_on_the_line()
    {
        line l;
        context c;
        QCOMPARE(modbus_connect(c.ctx), 0);
        QCOMPARE(bridge_control::open_devices(), 1u);
        QCOMPARE(bridge_control::calls(bridge_control::call::set_baud_rate), 1u);
        QCOMPARE(bridge_control::calls(bridge_control::call::flush_buffers), 1u);
        modbus_set_slave(c.ctx, 1);

        // The answer waits on the line before the request leaves.
        bytes answer{0x01, 0x03, 200};
        for (int i = 0; i < 100; ++i) {
            answer.push_back(uint8_t((i * 300) >> 8));
            answer.push_back(uint8_t((i * 300) & 0xFF));
        }
        l.send(with_crc(answer));
        uint16_t regs[100] = {};
        QCOMPARE(modbus_read_registers(c.ctx, 0x0010, 100, regs), 100);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(regs[i], uint16_t(i * 300));
        QCOMPARE(l.take(8), with_crc({0x01, 0x03, 0x00, 0x10, 0x00, 0x64}));
        QCOMPARE(bridge_control::last_read_timeout(), 500u);

        // No answer: the library's time-out after the response time-out.
        modbus_set_response_timeout(c.ctx, 0, 200000);
        QElapsedTimer t;
        t.start();
        errno = 0;
        QCOMPARE(modbus_read_registers(c.ctx, 0x0020, 2, regs), -1);
        QCOMPARE(errno, ETIMEDOUT);
        QVERIFY2(t.elapsed() >= 190 && t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(bridge_control::last_read_timeout(), 200u);
        QCOMPARE(l.take(8), with_crc({0x01, 0x03, 0x00, 0x20, 0x00, 0x02}));

        // A bad checksum in the answer.
        bytes spoilt = with_crc({0x01, 0x03, 0x02, 0x12, 0x34});
        spoilt.back() ^= 0x01;
        l.send(spoilt);
        errno = 0;
        QCOMPARE(modbus_read_registers(c.ctx, 0x0020, 1, regs), -1);
        QCOMPARE(errno, EMBBADCRC);
        l.take(8);

        // The server side: an indication through the receive slot.
        const bytes indication = with_crc({0x01, 0x06, 0x00, 0x05, 0xAB, 0xCD});
        l.send(indication);
        uint8_t req[MODBUS_RTU_MAX_ADU_LENGTH] = {};
        QCOMPARE(modbus_receive(c.ctx, req), 8);
        QCOMPARE(bytes(req, req + 8), indication);

        // Writes go out whole and the echo is understood.
        l.send(with_crc({0x01, 0x10, 0x01, 0x00, 0x00, 0x02}));
        const uint16_t values[2] = {0x1234, 0xABCD};
        QCOMPARE(modbus_write_registers(c.ctx, 0x100, 2, values), 2);
        QCOMPARE(l.take(13), with_crc({0x01, 0x10, 0x01, 0x00, 0x00, 0x02, 0x04, 0x12, 0x34, 0xAB, 0xCD}));

        // Freeing a connected context closes the device too.
        modbus_free(c.ctx);
        c.ctx = nullptr;
        QCOMPARE(bridge_control::open_devices(), 0u);
    }

    void select_timeouts_data()
    {
        QTest::addColumn<bool>("limited");
        QTest::addColumn<long>("sec");
        QTest::addColumn<long>("usec");
        QTest::addColumn<uint>("ms");
        QTest::newRow("half a second") << true << 0L << 500000L << 500u;
        QTest::newRow("999 us") << true << 0L << 999L << 1u;
        QTest::newRow("zero") << true << 0L << 0L << 1u;
        QTest::newRow("two seconds") << true << 2L << 0L << 2000u;
        QTest::newRow("none") << false << 0L << 0L << 0xFFFFFFFFu;
    }
    void select_timeouts()
    {
        QFETCH(bool, limited);
        QFETCH(long, sec);
        QFETCH(long, usec);
        QFETCH(uint, ms);
        line l;
        context c;
        QCOMPARE(modbus_connect(c.ctx), 0);
        QCOMPARE(bridge_set_timeouts(1234, 567), bridge_ok);

        l.send({1, 2, 3, 4});
        QVERIFY(l.queued(4));
        timeval tv{sec, usec};
        QCOMPARE(c.ops().select(c.ctx, nullptr, limited ? &tv : nullptr, 4), 4);
        QCOMPARE(bridge_control::last_read_timeout(), ms);
        uint32_t r = 0, w = 0;
        QCOMPARE(bridge_get_timeouts(&r, &w), bridge_ok);
        QCOMPARE(r, 1234u);
        QCOMPARE(w, 567u);
        uint8_t buf[8] = {};
        QCOMPARE(c.ops().recv(c.ctx, buf, 4), ssize_t(4));
        QCOMPARE(bytes(buf, buf + 4), (bytes{1, 2, 3, 4}));
    }

    void short_reads()
    {
        line l;
        context c;
        QCOMPARE(modbus_connect(c.ctx), 0);
        QCOMPARE(bridge_set_timeouts(700, 800), bridge_ok);

        // Fewer bytes than expected before the time-out.
        l.send({0x11, 0x22, 0x33});
        QVERIFY(l.queued(3));
        timeval tv{0, 30000};
        QElapsedTimer t;
        t.start();
        QCOMPARE(c.ops().select(c.ctx, nullptr, &tv, 10), 3);
        QVERIFY2(t.elapsed() >= 25, qPrintable(QString::number(t.elapsed())));
        uint8_t buf[16] = {};
        QCOMPARE(c.ops().recv(c.ctx, buf, 10), ssize_t(3));
        QCOMPARE(bytes(buf, buf + 3), (bytes{0x11, 0x22, 0x33}));

        // Nothing at all: a time-out, and the kept time-outs are back.
        t.restart();
        errno = 0;
        QCOMPARE(c.ops().select(c.ctx, nullptr, &tv, 4), -1);
        QCOMPARE(errno, ETIMEDOUT);
        QVERIFY2(t.elapsed() >= 25 && t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        uint32_t r = 0, w = 0;
        bridge_get_timeouts(&r, &w);
        QCOMPARE(r, 700u);
        QCOMPARE(w, 800u);

        // Empty buffer and empty queue: nothing to read, no read.
        const unsigned reads = bridge_control::calls(bridge_control::call::read);
        QCOMPARE(c.ops().recv(c.ctx, buf, 10), ssize_t(0));
        QCOMPARE(bridge_control::calls(bridge_control::call::read), reads);

        // Select's bytes are handed out in pieces.
        l.send({1, 2, 3, 4, 5, 6});
        QVERIFY(l.queued(6));
        QCOMPARE(c.ops().select(c.ctx, nullptr, &tv, 6), 6);
        QCOMPARE(c.ops().recv(c.ctx, buf, 4), ssize_t(4));
        QCOMPARE(bytes(buf, buf + 4), (bytes{1, 2, 3, 4}));
        QCOMPARE(c.ops().recv(c.ctx, buf, 4), ssize_t(2));
        QCOMPARE(bytes(buf, buf + 2), (bytes{5, 6}));

        // With the buffer empty, receive takes what the bridge holds, at most
        // what was asked for.
        l.send({7, 8, 9, 10, 11});
        QVERIFY(l.queued(5));
        QCOMPARE(c.ops().recv(c.ctx, buf, 3), ssize_t(3));
        QCOMPARE(bytes(buf, buf + 3), (bytes{7, 8, 9}));
        QCOMPARE(c.ops().recv(c.ctx, buf, 10), ssize_t(2));
        QCOMPARE(bytes(buf, buf + 2), (bytes{10, 11}));
    }

    void connect_and_close()
    {
        line l;
        {
            context c(2);
            stderr_capture err;
            bridge_control::inject(bridge_control::call::open, 2, 6);
            errno = 0;
            QCOMPARE(modbus_connect(c.ctx), -1);
            QCOMPARE(errno, EINVAL);
            bridge_control::clear();
            bridge_control::inject(bridge_control::call::open, 2, 1);
            QCOMPARE(modbus_connect(c.ctx), -1);
            QCOMPARE(errno, EIO);
            QCOMPARE(err.text(), std::string("can't open silabs device: 2\nerror: 6\n"
                                             "can't open silabs device: 2\nerror: 1\n"));
        }
        bridge_control::clear();

        context c;
        // The baud rate's status doesn't matter.
        bridge_control::inject(bridge_control::call::set_baud_rate, 0, bridge_invalid_baud_rate);
        QCOMPARE(modbus_connect(c.ctx), 0);
        QCOMPARE(bridge_control::open_devices(), 1u);
        {
            stderr_capture err;
            modbus_close(c.ctx);
            QCOMPARE(err.text(), std::string());
        }
        QCOMPARE(bridge_control::open_devices(), 0u);
        // Closed: nothing to close, nothing to flush.
        modbus_close(c.ctx);
        QCOMPARE(bridge_control::calls(bridge_control::call::close), 1u);
        errno = 0;
        QCOMPARE(modbus_flush(c.ctx), -1);
        QCOMPARE(errno, EINVAL);

        // Open again after a close.
        QCOMPARE(modbus_connect(c.ctx), 0);
        QCOMPARE(modbus_flush(c.ctx), 0);

        // A failing close still forgets the handle.
        bridge_control::inject(bridge_control::call::close, 0, 14);
        {
            stderr_capture err;
            modbus_close(c.ctx);
            QCOMPARE(err.text(), std::string("can't close silabs device: 0\nerror: 14\n"));
        }
        bridge_control::clear();
        errno = 0;
        QCOMPARE(modbus_flush(c.ctx), -1);
        QCOMPARE(errno, EINVAL);
    }

    void errno_table_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<std::vector<int>>("expected");
        using v = std::vector<int>;
        QTest::newRow("open (connect)") << "open" << v{EIO, EINVAL, EIO, EIO, EIO, EIO, EIO};
        QTest::newRow("purge (connect)") << "purge connect" << v{EINVAL, EIO, EIO, kept, EIO, EIO, EIO};
        QTest::newRow("purge (flush)") << "purge flush" << v{EINVAL, EIO, EIO, kept, EIO, EIO, EIO};
        QTest::newRow("close") << "close" << v{EINVAL, EIO, EIO, kept, EIO, EIO, EIO};
        QTest::newRow("write (send)") << "write" << v{EINVAL, EINVAL, EINVAL, kept, EIO, ETIMEDOUT, EIO};
        QTest::newRow("read (select)") << "read select" << v{EINVAL, EINVAL, EINVAL, kept, ETIMEDOUT, EIO, EIO};
        QTest::newRow("read (receive)") << "read recv" << v{EINVAL, EINVAL, EINVAL, kept, ETIMEDOUT, EIO, EIO};
        QTest::newRow("receive queue") << "rx queue" << v{EINVAL, EINVAL, EIO, EIO, EIO, EIO, EIO};
        QTest::newRow("get time-outs") << "get timeouts" << v{EIO, EIO, EIO, EIO, EIO, EIO, EIO};
        QTest::newRow("set time-outs") << "set timeouts" << v{EIO, EIO, EIO, EIO, EIO, EIO, EIO};
    }
    void errno_table()
    {
        QFETCH(QString, call);
        QFETCH(std::vector<int>, expected);
        line l;
        context c;
        timeval tv{0, 20000};
        uint8_t buf[16] = {};

        for (std::size_t k = 0; k < expected.size(); ++k) {
            const bridge_status s = statuses[k];
            const std::string st = std::to_string(s);
            bridge_control::reset();
            if (call != "open" && call != "purge connect")
                QCOMPARE(modbus_connect(c.ctx), 0);

            std::string lines;
            int rc = 0;
            using bc = bridge_control::call;
            if (call == "open") {
                bridge_control::inject(bc::open, 0, s);
                stderr_capture err;
                errno = sentinel;
                rc = modbus_connect(c.ctx);
                lines = "can't open silabs device: 0\nerror: " + st + "\n";
                QCOMPARE(err.text(), lines);
            } else if (call == "purge connect") {
                bridge_control::inject(bc::flush_buffers, 0, s);
                errno = sentinel;
                rc = modbus_connect(c.ctx);
                QCOMPARE(bridge_control::open_devices(), 0u);
            } else if (call == "purge flush") {
                bridge_control::inject(bc::flush_buffers, 0, s);
                errno = sentinel;
                rc = modbus_flush(c.ctx);
            } else if (call == "close") {
                bridge_control::inject(bc::close, 0, s);
                stderr_capture err;
                errno = sentinel;
                modbus_close(c.ctx);
                rc = -1;
                QCOMPARE(err.text(), "can't close silabs device: 0\nerror: " + st + "\n");
            } else if (call == "write") {
                bridge_control::inject(bc::write, 0, s);
                const uint8_t frame[8] = {1, 3, 0, 0, 0, 1, 0x84, 0x0A};
                stderr_capture err;
                errno = sentinel;
                rc = int(c.ops().send(c.ctx, frame, 8));
                QCOMPARE(err.text(), "can't send to silabs device:" + st + "\n");
            } else if (call == "read select") {
                bridge_control::inject(bc::read, 0, s);
                stderr_capture err;
                errno = sentinel;
                rc = c.ops().select(c.ctx, nullptr, &tv, 4);
                QCOMPARE(err.text(), "can't select from silabs device:" + st + "\nERROR\n");
            } else if (call == "read recv") {
                l.send({1, 2, 3});
                QVERIFY(l.queued(3));
                bridge_control::inject(bc::read, 0, s);
                stderr_capture err;
                errno = sentinel;
                rc = int(c.ops().recv(c.ctx, buf, 3));
                QCOMPARE(err.text(), "can't recv from silabs device:" + st + "\nERROR\n");
            } else if (call == "rx queue") {
                bridge_control::inject(bc::check_rx_queue, 0, s);
                stderr_capture err;
                errno = sentinel;
                rc = int(c.ops().recv(c.ctx, buf, 3));
                QCOMPARE(err.text(), "can't check silabs device queue:" + st + "\n");
            } else {
                bridge_control::inject(call == "get timeouts" ? bc::get_timeouts : bc::set_timeouts, -1, s);
                stderr_capture err;
                errno = sentinel;
                rc = c.ops().select(c.ctx, nullptr, &tv, 4);
                QCOMPARE(err.text(), std::string());
            }
            const int e = errno;
            QCOMPARE(rc, -1);
            QVERIFY2(e == (expected[k] == kept ? sentinel : expected[k]),
                     qPrintable(QString("status %1: errno %2").arg(s).arg(e)));
            bridge_control::clear();
            modbus_close(c.ctx);
            tcflush(l.slave, TCIOFLUSH);
        }
    }
};

VELMORA_TEST_MAIN(tst_silabs)
#include "tst_silabs.moc"
