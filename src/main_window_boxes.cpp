// Preferences and About boxes.

#include "main_window.h"
#include "ui_about.h"

#include "preferences/device_prefs_form.h"
#include "preferences/main_prefs_form.h"
#include "preferences/preferences_dialog.h"
#include "services/settings.h"

#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QTimer>

void main_window::preferences_command()
{
    preferences_dialog dialog(preferences_dialog::auto_type, true, this, Qt::WindowFlags());
    dialog.setWindowTitle(tr("Preferences"));
    dialog.setWindowIcon(QIcon(QStringLiteral("icons:configure.png")));
    dialog.add_item(new main_prefs_form(nullptr), preferences_item());
    dialog.add_item(new device_prefs_form(nullptr), preferences_item());

    // No polling while the user may change how it is done (the device page's
    // Check may even talk to the same driver).
    if (updater)
        updater->stop();
    dialog.exec();
    // The guarded pointer reads null if the device went away meanwhile.
    if (updater) {
        updater->stop();
        if (const int interval = update_interval(settings().updatetime()))
            updater->start(interval);
    }
}

void main_window::about_command()
{
    QDialog box(nullptr, Qt::WindowFlags());
    Ui_about form;
    form.setupUi(&box);
    // Read whole through QFile: the text is 8-bit and may hold bytes that a
    // UTF-8 decoding would garble.
    QFile text(QStringLiteral(":txt/about.txt"));
    if (text.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = text.readAll();
        form.text->setPlainText(QString::fromLatin1(bytes.constData(), bytes.size()));
    }
    box.exec();
}
