#include "device/device.h"

#include "recording_output.h"
#include "emulation.h"
#include "test_main.h"

#include "modbus/errors.h"
#include "services/settings.h"

#include <QTimer>

using modbus::connection;
using namespace test_support;

// Records every item_changed it receives, through a string-based connect.
class receiver : public QObject {
    Q_OBJECT
public:
    std::vector<profiles::item> items;
    std::function<void(const profiles::item&)> on_item;

    std::vector<unsigned short> addresses() const
    {
        std::vector<unsigned short> r;
        for (const auto& i : items)
            r.push_back(i.address);
        return r;
    }

public slots:
    void changed(const profiles::item& item)
    {
        items.push_back(item);
        if (on_item)
            on_item(item);
    }
};

class tst_device_update : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::unique_ptr<device> dev_;
    std::unique_ptr<receiver> rec_;
    device::clock::time_point now_;

    void advance(int ms) { now_ += std::chrono::milliseconds(ms); }

    // A busy answer for the next update; true when it reached the caller.
    bool busy_update(bool fast = false)
    {
        backend_->busy_reads = 1;
        try {
            dev_->update_profile(fast);
        } catch (const modbus::protocol_exception& e) {
            if (e.code != modbus::protocol_exception::busy)
                throw;
            return true;
        }
        return false;
    }

