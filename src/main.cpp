// The program's entry. Everything else lives in the libraries, which the
// tests link as well; the standard-output log sink is set up here so that
// a test process doesn't write every line twice.

#include "application.h"
#include "load_profiles.h"
#include "main_window.h"

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

} // namespace

int main(int argc, char* argv[])
{
    application app(argc, argv);

    if (!app.arguments().contains(QStringLiteral("--single"))) {
        // The supervisor process: not part of this version.
        std::cerr << "velmora: the supervisor is not available yet; start the program with --single\n";
        return -1;
    }

    try {
        cl::syslog::logman().level_set(cl::syslog::info);
        init_application(&app);
        load_profiles();
        profiles::init_profiles();
        wnd = new main_window(nullptr, Qt::WindowFlags());
        wnd->setAttribute(Qt::WA_DeleteOnClose);
        wnd->show();
        cl::syslog::logman().level_set(cl::syslog::info);
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
