#include "test_main.h"

#include "modbus/connection.h"
#include "recording_output.h"

#include <QEvent>

#include <functional>
#include <limits>

using modbus::connection;

namespace {

struct request {
    unsigned short address;
    std::size_t size;
    bool from_copy;
    bool operator==(const request& o) const
    {
        return address == o.address && size == o.size && from_copy == o.from_copy;
    }
};

// Answers every register with its own address and records each request.
class recording_device : public connection::device {
public:
    std::vector<request> requests;
    std::size_t answer_limit = std::numeric_limits<std::size_t>::max();
    std::function<void(std::size_t)> on_request;

    int write_registers(unsigned short, const std::vector<unsigned short>& values) override
    {
        return static_cast<int>(values.size());
    }
    int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) override
    {
        requests.push_back({address, values.size(), from_copy});
        if (on_request)
            on_request(requests.size() - 1);
        values.resize(std::min(values.size(), answer_limit));
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<unsigned short>(address + i);
        return static_cast<int>(values.size());
    }
    connection::descriptor& desc() override { return desc_; }

private:
    connection::descriptor desc_;
};

class event_counter : public QObject {
public:
    int delivered = 0;
    void customEvent(QEvent*) override { ++delivered; }
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
};

connection::descriptor descriptor_of(int type)
{
    connection::descriptor d;
    d.name = "emulation";
    d.type = type;
    return d;
}

} // namespace


class tst_connection : public QObject {
    Q_OBJECT

    recording_device* dev_ = nullptr;
    std::unique_ptr<connection> link_;

private slots:
    void init()
    {
        dev_ = new recording_device;
        link_.reset(new connection(std::unique_ptr<connection::device>(dev_)));
    }
    void cleanup() { link_.reset(); }

    void block_requests()
    {
        auto& rec = test_support::log_recorder();
        const std::vector<unsigned short> block = link_->read_block(0, 250, false);
        QCOMPARE(dev_->requests, std::vector<request>({{0, 100, false}, {100, 100, false}, {200, 50, false}}));
        QCOMPARE(block.size(), std::size_t(250));
        for (unsigned short i = 0; i < 250; ++i)
            QCOMPARE(block[i], i);
        QVERIFY(rec.has("reading block from:0 untill:250"));

        // Short answers: ask again from the first register not got.
        dev_->requests.clear();
        dev_->answer_limit = 30;
        const std::vector<unsigned short> pieces = link_->read_block(16, 116, true);
        QCOMPARE(dev_->requests, std::vector<request>({{16, 100, true}, {46, 70, true}, {76, 40, true}, {106, 10, true}}));
        for (unsigned short i = 0; i < 100; ++i)
            QCOMPARE(pieces[i], static_cast<unsigned short>(16 + i));
        QVERIFY(rec.has("reading block from:16 untill:116"));
    }

    void empty_and_refused_blocks()
    {
        auto& rec = test_support::log_recorder();
        event_counter events;
        events.post();
        QVERIFY(link_->read_block(10, 10, false).empty());
        QVERIFY(dev_->requests.empty());
        QCOMPARE(events.delivered, 0);
        QVERIFY(rec.has("reading block from:10 untill:10"));
        QCoreApplication::sendPostedEvents(&events);
        QCOMPARE(events.delivered, 1);

        QVERIFY_EXCEPTION_THROWN(link_->read_block(20, 10, false), std::runtime_error);
        QVERIFY(dev_->requests.empty());

        // A back end that never gets anything must not keep us asking.
        dev_->answer_limit = 0;
        QVERIFY_EXCEPTION_THROWN(link_->read_block(0, 5, false), std::runtime_error);
        QCOMPARE(dev_->requests.size(), std::size_t(1));
    }

