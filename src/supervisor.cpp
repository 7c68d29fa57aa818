#include "supervisor.h"

#include "application.h"

#include "dorvane/syslog.h"
#include "services/output_file.h"
#include "services/tools.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <boost/make_shared.hpp>

#include <iostream>

namespace {
cl::syslog::module ___syslog("main");

// One chunk of the child's standard output or standard error becomes one
// message. The child writes its log in the local 8-bit encoding already,
// so the bytes pass unchanged.
void relay_channel(QProcess* child, QProcess::ProcessChannel channel, cl::syslog::level_t level)
{
    // Left unread, the data waits in the process object's buffer.
    if (!cl::syslog::logman().level_check(level))
        return;
    QByteArray chunk =
        (channel == QProcess::StandardOutput ? child->readAllStandardOutput() : child->readAllStandardError())
            .trimmed();
    const int nul = chunk.indexOf('\0');
    if (nul >= 0)
        chunk.truncate(nul);
    VLOG(level) << std::string(chunk.constData(), static_cast<std::size_t>(chunk.size()));
}

void shutdown(QProcess*& proc, QProcess* child, int code)
{
    child->disconnect();
    child->terminate();
    QTimer::singleShot(3000, child, SLOT(kill()));
    QTimer::singleShot(3001, child, SLOT(deleteLater()));
    proc = nullptr;
    VLOG(cl::syslog::dbg) << "finishing wrapper...";
    // Posted, not called: a child that can't be started fails inside
    // start(), before the event loop runs, and exit() outside a running
    // loop does nothing (the supervisor would wait for good).
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

} // namespace

QProcess* proc = nullptr;

std::string log_file_path()
{
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    return QFile::encodeName(home + QStringLiteral("/velmora.log")).toStdString();
}

bool add_log_file(const std::string& path)
{
    try {
        cl::syslog::logman().output_add(boost::make_shared<cl::syslog::output_file>(path, false));
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << e.what();
        return false;
    }
    VLOG(cl::syslog::dbg) << "Syslog file registered: " << path;
    return true;
}

void wrap_process(QProcess*& proc, QCoreApplication& app)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WRAPPED"));
    QStringList args = app.arguments().mid(1);
    args.prepend(QStringLiteral("--single"));
    const QString program = QCoreApplication::applicationFilePath();

    proc = new QProcess(&app);
    // The relays are children of the process object: it outlives them.
    // What they raise is handled here as the application object would
    // (this process has no window), not unwound through QProcess.
    QProcess* child = proc;
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::SeparateChannels);

    tools::connect(child, SIGNAL(errorOccurred(QProcess::ProcessError)), [&proc, child] {
        guarded(nullptr, [&] {
            VLOG(cl::syslog::dbg) << "wrapper: program error:" << static_cast<int>(child->error());
            shutdown(proc, child, -1);
        });
    });
    tools::connect(child, SIGNAL(finished(int, QProcess::ExitStatus)), [&proc, child] {
        guarded(nullptr, [&] {
            const int code = child->exitCode();
            if (child->exitStatus() == QProcess::CrashExit)
                VLOG(cl::syslog::dbg) << "wrapper: program crashed:" << code;
            else
                VLOG(cl::syslog::dbg) << "wrapper: program finished:" << code;
            shutdown(proc, child, code);
        });
    });
    tools::connect(child, SIGNAL(readyReadStandardError()), [child] {
        guarded(nullptr, [&] { relay_channel(child, QProcess::StandardError, cl::syslog::err); });
    });
    tools::connect(child, SIGNAL(readyReadStandardOutput()), [child] {
        guarded(nullptr, [&] { relay_channel(child, QProcess::StandardOutput, cl::syslog::dbg); });
    });
    tools::connect(child, SIGNAL(started()),
                   [] { guarded(nullptr, [] { VLOG(cl::syslog::dbg) << "wrapper: program started"; }); });

    std::cout << std::endl;
    VLOG(cl::syslog::dbg) << "starting wrapped program";
    VLOG(cl::syslog::dbg) << (program + QLatin1Char(' ') + args.join(QLatin1Char(' '))).toLocal8Bit().constData();
    child->start(program, args, QIODevice::ReadWrite);
}
