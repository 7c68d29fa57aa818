#include "test_main.h"

#include "bridge/bridge_control.h"
#include "modbus/devices.h"
#include "recording_output.h"
#include "services/settings.h"

using modbus::connection;

namespace {

void set_ports(std::vector<modbus::serial_port> ports)
{
    modbus::set_serial_port_source([ports] { return ports; });
}

void set_bridges(const char* entries)
{
    qputenv("VELMORA_BRIDGE_DEVICES", entries);
}

std::vector<std::string> ids(const std::vector<connection::descriptor>& list)
{
    std::vector<std::string> r;
    for (const auto& d : list)
        r.push_back(modbus::to_string(d));
    return r;
}

std::string failure_of(const std::string& id)
{
    try {
        modbus::device(id);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no failure";
}

const char* three_bridges = "/dev/pts/90|CP2102 bridge|ea60|10c4;/dev/pts/91|second bridge|ea61|10c4;"
                            "/dev/pts/92|third bridge|ea62|10c5";

} // namespace

class tst_devices : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        bridge_control::clear();
        qunsetenv("VELMORA_BRIDGE_DEVICES");
        set_ports({});
        settings s;
        s.set_pid("88aa");
        s.set_vid("10c4");
    }

    void empty_machine()
    {
        auto& rec = test_support::log_recorder();
        const auto list = modbus::devices();
        QCOMPARE(list.size(), std::size_t(1));
        QCOMPARE(list[0].name, std::string("Autodetect"));
        QCOMPARE(list[0].type, 3);
        QCOMPARE(list[0].kind, std::string("Autodetect"));
        QVERIFY(list[0].location.empty() && list[0].pid.isNull() && list[0].vid.isNull());
        QCOMPARE(failure_of("Autodetect"), std::string("Can't autodetect device"));
        QCOMPARE(rec.texts("modbus"),
                 std::vector<std::string>({"Try to autodetect...", "detecting Autodetect", "failed!"}));
        QCOMPARE(failure_of("COM1"), std::string("there is no such device"));
    }

    void list_and_identity_texts()
    {
        auto& rec = test_support::log_recorder();
        set_ports({{"ttyS0", "/dev/ttyS0"}, {"ttyUSB3", "/dev/pts/7"}});
        set_bridges(three_bridges);
        const auto list = modbus::devices();
        QCOMPARE(ids(list), std::vector<std::string>({"Autodetect", "ttyS0", "ttyUSB3", "USBXpress:0",
                                                      "USBXpress:1", "USBXpress:2"}));
        QCOMPARE(list[2].type, 1);
        QCOMPARE(list[2].kind, std::string("COM"));
        QCOMPARE(list[2].location, std::string("/dev/pts/7"));
        QCOMPARE(list[2].index, -1);
        QVERIFY(list[2].pid.isNull());
        QCOMPARE(list[5].name, std::string("third bridge"));
        QCOMPARE(list[5].type, 2);
        QCOMPARE(list[5].kind, std::string("USBXpress"));
        QCOMPARE(list[5].index, 2);
        QCOMPARE(list[5].pid, QString("ea62"));
        QCOMPARE(list[5].vid, QString("10c5"));
        QVERIFY(list[5].location.empty());
        const auto texts = rec.texts("modbus");
        QCOMPARE(std::vector<std::string>(texts.end() - 3, texts.end()),
                 std::vector<std::string>({"product_desc:third bridge", "product_PID:ea62", "product_VID:10c5"}));
        QCOMPARE(texts.size(), std::size_t(9));

        rec.clear();
        const connection::descriptor serial = modbus::device("ttyUSB3");
        QCOMPARE(serial.location, std::string("/dev/pts/7"));
        QVERIFY(!rec.has("Try to autodetect..."));
        QCOMPARE(rec.texts("modbus").size(), std::size_t(9)); // the list built once
        QCOMPARE(modbus::device("USBXpress:1").name, std::string("second bridge"));

        connection::descriptor odd;
        odd.name = "emulation";
        odd.type = modbus::emulation_link;
        QCOMPARE(modbus::to_string(odd), std::string("emulation"));
        odd.type = 7;
        QVERIFY_EXCEPTION_THROWN(modbus::to_string(odd), std::runtime_error);
        try {
            modbus::to_string(odd);
        } catch (const std::runtime_error& e) {
            QCOMPARE(std::string(e.what()), std::string("unknown connection type"));
        }
    }

    void unreadable_bridges()
    {
        auto& rec = test_support::log_recorder();
        set_bridges(three_bridges);
        for (unsigned option : {2u, 3u, 4u}) {
            bridge_control::clear();
            bridge_control::inject(bridge_control::call::product_string, 1, bridge_system_error, option);
            rec.clear();
            QCOMPARE(ids(modbus::devices()), std::vector<std::string>({"Autodetect", "USBXpress:0", "USBXpress:2"}));
            QVERIFY(!rec.has("product_desc:second bridge"));
            QCOMPARE(rec.texts("modbus").size(), std::size_t(6));
        }
        bridge_control::clear();
        bridge_control::inject(bridge_control::call::device_count, -1, bridge_system_error);
        QCOMPARE(ids(modbus::devices()), std::vector<std::string>({"Autodetect"}));

        // A product text that fills the whole buffer arrives unterminated.
        bridge_control::clear();
        set_bridges(("/dev/pts/9|" + std::string(3000, 'x') + "|88aa|10c4").c_str());
        QCOMPARE(modbus::devices().at(1).name, std::string(1023, 'x'));
    }

    void autodetect_by_name()
    {
        auto& rec = test_support::log_recorder();
        set_bridges("/dev/pts/90|plain bridge|88aa|10c4;/dev/pts/91|SOLVERY drive by TarnWick|0000|0000;"
                    "/dev/pts/92|tarnwick solvery|0000|0000");
        // The name test comes first, and the entry before it matched by pid
        // is not reached: list order decides.
        set_ports({{"ttyS0", "/dev/ttyS0"}});
        connection::descriptor d = modbus::device("Autodetect");
        QCOMPARE(d.name, std::string("plain bridge"));
        QVERIFY(rec.has("OK by pid"));

        settings().set_pid("ffff");
        rec.clear();
        d = modbus::device("Autodetect");
        QCOMPARE(d.index, 1);
        const auto texts = rec.texts("modbus");
        const std::vector<std::string> detecting = {"detecting Autodetect", "detecting ttyS0",
                                                    "detecting plain bridge", "detecting SOLVERY drive by TarnWick",
                                                    "OK!"};
        QCOMPARE(std::vector<std::string>(texts.end() - 5, texts.end()), detecting);

        // A serial port with the words comes before every bridge.
        set_ports({{"ttyS0", "/dev/ttyS0"}, {"Tarnwick-Solvery-USB", "/dev/ttyUSB0"}});
        d = modbus::device("Autodetect");
        QCOMPARE(d.type, 1);
        QCOMPARE(d.location, std::string("/dev/ttyUSB0"));

        set_ports({{"tarnwick only", "/dev/ttyS0"}});
        QCOMPARE(modbus::device("Autodetect").index, 1);
    }

    void autodetect_by_identifiers()
    {
        auto& rec = test_support::log_recorder();
        set_bridges("/dev/pts/90|first|x88AAx|x10c4x;/dev/pts/91|second|0x88aa|0x10c4;/dev/pts/92|third|88aa|10c4");
        connection::descriptor d = modbus::device("Autodetect");
        QCOMPARE(d.index, 1); // case counts: 88AA is not 88aa
        QVERIFY(rec.has("OK by pid"));

        settings s;
        s.set_pid("88AA");
        s.set_vid("10C4");
        QCOMPARE(failure_of("Autodetect"), std::string("Can't autodetect device"));
        s.set_vid("10c4");
        QCOMPARE(modbus::device("Autodetect").index, 0);

        // Empty settings match nothing rather than the autodetect entry.
        s.set_pid("");
        QCOMPARE(failure_of("Autodetect"), std::string("Can't autodetect device"));
        s.set_pid("88aa");
        s.set_vid("");
        QCOMPARE(failure_of("Autodetect"), std::string("Can't autodetect device"));
        set_bridges("/dev/pts/90|first|88aa|10c4;/dev/pts/91|Tarnwick Solvery|0|0");
        QCOMPARE(modbus::device("Autodetect").index, 1);
    }
};

VELMORA_TEST_MAIN(tst_devices)
#include "tst_devices.moc"
