#include "services/i18n.h"
#include "services/settings.h"

#include "recording_output.h"
#include "test_main.h"
#include "translation_files.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>

#include <vector>

namespace {

using test_support::make_qm;

typedef std::vector<std::pair<QString, QString>> country_vec;

country_vec as_vec(const std::set<std::pair<QString, QString>>& s)
{
    return country_vec(s.begin(), s.end());
}

} // namespace

class tst_i18n : public QObject {
    Q_OBJECT
private:
    QTemporaryDir tmp_;
    QString a_, b_;

private slots:
    void initTestCase()
    {
        QVERIFY(tmp_.isValid());
        a_ = tmp_.path() + "/translations";
        b_ = tmp_.path() + "/translations/system";
        QVERIFY(make_qm(a_, "qt_de", "QPlatformTheme", "Cancel", "Abbrechen (a)"));
        QVERIFY(make_qm(a_, "velmora_de", "QObject", "Set error", "Schreibfehler"));
        QVERIFY(make_qm(b_, "qt_de", "QPlatformTheme", "Cancel", "Abbrechen (b)"));
        QVERIFY(make_qm(b_, "qt_ru", "QPlatformTheme", "Cancel", "Otmena"));
        QVERIFY(make_qm(b_, "qt_cs", "QPlatformTheme", "Cancel", "Zrusit"));
        // Names that are no language file of Qt.
        QVERIFY(QFile::copy(b_ + "/qt_ru.qm", b_ + "/qt_zh_CN.qm"));
        QVERIFY(QFile::copy(b_ + "/qt_ru.qm", b_ + "/qt_fr.qm.bak"));
        QVERIFY(QFile::copy(b_ + "/qt_ru.qm", b_ + "/velmora_fr.qm"));
        QVERIFY(QDir().mkpath(b_ + "/qt_it.qm"));
    }

    void search_path()
    {
        const QStringList p = trans_path();
        QCOMPARE(p, QStringList({"./translations", "./translations/system",
                                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)}));
    }

    void language_list()
    {
        const country_vec english_only{{"English", ""}};
        QCOMPARE(as_vec(find_countries({})), english_only);
        QCOMPARE(as_vec(find_countries({tmp_.path() + "/none", tmp_.path() + "/none/system"})), english_only);

        // Sorted by name; German is found in both directories and listed once.
        const country_vec expected{{"Czech", "cs"}, {"English", ""}, {"German", "de"}, {"Russian", "ru"}};
        QCOMPARE(as_vec(find_countries({a_, b_, tmp_.path() + "/none"})), expected);
        QCOMPARE(as_vec(find_countries({b_, a_})), expected);

        QCOMPARE(country_code_from_qm("qt_de.qm"), QString("de"));
        QCOMPARE(country_code_from_qm(".qm"), QString(""));
        QCOMPARE(country_name_from_code("ru"), QString("Russian"));
    }

    void first_directory_with_a_file_wins()
    {
        auto both = system_translator("de", {a_, b_});
        QVERIFY(!both->isEmpty());
        QCOMPARE(both->translate("QPlatformTheme", "Cancel"), QString("Abbrechen (a)"));

        auto later = system_translator("de", {tmp_.path() + "/none", b_, a_});
        QCOMPARE(later->translate("QPlatformTheme", "Cancel"), QString("Abbrechen (b)"));

        auto ru = system_translator("ru", {a_, b_});
        QCOMPARE(ru->translate("QPlatformTheme", "Cancel"), QString("Otmena"));

        auto none = system_translator("pl", {a_, b_});
        QVERIFY(none);
        QVERIFY(none->isEmpty());

        // The program's files and Qt's are told apart by their prefix.
        auto app = local_translator("de", {b_, a_});
        QVERIFY(!app->isEmpty());
        QCOMPARE(app->translate("QObject", "Set error"), QString("Schreibfehler"));
        QVERIFY(app->translate("QPlatformTheme", "Cancel").isEmpty());
        QVERIFY(local_translator("ru", {a_, b_})->isEmpty());
        QVERIFY(local_translator("", {a_, b_})->isEmpty());
    }

    // Runs last: the translators are made once per process.
    void no_translation_directory_means_english()
    {
        QVERIFY(QDir::setCurrent(tmp_.path() + "/translations/system"));
        settings().set_country("");
        auto& log = test_support::log_recorder();
        load_translations(nullptr);
        const std::vector<std::string> lines = log.texts("main");
        QCOMPARE(lines, std::vector<std::string>({"Qt translation \"\" failed to load",
                                                  "Failed to load application translation \"\""}));
        for (const auto& e : log.entries)
            if (e.msg.module == "main")
                QCOMPARE(e.msg.level, cl::syslog::dbg);
        QCOMPARE(QCoreApplication::translate("QObject", "Set error"), QString("Set error"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }
};

VELMORA_TEST_MAIN(tst_i18n)
#include "tst_i18n.moc"
