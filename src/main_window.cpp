#include "main_window.h"
#include "ui_main_window.h"

#include "output_text_edit.h"

#include "device/device.h"
#include "gui/graphic.h"
#include "services/settings.h"

#include "dorvane/syslog.h"

#include <QPalette>
#include <QTextEdit>
#include <QTimer>

#include <boost/make_shared.hpp>

namespace {
cl::syslog::module ___syslog("main");
}

QPointer<QTimer> updater;
QPointer<QPushButton> current_button;

main_window::main_window(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), ui_(new Ui::main_window)
{
    ui_->setupUi(this);

    log_ = new QTextEdit;
    log_->setWindowTitle(tr("Log"));
    log_->resize(700, 300);
    log_->hide();
    cl::syslog::logman().output_add(boost::make_shared<output_text_edit>(log_.data()));

    // The identity is shown, never edited: the same background whether the
    // boxes are enabled or not.
    QPalette identity = ui_->hw->palette();
    identity.setBrush(QPalette::Base, QBrush(identity.color(QPalette::Disabled, QPalette::Base)));
    ui_->hw->setPalette(identity);
    ui_->fw->setPalette(identity);
    ui_->profile->setPalette(identity);

    connect(this, SIGNAL(destroyed(QObject*)), log_.data(), SLOT(deleteLater()));

    VLOG(cl::syslog::info) << "Release date: " << "2013/09/27";
    VLOG(cl::syslog::info) << "Release gitrev: " << "bd449dc";
    VLOG(cl::syslog::info) << "Release gitdate: " << "2013-09-26 20:50:51 +0400";

    init_ui();
    do_disconnected();

    graphic_.reset(new graphic);
    graphic_->setTitle(tr("Graph"));
    graphic_->setWindowTitle(windowTitle() + " - " + graphic_->title().text());
    graphic_->resize(600, 400);
    graphic_->hide();

    restoreGeometry(settings().geometry());
    restoreState(settings().state(), 0);
}

bool main_window::let_go(const QPointer<main_window>& self, const std::shared_ptr<device>& dev)
{
    return !self || self->device_ != dev;
}

main_window::~main_window()
{
    // A destructor that throws ends the process: the window goes quietly.
    try {
        settings().set_geometry(saveGeometry());
        settings().set_state(saveState(0));
        init_device(false);
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "Exception: main window closed with:" << e.what();
    } catch (...) {
        VLOG(cl::syslog::err) << "Unknown Exception";
    }
}
