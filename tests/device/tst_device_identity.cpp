#include "device/device.h"

#include "recording_output.h"
#include "emulation.h"
#include "test_main.h"

#include "dorvane/profile.h"
#include "modbus/errors.h"

using modbus::connection;
using namespace test_support;

namespace {

std::vector<unsigned short> addresses(const device& d)
{
    std::vector<unsigned short> r;
    for (const auto& i : d.watch_list())
        r.push_back(i.address);
    return r;
}

} // namespace

class tst_device_identity : public QObject {
    Q_OBJECT
private slots:
    void init() { vmem().clear(); }

    // Runs first: the registry is empty until init_profiles().
    void emulation_without_profiles_refused()
    {
        QVERIFY(profiles::profile_list().empty());
        recording_backend* b = nullptr;
        auto c = test_support::test_connection(b, modbus::emulation_link);
        const std::string e = error_of([&] { device d(c); });
        QVERIFY2(e.find("No device profile is registered") != std::string::npos, e.c_str());
        QCOMPARE(b->writes().size(), std::size_t(0));
        QCOMPARE(c.use_count(), 1L);
    }

    void check_sum()
    {
        recording_backend* b = nullptr;
        auto c = test_support::test_connection(b);
        auto& log = test_support::log_recorder();

        test_support::set_identity(6469, 3, 17);
        QCOMPARE(vmem()[0xFFF3], 6489);
        {
            device d(c);
            QCOMPARE(d.id(), 6469);
            QCOMPARE(d.hw(), 3);
            QCOMPARE(d.fw(), 17);
            // The identity read is one request of four registers, never from the copy.
            QCOMPARE(b->requests.size(), std::size_t(1));
            QVERIFY((b->requests[0] == test_support::backend_request{'r', 0xFFF0, 4, false, {}}));
            const int hw = log.index_of("hw:3");
            QVERIFY(hw >= 0);
            QCOMPARE(log.index_of("fw:17"), hw + 1);
            QCOMPARE(log.index_of("profile:6469"), hw + 2);
        }

        vmem()[0xFFF3] = 6488;
        log.clear();
        QCOMPARE(error_of([&] { device d(c); }), std::string("Device checksum failed!"));
        QVERIFY(log.has("device created"));
        QVERIFY(!log.has("device destroyed"));
        QCOMPARE(c.use_count(), 1L);
        // A real driver is never written to.
        QCOMPARE(b->writes().size(), std::size_t(0));

        // The sum is taken modulo 65536.
        vmem()[0xFFF0] = 65535;
        vmem()[0xFFF1] = 1;
        vmem()[0xFFF2] = 0;
        vmem()[0xFFF3] = 0;
        device wrapped(c);
        QCOMPARE(wrapped.id(), 65535);
        QCOMPARE(wrapped.hw(), 1);
    }

    void identity_read_failures()
    {
        recording_backend* b = nullptr;
        auto c = test_support::test_connection(b);
        test_support::set_identity(6469, 3, 17);

        b->on_request = [](const test_support::backend_request&) {
            throw modbus::protocol_exception("Illegal data address", 112345680);
        };
        try {
            device d(c);
            QFAIL("no exception");
        } catch (const modbus::protocol_exception& e) {
            QCOMPARE(e.code, 112345680);
        }
        QCOMPARE(c.use_count(), 1L);

        // Registers missing from a short answer must not read as zeros.
        b->on_request = nullptr;
        b->short_reads = 3;
        const std::string e = error_of([&] { device d(c); });
        QVERIFY2(e.find("Only 3 of 4 registers") != std::string::npos, e.c_str());
    }

    void emulation_seeded()
    {
        profiles::init_profiles();
        QCOMPARE(profiles::profile_list().front(), 6469);

        // An empty register map: identifier, 0, 0 and the identifier as sum.
        auto c = std::make_shared<connection>(recording_backend::make_desc(modbus::emulation_link), 3);
        {
            device d(c);
            QCOMPARE(d.id(), 6469);
            QCOMPARE(d.hw(), 0);
            QCOMPARE(d.fw(), 0);
        }
        QCOMPARE(vmem()[0xFFF0], 6469);
        QCOMPARE(vmem()[0xFFF3], 6469);

        // Versions already there are kept; identifier and sum are set.
        vmem()[0xFFF0] = 1234;
        vmem()[0xFFF1] = 3;
        vmem()[0xFFF2] = 17;
        vmem()[0xFFF3] = 99;
        device d(c);
        QCOMPARE(d.id(), 6469);
        QCOMPARE(d.hw(), 3);
        QCOMPARE(d.fw(), 17);
        QCOMPARE(vmem()[0xFFF3], 6489);
    }

