#include "load_profiles.h"

#include "dorvane/profile.h"
#include "dorvane/syslog.h"

#include <QDir>
#include <QJsonObject>
#include <QPluginLoader>

#include <iterator>

namespace {
cl::syslog::module ___syslog("main");

// Profiles that a refused plug-in queued while it loaded must never reach
// the registry: drop every queue entry added since `mark`.
void discard_queued_since(std::size_t mark)
{
    auto& queue = profiles::lazy();
    if (queue.size() <= mark)
        return;
    auto first = queue.begin();
    std::advance(first, mark);
    queue.erase(first, queue.end());
}

// Loads one plug-in file; false ends the scan of its directory.
bool load_one(const QDir& dir, const QString& name)
{
    QPluginLoader loader(dir.absoluteFilePath(name));
    const QByteArray file = name.toLatin1();
    const QJsonObject meta = loader.metaData();

    // A plug-in built against other profile types is refused before any of
    // its code runs; its static initialisers would already copy profiles
    // with the wrong layout into the queue.
    if (!meta.isEmpty() && !profiles::ProfilePlugin::check_metadata(meta)) {
        VLOG(cl::syslog::info) << "plugin: " << file.constData() << " is not ProfilePlugin or has invalid version";
        return false;
    }

    const std::size_t mark = profiles::lazy().size();
    if (!loader.load()) {
        discard_queued_since(mark);
        VLOG(cl::syslog::info) << "plugin: " << file.constData() << " not loaded:"
                               << loader.errorString().toUtf8().constData();
        return false;
    }

    QObject* root = loader.instance();
    auto* plugin = qobject_cast<profiles::ProfilePlugin*>(root);
    if (!plugin || !profiles::ProfilePlugin::check_plugin(root)) {
        discard_queued_since(mark);
        VLOG(cl::syslog::info) << "plugin: " << file.constData() << " is not ProfilePlugin or has invalid version";
        return false;
    }

    VLOG(cl::syslog::info) << "plugin: " << file.constData() << " loaded:" << plugin->plugin_id();
    // The loader goes out of scope without unloading: the library stays.
    return true;
}

} // namespace

void load_profiles(const QStringList& dirs)
{
    for (const QString& path : dirs) {
        const QDir dir(path);
        VLOG(cl::syslog::dbg) << "loading profiles from:" << dir.absolutePath().toLatin1().constData();
        const QStringList files = dir.entryList(QStringList() << "*.dll" << "*.so", QDir::Files, QDir::Name);
        for (const QString& name : files)
            if (!load_one(dir, name))
                break;
    }
}
