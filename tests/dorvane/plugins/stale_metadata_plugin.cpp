// Metadata that claims the right sizes while the object publishes others:
// refused only after its library has loaded and queued its profile.
#include "test_plugin.h"

#include <QtPlugin>

namespace {
const profiles::u16 registered = profiles::register_profile(test_plugin::make(4444, 1));
}

class stale_metadata_plugin : public profiles::ProfilePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ProfilePlugin_iid FILE "good.json")
public:
    stale_metadata_plugin()
    {
        PROFILE_PLUGIN_PUBLISH_SIZES(this);
        setProperty("graphic_size", 3u);
    }
    QString plugin_name() const override { return QStringLiteral("stale"); }
    std::vector<profiles::u16> profile_ids() const override { return {registered}; }
    profiles::u16 plugin_id() const override { return 2; }
};

#include "stale_metadata_plugin.moc"
