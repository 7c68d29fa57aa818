#include "preferences/connector.h"
#include "preferences/preferences_dialog.h"

#include "recording_page.h"
#include "test_main.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>

using test_support::recording_page;

class tst_connector : public QObject {
    Q_OBJECT

    static preferences_item handle_of(const QList<QVariant>& emission)
    {
        return emission.at(0).value<preferences_item>();
    }

private slots:
    void rows_report_their_handle()
    {
        preferences_dialog dialog(preferences_dialog::list_type, true);
        std::list<preferences_item> items;
        QDialogButtonBox box;
        detail::connector c(&dialog, items, &box);
        QSignalSpy spy(&c, &detail::connector::item_changed);

        preferences_item a(new preferences_widget, preferences_item());
        QListWidgetItem with_handle;
        with_handle.setData(preferences_item::qobject_property_role, QVariant::fromValue(a));
        QTreeWidgetItem tree_row;
        tree_row.setData(0, preferences_item::qobject_property_role, QVariant::fromValue(a));
        QListWidgetItem without;
        QListWidgetItem wrong_type;
        wrong_type.setData(preferences_item::qobject_property_role, 7);

        c.currentItemChanged(&with_handle, nullptr);
        c.currentItemChanged(&tree_row, nullptr);
        c.currentItemChanged(&without, &with_handle);
        c.currentItemChanged(&wrong_type, nullptr);
        QCOMPARE(spy.count(), 4);
        QVERIFY(handle_of(spy.at(0)) == a);
        QVERIFY(handle_of(spy.at(1)) == a);
        QVERIFY(!handle_of(spy.at(2)));
        QVERIFY(!handle_of(spy.at(3)));

        // A cleared widget has no current row: nothing to read, nothing said.
        c.currentItemChanged(static_cast<QListWidgetItem*>(nullptr), &with_handle);
        c.currentItemChanged(static_cast<QTreeWidgetItem*>(nullptr), &tree_row);
        QCOMPARE(spy.count(), 4);
    }

    void tabs_match_by_page_and_position()
    {
        preferences_dialog dialog(preferences_dialog::tab_type, true);
        QStringList journal;
        preferences_item a = dialog.add_item(new recording_page("A", &journal));
        preferences_item a1 = dialog.add_item(new recording_page("A1", &journal), a);
        preferences_item a2 = dialog.add_item(new recording_page("A2", &journal), a);
        auto* c_page = new recording_page("C", &journal);
        preferences_item c = dialog.add_item(c_page);
        QCOMPARE(a2.index(), 2);

        std::list<preferences_item> items{a, a1, a2, c};
        detail::connector con(&dialog, items, nullptr);
        QSignalSpy spy(&con, &detail::connector::item_changed);
        auto* tabs = dialog.findChild<QTabWidget*>();
        QVERIFY(tabs);

        {
            QSignalBlocker quiet(tabs);  // only our connector listens now
            tabs->setCurrentIndex(2);
        }
        con.currentTabChanged(2);
        QCOMPARE(spy.count(), 1);
        QVERIFY(handle_of(spy.at(0)) == a2);
        con.currentTabChanged(1);  // the page shown decides, not the index
        QCOMPARE(spy.count(), 2);
        QVERIFY(handle_of(spy.takeLast()) == a2);

        // C was never shown (index -1) and is destroyed elsewhere: it has
        // no widget, just as an emptied tab widget has no current page.
        delete c_page;
        QCOMPARE(c.index(), -1);
        {
            QSignalBlocker quiet(tabs);
            while (tabs->count())
                tabs->removeTab(0);
        }
        QVERIFY(!dialog.current_widget());
        con.currentTabChanged(-1);
        con.currentTabChanged(0);
        QCOMPARE(spy.count(), 1);
    }

    void buttons_report_their_standard_value()
    {
        preferences_dialog dialog(preferences_dialog::plain_type, true);
        std::list<preferences_item> items;
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Apply);
        QPushButton* extra = box.addButton("Probe", QDialogButtonBox::ActionRole);
        detail::connector c(&dialog, items, &box);
        connect(&box, &QDialogButtonBox::clicked, &c, &detail::connector::buttonClicked);
        QSignalSpy spy(&c, &detail::connector::button_clicked);

        box.button(QDialogButtonBox::Apply)->click();
        extra->click();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), int(QDialogButtonBox::Apply));
        QCOMPARE(spy.at(1).at(0).toInt(), 0);
    }
};

VELMORA_TEST_MAIN(tst_connector)
#include "tst_connector.moc"
