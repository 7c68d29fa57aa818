// The device page against the simulated driver, listed as a serial port
// (and as a USB bridge of the stand-in where autodetection is the point).

#include "preferences/device_prefs_form.h"

#include "modal_answerer.h"
#include "bridge/bridge_control.h"
#include "sim_link.h"
#include "test_main.h"

#include "modbus/devices.h"
#include "modbus/modbus_device.h"
#include "services/settings.h"
#include "sim/sim_driver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <memory>

namespace {

// The page as the dialog drives it: through the base class.
struct page_under_test {
    device_prefs_form form{nullptr};
    preferences_widget& page = form;
    QSignalSpy changes{&form, SIGNAL(changed())};

    template <typename W>
    W* get(const char* name)
    {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QComboBox* list() { return get<QComboBox>("device"); }
    QStringList texts()
    {
        QStringList r;
        for (int i = 0; i < list()->count(); ++i)
            r << list()->itemText(i);
        return r;
    }
    QList<int> types()
    {
        QList<int> r;
        for (int i = 0; i < list()->count(); ++i)
            r << list()->itemData(i).toInt();
        return r;
    }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
};

void store(const QString& dev, int update, int busy, const QString& pid = "88aa", const QString& vid = "10c4")
{
    settings s;
    s.set_dev(dev);
    s.set_updatetime(update);
    s.set_busytime(busy);
    s.set_pid(pid);
    s.set_vid(vid);
}

} // namespace

class tst_device_prefs_form : public QObject {
    Q_OBJECT

    sim::driver sim_;

    void list_ports(std::vector<modbus::serial_port> ports) { modbus::set_serial_port_source([ports] { return ports; }); }
    void list_sim_port() { list_ports({{"simport", sim_.tty_path()}}); }

private slots:
    void initTestCase()
    {
        sim_.set_wire_time(false);
        sim_.start();
        modbus::connection::modbus_device::set_pause([] {});
    }

    void cleanupTestCase()
    {
        modbus::connection::modbus_device::set_pause({});
        modbus::set_serial_port_source({});
        sim_.stop();
    }

    void init()
    {
        test_support::clear_settings();
        qunsetenv("VELMORA_BRIDGE_DEVICES");
        sim_.set_identity(6469, 3, 17);
        list_sim_port();
    }

    void fill_from_stored_settings()
    {
        page_under_test p;
        QVERIFY(p.texts().isEmpty());
        store("simport", 5, 30, "abcd", "1234");
        p.page.update_preferences();

        QCOMPARE(p.texts(), QStringList({"Autodetect", "simport"}));
        QCOMPARE(p.types(), QList<int>({3, 1}));
        QCOMPARE(p.list()->currentText(), QString("simport"));
        QCOMPARE(p.get<QSpinBox>("update_interval")->value(), 5);
        QCOMPARE(p.get<QSpinBox>("busy_interval")->value(), 30);
        QCOMPARE(p.get<QLineEdit>("pid")->text(), QString("abcd"));
        QCOMPARE(p.get<QLineEdit>("vid")->text(), QString("1234"));
        QVERIFY(!p.get<QLineEdit>("pid")->isEnabled());
        QCOMPARE(p.changes.count(), 0);

        // The user picks autodetect: the identifiers are enabled (still hidden).
        p.list()->setCurrentIndex(0);
        QVERIFY(p.get<QLineEdit>("pid")->isEnabled() && p.get<QLineEdit>("vid")->isEnabled());
        QVERIFY(p.get<QLineEdit>("pid")->isHidden());
        QCOMPARE(p.changes.count(), 1);

        // Update lists afresh, selects autodetect and reports a change.
        p.list()->setCurrentIndex(1);
        list_ports({{"simport", sim_.tty_path()}, {"ttyS4", "/dev/ttyS4"}});
        p.changes.clear();
        p.click("port_update");
        QCOMPARE(p.texts(), QStringList({"Autodetect", "simport", "ttyS4"}));
        QCOMPARE(p.list()->currentIndex(), 0);
        QVERIFY(p.changes.count() >= 1);

        // The page is filled even while it is disabled.
        p.form.setEnabled(false);
        list_sim_port();
        p.page.update_preferences();
        QCOMPARE(p.texts(), QStringList({"Autodetect", "simport"}));
    }

