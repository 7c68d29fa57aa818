// The device against the simulated driver over a pseudo-terminal: identify
// it, keep watched items up to date, write an item, save a memory map and
// run it back.

#include "quick_driver.h"
#include "sim_link.h"
#include "device/device.h"

#include "recording_output.h"
#include "test_main.h"

#include "modbus/errors.h"
#include "modbus/modbus_device.h"
#include "services/settings.h"
#include "sim/sim_driver.h"

#include <QTemporaryDir>

#include <fstream>
#include <set>

using modbus::connection;

namespace {

std::vector<profiles::item> all_items(const profiles::profile& p)
{
    std::vector<profiles::item> items = p.static_map;
    for (const auto& page : p.pages)
        items.insert(items.end(), page.second.begin(), page.second.end());
    return items;
}

// The read requests a set of addresses costs: one per run of consecutive
// addresses, runs cut into pieces of at most 100.
std::vector<sim::request> expected_reads(const std::set<unsigned short>& addresses)
{
    std::vector<sim::request> r;
    auto it = addresses.begin();
    while (it != addresses.end()) {
        unsigned first = *it, last = first;
        for (++it; it != addresses.end() && *it == last + 1; ++it)
            last = *it;
        for (unsigned a = first; a <= last; a += 100)
            r.push_back({3, static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(std::min(100u, last + 1 - a))});
    }
    return r;
}

} // namespace

class receiver : public QObject {
    Q_OBJECT
public:
    std::vector<profiles::item> items;
public slots:
    void changed(const profiles::item& item) { items.push_back(item); }
};

class tst_device_e2e : public QObject {
    Q_OBJECT

    test_support::quick_driver sim_;

    connection::descriptor serial() const { return test_support::serial_descriptor(sim_); }

    std::shared_ptr<device> open()
    {
        return std::make_shared<device>(std::make_shared<connection>(serial(), 3));
    }

private slots:
    void initTestCase()
    {
        profiles::init_profiles();
        connection::modbus_device::set_pause([] {});
        settings().set_busytime(10);
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
        sim_.set_request_log(true);
    }

    void identify()
    {
        auto& log = test_support::log_recorder();
        {
            auto d = open();
            QCOMPARE(d->id(), 6469);
            QCOMPARE(d->hw(), 3);
            QCOMPARE(d->fw(), 17);
            // Nothing is ever written to a real driver here.
            QCOMPARE(sim_.request_log(), (std::vector<sim::request>{{3, 0xFFF0, 4}}));
        }
        QVERIFY(log.index_of("modbus DESTROYED") >= 0);
        QVERIFY(log.index_of("device destroyed") > log.index_of("modbus DESTROYED"));

        sim_.set_identity(6469, 3, 17, true);
        try {
            open();
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(std::string(e.what()), std::string("Device checksum failed!"));
        }

        sim_.set_identity(6758, 2, 5);
        QCOMPARE(open()->id(), 6758);
    }

