#include "preferences/connector.h"
#include "preferences/preferences_dialog.h"

#include "modal_answerer.h"
#include "recording_page.h"
#include "test_main.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <memory>
#include <vector>
#include <stdexcept>
#include <string>

using test_support::modal_answerer;
using test_support::recording_page;

namespace {

typedef preferences_dialog D;

QPushButton* ok(D& d) { return d.button(QDialogButtonBox::Ok); }
QPushButton* apply(D& d) { return d.button(QDialogButtonBox::Apply); }
QPushButton* cancel(D& d) { return d.button(QDialogButtonBox::Cancel); }
QPushButton* restore(D& d) { return d.button(QDialogButtonBox::RestoreDefaults); }

} // namespace

class tst_preferences_dialog : public QObject {
    Q_OBJECT

    QStringList journal_;
    std::unique_ptr<modal_answerer> answerer_;

    recording_page* page(const QString& name) { return new recording_page(name, &journal_); }

    // Top pages of these names, added in order; the journal starts empty.
    std::vector<recording_page*> top_pages(D& d, const QStringList& names)
    {
        std::vector<recording_page*> pages;
        for (const QString& name : names) {
            pages.push_back(page(name));
            d.add_item(pages.back());
        }
        journal_.clear();
        return pages;
    }

private slots:
    void init()
    {
        journal_.clear();
        answerer_ = std::make_unique<modal_answerer>(QMessageBox::Ok);
    }

    void cleanup() { answerer_.reset(); }

    void fresh_dialog()
    {
        D d(D::auto_type, true);
        QVERIFY(!apply(d)->isEnabled());
        QVERIFY(ok(d)->isEnabled() && cancel(d)->isEnabled() && restore(d)->isEnabled());
        QVERIFY(ok(d)->isDefault());
        QVERIFY(!restore(d)->autoDefault());
        QCOMPARE(d.objectName(), QString("preferences_dialog_form"));
        QCOMPARE(d.windowTitle(), QString("Dialog"));
        QVERIFY(d.findChild<QWidget*>("main_widget"));
        QVERIFY(d.findChild<QDialogButtonBox*>("buttons"));
        QCOMPARE(test_support::error_of([&] { d.button(QDialogButtonBox::Help); }), std::string("no such button"));
        QCOMPARE(d.calculate_type(), D::list_type);
        QCOMPARE(d.current_type(), D::plain_type);
        QVERIFY(!d.current_item());
        QVERIFY(!d.current_widget());
    }

    void automatic_type_follows_the_pages()
    {
        D d(D::auto_type, true);
        recording_page* pa = page("A");
        preferences_item a = d.add_item(pa);
        QCOMPARE(d.current_type(), D::plain_type);
        QCOMPARE(d.calculate_type(), D::plain_type);
        QCOMPARE(d.current_widget(), pa);
        QVERIFY(d.current_item() == a);

        d.add_item(page("B"));
        QCOMPARE(d.current_type(), D::list_type);
        auto* list = d.findChild<QListWidget*>();
        QVERIFY(list);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("A"));
        QCOMPARE(list->item(1)->text(), QString("B"));
        QCOMPARE(list->currentRow(), 0);

