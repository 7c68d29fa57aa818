// A profile plug-in that drives the GUI process it is loaded into, so that
// tests of the whole program need no hook in the program. Once the main
// window shows, it prints which test profiles reached the registry, then
// does what VELMORA_TEST_DRIVE says: "fault" writes through a null pointer,
// "kill" ends the process with SIGKILL, anything else closes every window.
#include "test_plugin.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtPlugin>

#include <csignal>
#include <iostream>

namespace {
const profiles::u16 registered = profiles::register_profile(test_plugin::make(4343, 1));

bool window_shown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

void drive()
{
    if (!window_shown()) {
        QTimer::singleShot(20, &drive);
        return;
    }
    std::cout << "registered:" << (profiles::is_registered(4242) ? " 4242" : "")
              << (profiles::is_registered(registered) ? " 4343" : "") << std::endl;
    const QByteArray what = qgetenv("VELMORA_TEST_DRIVE");
    if (what == "fault") {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    } else if (what == "kill") {
        std::raise(SIGKILL);
    } else {
        QApplication::closeAllWindows();
    }
}
} // namespace

class driving_plugin : public profiles::ProfilePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ProfilePlugin_iid FILE "good.json")
public:
    driving_plugin()
    {
        PROFILE_PLUGIN_PUBLISH_SIZES(this);
        QTimer::singleShot(0, &drive);
    }
    QString plugin_name() const override { return QStringLiteral("driving"); }
    std::vector<profiles::u16> profile_ids() const override { return {registered}; }
    profiles::u16 plugin_id() const override { return 4343; }
};

#include "driving_plugin.moc"