    void update_watched_items()
    {
        auto d = open();
        d->set_profile(profiles::get_profile(d->id()));
        const std::vector<profiles::item> items = all_items(d->profile());
        for (unsigned a = 0; a < 0x600; ++a)
            sim_.set_register(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(a * 11 + 1));

        // The first full read fills the link's copy.
        sim_.reset_counts();
        d->optimized_read(items, false);
        QVERIFY(sim_.requests(3) > 0);

        receiver rec;
        QVERIFY(QObject::connect(d.get(), SIGNAL(item_changed(profiles::item)), &rec, SLOT(changed(profiles::item))));
        std::set<unsigned short> addresses;
        for (const auto& i : items) {
            if (i.address == profiles::no_addr || i.length() == 0 || i.dir == profiles::wo)
                continue;
            bool taken = false;
            for (const auto& w : d->watch_list())
                taken = taken || w.address == i.address;
            if (taken)
                continue;
            d->add_item_watch(i);
            for (unsigned k = 0; k < i.length(); ++k)
                addresses.insert(static_cast<unsigned short>(i.address + k));
        }
        QVERIFY(d->watch_list().size() > 20);

        // A fast update costs nothing on the bus.
        sim_.reset_counts();
        d->update_profile(true);
        QCOMPARE(sim_.requests(), 0u);
        QCOMPARE(rec.items.size(), d->watch_list().size());
        QCOMPARE(rec.items[0].value.data[0], static_cast<unsigned short>(rec.items[0].address * 11 + 1));

        // The driver changes; a normal update reads each run once.
        for (unsigned a = 0; a < 0x600; ++a)
            sim_.set_register(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(a * 5 + 2));
        rec.items.clear();
        sim_.reset_counts();
        d->update_profile();
        QCOMPARE(sim_.request_log(), expected_reads(addresses));
        QCOMPARE(rec.items.size(), d->watch_list().size());
        for (const auto& i : rec.items)
            for (unsigned k = 0; k < i.length(); ++k)
                QCOMPARE(i.value.data[k], static_cast<unsigned short>((i.address + k) * 5 + 2));

        // A busy driver is tolerated, then reported.
        device::clock::time_point now = device::clock::now();
        d->set_clock([&] { return now; });
        rec.items.clear();
        sim_.busy_next(1);
        d->update_profile();
        QVERIFY(rec.items.empty());
        now += std::chrono::seconds(10);
        sim_.busy_next(1);
        try {
            d->update_profile();
            QFAIL("no exception");
        } catch (const modbus::protocol_exception& e) {
            QCOMPARE(e.code, modbus::protocol_exception::busy);
        }
        QVERIFY(!d->updating());
        d->update_profile();
        QCOMPARE(rec.items.size(), d->watch_list().size());
    }

    void write_item()
    {
        auto d = open();
        d->set_profile(profiles::get_profile(d->id()));
        profiles::item two = profiles::single(0x30);
        two.value.length = 2;
        two.value.data = {0xBEEF, 0x1234};
        sim_.reset_counts();
        d->write_item(two);
        QCOMPARE(sim_.request_log(), (std::vector<sim::request>{{16, 0x30, 2}}));
        QCOMPARE(sim_.get_registers(0x30, 2), (std::vector<std::uint16_t>{0xBEEF, 0x1234}));

        two.dir = profiles::ro;
        QVERIFY_EXCEPTION_THROWN(d->write_item(two), std::runtime_error);
        QCOMPARE(sim_.request_log().size(), std::size_t(1));

        // A command button of the profile.
        profiles::item save = profiles::single(profiles::profile::command_address);
        save.gui = profiles::button;
        save.dir = profiles::wo;
        save.value = profiles::val_u16(5);
        d->write_item(save);
        QCOMPARE(sim_.get_register(profiles::profile::command_address), 5);
    }

    void save_map_and_run_it()
    {
        auto d = open();
        d->set_profile(profiles::get_profile(d->id()));
        const profiles::mmap_template& t = d->profile().mmap;
        QCOMPARE(t.until, 133);
        std::vector<std::uint16_t> original(t.until - t.from);
        for (std::size_t k = 0; k < original.size(); ++k)
            original[k] = static_cast<std::uint16_t>(0x8000 + k * 37);
        sim_.set_registers(t.from, original);
        sim_.set_register(profiles::profile::command_address, 0);

        QTemporaryDir dir;
        const std::string path = (dir.path() + "/map.txt").toStdString();
        {
            const script dump = d->read_memory(t.from, t.until);
            std::ofstream out(path, std::ios::binary);
            script::write_map(out, dump, t);
        }

        // The driver forgets; the map puts everything back, then saves.
        sim_.set_registers(t.from, std::vector<std::uint16_t>(original.size(), 0));
        std::ifstream in(path, std::ios::binary);
        const script parsed = script::parse(script::read_lines(in));
        QCOMPARE(parsed.profile, 6469);
        sim_.reset_counts();
        auto& log = test_support::log_recorder();
        d->run_script(parsed);
        QCOMPARE(sim_.get_registers(t.from, original.size()), original);
        QCOMPARE(sim_.get_register(profiles::profile::command_address), 5);

        std::vector<sim::request> expected;
        for (unsigned a = t.from; a < t.until; ++a)
            expected.push_back({16, static_cast<std::uint16_t>(a), 1});
        expected.push_back({16, profiles::profile::command_address, 1});
        QCOMPARE(sim_.request_log(), expected);
        QCOMPARE(log.texts("device").back(), std::string("running script finished"));
    }
};

VELMORA_TEST_MAIN(tst_device_e2e)
#include "tst_device_e2e.moc"
