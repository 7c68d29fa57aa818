// "Run script..." and "Save map...".

#include "main_window.h"

#include "device/device.h"
#include "device/map_file.h"
#include "services/widgets/boxes.h"

#include "dorvane/syslog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace {

cl::syslog::module ___syslog("main");

// The directory of the last saved map lives in the application's native
// store, not in the program's INI settings.
const char last_dir_key[] = "lastscript";

QString last_dir()
{
    return QSettings().value(QLatin1String(last_dir_key)).toString();
}

QString local(const char* text)
{
    return QString::fromLocal8Bit(text);
}

} // namespace

void main_window::run_script_command()
{
    // A failing tick may have disconnected since the entry was enabled, and
    // may do so while the dialog is open.
    const std::shared_ptr<device> dev = device_;
    if (!dev)
        return;
    const QPointer<main_window> self(this);
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Select script file"), last_dir(), tr("Scripts (*.sc *.txt)"));
    if (path.isEmpty() || let_go(self, dev))
        return;

    VLOG(cl::syslog::info) << "loading script file:" << QFile::encodeName(path).toStdString();
    try {
        // The whole file is parsed before the first register is written.
        const script s = script::parse(script::read_file(QFile::encodeName(path).toStdString()));
        dev->run_script(s);
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "running script failed:" << e.what();
        if (!self)
            return;
        invoke_msg(this, QMessageBox::Critical, tr("Ivalid script file"),
                   tr("Can't read script file '%1':\n%2").arg(path, local(e.what())), QMessageBox::Ok);
    }
}

void main_window::save_map_command()
{
    const std::shared_ptr<device> dev = device_;
    if (!dev)
        return;
    const QPointer<main_window> self(this);
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Select file to save"), last_dir(), tr("Scripts (*.txt)"));
    if (path.isEmpty())
        return;
    // Remembered before the read, so a failed read keeps the choice too.
    QSettings().setValue(QLatin1String(last_dir_key), QFileInfo(path).dir().absolutePath());
    if (let_go(self, dev))
        return;

    const profiles::mmap_template t = dev->profile().mmap;
    const QString range = QStringLiteral("%1-%2").arg(t.from).arg(t.until);
    script dump;
    try {
        dump = dev->read_memory(t.from, t.until);
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "error when reading memory map:" << e.what();
        if (!self)
            return;
        invoke_msg(this, QMessageBox::Critical, tr("Error when reading from device"),
                   tr("Can't read device memory '%1':\n%2").arg(range, local(e.what())), QMessageBox::Ok);
        return;
    }
    // The read let the tick run; once that has disconnected, no file is
    // written for the old device, and the user is told why (unless the
    // window went too).
    if (let_go(self, dev)) {
        VLOG(cl::syslog::err) << "error when reading memory map:" << "device disconnected";
        if (!self)
            return;
        invoke_msg(this, QMessageBox::Critical, tr("Error when reading from device"),
                   tr("Can't read device memory '%1':\n%2").arg(range, tr("device disconnected")), QMessageBox::Ok);
        return;
    }

    try {
        save_map_file(path, dump, t);
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "error when writing memory map:" << e.what();
        invoke_msg(this, QMessageBox::Critical, tr("Error when writing file"),
                   tr("Can't write memory map file '%1':\n%2").arg(path, local(e.what())), QMessageBox::Ok);
    }
}
