#include "main_window.h"
#include "ui_main_window.h"

#include "output_text_edit.h"

#include "device/device.h"
#include "gui/graphic.h"
#include "services/settings.h"

#include "dorvane/syslog.h"

#include <QPalette>
#include <QTextEdit>

#include <boost/make_shared.hpp>

namespace {
cl::syslog::module ___syslog("main");
}

main_window::main_window(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), ui_(new Ui::main_window)
{
    ui_->setupUi(this);
}

main_window::~main_window() = default;