    void link_closed_before_destroyed()
    {
        test_support::set_identity(6469, 3, 17);
        auto& log = test_support::log_recorder();
        {
            auto d = std::make_shared<device>(std::make_shared<connection>(recording_backend::make_desc(modbus::emulation_link), 3));
            QVERIFY(log.has("device created"));
            QVERIFY(!log.has("modbus DESTROYED"));
        }
        const int closed = log.index_of("modbus DESTROYED");
        const int destroyed = log.index_of("device destroyed");
        QVERIFY(closed >= 0);
        QVERIFY(destroyed > closed);
        QCOMPARE(log.texts("device").back(), std::string("device destroyed"));

        // A link with other holders stays open.
        log.clear();
        auto c = std::make_shared<connection>(recording_backend::make_desc(modbus::emulation_link), 3);
        {
            device d(c);
        }
        QVERIFY(log.has("device destroyed"));
        QVERIFY(!log.has("modbus DESTROYED"));
        QCOMPARE(c.use_count(), 1L);
    }

    void watch_list()
    {
        test_support::set_identity(6469, 3, 17);
        recording_backend* b = nullptr;
        device d(test_support::test_connection(b));
        auto& log = test_support::log_recorder();

        profiles::item heading = profiles::single(profiles::no_addr);
        heading.value = profiles::no_val;
        d.add_item_watch(heading);
        d.add_item_watch(item_at(7, 0));
        QVERIFY(d.watch_list().empty());

        profiles::item first = item_at(10);
        first.value.data = {42};
        d.add_item_watch(first);
        d.add_item_watch(item_at(20, 2));
        d.add_item_watch(item_at(30));
        QCOMPARE(addresses(d), (std::vector<unsigned short>{10, 20, 30}));
        // The device keeps its own copies.
        first.value.data = {7};
        QCOMPARE(d.watch_list()[0].value.data, std::vector<unsigned short>{42});

        // One item per address: the first stays, the second add is counted.
        profiles::item again = item_at(10, 2);
        again.gui = profiles::spin;
        d.add_item_watch(again);
        QCOMPARE(addresses(d), (std::vector<unsigned short>{10, 20, 30}));
        QCOMPARE(d.watch_list()[0].length(), 1u);
        // The first control goes: the address is read as the second shows it.
        d.remove_item_watch(first);
        QCOMPARE(addresses(d), (std::vector<unsigned short>{10, 20, 30}));
        QCOMPARE(d.watch_list()[0].length(), 2u);
        QCOMPARE(d.watch_list()[0].gui, profiles::spin);
        d.remove_item_watch(again);
        QCOMPARE(addresses(d), (std::vector<unsigned short>{20, 30}));
        d.add_item_watch(first);

        // Removal is by address alone; the rest keep their order.
        d.remove_item_watch(item_at(20, 5));
        QCOMPARE(addresses(d), (std::vector<unsigned short>{30, 10}));
        d.remove_item_watch(item_at(20));
        QVERIFY(log.has("item not watched, not removed:20"));
        // A refused remove leaves no debt: the next add watches again.
        d.add_item_watch(item_at(20));
        QCOMPARE(addresses(d), (std::vector<unsigned short>{30, 10, 20}));
        d.remove_item_watch(heading);
        QCOMPARE(addresses(d), (std::vector<unsigned short>{30, 10, 20}));
        // Nothing of it went to the driver.
        QCOMPARE(b->requests.size(), std::size_t(1));
    }

    void profile_copy()
    {
        profiles::init_profiles();
        test_support::set_identity(6469, 3, 17);
        recording_backend* b = nullptr;
        device d(test_support::test_connection(b));
        QVERIFY(d.profile().static_map.empty());
        d.set_profile(profiles::get_profile(d.id()));
        QCOMPARE(d.profile().id, 6469);
        QCOMPARE(d.profile().static_map.size(), profiles::get_profile(6469).static_map.size());
        QVERIFY(&d.profile() != &profiles::get_profile(6469));
    }
};

VELMORA_TEST_MAIN(tst_device_identity)
#include "tst_device_identity.moc"