private slots:
    void init()
    {
        vmem().clear();
        test_support::set_identity(6469, 3, 17);
        dev_ = std::make_unique<device>(test_support::test_connection(backend_));
        backend_->requests.clear();
        rec_ = std::make_unique<receiver>();
        QVERIFY(QObject::connect(dev_.get(), SIGNAL(item_changed(profiles::item)), rec_.get(),
                                 SLOT(changed(profiles::item))));
        now_ = device::clock::time_point(std::chrono::hours(1000));
        dev_->set_clock([this] { return now_; });
        settings().set_busytime(10);
    }

    void cleanup()
    {
        rec_.reset();
        dev_.reset();
    }

    void optimized_read()
    {
        for (unsigned short a = 0; a < 300; ++a)
            vmem()[a] = static_cast<unsigned short>(1000 + a);
        profiles::item heading = profiles::single(profiles::no_addr);
        heading.value = profiles::no_val;
        const std::vector<profiles::item> items{item_at(5, 3), heading, item_at(6), item_at(10),
                                                item_at(20, 1, profiles::wo), item_at(30, 250)};
        const auto values = dev_->optimized_read(items, true);
        QCOMPARE(values.size(), std::size_t(254));
        QCOMPARE(values.at(5), 1005);
        QCOMPARE(values.at(279), 1279);
        QVERIFY(!values.count(20));
        const std::vector<backend_request> expected{
            {'r', 5, 3, true, {}}, {'r', 10, 1, true, {}}, {'r', 30, 100, true, {}},
            {'r', 130, 100, true, {}}, {'r', 230, 50, true, {}}};
        QCOMPARE(backend_->requests.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            QVERIFY(backend_->requests[i] == expected[i]);
        QVERIFY(dev_->optimized_read({}, false).empty());
        QCOMPARE(backend_->requests.size(), expected.size());
    }

    void values_reach_items()
    {
        auto& log = test_support::log_recorder();
        vmem()[10] = 0x1010;
        vmem()[11] = 0x1111;
        vmem()[0x1F] = 0xAAAA;
        vmem()[0x20] = 0xBBBB;
        dev_->add_item_watch(item_at(0x1F, 2));
        dev_->add_item_watch(item_at(10, 2));
        dev_->add_item_watch(item_at(11));

        dev_->update_profile();
        // Overlapping items cost one read of registers 10 and 11.
        QCOMPARE(backend_->requests.size(), std::size_t(2));
        QVERIFY((backend_->requests[0] == backend_request{'r', 10, 2, false, {}}));
        QVERIFY((backend_->requests[1] == backend_request{'r', 0x1F, 2, false, {}}));

        // In watch-list order, each with its own words.
        QCOMPARE(rec_->addresses(), (std::vector<unsigned short>{0x1F, 10, 11}));
        QCOMPARE(rec_->items[0].value.data, (std::vector<unsigned short>{0xAAAA, 0xBBBB}));
        QCOMPARE(rec_->items[1].value.data, (std::vector<unsigned short>{0x1010, 0x1111}));
        QCOMPARE(rec_->items[2].value.data, std::vector<unsigned short>{0x1111});
        // The watched copies hold the values too.
        QCOMPARE(dev_->watch_list()[0].value.data, (std::vector<unsigned short>{0xAAAA, 0xBBBB}));

        QVERIFY(log.has("updating profile..."));
        QVERIFY(log.has("optimized read:"));
        const int item = log.index_of("updating item:31");
        QVERIFY(item >= 0);
        QCOMPARE(log.index_of("updating item:31 finished"), item + 1);
        QCOMPARE(log.texts("device").back(), std::string("updating profile finished"));
        QVERIFY(!dev_->updating());

        // A fast update is served from the copy.
        rec_->items.clear();
        log.clear();
        dev_->update_profile(true);
        QVERIFY(log.has("updating profile from virtual memory copy..."));
        QVERIFY(backend_->requests.back().from_copy);
        QCOMPARE(rec_->items.size(), std::size_t(3));

        // Both slot signatures and a queued delivery (the meta type is known).
        rec_->items.clear();
        QVERIFY(QMetaObject::invokeMethod(dev_.get(), "update_profile"));
        QVERIFY(QMetaObject::invokeMethod(dev_.get(), "update_profile", Q_ARG(bool, true)));
        QCOMPARE(rec_->items.size(), std::size_t(6));
        receiver queued;
        QVERIFY(QObject::connect(dev_.get(), SIGNAL(item_changed(profiles::item)), &queued,
                                 SLOT(changed(profiles::item)), Qt::QueuedConnection));
        QTimer timer;
        timer.setSingleShot(true);
        QVERIFY(QObject::connect(&timer, SIGNAL(timeout()), dev_.get(), SLOT(update_profile())));
        timer.start(0);
        QTRY_COMPARE(queued.items.size(), std::size_t(3));
        QCOMPARE(queued.items[0].value.data, (std::vector<unsigned short>{0xAAAA, 0xBBBB}));
    }

    void nested_updates()
    {
        dev_->add_item_watch(item_at(1));
        dev_->add_item_watch(item_at(2));
        auto& log = test_support::log_recorder();

        // A normal update inside a fast one is refused without a trace.
        bool inner_done = false;
        backend_->on_request = [&](const backend_request&) {
            if (inner_done)
                return;
            inner_done = true;
            const std::size_t before = backend_->requests.size();
            const std::size_t logged = log.entries.size();
            dev_->update_profile(false);
            QCOMPARE(backend_->requests.size(), before);
            QCOMPARE(log.entries.size(), logged);
            QVERIFY(dev_->updating());
        };
        dev_->update_profile(true);
        QVERIFY(inner_done);
        QCOMPARE(rec_->items.size(), std::size_t(2));
        QVERIFY(!dev_->updating());

        // A fast update inside a normal one runs and leaves the outer running.
        rec_->items.clear();
        backend_->requests.clear();
        inner_done = false;
        bool still_updating = false;
        backend_->on_request = [&](const backend_request& r) {
            if (inner_done || r.from_copy)
                return;
            inner_done = true;
            dev_->update_profile(true);
            still_updating = dev_->updating();
        };
        dev_->update_profile(false);
        QVERIFY(inner_done);
        QVERIFY(still_updating);
        QVERIFY(!dev_->updating());
        // Inner and outer both signalled.
        QCOMPARE(rec_->items.size(), std::size_t(4));
        QCOMPARE(std::count(backend_->requests.begin(), backend_->requests.end(),
                            backend_request{'r', 1, 2, true, {}}),
                 1L);
    }

    void watch_changed_during_read()
    {
        auto& log = test_support::log_recorder();
        dev_->add_item_watch(item_at(1));
        dev_->add_item_watch(item_at(2));

        // A busy deadline that is running gets cleared by the read below.
        QVERIFY(!busy_update());

        bool added = false;
        backend_->on_request = [&](const backend_request&) {
            if (!added)
                dev_->add_item_watch(item_at(40));
            added = true;
        };
        log.clear();
        advance(20000);
        dev_->update_profile();
        QVERIFY(added);
        QVERIFY(rec_->items.empty());
        QCOMPARE(log.texts("device").back(), std::string("updating profile finished"));
        QVERIFY(!busy_update());

        // Without a change the next update applies (the new item included).
        backend_->on_request = nullptr;
        dev_->update_profile();
        QCOMPARE(rec_->addresses(), (std::vector<unsigned short>{1, 2, 40}));

        // A heading row or an item without registers is no change.
        rec_->items.clear();
        backend_->on_request = [&](const backend_request&) {
            profiles::item heading = profiles::single(profiles::no_addr);
            heading.value = profiles::no_val;
            dev_->add_item_watch(heading);
            dev_->remove_item_watch(item_at(3, 0));
        };
        dev_->update_profile();
        QCOMPARE(rec_->items.size(), std::size_t(3));

        // A fast update nested in a normal one doesn't hide from it a
        // removal made before the fast one began.
        rec_->items.clear();
        bool nested = false;
        backend_->on_request = [&](const backend_request& r) {
            if (r.from_copy || nested)
                return;
            nested = true;
            dev_->remove_item_watch(item_at(40));
            dev_->update_profile(true);
        };
        dev_->update_profile();
        QVERIFY(nested);
        // Only the inner update signalled.
        QCOMPARE(rec_->addresses(), (std::vector<unsigned short>{1, 2}));
    }

    void receivers_change_the_list()
    {
        for (unsigned short a = 1; a <= 4; ++a) {
            vmem()[a] = static_cast<unsigned short>(a * 100);
            dev_->add_item_watch(item_at(a));
        }
        auto& log = test_support::log_recorder();
        // The first receiver takes a later item off and puts a new one on;
        // what it was handed stays valid.
        rec_->on_item = [&](const profiles::item& it) {
            if (it.address == 1) {
                dev_->remove_item_watch(item_at(3));
                dev_->remove_item_watch(item_at(1));
                for (unsigned short a = 50; a < 80; ++a)
                    dev_->add_item_watch(item_at(a));
            }
            QCOMPARE(it.value.data, std::vector<unsigned short>{static_cast<unsigned short>(it.address * 100)});
        };
        dev_->update_profile(true);
        QCOMPARE(rec_->addresses(), (std::vector<unsigned short>{1, 2, 4}));
        QVERIFY(log.has("updating item:3 skipped, no longer watched"));
        QCOMPARE(log.texts("device").back(), std::string("updating profile finished"));
    }

    void missing_registers_skipped()
    {
        auto& log = test_support::log_recorder();
        vmem()[5] = 55;
        dev_->add_item_watch(item_at(4, 1, profiles::wo));
        dev_->add_item_watch(item_at(5));
        dev_->update_profile();
        QCOMPARE(rec_->addresses(), std::vector<unsigned short>{5});
        QCOMPARE(rec_->items[0].value.data, std::vector<unsigned short>{55});
        QVERIFY(log.has("updating item:4 skipped, registers not read"));
    }

    void busy_tolerance()
    {
        auto& log = test_support::log_recorder();
        dev_->add_item_watch(item_at(1));

        QVERIFY(!busy_update());
        QVERIFY(rec_->items.empty());
        QCOMPARE(log.texts("device").back(), std::string("updating profile finished"));
        advance(5000);
        QVERIFY(!busy_update());
        advance(4999);
        QVERIFY(!busy_update());
        advance(1);
        QVERIFY(busy_update());
        QVERIFY(!dev_->updating());
        // The deadline went with it: a new tolerance starts.
        QVERIFY(!busy_update());
        advance(9999);
        QVERIFY(!busy_update());
        advance(1);
        QVERIFY(busy_update(true)); // fast updates count the same

        // A successful read in between starts the tolerance afresh.
        QVERIFY(!busy_update());
        advance(5000);
        dev_->update_profile();
        QCOMPARE(rec_->items.size(), std::size_t(1));
        advance(7000);
        QVERIFY(!busy_update());
        advance(9900);
        QVERIFY(!busy_update());
        advance(100);
        QVERIFY(busy_update());

        // Another Modbus exception passes at once and clears the deadline.
        QVERIFY(!busy_update());
        advance(1000);
        backend_->on_request = [](const backend_request&) {
            throw modbus::protocol_exception("Illegal data address", 112345680);
        };
        QVERIFY_EXCEPTION_THROWN(dev_->update_profile(), modbus::protocol_exception);
        backend_->on_request = nullptr;
        advance(15000);
        QVERIFY(!busy_update());

        // A link failure passes and leaves the deadline as it was.
        advance(1000);
        backend_->on_request = [](const backend_request&) {
            throw modbus::connection_exception("Target device failed to respond", 112345689);
        };
        QVERIFY_EXCEPTION_THROWN(dev_->update_profile(), modbus::connection_exception);
        backend_->on_request = nullptr;
        QVERIFY(!dev_->updating());
        advance(9000);
        QVERIFY(busy_update());
    }

    void busy_time_zero()
    {
        settings().set_busytime(0);
        dev_->add_item_watch(item_at(1));
        QVERIFY(!busy_update());
        QVERIFY(busy_update());
        QVERIFY(!busy_update());
    }
};

VELMORA_TEST_MAIN(tst_device_update)
#include "tst_device_update.moc"