    void events_run_between_requests()
    {
        event_counter events;
        std::vector<int> seen;
        dev_->on_request = [&](std::size_t) {
            seen.push_back(events.delivered);
            events.post();
        };
        link_->read_block(0, 250, false);
        QCOMPARE(seen, std::vector<int>({0, 1, 2}));
        QCOMPARE(events.delivered, 3);

        seen.clear();
        events.delivered = 0;
        link_->read_registers(std::set<unsigned short>{1, 3, 5, 6}, false);
        QCOMPARE(seen, std::vector<int>({0, 1, 2}));
        QCOMPARE(events.delivered, 3);
    }

    void set_requests()
    {
        auto read = [this](std::set<unsigned short> s, bool from_copy) {
            dev_->requests.clear();
            return link_->read_registers(s, from_copy);
        };
        auto values = read({1, 3}, false);
        QCOMPARE(dev_->requests, std::vector<request>({{1, 1, false}, {3, 1, false}}));
        QCOMPARE(values, (std::map<unsigned short, unsigned short>{{1, 1}, {3, 3}}));

        read({1, 2, 3}, true);
        QCOMPARE(dev_->requests, std::vector<request>({{1, 3, true}}));

        values = read({5, 6, 7, 10, 300, 301}, true);
        QCOMPARE(dev_->requests, std::vector<request>({{5, 3, true}, {10, 1, true}, {300, 2, true}}));
        QCOMPARE(values.size(), std::size_t(6));
        QCOMPARE(values[301], static_cast<unsigned short>(301));

        std::set<unsigned short> run;
        for (unsigned short a = 1000; a < 1250; ++a)
            run.insert(a);
        values = read(run, false);
        QCOMPARE(dev_->requests, std::vector<request>({{1000, 100, false}, {1100, 100, false}, {1200, 50, false}}));
        QCOMPARE(values.size(), std::size_t(250));

        QVERIFY(read({}, false).empty());
        QVERIFY(dev_->requests.empty());

        // The last register can't end a block: refused before any request,
        // also for a run from 0 that would otherwise come back empty.
        QVERIFY_EXCEPTION_THROWN(read({1, 0xFFFE, 0xFFFF}, false), std::runtime_error);
        QVERIFY(dev_->requests.empty());
        std::set<unsigned short> all;
        for (unsigned a = 0; a <= 0xFFFF; ++a)
            all.insert(static_cast<unsigned short>(a));
        QVERIFY_EXCEPTION_THROWN(read(all, false), std::runtime_error);
        QVERIFY(dev_->requests.empty());
    }

    void refused_types()
    {
        auto& rec = test_support::log_recorder();
        for (int type : {3, -1, 4, 7}) {
            try {
                connection c(descriptor_of(type), 3);
                QFAIL("a connection was made");
            } catch (const std::runtime_error& e) {
                QCOMPARE(std::string(e.what()), std::string("unsupported backend type"));
            }
        }
        QVERIFY(rec.texts("modbus").empty());
    }

    void emulation_shares_registers()
    {
        auto& rec = test_support::log_recorder();
        {
            modbus::connection_p first = std::make_shared<connection>(descriptor_of(0), 3);
            QCOMPARE(first->backend().desc().type, 0);
            QCOMPARE(first->backend().desc().name, std::string("emulation"));
            QCOMPARE(first->write_registers(0xFFFE, {7, 8, 9}), 3);
        }
        QCOMPARE(rec.texts("modbus"), std::vector<std::string>({"modbus CREATED", "modbus DESTROYED"}));
        QCOMPARE(connection::emulation_device::vmem[0xFFFF], static_cast<unsigned short>(8));
        QCOMPARE(connection::emulation_device::vmem[0], static_cast<unsigned short>(9));

        connection second(descriptor_of(0), 3);
        std::vector<unsigned short> values(5);
        QCOMPARE(second.read_registers(0xFFFE, values, false), 5);
        QCOMPARE(values, std::vector<unsigned short>({7, 8, 9, 0, 0}));
        QVERIFY(connection::emulation_device::vmem.count(2));
        QCOMPARE(second.read_block(0xFFFE, 0xFFFF, true), std::vector<unsigned short>({7}));
    }
};

VELMORA_TEST_MAIN(tst_connection)
#include "tst_connection.moc"