        preferences_item a1 = d.add_item(page("A1"), a);
        QCOMPARE(d.current_type(), D::tab_type);
        auto* tabs = d.findChild<QTabWidget*>();
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(1), QString("A1"));

        recording_page* pa11 = page("A11");
        preferences_item a11 = d.add_item(pa11, a1);
        QCOMPARE(d.current_type(), D::tree_type);
        QVERIFY(!d.findChild<QTabWidget*>());
        auto* tree = d.findChild<QTreeWidget*>();
        QVERIFY(tree);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->child(0)->child(0)->text(0), QString("A11"));

        // Every rebuild showed the current page again, after refilling it.
        QCOMPARE(journal_, QStringList({"A:update", "A:update", "A:update", "A:update"}));
        QCOMPARE(d.current_widget(), pa);

        tree->setCurrentItem(std::get<0>(a11.list_item()));
        QVERIFY(d.current_item() == a11);
        QCOMPARE(d.current_widget(), pa11);
        QCOMPARE(journal_.last(), QString("A11:update"));

        // A top page, its child, the child's child: plain, tab, tree.
        D chain(D::auto_type, true);
        preferences_item top = chain.add_item(page("T"));
        QCOMPARE(chain.current_type(), D::plain_type);
        preferences_item mid = chain.add_item(page("M"), top);
        QCOMPARE(chain.current_type(), D::tab_type);
        chain.add_item(page("L"), mid);
        QCOMPARE(chain.current_type(), D::tree_type);
    }

    // A refused page is recorded nowhere: it can't enable Apply, isn't a
    // child and doesn't count for the navigator's kind.
    void fixed_types_refuse_without_a_trace()
    {
        D plain(D::plain_type, true);
        plain.add_item(page("A"));
        std::unique_ptr<recording_page> second(page("B"));
        QCOMPARE(test_support::error_of([&] { plain.add_item(second.get()); }), std::string("plain type occured!"));
        second->edit();
        QVERIFY(!apply(plain)->isEnabled());

        D list(D::list_type, true);
        preferences_item a = list.add_item(page("A"));
        list.add_item(page("B"));
        std::unique_ptr<recording_page> child(page("X"));
        QCOMPARE(test_support::error_of([&] { list.add_item(child.get(), a); }),
                 std::string("No child allowed in List-represented config UI"));
        QVERIFY(a.childs().empty());
        child->edit();
        QVERIFY(!apply(list)->isEnabled());
        QCOMPARE(list.calculate_type(), D::list_type);
        QCOMPARE(list.findChild<QListWidget*>()->count(), 2);

        D tabs(D::tab_type, true);
        preferences_item t = tabs.add_item(page("T"));
        preferences_item t1 = tabs.add_item(page("T1"), t);
        std::unique_ptr<recording_page> deep(page("Y"));
        QCOMPARE(test_support::error_of([&] { tabs.add_item(deep.get(), t1); }),
                 std::string("no child allowed in tabs"));
        QVERIFY(t1.childs().empty());
        deep->edit();
        QVERIFY(!apply(tabs)->isEnabled());
        QCOMPARE(tabs.calculate_type(), D::tab_type);
        QCOMPARE(tabs.current_type(), D::tab_type);
        QCOMPARE(tabs.findChild<QTabWidget*>()->count(), 2);
    }

    void ok_apply_cancel()
    {
        D d(D::list_type, true);
        const auto pages = top_pages(d, {"A", "B"});
        recording_page* pa = pages[0];
        recording_page* pb = pages[1];
        d.show();

        ok(d)->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
        QVERIFY(journal_.isEmpty());

        d.show();
        pa->edit();
        QVERIFY(apply(d)->isEnabled());
        apply(d)->click();
        QCOMPARE(journal_, QStringList({"A:accept"}));
        QVERIFY(!apply(d)->isEnabled());
        QVERIFY(d.isVisible());

        // A page that is not current still counts; only the current one is
        // applied.
        pb->edit();
        QVERIFY(apply(d)->isEnabled() && restore(d)->isEnabled());
        QTest::keyClick(&d, Qt::Key_Return);
        QCOMPARE(journal_, QStringList({"A:accept", "A:accept"}));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());

        journal_.clear();
        d.show();
        pa->edit();
        cancel(d)->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        d.show();
        pa->edit();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        d.show();
        pa->edit();
        d.close();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(journal_, QStringList({"A:reject", "A:reject", "A:reject"}));

        // Unchanged, Cancel leaves the page alone.
        journal_.clear();
        d.show();
        cancel(d)->click();
        QVERIFY(journal_.isEmpty());
        QCOMPARE(answerer_->count(), 0);
    }

    void restore_defaults()
    {
        D d(D::list_type, true);
        const auto pages = top_pages(d, {"A", "B"});
        recording_page* pa = pages[0];
        recording_page* pb = pages[1];

        pa->edit();
        answerer_->set_answer(QMessageBox::Cancel);
        restore(d)->click();
        QCOMPARE(answerer_->count(), 1);
        QCOMPARE(answerer_->dialogs()[0].title, QString("Restore to defaults"));
        QCOMPARE(answerer_->dialogs()[0].text, QString("Continue to restore defaults settings?"));
        QCOMPARE(answerer_->dialogs()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(journal_.isEmpty());
        QVERIFY(apply(d)->isEnabled());

        // Pending edits go first; the change the page reports while it
        // stores its defaults does not count.
        pa->hook = [pa](const QString& call) {
            if (call == "reset")
                pa->edit();
        };
        answerer_->set_answer(QMessageBox::Ok);
        restore(d)->click();
        QCOMPARE(journal_, QStringList({"A:reject", "A:reset"}));
        QVERIFY(!apply(d)->isEnabled());
        QVERIFY(!restore(d)->isEnabled());

        // It stays off until a page reports a change.
        pb->edit();
        QVERIFY(restore(d)->isEnabled() && apply(d)->isEnabled());
    }

    void leaving_a_changed_page()
    {
        D d(D::list_type, true);
        recording_page* pa = page("A");
        recording_page* pb = page("B");
        recording_page* pc = page("C");
        preferences_item a = d.add_item(pa);
        preferences_item b = d.add_item(pb);
        preferences_item c = d.add_item(pc);
        auto* list = d.findChild<QListWidget*>();
        auto* stack = d.findChild<QStackedWidget*>();
        journal_.clear();

        // Unchanged: no question.
        list->setCurrentRow(1);
        QCOMPARE(journal_, QStringList({"B:update"}));
        QVERIFY(d.current_item() == b);
        QCOMPARE(stack->currentWidget(), pb);
        QCOMPARE(answerer_->count(), 0);

        // Cancel stays; the new page was refilled all the same and the list
        // keeps the new row.
        pb->edit();
        journal_.clear();
        answerer_->set_answer(QMessageBox::Cancel);
        list->setCurrentRow(2);
        QCOMPARE(answerer_->count(), 1);
        QCOMPARE(answerer_->dialogs()[0].title, QString("Apply settings"));
        QCOMPARE(answerer_->dialogs()[0].text, QString("Current page has unsaved changes.\nApply this changes?"));
        QCOMPARE(answerer_->dialogs()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Reset);
        QCOMPARE(journal_, QStringList({"C:update"}));
        QVERIFY(d.current_item() == b);
        QCOMPARE(stack->currentWidget(), pb);
        QCOMPARE(list->currentRow(), 2);
        QVERIFY(apply(d)->isEnabled());

        // Reset discards and moves.
        journal_.clear();
        answerer_->set_answer(QMessageBox::Reset);
        list->setCurrentRow(0);
        QCOMPARE(journal_, QStringList({"A:update", "B:reject"}));
        QVERIFY(d.current_item() == a);
        QCOMPARE(stack->currentWidget(), pa);
        QVERIFY(!apply(d)->isEnabled());

        // Ok applies and moves; the new page is refilled before the old one
        // is applied.
        pa->edit();
        journal_.clear();
        answerer_->set_answer(QMessageBox::Ok);
        list->setCurrentRow(2);
        QCOMPARE(journal_, QStringList({"C:update", "A:accept"}));
        QVERIFY(d.current_item() == c);
        QCOMPARE(stack->currentWidget(), pc);
        QCOMPARE(answerer_->count(), 3);

        // The current page's row reported again changes nothing.
        pc->edit();
        journal_.clear();
        auto* con = d.findChild<detail::connector*>();
        QVERIFY(con);
        con->currentItemChanged(list->item(2), nullptr);
        QVERIFY(journal_.isEmpty());
        QCOMPARE(answerer_->count(), 3);
    }

    // A page that can't store its edits keeps the dialog open and stays
    // current; the failure is shown.
    void page_failure_is_shown_not_swallowed()
    {
        D d(D::list_type, true);
        recording_page* pa = top_pages(d, {"A", "B"})[0];
        d.show();
        pa->hook = [](const QString& call) {
            if (call == "accept")
                throw std::runtime_error("settings store is read-only");
        };

        pa->edit();
        ok(d)->click();
        QVERIFY(d.isVisible());
        QVERIFY(apply(d)->isEnabled());
        QCOMPARE(answerer_->count(), 1);
        QCOMPARE(answerer_->dialogs()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer_->dialogs()[0].text, QString("settings store is read-only"));

        d.findChild<QListWidget*>()->setCurrentRow(1);
        QCOMPARE(answerer_->count(), 3);  // the question, then the failure
        QCOMPARE(d.current_widget(), pa);
    }

    // Pages A (A1, A2), B and C; C's page is destroyed from outside before
    // it was ever shown.
    void tab_dialog_with_a_page_destroyed_elsewhere()
    {
        D d(D::tab_type, true);
        recording_page* pa = page("A");
        preferences_item a = d.add_item(pa);
        d.add_item(page("A1"), a);
        recording_page* pa2 = page("A2");
        preferences_item a2 = d.add_item(pa2, a);
        recording_page* pb = page("B");
        preferences_item b = d.add_item(pb);
        QPointer<recording_page> pc = page("C");
        preferences_item c = d.add_item(pc);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* list = d.findChild<QListWidget*>();
        auto* tabs = d.findChild<QTabWidget*>();
        delete pc.data();
        journal_.clear();

        // The emptied tab widget must not pass for C's page.
        list->setCurrentRow(1);
        QVERIFY(d.current_item() == b);
        QCOMPARE(d.current_widget(), pb);
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(journal_, QStringList({"B:update"}));

        list->setCurrentRow(0);
        QVERIFY(d.current_item() == a);
        QCOMPARE(tabs->count(), 3);
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
        QVERIFY(d.current_item() == a2);
        QCOMPARE(d.current_widget(), pa2);
        QCOMPARE(journal_.last(), QString("A2:update"));

        // Onto the page that is gone: nothing calls into it, the buttons
        // still work.
        pa2->edit();
        journal_.clear();
        list->setCurrentRow(2);
        QCOMPARE(journal_, QStringList({"A2:accept"}));
        QVERIFY(d.current_item() == c);
        QVERIFY(!d.current_widget());
        QCOMPARE(tabs->count(), 0);

        pb->edit();
        apply(d)->click();
        QVERIFY(!apply(d)->isEnabled());
        restore(d)->click();
        QVERIFY(!restore(d)->isEnabled());
        QCOMPARE(journal_, QStringList({"A2:accept"}));

        list->setCurrentRow(1);
        QVERIFY(d.current_item() == b);
        QCOMPARE(d.current_widget(), pb);
    }

    // The page the navigator shows is the current page, also after a page
    // is destroyed elsewhere.
    void destroyed_page_leaves_the_page_shown_current()
    {
        D tabs(D::tab_type, true);
        preferences_item a = tabs.add_item(page("A"));
        recording_page* pa1 = page("A1");
        tabs.add_item(pa1, a);
        recording_page* pa2 = page("A2");
        preferences_item a2 = tabs.add_item(pa2, a);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        delete pa1;
        QTabBar* bar = tabs.findChild<QTabWidget*>()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
        QVERIFY(tabs.current_item() == a2);
        QCOMPARE(tabs.current_widget(), pa2);
        pa2->edit();
        journal_.clear();
        ok(tabs)->click();
        QCOMPARE(journal_, QStringList({"A2:accept"}));
        QCOMPARE(tabs.result(), int(QDialog::Accepted));

        // The current page goes, with unsaved edits nobody can store now.
        D list(D::list_type, true);
        recording_page* pa = page("A");
        list.add_item(pa);
        recording_page* pb = page("B");
        preferences_item b = list.add_item(pb);
        journal_.clear();
        pa->edit();
        delete pa;
        QVERIFY(list.current_item() == b);
        QCOMPARE(list.current_widget(), pb);
        QCOMPARE(list.findChild<QListWidget*>()->currentRow(), 1);
        QCOMPARE(journal_, QStringList({"B:update"}));
        QVERIFY(!apply(list)->isEnabled());
        QCOMPARE(answerer_->count(), 0);
        pb->edit();
        ok(list)->click();
        QCOMPARE(journal_, QStringList({"B:update", "B:accept"}));
        QCOMPARE(list.result(), int(QDialog::Accepted));
    }

    void pages_die_with_the_dialog()
    {
        QList<QPointer<recording_page>> pages;
        auto tracked = [&](const QString& name) {
            recording_page* p = page(name);
            pages << p;
            return p;
        };
        {
            // Shows B, so A and its children wait outside the tab widget.
            D tabs(D::tab_type, true);
            preferences_item a = tabs.add_item(tracked("A"));
            tabs.add_item(tracked("A1"), a);
            tabs.add_item(tracked("B"));
            tabs.findChild<QListWidget*>()->setCurrentRow(1);
            QVERIFY(!pages[0]->parent());

            D automatic(D::auto_type, true);
            preferences_item t = automatic.add_item(tracked("T"));
            preferences_item m = automatic.add_item(tracked("M"), t);
            automatic.add_item(tracked("L"), m);
            automatic.add_item(tracked("U"));
        }
        for (const auto& p : pages)
            QVERIFY(!p);
    }
};

VELMORA_TEST_MAIN(tst_preferences_dialog)
#include "tst_preferences_dialog.moc"
