#include "main_window_fixture.h"

#include "modbus/modbus_device.h"
#include "services/settings.h"
#include "sim/sim_profile.h"

#include <QFrame>
#include <QMenuBar>
#include <QTimer>

#include <cstdlib>

bool main_window_test_access::fire_timer()
{
    if (!updater)
        return false;
    return QMetaObject::invokeMethod(updater.data(), "timeout", Qt::DirectConnection);
}

namespace test_support {

sim_window::sim_window(unsigned short id, bool scope)
{
    profiles::init_profiles();
    sim.set_wire_time(false);
    if (id != 6469)
        sim.set_identity(id, 3, 17);
    if (scope)
        sim.set_scope(sim::graphs_6469(std::chrono::milliseconds(50)));
    sim.start();
    // The maker's words in the product text are what "Autodetect" looks for.
    ::setenv("VELMORA_BRIDGE_DEVICES", (sim.tty_path() + "|Tarnwick Solvery servo driver|ea60|10c4").c_str(), 1);
    modbus::connection::modbus_device::set_pause([] {});
    set_devstring("Autodetect");
    set_updatetime(0);
    window.reset(new main_window(nullptr, Qt::WindowFlags()));
    window->show();
}

sim_window::~sim_window()
{
    window.reset();
    modbus::connection::modbus_device::set_pause({});
    sim.stop();
}

bool sim_window::connect()
{
    connect_button()->click();
    return connected();
}

void sim_window::disconnect()
{
    connect_button()->click();
}

bool sim_window::connected() const
{
    return window && main_window_test_access::dev(*window) != nullptr;
}

QPushButton* sim_window::connect_button() const
{
    return window->findChild<QPushButton*>("connect");
}

QSpinBox* sim_window::spin(const char* name) const
{
    return window->findChild<QSpinBox*>(name);
}

QMenu* sim_window::menu(const QString& title) const
{
    for (QAction* a : window->menuBar()->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

QAction* sim_window::action(const QString& menu_title, const QString& text) const
{
    if (QMenu* m = menu(menu_title))
        for (QAction* a : m->actions())
            if (a->text() == text)
                return a;
    return nullptr;
}

QList<QPushButton*> sim_window::page_buttons() const
{
    auto* panel = window->findChild<QFrame*>("control_panel");
    return panel->findChildren<QPushButton*>();
}

void sim_window::set_devstring(const QString& dev)
{
    settings().set_dev(dev);
}

void sim_window::set_updatetime(int seconds)
{
    settings().set_updatetime(seconds);
}

} // namespace test_support
