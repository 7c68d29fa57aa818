#include "test_main.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include <cstdlib>
#include <string>

namespace test_support {

void isolate_settings(const char* test_name)
{
    std::string home;
    if (const char* given = std::getenv("VELMORA_TEST_HOME"))
        home = given;
    else
        home = QDir::tempPath().toStdString() + "/velmora-test-" + test_name;
    QDir().mkpath(QString::fromStdString(home + "/.config"));
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void clear_settings()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
              QCoreApplication::applicationName())
        .clear();
}

} // namespace test_support
