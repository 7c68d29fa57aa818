// A Qt plug-in with the right metadata and properties whose root object is
// no profile plug-in at all.
#include "test_plugin.h"

#include <QObject>
#include <QtPlugin>

namespace {
const profiles::u16 registered = profiles::register_profile(test_plugin::make(4545, 1));
}

class foreign_plugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ProfilePlugin_iid FILE "good.json")
public:
    foreign_plugin() { PROFILE_PLUGIN_PUBLISH_SIZES(this); }
};

#include "foreign_plugin.moc"
