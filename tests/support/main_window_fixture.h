#pragma once
// A real main window connected to the simulated driver (tools/sim), for the
// tests of the main window and of what hangs on it (scripts, maps, graphs,
// log window). Tests of src/ itself live in tests/app.
//
// What is here:
// - main_window_test_access: static functions that reach the window's
//   private members (device, plot, log window, Graph menu) and run its
//   private handlers (tick, script and map commands, init_graphics).
// - test_support::sim_window: starts a simulated 6469 driver, lists it as
//   the first USB bridge device under a product text that "Autodetect"
//   finds, stores devstring "Autodetect" and updatetime 0 (no automatic
//   polling: a test runs the tick itself), turns the link's 1 s pause
//   between attempts off, and builds a shown main_window. connect() clicks
//   Connect; dialogs are answered by its modal_answerer (Ok unless set).
// Link a test with LIBS velmora_sim.

#include "modal_answerer.h"

#include "main_window.h"

#include "device/device.h"
#include "gui/graphic.h"
#include "sim/sim_driver.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QTextEdit>

#include <memory>
#include <string>

class QTimer;

struct main_window_test_access {
    static std::shared_ptr<device> dev(main_window& w) { return w.device_; }
    static graphic* plot(main_window& w) { return w.graphic_.get(); }
    static QTextEdit* log(main_window& w) { return w.log_.data(); }
    static QMenu* graph_menu(main_window& w) { return w.graph_menu_; }
    // The tick as the timer runs it; false when there is no timer.
    static bool fire_timer();
    static void tick(main_window& w) { w.update_tick(); }
    static void run_script(main_window& w) { w.run_script_command(); }
    static void save_map(main_window& w) { w.save_map_command(); }
    static void init_graphics(main_window& w) { w.init_graphics(); }
    // The window makes no raw memory editor: this gives it one, with the
    // File entry it would have had from the start. The window owns it.
    static void give_memory_table(main_window& w, memory_table* editor);
};

namespace test_support {

class sim_window {
public:
    // The driver serves profile `id` (6469 with its scope's four graphs when
    // `scope` is set); nothing is connected yet.
    explicit sim_window(unsigned short id = 6469, bool scope = false);
    ~sim_window();
    sim_window(const sim_window&) = delete;
    sim_window& operator=(const sim_window&) = delete;

    sim::driver sim;
    modal_answerer boxes;
    std::unique_ptr<main_window> window;

    // Clicks Connect; true when the window is connected afterwards.
    bool connect();
    // Clicks Connect of a connected window.
    void disconnect();
    bool connected() const;

    std::shared_ptr<device> dev() { return main_window_test_access::dev(*window); }
    QPushButton* connect_button() const;
    QSpinBox* spin(const char* name) const;
    // The File, Options, Graph or About menu, and an entry of a menu.
    QMenu* menu(const QString& title) const;
    QAction* action(const QString& menu_title, const QString& text) const;
    // The page buttons of the control panel, in order.
    QList<QPushButton*> page_buttons() const;

    // Stores a setting for the next connection.
    static void set_devstring(const QString& dev);
    static void set_updatetime(int seconds);
};

} // namespace test_support
