#include "services/i18n.h"
#include "services/settings.h"

#include "recording_output.h"
#include "test_main.h"

#include <QDir>
#include <QLibraryInfo>

// The program's own translations as the build makes them, found the way a
// program started from the build directory finds them.
class tst_load_translations : public QObject {
    Q_OBJECT
private slots:
    void russian_from_the_build_directory()
    {
        QVERIFY(QFile::exists(QStringLiteral(VELMORA_BUILD_DIR "/translations/velmora_ru.qm")));
        QVERIFY(QDir::setCurrent(QStringLiteral(VELMORA_BUILD_DIR)));
        settings().set_country("ru");

        const auto countries = find_countries(trans_path());
        QVERIFY(countries.count({"English", ""}) == 1);

        auto& log = test_support::log_recorder();
        load_translations(nullptr);
        const bool qt_ru = QFile::exists(QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qt_ru.qm");
        const std::string qt_line = qt_ru ? "Qt translation \"ru\" loaded" : "Qt translation \"ru\" failed to load";
        QCOMPARE(log.texts("main"), std::vector<std::string>({qt_line, "Application translation \"ru\" loaded"}));

        QCOMPARE(QCoreApplication::translate("QObject", "Set error"), QString::fromUtf8("Ошибка записи"));
        QCOMPARE(QCoreApplication::translate("QObject", "Unable to set data."),
                 QString::fromUtf8("Не удалось записать данные."));
        QCOMPARE(QCoreApplication::translate("QWidget", "Error:\n  %1\nprofile: '%2'\n  item: '%3'\n  element: '%4'")
                     .arg("e", "p", "1", "2"),
                 QString::fromUtf8("Ошибка:\n  e\nпрофиль: 'p'\n  параметр: '1'\n  элемент: '2'"));
        // A text the program does not translate stays English.
        QCOMPARE(QCoreApplication::translate("QObject", "Device checksum failed!"),
                 QString("Device checksum failed!"));

        if (qt_ru) {
            // Qt 5's qt_ru.qm pulls in qtbase_ru.qm from beside it.
            QVERIFY(countries.count({"Russian", "ru"}) == 1);
            // The text of a dialog's Cancel button.
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("Отмена"));
        }

        // The translators are made once: a later call logs the new code but
        // keeps the language it started with.
        settings().set_country("de");
        log.clear();
        load_translations(nullptr);
        QCOMPARE(log.texts("main").back(), std::string("Application translation \"de\" loaded"));
        QCOMPARE(QCoreApplication::translate("QObject", "Set error"), QString::fromUtf8("Ошибка записи"));
    }
};

VELMORA_TEST_MAIN(tst_load_translations)
#include "tst_load_translations.moc"
