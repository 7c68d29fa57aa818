// Preferences and About from a main window connected to the simulated
// driver.

#include "main_window_fixture.h"
#include "test_main.h"

#include "modbus/devices.h"
#include "services/settings.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include <functional>

namespace {

QPushButton* ok_of(QWidget* dialog)
{
    return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

} // namespace

class tst_main_window_boxes : public QObject {
    Q_OBJECT

    // Runs `f` on the next dialog that is no message box, through the
    // window's answerer.
    static void when_dialog(test_support::sim_window& w, std::function<void(QWidget*)> f)
    {
        w.boxes.set_handler([f](QDialog* d) {
            f(d);
            return true;
        });
    }

    // Preferences: the device page's update time set and applied with Ok.
    void set_update_time(test_support::sim_window& w, int seconds, bool* paused)
    {
        when_dialog(w, [seconds, paused](QWidget* d) {
            *paused = updater && !updater->isActive();
            d->findChild<QListWidget*>()->setCurrentRow(1);
            d->findChild<QSpinBox*>("update_interval")->setValue(seconds);
            ok_of(d)->click();
        });
        w.action("Options", "Preferences")->trigger();
    }

private slots:
    void init()
    {
        test_support::clear_settings();
        modbus::set_serial_port_source([] { return std::vector<modbus::serial_port>(); });
    }

    void cleanupTestCase() { modbus::set_serial_port_source({}); }

    void preferences_while_connected()
    {
        test_support::sim_window w;
        w.set_updatetime(2);
        QVERIFY(w.connect());
        QVERIFY(updater);
        QVERIFY(updater->isActive());
        QCOMPARE(updater->interval(), 2000);

        QString title;
        QStringList pages;
        bool paused = false;
        when_dialog(w, [&](QWidget* d) {
            title = d->windowTitle();
            auto* list = d->findChild<QListWidget*>();
            for (int i = 0; list && i < list->count(); ++i)
                pages << list->item(i)->text();
            paused = updater && !updater->isActive();
            d->close();
        });
        w.action("Options", "Preferences")->trigger();
        QCOMPARE(title, QString("Preferences"));
        QCOMPARE(pages, QStringList({"Application", "Device"}));
        QVERIFY(paused);
        QVERIFY(updater && updater->isActive());
        QCOMPARE(updater->interval(), 2000);

        paused = false;
        set_update_time(w, 5, &paused);
        QVERIFY(paused);
        QCOMPARE(settings().updatetime(), 5);
        QVERIFY(updater && updater->isActive());
        QCOMPARE(updater->interval(), 5000);
        // The device page kept the device it was opened with.
        QCOMPARE(settings().dev(), QString("Autodetect"));

        paused = false;
        set_update_time(w, 0, &paused);
        QVERIFY(paused);
        QVERIFY(updater);
        QVERIFY(!updater->isActive());
        QVERIFY(w.connected());
        QCOMPARE(w.boxes.count(), 3);
        for (const auto& shown : w.boxes.dialogs())
            QCOMPARE(shown.kind, QString("preferences_dialog"));
    }

    // Linux lets a second link open the port that the window holds: Check
    // reaches the connected driver while the dialog holds polling still.
    void check_while_connected()
    {
        test_support::sim_window w;
        w.set_updatetime(2);
        QVERIFY(w.connect());
        when_dialog(w, [](QWidget* d) {
            d->findChild<QListWidget*>()->setCurrentRow(1);
            // The window's answerer takes the box that this opens.
            d->findChild<QPushButton*>("port_check")->click();
            d->close();
        });
        w.action("Options", "Preferences")->trigger();
        QCOMPARE(w.boxes.count(), 2);
        QCOMPARE(w.boxes.dialogs()[1].kind, QString("QMessageBox"));
        QCOMPARE(w.boxes.dialogs()[1].text, QString("Found device with HW: 3; FW: 17; Profile: 6469"));
        QVERIFY(w.connected());
        QVERIFY(updater && updater->isActive());
        QCOMPARE(w.dev()->id(), 6469);
    }

    void preferences_while_disconnected()
    {
        test_support::sim_window w;
        QVERIFY(!updater);
        bool shown = false;
        when_dialog(w, [&](QWidget* d) {
            shown = true;
            d->close();
        });
        w.action("Options", "Preferences")->trigger();
        QVERIFY(shown);
        QVERIFY(!updater);
    }

    void about_shows_the_text()
    {
        QFile file(":/txt/about.txt");
        QVERIFY(file.open(QIODevice::ReadOnly));
        // What the resource holds is the images test's business; here, that
        // the box shows all of it, line by line.
        const QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n");
        QVERIFY(lines.size() > 10);

        test_support::sim_window w;
        QString title, shown;
        bool parentless = false;
        when_dialog(w, [&](QWidget* d) {
            title = d->windowTitle();
            parentless = d->parentWidget() == nullptr;
            shown = d->findChild<QTextEdit*>("text")->toPlainText();
            d->close();
        });
        w.action("About", "About")->trigger();
        QCOMPARE(title, QString("About"));
        QVERIFY(parentless);
        // Each CR LF is one line break of the document.
        QCOMPARE(shown.split('\n'), lines);
    }
};

VELMORA_TEST_MAIN(tst_main_window_boxes)
#include "tst_main_window_boxes.moc"
