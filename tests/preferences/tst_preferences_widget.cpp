#include "preferences/preferences_widget.h"

#include "test_main.h"

#include <QSignalSpy>

class tst_preferences_widget : public QObject {
    Q_OBJECT

private slots:
    void fresh_page()
    {
        preferences_widget page(nullptr, "General");
        QCOMPARE(page.objectName(), QString("preferences_widget"));
        QCOMPARE(page.name(), QString("General"));
        QVERIFY(page.header().isEmpty());
        QVERIFY(page.icon().isNull());

        page.set_header("General settings");
        page.set_name("Misc");
        QCOMPARE(page.header(), QString("General settings"));
        QCOMPARE(page.name(), QString("Misc"));
    }

    // Reached through the page's own type and through a connection by
    // signature; a plain QWidget pointer goes straight to QWidget.
    void set_enabled_announces_first()
    {
        preferences_widget page;
        QList<bool> seen_enabled;
        connect(&page, &preferences_widget::enabled, this,
                [&](bool b) { seen_enabled << page.isEnabled() << b; });

        page.setEnabled(false);
        QCOMPARE(seen_enabled, (QList<bool>{true, false}));
        QVERIFY(!page.isEnabled());

        seen_enabled.clear();
        QVERIFY(connect(this, SIGNAL(switch_to(bool)), &page, SLOT(setEnabled(bool))));
        emit switch_to(true);
        QCOMPARE(seen_enabled, (QList<bool>{false, true}));
        QVERIFY(page.isEnabled());

        seen_enabled.clear();
        static_cast<QWidget&>(page).setEnabled(false);
        QVERIFY(seen_enabled.isEmpty());
        QVERIFY(!page.isEnabled());
    }

signals:
    void switch_to(bool);
};

VELMORA_TEST_MAIN(tst_preferences_widget)
#include "tst_preferences_widget.moc"
