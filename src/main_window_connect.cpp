#include "main_window.h"
#include "ui_main_window.h"

#include "application.h"
#include "clear_layout.h"

#include "device/device.h"
#include "modbus/connection.h"
#include "modbus/devices.h"
#include "services/local8.h"
#include "services/settings.h"
#include "services/tools.h"
#include "services/widgets/boxes.h"

#include "dorvane/profile.h"
#include "dorvane/syslog.h"

#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

cl::syslog::module ___syslog("main");

// Keeps the Connect button disabled for the whole of init_device, on every
// way out.
struct button_disabled {
    QPointer<QWidget> button;
    explicit button_disabled(QWidget* b) : button(b) { button->setEnabled(false); }
    ~button_disabled()
    {
        if (button)
            button->setEnabled(true);
    }
    button_disabled(const button_disabled&) = delete;
    button_disabled& operator=(const button_disabled&) = delete;
};

} // namespace

int update_interval(int seconds)
{
    if (seconds <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(seconds * 1000LL, INT_MAX));
}

void main_window::init_device(bool b)
{
    guarded(this, [this, b] {
        button_disabled busy(ui_->connect);
        if (!b) {
            do_disconnected();
            device_.reset();
            return;
        }

        // The identity and initial reads let events run, and one of them
        // may delete the window (closing it does).
        const QPointer<main_window> self(this);
        modbus::connection_p link;
        try {
            // The device page lists and stores identity texts in the local 8-bit encoding.
            const std::string dev = local8(settings().dev());
            link = std::make_shared<modbus::connection>(modbus::device(dev), 3);
        } catch (const std::exception& e) {
            VLOG(cl::syslog::err) << "Can't init modbus:\n" << e.what();
            QMessageBox::critical(this, tr("Can't init device"),
                                  tr("Can't connect to device '%1':\n%2")
                                      .arg(settings().dev(), QString::fromLocal8Bit(e.what())),
                                  QMessageBox::Ok, QMessageBox::NoButton);
            do_disconnected();
            return;
        }

        try {
            auto dev = std::make_shared<device>(link);
            if (!self)
                return;
            device_ = dev;
            if (!profiles::is_registered(device_->id())) {
                VLOG(cl::syslog::err) << "Profile nto registered:";
                QMessageBox::critical(this, tr("Can't init device"),
                                      tr("Profile from this device not supported.\nDevice:(fw:%1 hw:%2 "
                                         "profile:%3)\n\nTry to download new version")
                                          .arg(device_->fw())
                                          .arg(device_->hw())
                                          .arg(device_->id()),
                                      QMessageBox::Ok, QMessageBox::NoButton);
                do_disconnected();
                return;
            }
            device_->set_profile(profiles::get_profile(device_->id()));
        } catch (const std::exception& e) {
            VLOG(cl::syslog::err) << "Can't init device:\n" << e.what();
            if (!self)
                return;
            QMessageBox::critical(this, tr("Can't init device"),
                                  tr("Can't init device '%1':\n%2")
                                      .arg(settings().dev(), QString::fromLocal8Bit(e.what())),
                                  QMessageBox::Ok, QMessageBox::NoButton);
            do_disconnected();
            return;
        }
        link.reset();

        do_connected();
    });
}

void main_window::free_device()
{
    do_disconnected();
    device_.reset();
}

void main_window::do_connected()
{
    VLOG(cl::syslog::info) << "device connected hw:" << device_->hw() << " fw:" << device_->fw()
                           << " profile:" << device_->id();
    ui_->hw->setValue(device_->hw());
    ui_->fw->setValue(device_->fw());
    ui_->profile->setValue(device_->id());
    ui_->hw->setEnabled(true);
    ui_->fw->setEnabled(true);
    ui_->profile->setEnabled(true);
    ui_->devinfo->show();

    // The read below lets events run between its requests, and the panels'
    // boxes run event loops: in either the window may let go of the device,
    // or be deleted.
    std::shared_ptr<device> dev = device_;
    const QPointer<main_window> self(this);

    // Fills the link's copy of the driver's memory, from which a page's
    // first values come without traffic.
    try {
        const profiles::profile& p = dev->profile();
        std::vector<profiles::item> all(p.static_map);
        for (const auto& page : p.pages)
            all.insert(all.end(), page.second.begin(), page.second.end());
        dev->optimized_read(all, false);
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "Exception: initial optimized read failed:" << e.what();
    }
    if (let_go(self, dev))
        return;

    init_graphics();
    if (let_go(self, dev))
        return;
    init_static_panel();
    if (let_go(self, dev))
        return;
    init_control_panel();
    if (let_go(self, dev))
        return;
    attach_memory_table();

    updater = new QTimer(dev.get());
    tools::connect(updater, SIGNAL(timeout()), [this] { update_tick(); });
    if (int interval = update_interval(settings().updatetime()))
        updater->start(interval);

    emit connected(true);
}

void main_window::do_disconnected()
{
    VLOG(cl::syslog::info) << "device disconnected";
    if (updater)
        updater->stop();
    detach_memory_table();
    graph_menu_->clear();
    ui_->connect->setChecked(false);
    clear_layout(ui_->static_panel->layout());
    clear_layout(ui_->page_panel->layout());
    clear_layout(ui_->control_panel->layout());
    ui_->hw->setValue(0);
    ui_->fw->setValue(0);
    ui_->profile->setValue(0);
    ui_->hw->setEnabled(false);
    ui_->fw->setEnabled(false);
    ui_->profile->setEnabled(false);
    ui_->devinfo->hide();
    emit connected(false);
    // The tick, a page button or a box of theirs may be running this; their
    // relays survive the deletion of their sender, and they use only their
    // locals afterwards.
    delete updater.data();
    device_.reset();
}
