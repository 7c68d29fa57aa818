#include "device/device.h"

#include "recording_output.h"
#include "emulation.h"
#include "test_main.h"

#include "modbus/errors.h"

using modbus::connection;
using namespace test_support;

namespace {

const script::command& command_of(const script::item& i)
{
    return std::get<1>(i.content);
}

} // namespace

class tst_device_writes : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::unique_ptr<device> dev_;

    // Not cleared, unlike log_recorder().
    static test_support::recording_output& log()
    {
        static test_support::recording_output& r = test_support::log_recorder();
        return r;
    }

private slots:
    void init()
    {
        vmem().clear();
        test_support::set_identity(6469, 3, 17);
        dev_ = std::make_unique<device>(test_support::test_connection(backend_));
        backend_->requests.clear();
        log().clear();
    }

    void cleanup() { dev_.reset(); }

    void write_item()
    {
        auto& log = test_support::log_recorder();
        dev_->write_item(make_item(0x30, profiles::label, {0x1234, 0x5678}, false, profiles::rw));
        QCOMPARE(backend_->requests.size(), std::size_t(1));
        QVERIFY((backend_->requests[0] == backend_request{'w', 0x30, 2, false, {0x1234, 0x5678}}));
        QCOMPARE(vmem()[0x31], 0x5678);
        QVERIFY(log.has("write item addr:48 length:2"));

        // A command button's item.
        profiles::item button = make_item(profiles::profile::command_address, profiles::label, {5}, false, profiles::wo);
        button.gui = profiles::button;
        dev_->write_item(button);
        QCOMPARE(vmem()[profiles::profile::command_address], 5);

        // Refused before any request.
        backend_->requests.clear();
        QCOMPARE(error_of([&] { dev_->write_item(make_item(0x40, profiles::label, {1}, false, profiles::ro)); }),
                 std::string("Attempt to write data to RO cell"));
        QVERIFY(log.has("write item READONLY:64 length:1 DIR:0"));
        const std::string e = error_of([&] { dev_->write_item(make_item(0x41, profiles::label, {}, false, profiles::rw)); });
        QVERIFY2(e.find("no register values") != std::string::npos, e.c_str());
        QVERIFY(backend_->requests.empty());

        // Link failures pass unchanged.
        backend_->on_request = [](const backend_request&) {
            throw modbus::protocol_exception("Illegal data value", 112345681);
        };
        QVERIFY_EXCEPTION_THROWN(dev_->write_item(make_item(0x42, profiles::label, {1}, false, profiles::rw)), modbus::protocol_exception);
    }

    void read_item()
    {
        vmem()[0x50] = 7;
        vmem()[0x51] = 8;
        profiles::item i = make_item(0x50, profiles::label, {0, 0}, false, profiles::ro);
        i.value.data.clear();
        dev_->read_item(i);
        QCOMPARE(i.value.data, (std::vector<unsigned short>{7, 8}));
        QVERIFY((backend_->requests.back() == backend_request{'r', 0x50, 2, false, {}}));

        backend_->requests.clear();
        profiles::item w = make_item(0x50, profiles::label, {1}, false, profiles::wo);
        QCOMPARE(error_of([&] { dev_->read_item(w); }), std::string("Attempt to read data from WO cell"));
        QVERIFY(log().has("read item WRITEONLY:80 length:1 DIR:2"));
        QVERIFY(backend_->requests.empty());

        // A short answer is an error, not zeros.
        backend_->short_reads = 1;
        const std::string e = error_of([&] { dev_->read_item(i); });
        QVERIFY2(e.find("Only 1 of 2 registers") != std::string::npos, e.c_str());
        QCOMPARE(i.value.data, (std::vector<unsigned short>{7, 8}));
    }

    void read_memory()
    {
        for (unsigned short a = 0; a < 140; ++a)
            vmem()[a] = static_cast<unsigned short>(a * 3);
        profiles::profile p;
        p.id = 6469;
        for (int k = 0; k < 134; ++k)
            p.mmap.descriptions.push_back("register " + std::to_string(k));
        dev_->set_profile(p);

        script s = dev_->read_memory(0, 133);
        QCOMPARE(s.profile, 6469);
        QCOMPARE(s.items.size(), std::size_t(133));
        for (unsigned short k = 0; k < 133; ++k) {
            QCOMPARE(s.items[k].kind, int(script::item::command_kind));
            QCOMPARE(command_of(s.items[k]).address, k);
            QCOMPARE(command_of(s.items[k]).value, static_cast<unsigned short>(k * 3));
            QCOMPARE(command_of(s.items[k]).text, "register " + std::to_string(k));
            QVERIFY(std::get<0>(s.items[k].content).text.empty());
        }
        // Requests of at most 100 registers, never from the copy.
        QCOMPARE(backend_->requests.size(), std::size_t(2));
        QVERIFY((backend_->requests[0] == backend_request{'r', 0, 100, false, {}}));
        QVERIFY((backend_->requests[1] == backend_request{'r', 100, 33, false, {}}));
        QVERIFY(log().has("reading memory from:0 untill:133"));

        p.mmap.descriptions.resize(44);
        dev_->set_profile(p);
        s = dev_->read_memory(0, 133);
        QCOMPARE(command_of(s.items[43]).text, std::string("register 43"));
        QCOMPARE(command_of(s.items[44]).text, std::string("44"));
        QCOMPARE(command_of(s.items[132]).text, std::string("132"));

        backend_->requests.clear();
        s = dev_->read_memory(5, 5);
        QCOMPARE(s.profile, 6469);
        QVERIFY(s.items.empty());
        QVERIFY(backend_->requests.empty());
        QVERIFY_EXCEPTION_THROWN(dev_->read_memory(6, 5), std::runtime_error);
        QVERIFY(backend_->requests.empty());
    }

    void run_script()
    {
        auto& log = test_support::log_recorder();
        // The header names another profile: it runs all the same.
        const script s = script::parse(std::vector<std::string>{
            "Profile: 5", "// first remark", "\\\\ second remark", "", "0x10, 1; // one", "17, -1;", "0xFFF8, 5;"});
        dev_->run_script(s);
        const std::vector<backend_request> expected{
            {'w', 0x10, 1, false, {1}}, {'w', 17, 1, false, {0xFFFF}}, {'w', profiles::profile::command_address, 1, false, {5}}};
        QCOMPARE(backend_->requests.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            QVERIFY(backend_->requests[i] == expected[i]);
        QVERIFY(log.has("running script..."));
        QVERIFY(log.has("write cmd addr:17 length:1"));
        QCOMPARE(log.texts("device").back(), std::string("running script finished"));

        // The second command fails: the first is written, the third never sent.
        vmem().erase(0x10);
        vmem().erase(17);
        vmem().erase(profiles::profile::command_address);
        backend_->requests.clear();
        log.clear();
        backend_->on_request = [](const backend_request& r) {
            if (r.address == 17)
                throw modbus::protocol_exception("Illegal data address", 112345680);
        };
        QVERIFY_EXCEPTION_THROWN(dev_->run_script(s), modbus::protocol_exception);
        QCOMPARE(backend_->requests.size(), std::size_t(2));
        QCOMPARE(vmem()[0x10], 1);
        QVERIFY(!vmem().count(profiles::profile::command_address));
        QCOMPARE(log.texts("device").back(), std::string("running script finished"));
    }

    void dump_profile()
    {
        vmem()[3] = 33;
        vmem()[4] = 44;
        vmem()[9] = 99;
        profiles::profile p;
        p.id = 6469;
        p.mmap.descriptions = {"a", "b", "c", "d"};
        profiles::item heading = profiles::single(profiles::no_addr);
        heading.value = profiles::no_val;
        p.static_map = {heading, make_item(9, profiles::label, {0}, false, profiles::ro)};
        p.pages.push_back({"page", {make_item(3, profiles::label, {0, 0}, false, profiles::rw), make_item(4, profiles::label, {0}, false, profiles::rw),
                                    make_item(profiles::profile::command_address, profiles::label, {1}, false, profiles::wo)}});
        dev_->set_profile(p);
        const script s = dev_->dump_profile();
        QCOMPARE(s.profile, 6469);
        QCOMPARE(s.items.size(), std::size_t(3));
        QCOMPARE(command_of(s.items[0]).address, 3);
        QCOMPARE(command_of(s.items[0]).value, 33);
        QCOMPARE(command_of(s.items[0]).text, std::string("d"));
        QCOMPARE(command_of(s.items[1]).text, std::string("4"));
        QCOMPARE(command_of(s.items[2]).address, 9);
        QCOMPARE(command_of(s.items[2]).value, 99);
        for (const auto& r : backend_->requests)
            QVERIFY(!r.from_copy && r.address != profiles::profile::command_address);
    }
};

VELMORA_TEST_MAIN(tst_device_writes)
#include "tst_device_writes.moc"
