// The program's entry. Everything else lives in the libraries, which the
// tests link as well; the standard-output log sink is set up here so that
// a test process doesn't write every line twice.

#include "application.h"
#include "crash_handler.h"
#include "load_profiles.h"
#include "main_window.h"
#include "supervisor.h"

#include "services/output_stream.h"

#include "dorvane/profile.h"
#include "dorvane/syslog.h"

#include <QMessageBox>
#include <QStringList>

#include <boost/make_shared.hpp>

#include <iostream>

namespace {

// Made before the logger below, which logs through it.
cl::syslog::module ___syslog __attribute__((init_priority(101)))("main");

void init_logger()
{
    cl::syslog::logman().level_set(cl::syslog::dbg);
    cl::syslog::logman().output_add(boost::make_shared<cl::syslog::output_stream>(std::cout));
    VLOG(cl::syslog::dbg) << "Syslog started";
}

// Runs before the static initialisation of every other unit of the program
// (self-tests and tables that may log), whatever the link order: the
// thread's announcement and "Syslog started" are the first lines on
// standard output.
struct logger_init {
    logger_init() { init_logger(); }
};
logger_init logger __attribute__((init_priority(101)));

// The GUI process: set up, load the plug-ins, register every profile and
// show the main window.
void start_gui(application& app)
{
    cl::syslog::logman().level_set(cl::syslog::info);
    init_application(&app);
    load_profiles();
    profiles::init_profiles();
    wnd = new main_window(nullptr, Qt::WindowFlags());
    wnd->setAttribute(Qt::WA_DeleteOnClose);
    wnd->show();
    cl::syslog::logman().level_set(cl::syslog::info);
}

} // namespace

int main(int argc, char* argv[])
{
    application app(argc, argv);
    // A GUI process whose supervisor is gone would otherwise die silently
    // at its next log line, and a supervisor whose output is gone likewise.
    ignore_sigpipe();
    install_crash_handler();

    const bool single = app.arguments().contains(QStringLiteral("--single"));
    // Without a log file the supervisor still runs the GUI process; the
    // failure is on standard output.
    if (!single)
        add_log_file(log_file_path());

    try {
        if (single)
            start_gui(app);
        else
            wrap_process(proc, app);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QObject::tr("Can't start application"), QString::fromLocal8Bit(e.what()),
                              QMessageBox::Ok);
        return -1;
    }

    try {
        return app.exec();
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "Unhandled exception:" << e.what();
        return -1;
    }
}
