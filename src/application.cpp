#include "application.h"

#include "main_window.h"

#include "modbus/errors.h"
#include "services/i18n.h"
#include "services/tools.h"
#include "services/widgets/boxes.h"

#include "dorvane/syslog.h"

#include <QDir>
#include <QIcon>

namespace {
cl::syslog::module ___syslog("main");
}

QPointer<main_window> wnd;

application::application(int& argc, char** argv) : QApplication(argc, argv) {}

application::~application() = default;

bool application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        return report_escaped(std::current_exception(), wnd.data());
    }
}

bool report_escaped(std::exception_ptr error, main_window* window)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const modbus::protocol_exception& e) {
        if (e.code == modbus::protocol_exception::busy) {
            QMessageBox::warning(nullptr, QApplication::translate("QApplication", "Device is busy"),
                                 QApplication::translate("QApplication", "Device is busy: try again later"),
                                 QMessageBox::Ok);
            return true;
        }
        VLOG(cl::syslog::err) << "Exception:" << e.what();
        text = QString::fromLocal8Bit(e.what());
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "Exception:" << e.what();
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        VLOG(cl::syslog::err) << "Unknown Exception";
        text = QObject::tr("Unknown error: device closed");
    }
    if (window) {
        try {
            window->free_device();
        } catch (...) {
            // The box below tells the user; a failing release adds nothing.
        }
        invoke_msg(nullptr, QMessageBox::Critical, QObject::tr("Error"), text, QMessageBox::Ok);
    }
    return false;
}

void init_application(QApplication* app)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick Solvery"));
    QCoreApplication::setApplicationName(QStringLiteral("velmora"));
    QDir::addSearchPath(QStringLiteral("icons"), QStringLiteral(":icons/images/"));
    app->setWindowIcon(QIcon(QStringLiteral("icons:engine.png")));
    load_translations(app);
}
