// The main window against the simulated driver: connecting and its
// failures, the panels, the update tick and its boxes, and the window's
// own life.

#include "main_window_fixture.h"
#include "recording_output.h"
#include "test_main.h"

#include "services/i18n.h"
#include "services/settings.h"

#include <QFile>
#include <QFrame>
#include <QLayout>
#include <QMenuBar>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <climits>

using test_support::sim_window;

namespace {

int layout_items(main_window& w, const char* frame)
{
    QLayout* l = w.findChild<QFrame*>(frame)->layout();
    return l ? l->count() : 0;
}

QScrollArea* shown_page(main_window& w)
{
    return w.findChild<QFrame*>("page_panel")->findChild<QScrollArea*>();
}

bool starts_with(const std::vector<std::string>& texts, const std::string& prefix)
{
    for (const auto& t : texts)
        if (t.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

} // namespace

class tst_main_window : public QObject {
    Q_OBJECT

    test_support::recording_output* log_ = nullptr;

    // The disconnected state, whatever led to it.
    void verify_disconnected(sim_window& w)
    {
        QVERIFY(!w.connected());
        QVERIFY(!w.connect_button()->isChecked());
        QVERIFY(w.connect_button()->isEnabled());
        for (const char* name : {"hw", "fw", "profile"}) {
            QCOMPARE(w.spin(name)->value(), 0);
            QVERIFY(!w.spin(name)->isEnabled());
        }
        QVERIFY(w.window->findChild<QWidget*>("devinfo")->isHidden());
        QCOMPARE(layout_items(*w.window, "static_panel"), 0);
        QCOMPARE(layout_items(*w.window, "page_panel"), 0);
        QCOMPARE(layout_items(*w.window, "control_panel"), 0);
        QVERIFY(!w.action("File", "Run script...")->isEnabled());
        QVERIFY(!w.action("File", "Save map...")->isEnabled());
        QVERIFY(!w.menu("Graph")->isEnabled());
        QVERIFY(w.menu("Graph")->actions().isEmpty());
        QVERIFY(updater.isNull());
    }

private slots:
    void initTestCase()
    {
        log_ = &test_support::log_recorder();
        profiles::init_profiles();
    }

    void init()
    {
        log_->clear();
        settings s;
        s.set_geometry(QByteArray());
        s.set_state(QByteArray());
        s.set_busytime(10);
    }

    void initial_state()
    {
        sim_window w;
        verify_disconnected(w);
        QStringList file;
        for (QAction* a : w.menu("File")->actions())
            file << a->text();
        QCOMPARE(file, QStringList({"Run script...", "Save map...", "Show log"}));
        QStringList menus;
        for (QAction* a : w.window->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, QStringList({"File", "Options", "Graph", "About"}));
        QVERIFY(w.action("About", "About Qt")->isEnabled());
        QVERIFY(w.window->findChild<QWidget*>("devinfo")->isHidden());
        QCOMPARE(w.window->size(), QSize(800, 600));
        QCOMPARE(w.window->windowTitle(), QString("Tarnwick Solvery Control"));
        QCOMPARE(main_window_test_access::plot(*w.window)->windowTitle(),
                 QString("Tarnwick Solvery Control - Graph"));
        QVERIFY(main_window_test_access::log(*w.window)->isHidden());
        const int release = log_->index_of("Release date: 2013/09/27");
        QVERIFY(release >= 0);
        QVERIFY(log_->index_of("device disconnected", release) > release);
        QCOMPARE(w.boxes.count(), 0);
    }

    // Connect through "Autodetect", then disconnect: nothing may keep the
    // device (and its port) alive once the window lets go of it.
    void connect_and_disconnect()
    {
        sim_window w;
        const profiles::profile& p = profiles::get_profile(6469);
        QVERIFY(w.connect());
        QCOMPARE(w.boxes.count(), 0);
        QVERIFY(w.connect_button()->isChecked());
        QCOMPARE(w.spin("hw")->value(), 3);
        QCOMPARE(w.spin("fw")->value(), 17);
        QCOMPARE(w.spin("profile")->value(), 6469);
        QVERIFY(w.spin("profile")->isEnabled());
        QVERIFY(!w.window->findChild<QWidget*>("devinfo")->isHidden());
        QVERIFY(log_->has("device connected hw:3 fw:17 profile:6469"));
        QVERIFY(w.action("File", "Run script...")->isEnabled());
        QVERIFY(w.action("File", "Save map...")->isEnabled());
        QVERIFY(w.menu("Graph")->isEnabled());

        QCOMPARE(layout_items(*w.window, "static_panel"), 1);
        QList<QPushButton*> pages = w.page_buttons();
        QCOMPARE(pages.size(), int(p.pages.size()));
        QVERIFY(pages[0]->isChecked());
        QCOMPARE(current_button.data(), pages[0]);
        QVERIFY(shown_page(*w.window) && shown_page(*w.window)->widget());
        QVERIFY(!updater.isNull());
        QCOMPARE(updater->parent(), static_cast<QObject*>(w.dev().get()));
        QVERIFY(!updater->isActive()); // updatetime 0

        std::weak_ptr<device> gone = w.dev();
        log_->clear();
        w.disconnect();
        verify_disconnected(w);
        QVERIFY(gone.expired());
        const int off = log_->index_of("device disconnected");
        QVERIFY(off >= 0);
        QVERIFY(log_->index_of("device destroyed", off) > off);

        // A second connection starts from the first page, with nothing
        // left of the first one.
        QVERIFY(w.connect());
        QCOMPARE(w.page_buttons().size(), int(p.pages.size()));
        QVERIFY(w.page_buttons()[0]->isChecked());
        QCOMPARE(w.window->findChild<QFrame*>("static_panel")->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    }

    void connect_failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no such device") << "nowhere" << "Can't connect to device 'nowhere':\nthere is no such device"
                                        << "Can't init modbus:\nthere is no such device";
        QTest::newRow("unknown profile")
            << "profile" << "Profile from this device not supported.\nDevice:(fw:17 hw:3 profile:4242)\n\nTry to download new version"
            << "Profile nto registered:";
        QTest::newRow("bad checksum") << "checksum" << "Can't init device 'Autodetect':\nDevice checksum failed!"
                                      << "Can't init device:\nDevice checksum failed!";
        QTest::newRow("silent driver") << "silent" << "Can't init device 'Autodetect':\n"
                                       << "Can't init device:\n";
    }

    void connect_failures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        QFETCH(QString, logged);
        sim_window w;
        if (fault == "nowhere")
            sim_window::set_devstring("nowhere");
        else if (fault == "profile")
            w.sim.set_identity(4242, 3, 17);
        else if (fault == "checksum")
            w.sim.set_identity(6469, 3, 17, true);
        else
            w.sim.set_silent(true);

        QVERIFY(!w.connect());
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Can't init device"));
        QCOMPARE(w.boxes.boxes()[0].icon, QMessageBox::Critical);
        QVERIFY2(w.boxes.boxes()[0].text.startsWith(text), qPrintable(w.boxes.boxes()[0].text));
        QVERIFY(starts_with(log_->texts("main"), logged.toStdString()));
        verify_disconnected(w);
        // A device made before the failure is gone with it.
        if (fault == "profile")
            QVERIFY(log_->has("device destroyed"));
    }

    void graph_menu_follows_the_profile()
    {
        sim_window w(6758);
        QVERIFY(w.connect());
        QVERIFY(w.action("File", "Run script...")->isEnabled());
        QVERIFY(!w.menu("Graph")->isEnabled());
    }

    // Page values come from the link's copy: switching sends nothing, and
    // the page already shown is not rebuilt.
    void page_switch_sends_nothing()
    {
        sim_window w;
        QVERIFY(w.connect());
        QList<QPushButton*> pages = w.page_buttons();
        QVERIFY(pages.size() >= 2);
        QPointer<QScrollArea> first = shown_page(*w.window);
        w.sim.reset_counts();

        pages[1]->click();
        QCOMPARE(w.sim.requests(), 0u);
        QVERIFY(first.isNull());
        QVERIFY(pages[1]->isChecked() && !pages[0]->isChecked());
        QPointer<QScrollArea> second = shown_page(*w.window);
        QVERIFY(second && second->widget()->findChildren<QWidget*>().size() > 0);

        pages[1]->click();
        QCOMPARE(shown_page(*w.window), second.data());
        QCOMPARE(w.sim.requests(), 0u);
        QCOMPARE(w.boxes.count(), 0);
    }

    // A profile without pages: only the stretch in the control panel, an
    // empty page panel, and still a working connection.
    void profile_without_pages()
    {
        profiles::profile p = profiles::get_profile(6758);
        p.id = 7001;
        p.pages.clear();
        profiles::register_profile(p);
        sim_window w(7001);
        QVERIFY(w.connect());
        QCOMPARE(layout_items(*w.window, "control_panel"), 1);
        QVERIFY(w.page_buttons().isEmpty());
        QCOMPARE(layout_items(*w.window, "page_panel"), 0);
        QCOMPARE(layout_items(*w.window, "static_panel"), 1);
        QCOMPARE(w.boxes.count(), 0);
    }

    // The application object frees the device while a page handler waits
    // in a box of its panel: the handler's button, the panels and the
    // device go, and the handler returns without touching any of them.
    void disconnect_while_a_page_waits_in_a_box()
    {
        profiles::profile p = profiles::get_profile(6758);
        p.id = 7002;
        auto second = std::next(p.pages.begin());
        profiles::item broken = second->second.front();
        // No control for this kind (and within the enum's range of values).
        broken.gui = static_cast<profiles::item_gui>(7);
        second->second.insert(second->second.begin(), broken);
        profiles::register_profile(p);
        sim_window w(7002);
        QVERIFY(w.connect());
        std::weak_ptr<device> gone = w.dev();
        w.boxes.set_hold(true);
        QTimer::singleShot(200, [&] {
            w.window->free_device();
            w.boxes.set_hold(false);
        });
        w.page_buttons()[1]->click();
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Can't create element"));
        verify_disconnected(w);
        QVERIFY(gone.expired());
    }

    // The application object frees the device from an event that runs
    // between the requests of the initial read: the build-up stops there.
    void disconnect_during_the_initial_read()
    {
        sim_window w;
        bool freed = false;
        QTimer::singleShot(0, [&] {
            w.window->free_device();
            freed = true;
        });
        QVERIFY(!w.connect());
        QVERIFY(freed);
        QVERIFY(!log_->has("Exception: initial optimized read failed:"));
        verify_disconnected(w);
        QVERIFY(log_->has("device destroyed"));
        QCOMPARE(w.boxes.count(), 0);
    }

    // The window is deleted (as closing does) from an event that runs
    // between the requests of its own handler: Connect's identity read, its
    // initial read, Save map's memory read. Nothing may touch the window
    // afterwards, and the handler's device goes with it.
    void deleted_inside_its_own_read_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::newRow("identity read") << "identity";
        QTest::newRow("initial read") << "initial";
        QTest::newRow("map read") << "map";
    }
    void deleted_inside_its_own_read()
    {
        QFETCH(QString, moment);
        sim_window w;
        QTemporaryDir dir;
        const QString path = dir.filePath("map.txt");
        if (moment == "map") {
            QVERIFY(w.connect());
            w.boxes.set_file(path);
        }
        const unsigned reads_before = w.sim.requests(3);
        std::weak_ptr<device> held;
        QTimer killer;
        killer.setInterval(0);
        QObject::connect(&killer, &QTimer::timeout, [&] {
            // Connect's device is the window's only once the identity read is
            // done; the map's read begins once its file dialog is answered.
            if ((moment == "initial" && !w.dev()) || (moment == "map" && w.sim.requests(3) == reads_before))
                return;
            killer.stop();
            held = w.dev();
            w.window.reset();
        });
        killer.start();
        if (moment == "map")
            w.action("File", "Save map...")->trigger();
        else
            w.connect_button()->click();

        QVERIFY(!killer.isActive());
        QVERIFY(!w.window);
        QVERIFY(held.expired());
        QVERIFY(updater.isNull());
        QVERIFY(log_->has("device destroyed"));
        QVERIFY(!QFile::exists(path));
        for (const auto& shown : w.boxes.dialogs())
            QCOMPARE(shown.kind, QString("QFileDialog"));
    }

