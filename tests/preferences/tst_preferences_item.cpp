#include "preferences/preferences_item.h"
#include "preferences/preferences_widget.h"

#include "test_main.h"

#include <QListWidgetItem>
#include <QPointer>
#include <QTreeWidgetItem>

#include <functional>

typedef std::function<void(preferences_item&)> member_call;
Q_DECLARE_METATYPE(member_call)

class tst_preferences_item : public QObject {
    Q_OBJECT

private slots:
    void identity_is_the_node()
    {
        preferences_item none1, none2;
        QVERIFY(none1 == none2);
        QVERIFY(!none1);

        auto* w = new preferences_widget(nullptr, "A");
        preferences_item a(w, preferences_item());
        preferences_item copy = a;
        preferences_item other(w, preferences_item());
        QVERIFY(a);
        QVERIFY(copy == a);
        QVERIFY(!(copy != a));
        QVERIFY(other != a);
        QVERIFY(a != none1);
        // Both nodes guard the one widget: the first to go deletes it.
        other = preferences_item();
        QVERIFY(a.widget() == nullptr);
    }

    void fresh_page_and_children()
    {
        auto* w = new preferences_widget;
        preferences_item a(w, preferences_item());
        QCOMPARE(a.index(), -1);
        QVERIFY(a.list_item() == preferences_item::list_item_t(nullptr, nullptr));
        QVERIFY(a.childs().empty());
        QVERIFY(!a.parent());
        QCOMPARE(a.widget(), w);

        preferences_item a1(nullptr, a);
        preferences_item a2(nullptr, a);
        const std::list<preferences_item> expected{a1, a2};
        QVERIFY(a.childs() == expected);
        QVERIFY(a1.parent() == a);
        QVERIFY(a2.parent() == a);

        QListWidgetItem row;
        QTreeWidgetItem node;
        a.set_list_item(preferences_item::list_item_t(&node, &row));
        a.set_index(3);
        QVERIFY(a.list_item() == preferences_item::list_item_t(&node, &row));
        QCOMPARE(a.index(), 3);

        // add_child leaves the child's own parent alone.
        preferences_item stray(nullptr, preferences_item());
        a1.add_child(stray);
        QCOMPARE(a1.childs().size(), std::size_t(1));
        QVERIFY(!stray.parent());
    }

    void rides_in_a_variant()
    {
        preferences_item a(nullptr, preferences_item());
        QCOMPARE(QMetaType::typeName(qMetaTypeId<preferences_item>()), "preferences_item");
        QCOMPARE(QMetaType::type("preferences_item"), qMetaTypeId<preferences_item>());
        QListWidgetItem row;
        row.setData(preferences_item::qobject_property_role, QVariant::fromValue(a));
        // The eleventh role past the user roles' start (256 in Qt 5, 32 in Qt 4).
        QCOMPARE(preferences_item::qobject_property_role, int(Qt::UserRole) + 11);
        const QVariant v = row.data(preferences_item::qobject_property_role);
        QCOMPARE(v.userType(), qMetaTypeId<preferences_item>());
        QVERIFY(v.value<preferences_item>() == a);
    }

    void summon_detaches_the_subtree()
    {
        QWidget holder;
        auto* pa = new preferences_widget(&holder, "A");
        auto* pa1 = new preferences_widget(&holder, "A1");
        auto* pa11 = new preferences_widget(&holder, "A11");
        preferences_item a(pa, preferences_item());
        preferences_item a1(pa1, a);
        preferences_item a11(pa11, a1);
        QListWidgetItem row;
        for (preferences_item* h : {&a, &a1, &a11}) {
            h->set_index(7);
            h->set_list_item(preferences_item::list_item_t(nullptr, &row));
        }

        a.summon();
        for (preferences_item* h : {&a, &a1, &a11}) {
            QCOMPARE(h->index(), -1);
            QVERIFY(h->widget());
            QVERIFY(!h->widget()->parent());
            QVERIFY(std::get<1>(h->list_item()) == &row);
        }
        // Detached pages now belong to their handles alone.
    }

    void page_destroyed_elsewhere_reads_null()
    {
        auto* w = new preferences_widget;
        preferences_item a(w, preferences_item());
        delete w;
        QVERIFY(a.widget() == nullptr);
        a.summon();
        QCOMPARE(a.index(), -1);
    }

    void last_handle_deletes_the_page()
    {
        QPointer<preferences_widget> alone = new preferences_widget;
        {
            preferences_item a(alone, preferences_item());
            preferences_item copy = a;
            a = preferences_item();
            QVERIFY(alone);
        }
        QVERIFY(!alone);

        // With children, whatever handle goes last: parent and child hold
        // no life in each other.
        QWidget qt_parent;
        QPointer<preferences_widget> top = new preferences_widget(&qt_parent);
        QPointer<preferences_widget> mid = new preferences_widget;
        QPointer<preferences_widget> low = new preferences_widget;
        {
            preferences_item a(top, preferences_item());
            preferences_item a1(mid, a);
            preferences_item a11(low, a1);
            a1 = preferences_item();
            a11 = preferences_item();
            QVERIFY(top && mid && low);  // the parent holds its subtree
        }
        QVERIFY(!top);
        QVERIFY(!mid);
        QVERIFY(!low);

        // A child held alone outlives its parent, which no longer counts.
        QPointer<preferences_widget> p = new preferences_widget;
        QPointer<preferences_widget> c = new preferences_widget;
        preferences_item child;
        {
            preferences_item parent(p, preferences_item());
            child = preferences_item(c, parent);
            QVERIFY(child.parent() == parent);
        }
        QVERIFY(!p);
        QVERIFY(c);
        QVERIFY(!child.parent());
        child = preferences_item();
        QVERIFY(!c);
    }

    void null_handle_throws_per_member_data()
    {
        QTest::addColumn<member_call>("call");
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, member_call f) {
            QTest::newRow(name) << f << QString("preferences_item::") + name;
        };
        row("widget", [](preferences_item& h) { h.widget(); });
        row("set_index", [](preferences_item& h) { h.set_index(1); });
        row("index", [](preferences_item& h) { h.index(); });
        row("set_list_item", [](preferences_item& h) { h.set_list_item({nullptr, nullptr}); });
        row("list_item", [](preferences_item& h) { h.list_item(); });
        row("add_child", [](preferences_item& h) { h.add_child(preferences_item()); });
        row("parent", [](preferences_item& h) { h.parent(); });
        row("childs", [](preferences_item& h) { h.childs(); });
        row("summon", [](preferences_item& h) { h.summon(); });
    }

    void null_handle_throws_per_member()
    {
        QFETCH(member_call, call);
        QFETCH(QString, message);
        preferences_item none;
        QCOMPARE(QString::fromStdString(test_support::error_of([&] { call(none); })), message);
    }
};

VELMORA_TEST_MAIN(tst_preferences_item)
#include "tst_preferences_item.moc"
