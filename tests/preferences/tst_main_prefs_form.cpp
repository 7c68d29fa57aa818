// The application page in a working directory of its own, with translation
// files made for the test next to the program's own Russian one.

#include "preferences/main_prefs_form.h"

#include "modal_answerer.h"
#include "test_main.h"
#include "translation_files.h"

#include "services/settings.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

struct page_under_test {
    main_prefs_form form{nullptr};
    preferences_widget& page = form;
    QSignalSpy changes{&form, SIGNAL(changed())};

    QComboBox* box(const char* name)
    {
        auto* b = form.findChild<QComboBox*>(QString::fromLatin1(name));
        if (!b)
            qFatal("no list %s", name);
        return b;
    }
    QComboBox* languages() { return box("language_box"); }
    QComboBox* colors() { return box("colors_box"); }

    QStringList entries(QComboBox* b, int role)
    {
        QStringList r;
        for (int i = 0; i < b->count(); ++i)
            r << (role == Qt::DisplayRole ? b->itemText(i) : b->itemData(i, role).toString());
        return r;
    }
    QStringList color_names()
    {
        QStringList r;
        for (int i = 0; i < colors()->count(); ++i)
            r << colors()->itemData(i).value<QColor>().name();
        return r;
    }
};

QStringList stored_colors()
{
    QStringList r;
    for (const QColor& c : settings().colors())
        r << c.name();
    return r;
}

// What the store holds, without the getter's defaults.
QStringList raw_colors()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                     QCoreApplication::applicationName())
        .value("colors")
        .toStringList();
}

const QStringList default_colors{"#00ff00", "#ff0000", "#ffff00", "#0000ff"};

} // namespace

class tst_main_prefs_form : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString old_dir_;

private slots:
    void initTestCase()
    {
        QVERIFY(tmp_.isValid());
        const QString dir = tmp_.path() + "/translations";
        // Qt's files decide which languages exist; ours whether one is offered.
        QVERIFY(test_support::make_qm(dir, "qt_de", "QPlatformTheme", "Cancel", "Abbrechen"));
        QVERIFY(test_support::make_qm(dir, "qt_fr", "QPlatformTheme", "Cancel", "Annuler"));
        QVERIFY(test_support::make_qm(dir, "qt_ru", "QPlatformTheme", "Cancel", "Otmena"));
        QVERIFY(test_support::make_qm(dir, "velmora_de", "language", "German", "Deutsch"));
        // A translation that does not name its language is not offered.
        QVERIFY(test_support::make_qm(dir, "velmora_fr", "QObject", "Set error", "Erreur"));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_BUILD_DIR "/translations/velmora_ru.qm"), dir + "/velmora_ru.qm"));
        old_dir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp_.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(old_dir_); }

    void init()
    {
        test_support::clear_settings();
    }

    void languages_offered()
    {
        page_under_test p;
        QCOMPARE(p.languages()->count(), 0);
        p.page.update_preferences();
        QCOMPARE(p.entries(p.languages(), Qt::DisplayRole), QStringList({"English", "German", "Russian"}));
        QCOMPARE(p.entries(p.languages(), Qt::UserRole), QStringList({"en", "de", "ru"}));
        // Nothing stored: no language is current.
        QCOMPARE(p.languages()->currentIndex(), -1);

        settings().set_country("ru");
        p.page.update_preferences();
        QCOMPARE(p.languages()->currentText(), QString("Russian"));
        QCOMPARE(p.changes.count(), 0);

        // A stored language whose files are gone.
        settings().set_country("fr");
        p.page.update_preferences();
        QCOMPARE(p.languages()->currentIndex(), -1);
    }

    void restart_box_only_on_a_change()
    {
        settings().set_country("de");
        page_under_test p;
        p.page.update_preferences();
        test_support::modal_answerer boxes;
        p.page.accept();
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(settings().country(), QString("de"));

        p.languages()->setCurrentIndex(p.languages()->findText("Russian"));
        QCOMPARE(p.changes.count(), 1);
        p.page.accept();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QString("Language preferences"));
        QCOMPARE(boxes.boxes()[0].text, QString("Selected language will be applied after restart"));
        QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Information);
        QCOMPARE(settings().country(), QString("ru"));

        // First start: English has to be chosen to be stored as "en".
        init();
        p.page.update_preferences();
        p.page.accept();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(settings().country(), QString());
        p.languages()->setCurrentIndex(0);
        p.page.accept();
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(settings().country(), QString("en"));

        // Restore Defaults forgets the language and keeps the colours.
        settings().set_colors({QColor("#123456")});
        p.page.reset_defaults();
        QCOMPARE(settings().country(), QString());
        QCOMPARE(stored_colors(), QStringList({"#123456"}));
        QCOMPARE(p.languages()->currentIndex(), -1);
        QCOMPARE(boxes.count(), 2);
    }

    void colors_listed_and_stored()
    {
        page_under_test p;
        p.page.update_preferences();
        QCOMPARE(p.entries(p.colors(), Qt::DisplayRole), QStringList({"Color 0", "Color 1", "Color 2", "Color 3"}));
        QCOMPARE(p.color_names(), default_colors);
        QCOMPARE(p.colors()->currentIndex(), 0);
        const QImage swatch = p.colors()->itemIcon(2).pixmap(QSize(10, 10)).toImage();
        QCOMPARE(swatch.pixelColor(5, 5).name(), QString("#ffff00"));
        QCOMPARE(raw_colors(), QStringList());
        p.page.accept();
        QCOMPARE(raw_colors(), default_colors);
    }

    void color_picked_through_the_dialog()
    {
        page_under_test p;
        p.page.update_preferences();
        test_support::modal_answerer dialogs;
        QCOMPARE(dialogs.count(), 0);

        dialogs.set_color(QColor("#123456"));
        p.colors()->setCurrentIndex(2);
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.dialogs()[0].kind, QString("QColorDialog"));
        QCOMPARE(dialogs.dialogs()[0].title, QString("Select color for graphic 2"));
        QCOMPARE(p.color_names(), QStringList({"#00ff00", "#ff0000", "#123456", "#0000ff"}));
        QCOMPARE(p.colors()->itemIcon(2).pixmap(QSize(10, 10)).toImage().pixelColor(5, 5).name(), QString("#123456"));
        QCOMPARE(p.changes.count(), 1);

        // Cancelled, or the same colour again: nothing changes.
        p.changes.clear();
        dialogs.set_color(QColor());
        p.colors()->setCurrentIndex(1);
        dialogs.set_color(QColor("#0000ff"));
        p.colors()->setCurrentIndex(3);
        QCOMPARE(dialogs.count(), 3);
        QCOMPARE(p.color_names(), QStringList({"#00ff00", "#ff0000", "#123456", "#0000ff"}));
        QCOMPARE(p.changes.count(), 0);

        // The entry that is current already opens nothing, nor does a fill.
        p.colors()->setCurrentIndex(3);
        p.page.reject();
        QCOMPARE(dialogs.count(), 3);
        QCOMPARE(p.color_names(), default_colors);
    }
};

VELMORA_TEST_MAIN(tst_main_prefs_form)
#include "tst_main_prefs_form.moc"
