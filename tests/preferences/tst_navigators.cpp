#include "preferences/delegate.h"
#include "preferences/navigators.h"

#include "recording_page.h"
#include "test_main.h"

#include <QPointer>

#include <algorithm>
#include <list>
#include <memory>
#include <string>

using test_support::recording_page;

namespace {

QIcon square_icon(Qt::GlobalColor colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// What the dialog does for each page it adds.
preferences_item add(detail::base_view& view, std::list<preferences_item>& items, preferences_widget* page,
                     preferences_item parent = preferences_item())
{
    preferences_item item(page, parent);
    view.insert_item(item, parent);
    view.insert_widget(item);
    items.push_back(item);
    return item;
}

void show(detail::base_view& view, const preferences_item& item)
{
    view.set_current_item(item);
    view.set_current_widget(item);
}

// The widest top row as the view's delegate measures it, plus 25.
int expected_width(QAbstractItemView* view)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    int widest = 0;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        widest = std::max(widest, view->itemDelegate()->sizeHint(option, view->model()->index(r, 0)).width());
    return widest + 25;
}

} // namespace

class tst_navigators : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> area_;
    // Declared after the area: handles go first, then the area.
    std::list<preferences_item> items_;

private slots:
    void init() { area_ = std::make_unique<QWidget>(); }

    void cleanup()
    {
        items_.clear();
        area_.reset();
    }

    // Pages A (children A1, A2), B and C, A shown right after it was added.
    void tab_scenario()
    {
        detail::tab_view view(area_.get());
        view.init_ui();
        view.list()->setItemDelegate(new KLikeListViewDelegate(view.list()));
        QPointer<QTabWidget> tabs = view.tabs();

        auto* pa = new preferences_widget(nullptr, "A");
        preferences_item a = add(view, items_, pa);
        show(view, a);
        QPointer<preferences_widget> pa1 = new preferences_widget(nullptr, "A1");
        preferences_item a1 = add(view, items_, pa1, a);
        QPointer<preferences_widget> pa2 = new preferences_widget(nullptr, "A2");
        preferences_item a2 = add(view, items_, pa2, a);
        auto* pb = new preferences_widget(nullptr, "B");
        preferences_item b = add(view, items_, pb);
        QPointer<preferences_widget> pc = new preferences_widget(nullptr, "C");
        preferences_item c = add(view, items_, pc);

        QCOMPARE(view.list()->count(), 3);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->widget(0), pa);
        QCOMPARE(tabs->widget(1), pa1.data());
        QCOMPARE(tabs->widget(2), pa2.data());
        QCOMPARE(tabs->tabText(1), QString("A1"));
        QCOMPARE(a.index(), 0);
        QCOMPARE(a1.index(), 1);
        QCOMPARE(a2.index(), 2);
        QCOMPARE(b.index(), -1);
        QCOMPARE(c.index(), -1);
        QVERIFY(std::get<1>(a1.list_item()) == std::get<1>(a.list_item()));
        QCOMPARE(view.list()->width(), expected_width(view.list()));

        tabs->setCurrentIndex(2);
        QCOMPARE(view.current_widget(), pa2.data());

        // A grandchild is refused and leaves everything as it was.
        preferences_item deep(new preferences_widget(nullptr, "A11"), a1);
        items_.push_back(deep);
        QCOMPARE(test_support::error_of([&] { view.insert_item(deep, a1); }), std::string("no child allowed in tabs"));
        QCOMPARE(view.list()->count(), 3);
        QCOMPARE(tabs->count(), 3);
        QVERIFY(deep.list_item() == preferences_item::list_item_t(nullptr, nullptr));

        show(view, b);
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->widget(0), pb);
        QCOMPARE(b.index(), 0);
        for (const preferences_item& h : {a, a1, a2}) {
            QCOMPARE(h.index(), -1);
            QVERIFY(h.widget());
            QVERIFY(!h.widget()->parent());
        }
        QCOMPARE(view.current_widget(), pb);

        // A child of a page not shown waits for its parent.
        QPointer<preferences_widget> pc1 = new preferences_widget(nullptr, "C1");
        preferences_item c1 = add(view, items_, pc1, c);
        QCOMPARE(c1.index(), -1);
        QCOMPARE(tabs->count(), 1);
        show(view, c);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->widget(1), pc1.data());
        QCOMPARE(c1.index(), 1);

        // Back to A; then A goes from outside and its tab with it. A2 is
        // found where its tab moved, not at its old position.
        show(view, a);
        QCOMPARE(tabs->count(), 3);
        delete pa;
        QCOMPARE(tabs->count(), 2);
        view.set_current_widget(a2);
        QCOMPARE(view.current_widget(), pa2.data());
        QCOMPARE(a2.index(), 1);

        // A page gone before it was ever shown leaves an empty tab widget.
        delete pc.data();
        show(view, c);
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->widget(0), pc1.data());
    }

    void list_refuses_children_and_sizes_from_hints()
    {
        detail::list_view view(area_.get());
        view.init_ui();
        view.list()->setItemDelegate(new KLikeListViewDelegate(view.list()));

        auto* big = new recording_page("Connection of the device", nullptr, QSize(400, 300));
        preferences_item first = add(view, items_, big);
        QCOMPARE(view.list()->width(), expected_width(view.list()));
        QStackedWidget* stack = view.stack();
        const int own = stack->minimumSizeHint().width();
        QCOMPARE(stack->minimumWidth(), std::max(400, own) + 5);
        QCOMPARE(stack->minimumHeight(), std::max(300, stack->minimumSizeHint().height()));
        const int one_row = view.list()->width();

        auto* small = new recording_page("Xy", nullptr, QSize(50, 40));
        preferences_item second = add(view, items_, small);
        QCOMPARE(view.list()->width(), expected_width(view.list()));
        QCOMPARE(view.list()->width(), one_row);  // the wider row still rules
        // The later, smaller page lowers the minimum again.
        QCOMPARE(stack->minimumWidth(), std::max(50, stack->minimumSizeHint().width()) + 5);
        QCOMPARE(first.index(), 0);
        QCOMPARE(second.index(), 1);

        preferences_item child(new preferences_widget(nullptr, "child"), first);
        items_.push_back(child);
        QCOMPARE(test_support::error_of([&] { view.insert_item(child, first); }),
                 std::string("No child allowed in List-represented config UI"));
        QCOMPARE(view.list()->count(), 2);

        // The header line follows the page shown.
        big->set_header("Device connection");
        big->set_icon(square_icon(Qt::red));
        show(view, second);
        QCOMPARE(view.current_widget(), small);
        QVERIFY(view.header_label()->text().isEmpty());
        QVERIFY(view.icon_label()->pixmap(Qt::ReturnByValue).isNull());
        show(view, first);
        QCOMPARE(view.current_widget(), big);
        QCOMPARE(view.header_label()->text(), QString("Device connection"));
        QCOMPARE(view.icon_label()->pixmap(Qt::ReturnByValue).size(), view.icon_label()->size());
        QCOMPARE(view.list()->currentRow(), 0);
    }

    void tree_takes_any_depth()
    {
        detail::tree_view view(area_.get());
        view.init_ui();
        QVERIFY(view.tree()->isHeaderHidden());

        preferences_item top = add(view, items_, new preferences_widget(nullptr, "Top"));
        const int top_only = view.tree()->width();
        QCOMPARE(top_only, view.tree()->sizeHintForIndex(view.tree()->model()->index(0, 0)).width() + 25);

        preferences_item mid = add(view, items_, new preferences_widget(nullptr, "Middle"), top);
        preferences_item low =
            add(view, items_, new preferences_widget(nullptr, "A much longer name than any top row has"), mid);
        QTreeWidgetItem* low_row = std::get<0>(low.list_item());
        QVERIFY(low_row);
        QCOMPARE(low_row->parent(), std::get<0>(mid.list_item()));
        QCOMPARE(std::get<0>(mid.list_item())->parent(), std::get<0>(top.list_item()));
        QCOMPARE(view.tree()->width(), top_only);  // children are not measured
        QCOMPARE(low.index(), 2);

        show(view, low);
        QCOMPARE(view.current_widget(), low.widget());
        QCOMPARE(view.tree()->currentItem(), low_row);
        QVERIFY(low_row->data(0, preferences_item::qobject_property_role).value<preferences_item>() == low);
    }
};

VELMORA_TEST_MAIN(tst_navigators)
#include "tst_navigators.moc"
