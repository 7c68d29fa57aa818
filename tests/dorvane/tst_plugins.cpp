#include "recording_output.h"
#include "test_main.h"

#include "dorvane/profile.h"
#include "load_profiles.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QString plugin_file(const char* target)
{
    return QStringLiteral(TEST_PLUGIN_DIR "/lib%1.so").arg(QLatin1String(target));
}

bool copy_plugin(const char* target, const QString& to)
{
    return QFile::copy(plugin_file(target), to);
}

} // namespace

class tst_plugins : public QObject {
    Q_OBJECT
private slots:
    void check_reads_the_four_sizes();
    void only_matching_profile_plugins_reach_the_registry();
};

void tst_plugins::check_reads_the_four_sizes()
{
    QObject none;
    QVERIFY(!profiles::ProfilePlugin::check_plugin(&none));
    QVERIFY(!profiles::ProfilePlugin::check_plugin(nullptr));

    QObject obj;
    PROFILE_PLUGIN_PUBLISH_SIZES(&obj);
    QVERIFY(profiles::ProfilePlugin::check_plugin(&obj));

    // Converted the way QVariant converts: a numeric text passes.
    obj.setProperty("value_size", QString::number(sizeof(profiles::detail::value)));
    QVERIFY(profiles::ProfilePlugin::check_plugin(&obj));
    obj.setProperty("value_size", QStringLiteral("twenty"));
    QVERIFY(!profiles::ProfilePlugin::check_plugin(&obj));
    obj.setProperty("value_size", unsigned(sizeof(profiles::detail::value)));
    obj.setProperty("item_size", unsigned(sizeof(profiles::item) + 1));
    QVERIFY(!profiles::ProfilePlugin::check_plugin(&obj));
}

void tst_plugins::only_matching_profile_plugins_reach_the_registry()
{
    auto& rec = test_support::log_recorder();
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString root = tmp.path();
    for (const char* d : {"mixed", "wrong", "stale", "foreign"})
        QVERIFY(QDir(root).mkdir(d));

    // In name order: a plug-in, a file that is none, another plug-in.
    QVERIFY(copy_plugin("good_plugin", root + "/mixed/a_good.so"));
    {
        QFile junk(root + "/mixed/b_junk.SO");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library");
    }
    QVERIFY(copy_plugin("good_plugin", root + "/mixed/c_good.so"));
    QVERIFY(copy_plugin("wrong_layout_plugin", root + "/wrong/wrong.so"));
    QVERIFY(copy_plugin("stale_metadata_plugin", root + "/stale/stale.so"));
    QVERIFY(copy_plugin("foreign_plugin", root + "/foreign/foreign.so"));

    const std::size_t queued_before = profiles::lazy().size();
    load_profiles(QStringList() << root + "/mixed" << root + "/missing" << root + "/wrong" << root + "/stale"
                                << root + "/foreign");

    const auto texts = rec.texts("main");
    auto has_prefix = [&](const std::string& prefix) {
        return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
    };
    QVERIFY(rec.has("plugin: a_good.so loaded:777"));
    QVERIFY(has_prefix("plugin: b_junk.SO not loaded:"));
    QVERIFY(!has_prefix("plugin: c_good.so"));
    QVERIFY(rec.has("loading profiles from:" + QDir(root + "/missing").absolutePath().toStdString()));
    QVERIFY(rec.has("plugin: wrong.so is not ProfilePlugin or has invalid version"));
    QVERIFY(rec.has("plugin: stale.so is not ProfilePlugin or has invalid version"));
    QVERIFY(rec.has("plugin: foreign.so is not ProfilePlugin or has invalid version"));

    // Only the accepted plug-in's profile is still queued.
    QCOMPARE(profiles::lazy().size(), queued_before + 1);
    profiles::init_profiles();
    QVERIFY(profiles::is_registered(4242));
    QCOMPARE(profiles::get_profile(4242).pages.size(), std::size_t(2));
    for (profiles::u16 refused : {4343, 4444, 4545})
        QVERIFY2(!profiles::is_registered(refused), QByteArray::number(refused).constData());
}

VELMORA_TEST_MAIN(tst_plugins)
#include "tst_plugins.moc"
