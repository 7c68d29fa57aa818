#include "test_plugin.h"

#include <QtPlugin>

namespace {
const profiles::u16 registered = profiles::register_profile(test_plugin::make(4242, 2));
}

class good_plugin : public profiles::ProfilePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ProfilePlugin_iid FILE "good.json")
public:
    good_plugin() { PROFILE_PLUGIN_PUBLISH_SIZES(this); }
    QString plugin_name() const override { return QStringLiteral("good"); }
    std::vector<profiles::u16> profile_ids() const override { return {registered}; }
    profiles::u16 plugin_id() const override { return 777; }
};

#include "good_plugin.moc"
