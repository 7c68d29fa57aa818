// Built as if against profile types of another layout: both its metadata
// and its properties carry other sizes.
#include "test_plugin.h"

#include <QtPlugin>

namespace {
const profiles::u16 registered = profiles::register_profile(test_plugin::make(4343, 1));
}

class wrong_layout_plugin : public profiles::ProfilePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ProfilePlugin_iid FILE "wrong.json")
public:
    wrong_layout_plugin()
    {
        PROFILE_PLUGIN_PUBLISH_SIZES(this);
        setProperty("item_size", property("item_size").toUInt() + 8);
    }
    QString plugin_name() const override { return QStringLiteral("wrong layout"); }
    std::vector<profiles::u16> profile_ids() const override { return {registered}; }
    profiles::u16 plugin_id() const override { return 1; }
};

#include "wrong_layout_plugin.moc"