    void tick_polls_the_driver()
    {
        sim_window w;
        QVERIFY(w.connect());
        w.sim.reset_counts();
        QVERIFY(main_window_test_access::fire_timer());
        QVERIFY(w.sim.requests(3) > 0);
        QVERIFY(w.connected());
        QCOMPARE(w.boxes.count(), 0);
    }

    void tick_busy_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Ignore") << int(QMessageBox::Ignore);
        QTest::newRow("Close") << int(QMessageBox::Close);
    }

    // A driver busy past busytime: one question; Close disconnects from
    // inside the timer's own handler.
    void tick_busy()
    {
        QFETCH(int, answer);
        settings().set_busytime(0);
        sim_window w;
        QVERIFY(w.connect());
        w.boxes.set_answer(QMessageBox::StandardButton(answer));
        w.sim.busy_next(1000);
        QVERIFY(main_window_test_access::fire_timer()); // the grace period starts
        QCOMPARE(w.boxes.count(), 0);
        QVERIFY(main_window_test_access::fire_timer());
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device timeout"));
        QCOMPARE(w.boxes.boxes()[0].text, QString("Device is busy. Close device?"));
        QCOMPARE(w.boxes.boxes()[0].buttons, QMessageBox::Ignore | QMessageBox::Close);
        QVERIFY(log_->has("===>  Main profile update finished by exception!"));
        if (answer == QMessageBox::Ignore) {
            QVERIFY(w.connected());
            QVERIFY(!updater.isNull());
        } else {
            verify_disconnected(w);
            QVERIFY(log_->has("device destroyed"));
        }
    }

    void tick_error_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("exception answer") << false;
        QTest::newRow("no answer") << true;
    }

    // Any other failure: "Device error", then disconnected. A tick while
    // that box is open neither logs nor talks to the driver.
    void tick_error()
    {
        QFETCH(bool, silent);
        sim_window w;
        QVERIFY(w.connect());
        if (silent)
            w.sim.set_silent(true);
        else
            w.sim.exception_range(0, 0x10000, 4);
        w.boxes.set_hold(true);
        unsigned before = 0, after = 0;
        std::size_t lines_before = 0, lines_after = 0;
        QTimer::singleShot(300, [&] {
            before = w.sim.requests();
            lines_before = log_->entries.size();
            main_window_test_access::fire_timer();
            after = w.sim.requests();
            lines_after = log_->entries.size();
            w.boxes.set_hold(false);
        });
        QVERIFY(main_window_test_access::fire_timer());
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device error"));
        QCOMPARE(w.boxes.boxes()[0].text, QString("Device connection error. Connection closed."));
        QCOMPARE(after, before);
        QCOMPARE(lines_after, lines_before);
        QVERIFY(log_->has("===>  Main profile update finished by exception!"));
        QVERIFY(starts_with(log_->texts("main"), "Exception: can't update profile:"));
        verify_disconnected(w);
        QVERIFY(log_->has("device destroyed"));
    }

    // The busy question doesn't pause polling: a nested busy tick adds no
    // box, a nested failure of another kind disconnects from under the
    // open question (deleting the timer whose handler is still running),
    // and the late answer finds the window disconnected.
    void nested_ticks_under_the_busy_question()
    {
        settings().set_busytime(0);
        sim_window w;
        QVERIFY(w.connect());
        std::weak_ptr<device> gone = w.dev();
        w.sim.busy_next(1000);
        QVERIFY(main_window_test_access::fire_timer()); // the grace period starts
        w.boxes.set_hold(true);
        int boxes_after_busy_tick = -1;
        QTimer::singleShot(200, [&] {
            main_window_test_access::fire_timer();
            boxes_after_busy_tick = w.boxes.count();
            w.sim.clear_faults();
            w.sim.exception_range(0, 0x10000, 4);
            w.boxes.set_hold(false);
            main_window_test_access::fire_timer();
        });
        QVERIFY(main_window_test_access::fire_timer());
        QCOMPARE(boxes_after_busy_tick, 1);
        QCOMPARE(w.boxes.count(), 2);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device timeout"));
        QCOMPARE(w.boxes.boxes()[1].title, QString("Device error"));
        verify_disconnected(w);
        QVERIFY(gone.expired());
    }

    void update_interval_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("interval");
        QTest::newRow("2 s") << 2 << 2000;
        QTest::newRow("beyond an int in ms") << 3000000 << INT_MAX;
    }

    void update_interval()
    {
        QFETCH(int, seconds);
        QFETCH(int, interval);
        sim_window w;
        sim_window::set_updatetime(seconds);
        QVERIFY(w.connect());
        QVERIFY(updater->isActive());
        QCOMPARE(updater->interval(), interval);
    }

    // Closing deletes the window (as the program sets it up), and the log
    // and graph windows go with it, also when shown.
    void closing_deletes_the_windows()
    {
        QPointer<main_window> w = new main_window(nullptr, Qt::WindowFlags());
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        QPointer<QTextEdit> log = main_window_test_access::log(*w);
        QPointer<QWidget> plot = main_window_test_access::plot(*w);
        log->show();
        plot->show();
        QVERIFY(w->close());
        QTRY_VERIFY(w.isNull());
        QVERIFY(plot.isNull());
        QTRY_VERIFY(log.isNull());
    }

    // Menu titles and the translated entries follow the language; the
    // File entries don't.
    void translated_menus()
    {
        std::shared_ptr<QTranslator> ru = local_translator("ru", {VELMORA_TRANSLATIONS_DIR});
        QVERIFY(!ru->isEmpty());
        QCoreApplication::installTranslator(ru.get());
        sim_window w;
        QCoreApplication::removeTranslator(ru.get());
        QStringList menus;
        for (QAction* a : w.window->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, QStringList({"Файл", "Настройки", "График", "О программе"}));
        QVERIFY(w.action("О программе", "О Qt"));
        QVERIFY(w.action("Файл", "Run script...") && w.action("Файл", "Save map...") && w.action("Файл", "Show log"));
        QCOMPARE(main_window_test_access::plot(*w.window)->windowTitle(), QString("Управление Tarnwick Solvery - График"));
    }

    // The window goes with its device, and keeps its geometry and state
    // for the next start.
    void destroyed_while_connected()
    {
        sim_window w;
        QVERIFY(w.connect());
        std::weak_ptr<device> gone = w.dev();
        w.window.reset();
        QVERIFY(gone.expired());
        QVERIFY(updater.isNull());
        QVERIFY(log_->has("device destroyed"));
        QVERIFY(!settings().geometry().isEmpty());
        QVERIFY(!settings().state().isEmpty());
    }
};

VELMORA_TEST_MAIN(tst_main_window)
#include "tst_main_window.moc"
