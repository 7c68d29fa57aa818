#include "main_window.h"

#include "application.h"

#include "device/device.h"
#include "modbus/errors.h"
#include "services/tools.h"
#include "services/widgets/boxes.h"

#include "dorvane/syslog.h"

#include <QMessageBox>

namespace {

cl::syslog::module ___syslog("main");

// Set while the box of its kind (and the disconnect after it) is in
// progress, so that ticks from nested event loops don't stack boxes.
struct flag_set {
    bool& flag;
    explicit flag_set(bool& f) : flag(f) { flag = true; }
    ~flag_set() { flag = false; }
    flag_set(const flag_set&) = delete;
    flag_set& operator=(const flag_set&) = delete;
};

void log_failure(const std::exception& e)
{
    VLOG(cl::syslog::err) << "===>  Main profile update finished by exception!";
    VLOG(cl::syslog::err) << "Exception: can't update profile:" << e.what();
}

} // namespace

void main_window::update_tick()
{
    guarded(this, [this] {
        if (is_blocked())
            return;
        // Holds the device through the reads' event loops, whatever they
        // do to the window.
        std::shared_ptr<device> dev = device_;
        if (!dev)
            return;
        const QPointer<main_window> self(this);
        // Every failure but a busy driver: one box, then disconnected.
        auto close_connection = [this, &self](bool& error) {
            if (error)
                return;
            flag_set in_progress(error);
            invoke_msg(this, QMessageBox::Critical, tr("Device error"),
                       tr("Device connection error. Connection closed."), QMessageBox::Ok);
            if (self)
                do_disconnected();
        };
        try {
            VLOG(cl::syslog::dbg) << "===>  Start main profile update...";
            dev->update_profile(false);
            VLOG(cl::syslog::dbg) << "===>  Main profile update finished";
        } catch (const modbus::protocol_exception& e) {
            log_failure(e);
            // A failure of a device the window has already let go of is
            // no longer the user's concern.
            if (let_go(self, dev))
                return;
            if (e.code == modbus::protocol_exception::busy) {
                static bool error = false;
                if (error)
                    return;
                flag_set in_progress(error);
                auto answer = QMessageBox::warning(this, tr("Device timeout"), tr("Device is busy. Close device?"),
                                                   QMessageBox::Ignore | QMessageBox::Close);
                if (answer == QMessageBox::Close && self)
                    do_disconnected();
                return;
            }
            static bool error = false;
            close_connection(error);
        } catch (const std::exception& e) {
            log_failure(e);
            if (let_go(self, dev))
                return;
            static bool error = false;
            close_connection(error);
        }
    });
}
