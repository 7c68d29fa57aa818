#include "preferences/navigators.h"
#include "preferences/preferences_widget.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <stdexcept>

namespace detail {

namespace {

// A page destroyed elsewhere still has its row; the row then stays blank.
QString name_of(const preferences_item& item)
{
    const preferences_widget* w = item.widget();
    return w ? w->name() : QString();
}

QIcon icon_of(const preferences_item& item)
{
    const preferences_widget* w = item.widget();
    return w ? w->icon() : QIcon();
}

QHBoxLayout* bare_hbox(QWidget* parent = nullptr)
{
    auto* box = new QHBoxLayout(parent);
    box->setContentsMargins(0, 0, 0, 0);
    return box;
}

QVBoxLayout* bare_vbox()
{
    auto* box = new QVBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    return box;
}

// The selector is as wide as its widest top row, plus room for the frame
// and a scroll bar that may come.
void fit_width(QAbstractItemView* view)
{
    const QAbstractItemModel* model = view->model();
    int widest = 0;
    for (int r = 0; r < model->rowCount(); ++r)
        widest = std::max(widest, view->sizeHintForIndex(model->index(r, 0)).width());
    view->setFixedWidth(widest + 25);
}

// The container grows to the largest page it was given; the 5 pixels keep
// a page's right edge off the frame.
void fit_container(QWidget* container, const QWidget* page)
{
    const QSize page_hint = page->sizeHint();
    const QSize own_hint = container->minimumSizeHint();
    container->setMinimumSize(std::max(page_hint.width(), own_hint.width()) + 5,
                              std::max(page_hint.height(), own_hint.height()));
}

QListWidgetItem* new_list_row(QListWidget* list, preferences_item item)
{
    auto* row = new QListWidgetItem(icon_of(item), name_of(item), nullptr, QListWidgetItem::Type);
    row->setData(preferences_item::qobject_property_role, QVariant::fromValue(item));
    item.set_list_item(preferences_item::list_item_t(nullptr, row));
    list->insertItem(list->count(), row);
    return row;
}

} // namespace

// ---- base_view ----

base_view::base_view(QWidget* page_area) : page_area_(page_area) {}
base_view::~base_view() = default;

void base_view::insert_item(preferences_item, preferences_item) {}
void base_view::insert_widget(preferences_item) {}
const preferences_widget* base_view::current_widget() const { return nullptr; }
void base_view::set_current_widget(preferences_item) {}
void base_view::set_current_item(preferences_item) {}
void base_view::init_ui() {}
void base_view::check_item(const preferences_item&) const {}

// ---- plain_view ----

plain_view::plain_view(QWidget* page_area) : base_view(page_area) {}

void plain_view::init_ui()
{
    bare_hbox(page_area_);
}

void plain_view::insert_widget(preferences_item item)
{
    // One page only: a new one replaces (and ends) the one held.
    if (page_ != item.widget())
        delete page_.data();
    page_ = item.widget();
    if (page_ && page_area_ && page_area_->layout())
        page_area_->layout()->addWidget(page_);
}

const preferences_widget* plain_view::current_widget() const { return page_; }

// ---- tab_view ----

tab_view::tab_view(QWidget* page_area) : base_view(page_area) {}

void tab_view::init_ui()
{
    list_ = new QListWidget;
    tabs_ = new QTabWidget;
    QHBoxLayout* row = bare_hbox(page_area_);
    row->addWidget(list_);
    QVBoxLayout* column = bare_vbox();
    row->addLayout(column);
    column->addWidget(tabs_);
}

void tab_view::check_item(const preferences_item& parent) const
{
    if (parent && parent.parent())
        throw std::runtime_error("no child allowed in tabs");
}

void tab_view::insert_item(preferences_item item, preferences_item parent)
{
    check_item(parent);
    if (!parent)
        new_list_row(list_, item);
    else
        item.set_list_item(parent.list_item());
    fit_width(list_);
}

void tab_view::insert_widget(preferences_item item)
{
    QListWidgetItem* row = std::get<1>(item.list_item());
    if (row && row == list_->currentItem())
        add_tab(item);
}

void tab_view::add_tab(preferences_item item)
{
    preferences_widget* page = item.widget();
    if (!page)
        return;
    item.set_index(tabs_->addTab(page, page->icon(), page->name()));
    fit_container(tabs_, page);
}

const preferences_widget* tab_view::current_widget() const
{
    return tabs_ ? qobject_cast<const preferences_widget*>(tabs_->currentWidget()) : nullptr;
}

void tab_view::set_current_widget(preferences_item item)
{
    // A page that has its tab only needs to come to the front. Its tab is
    // looked up, not taken from the index: a page destroyed elsewhere takes
    // its tab with it and shifts the tabs after it.
    if (item.index() != -1 && item.widget()) {
        const int at = tabs_->indexOf(item.widget());
        if (at != -1) {
            item.set_index(at);
            tabs_->setCurrentIndex(at);
            return;
        }
    }

    // Taking the pages out and refilling runs the tab widget through pages
    // nobody chose; told, the dialog would switch to them.
    const QSignalBlocker quiet(tabs_.data());
    for (int r = 0; r < list_->count(); ++r) {
        const QVariant v = list_->item(r)->data(preferences_item::qobject_property_role);
        if (v.userType() == qMetaTypeId<preferences_item>())
            v.value<preferences_item>().summon();
    }
    while (QWidget* left = tabs_->currentWidget())
        delete left;
    tabs_->clear();

    add_tab(item);
    for (const preferences_item& child : item.childs())
        add_tab(child);
}

void tab_view::set_current_item(preferences_item item)
{
    if (QListWidgetItem* row = std::get<1>(item.list_item()))
        list_->setCurrentItem(row);
}

// ---- stack_view ----

stack_view::stack_view(QWidget* page_area) : base_view(page_area) {}

void stack_view::init_ui_with(QWidget* selector)
{
    header_ = new QLabel;
    icon_ = new QLabel;
    icon_->setFixedSize(32, 32);
    stack_ = new QStackedWidget;

    QHBoxLayout* row = bare_hbox(page_area_);
    row->addWidget(selector);
    QVBoxLayout* column = bare_vbox();
    row->addLayout(column);
    QHBoxLayout* header_line = bare_hbox();
    column->addLayout(header_line);
    header_line->addWidget(header_);
    header_line->addWidget(icon_);
    column->addWidget(stack_);
}

void stack_view::insert_widget(preferences_item item)
{
    preferences_widget* page = item.widget();
    if (!page)
        return;
    item.set_index(stack_->addWidget(page));
    fit_container(stack_, page);
}

const preferences_widget* stack_view::current_widget() const
{
    return stack_ ? qobject_cast<const preferences_widget*>(stack_->currentWidget()) : nullptr;
}

void stack_view::set_current_widget(preferences_item item)
{
    preferences_widget* page = item.widget();
    if (!page)
        return;
    stack_->setCurrentWidget(page);
    header_->setText(page->header());
    icon_->setPixmap(page->icon().pixmap(icon_->size(), QIcon::Normal, QIcon::Off));
}

// ---- list_view ----

list_view::list_view(QWidget* page_area) : stack_view(page_area) {}

void list_view::init_ui()
{
    list_ = new QListWidget;
    init_ui_with(list_);
}

void list_view::check_item(const preferences_item& parent) const
{
    if (parent)
        throw std::runtime_error("No child allowed in List-represented config UI");
}

void list_view::insert_item(preferences_item item, preferences_item parent)
{
    check_item(parent);
    new_list_row(list_, item);
    fit_width(list_);
}

void list_view::set_current_item(preferences_item item)
{
    if (QListWidgetItem* row = std::get<1>(item.list_item()))
        list_->setCurrentItem(row);
}

// ---- tree_view ----

tree_view::tree_view(QWidget* page_area) : stack_view(page_area) {}

void tree_view::init_ui()
{
    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    init_ui_with(tree_);
}

void tree_view::insert_item(preferences_item item, preferences_item parent)
{
    auto* row = new QTreeWidgetItem(QTreeWidgetItem::Type);
    row->setData(0, Qt::DecorationRole, icon_of(item));
    row->setData(0, Qt::DisplayRole, name_of(item));
    row->setData(0, preferences_item::qobject_property_role, QVariant::fromValue(item));
    item.set_list_item(preferences_item::list_item_t(row, nullptr));

    QTreeWidgetItem* above = parent ? std::get<0>(parent.list_item()) : nullptr;
    if (above)
        above->addChild(row);
    else
        tree_->addTopLevelItem(row);
    fit_width(tree_);
}

void tree_view::set_current_item(preferences_item item)
{
    if (QTreeWidgetItem* row = std::get<0>(item.list_item()))
        tree_->setCurrentItem(row);
}

} // namespace detail