    void accept_and_restore_defaults()
    {
        store("Autodetect", 2, 10, "88aa", "10c4");
        page_under_test p;
        p.page.update_preferences();
        QCOMPARE(p.list()->currentIndex(), 0);
        p.list()->setCurrentIndex(1);
        p.get<QSpinBox>("update_interval")->setValue(7);
        p.get<QSpinBox>("busy_interval")->setValue(45);
        p.get<QLineEdit>("pid")->setText("ea60");
        p.get<QLineEdit>("vid")->setText("10c5");
        p.page.accept();
        QCOMPARE(settings().dev(), QString("simport"));
        QCOMPARE(settings().updatetime(), 7);
        QCOMPARE(settings().busytime(), 45);
        QCOMPARE(settings().pid(), QString("ea60"));
        QCOMPARE(settings().vid(), QString("10c5"));

        settings().set_profile(6469);
        p.changes.clear();
        p.page.reset_defaults();
        QCOMPARE(settings().dev(), QString());
        QCOMPARE(int(settings().profile()), 0);
        QCOMPARE(settings().updatetime(), 2);
        QCOMPARE(settings().busytime(), 10);
        QCOMPARE(settings().pid(), QString("ea60"));
        QCOMPARE(settings().vid(), QString("10c5"));
        QCOMPARE(p.list()->currentIndex(), -1);
        QCOMPARE(p.get<QSpinBox>("update_interval")->value(), 2);
        QCOMPARE(p.get<QSpinBox>("busy_interval")->value(), 10);
        QCOMPARE(p.changes.count(), 0);

        // Cancel throws the edits away.
        p.get<QSpinBox>("update_interval")->setValue(9);
        p.page.reject();
        QCOMPARE(p.get<QSpinBox>("update_interval")->value(), 2);

        // A stored time beyond the boxes' range is shown and stored clamped.
        store("simport", 30, 99);
        p.page.update_preferences();
        QCOMPARE(p.get<QSpinBox>("update_interval")->value(), 10);
        p.page.accept();
        QCOMPARE(settings().updatetime(), 10);
        QCOMPARE(settings().busytime(), 60);
    }

    void stored_device_kept_when_not_listed()
    {
        store("ttyUSB9", 2, 10);
        page_under_test p;
        p.page.update_preferences();
        QCOMPARE(p.list()->currentIndex(), -1);
        QCOMPARE(p.list()->currentText(), QString());
        QVERIFY(!p.get<QLineEdit>("pid")->isEnabled());
        p.get<QSpinBox>("update_interval")->setValue(4);
        p.page.accept();
        QCOMPARE(settings().dev(), QString("ttyUSB9"));
        QCOMPARE(settings().updatetime(), 4);
    }

    void check_reports_the_driver()
    {
        store("simport", 2, 10);
        page_under_test p;
        p.page.update_preferences();
        test_support::modal_answerer boxes;
        p.click("port_check");
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QString("Device finded"));
        QCOMPARE(boxes.boxes()[0].text, QString("Found device with HW: 3; FW: 17; Profile: 6469"));
        QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Information);
        QCOMPARE(boxes.boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(p.changes.count(), 0);
        QCOMPARE(settings().dev(), QString("simport"));
    }

    void check_failures()
    {
        store("simport", 2, 10);
        page_under_test p;
        p.page.update_preferences();
        test_support::modal_answerer boxes;

        sim_.set_identity(6469, 3, 17, true);
        p.click("port_check");
        sim_.set_identity(6469, 3, 17);
        // The port went away since the list was filled.
        list_ports({});
        p.click("port_check");
        // No current entry at all.
        p.list()->setCurrentIndex(-1);
        p.click("port_check");

        QCOMPARE(boxes.count(), 3);
        for (const auto& b : boxes.boxes()) {
            QCOMPARE(b.title, QString("Error when opening device"));
            QCOMPARE(b.icon, QMessageBox::Critical);
            QCOMPARE(b.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QCOMPARE(boxes.boxes()[0].text, QString("Error: Device checksum failed!"));
        QCOMPARE(boxes.boxes()[1].text, QString("Error: there is no such device"));
        QCOMPARE(boxes.boxes()[2].text, QString("Error: there is no such device"));
        QCOMPARE(settings().dev(), QString("simport"));
    }

    void check_autodetects_with_the_stored_identifiers()
    {
        list_ports({});
        test_support::bridge_descriptor(sim_); // lists the driver as bridge "simulated bridge", ea60/10c4
        store("Autodetect", 2, 10, "88aa", "10c4");
        page_under_test p;
        p.page.update_preferences();
        QCOMPARE(p.texts(), QStringList({"Autodetect", "USBXpress:0"}));
        QCOMPARE(p.types(), QList<int>({3, 2}));
        test_support::modal_answerer boxes;

        // Typed but not applied: the search still uses the stored "88aa".
        p.get<QLineEdit>("pid")->setText("ea60");
        p.click("port_check");
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].text, QString("Error: Can't autodetect device"));

        p.page.accept();
        p.click("port_check");
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.boxes()[1].text, QString("Found device with HW: 3; FW: 17; Profile: 6469"));
        QCOMPARE(bridge_control::open_devices(), 0u);
    }
};

VELMORA_TEST_MAIN(tst_device_prefs_form)
#include "tst_device_prefs_form.moc"
