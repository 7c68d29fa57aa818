// Preferences and About from a main window connected to the simulated
// driver.

#include "main_window.h"

#include "box_answerer.h"
#include "test_main.h"

#include "modbus/devices.h"
#include "modbus/modbus_device.h"
#include "services/settings.h"
#include "sim/sim_driver.h"

#include "dorvane/profile.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace {

QAction* menu_entry(main_window& w, const QString& text)
{
    for (QAction* menu : w.menuBar()->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == text)
                    return a;
    qFatal("no menu entry %s", qPrintable(text));
    return nullptr;
}

QPushButton* ok_of(QWidget* dialog)
{
    return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

} // namespace

class tst_main_window_boxes : public QObject {
    Q_OBJECT

    sim::driver sim_;

    // Runs `f` on the next modal dialog (not a message box) once it shows.
    void when_dialog(std::function<void(QWidget*)> f)
    {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, f] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d || qobject_cast<QMessageBox*>(d))
                return;
            poll->deleteLater();
            poll->stop();
            f(d);
        });
        poll->start(10);
    }

    void set_interval_on_device_page(main_window& w, int seconds, bool* paused)
    {
        when_dialog([seconds, paused](QWidget* d) {
            *paused = updater && !updater->isActive();
            auto* list = d->findChild<QListWidget*>();
            list->setCurrentRow(1);
            d->findChild<QSpinBox*>("update_interval")->setValue(seconds);
            ok_of(d)->click();
        });
        menu_entry(w, "Preferences")->trigger();
    }

private slots:
    void initTestCase()
    {
        profiles::init_profiles();
        sim_.set_wire_time(false);
        sim_.start();
        modbus::connection::modbus_device::set_pause([] {});
        const std::string tty = sim_.tty_path();
        modbus::set_serial_port_source([tty] { return std::vector<modbus::serial_port>{{"simport", tty}}; });
    }

    void cleanupTestCase()
    {
        modbus::set_serial_port_source({});
        modbus::connection::modbus_device::set_pause({});
        sim_.stop();
    }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                  QCoreApplication::applicationName())
            .clear();
    }

    void preferences_while_connected()
    {
        settings().set_dev("simport");
        main_window w;
        QTest::mouseClick(w.findChild<QPushButton*>("connect"), Qt::LeftButton);
        QVERIFY(updater);
        QVERIFY(updater->isActive());
        QCOMPARE(updater->interval(), 2000);

        QString title;
        QStringList pages;
        bool paused = false;
        when_dialog([&](QWidget* d) {
            title = d->windowTitle();
            auto* list = d->findChild<QListWidget*>();
            for (int i = 0; list && i < list->count(); ++i)
                pages << list->item(i)->text();
            paused = updater && !updater->isActive();
            d->close();
        });
        menu_entry(w, "Preferences")->trigger();
        QCOMPARE(title, QString("Preferences"));
        QCOMPARE(pages, QStringList({"Application", "Device"}));
        QVERIFY(paused);
        QVERIFY(updater && updater->isActive());
        QCOMPARE(updater->interval(), 2000);

        set_interval_on_device_page(w, 5, &paused);
        QVERIFY(paused);
        QCOMPARE(settings().updatetime(), 5);
        QVERIFY(updater && updater->isActive());
        QCOMPARE(updater->interval(), 5000);
        // The device page kept the device it was opened with.
        QCOMPARE(settings().dev(), QString("simport"));

        set_interval_on_device_page(w, 0, &paused);
        QVERIFY(paused);
        QVERIFY(updater);
        QVERIFY(!updater->isActive());
    }

    void preferences_while_disconnected()
    {
        main_window w;
        QVERIFY(!updater);
        bool shown = false;
        when_dialog([&](QWidget* d) {
            shown = true;
            d->close();
        });
        menu_entry(w, "Preferences")->trigger();
        QVERIFY(shown);
        QVERIFY(!updater);
    }

    void about_shows_the_text()
    {
        QFile file(":/txt/about.txt");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList lines = QString::fromLatin1(bytes).split("\r\n");
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines[0], QString("Tarnwick Solvery GUI 2.0"));
        QCOMPARE(lines[9], QString(" - libmodbus (GNU Lesser General Public License version 2.1) "));

        main_window w;
        QString title, shown;
        bool parentless = false;
        when_dialog([&](QWidget* d) {
            title = d->windowTitle();
            parentless = d->parentWidget() == nullptr;
            shown = d->findChild<QTextEdit*>("text")->toPlainText();
            d->close();
        });
        menu_entry(w, "About")->trigger();
        QCOMPARE(title, QString("About"));
        QVERIFY(parentless);
        // Each CR LF is one line break of the document.
        QCOMPARE(shown.split('\n'), lines);
    }
};

VELMORA_TEST_MAIN(tst_main_window_boxes)
#include "tst_main_window_boxes.moc"
