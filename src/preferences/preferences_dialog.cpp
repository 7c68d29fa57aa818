#include "preferences/preferences_dialog.h"
#include "preferences/connector.h"
#include "preferences/delegate.h"
#include "preferences/navigators.h"

#include "dorvane/syslog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iostream>
#include <stdexcept>

namespace {

cl::syslog::module ___syslog("preferences");

} // namespace

struct preferences_dialog::Pimpl {
    std::unique_ptr<detail::base_view> view;
    QVBoxLayout* layout = nullptr;
    QWidget* main_widget = nullptr;
    QGridLayout* grid = nullptr;
    QDialogButtonBox* buttons = nullptr;
    std::list<preferences_item> items;
    preferences_item current;
    Type type;
    Type current_type = plain_type;
    QPointer<QWidget> page_area;
    detail::connector* connector = nullptr;

    explicit Pimpl(Type t) : type(t) {}

    // The old navigator's widgets must not report their own tear-down, nor
    // the pages being taken out of them, as page switches.
    void mute_page_area()
    {
        if (page_area && connector)
            for (QObject* o : page_area->findChildren<QObject*>())
                QObject::disconnect(o, nullptr, connector, nullptr);
    }

    void drop_page_area()
    {
        if (!page_area)
            return;
        mute_page_area();
        delete page_area.data();
    }

    // The page area goes first, with the pages shown in it; releasing the
    // handles then deletes the pages that wait outside. The navigator's
    // widgets are gone by the time it is destroyed.
    void teardown()
    {
        drop_page_area();
        current = preferences_item();
        items.clear();
        view.reset();
    }

    ~Pimpl() { teardown(); }
};

namespace {

// Qt's frames don't carry exceptions: what a page or a handle throws in a
// slot ends here, is logged and shown, and the dialog stays as it was at
// that point.
template <typename F>
void guarded(QWidget* dialog, F&& f)
{
    try {
        f();
        return;
    } catch (const std::exception& e) {
        VLOG(cl::syslog::err) << "preferences failed: " << e.what();
        QMessageBox::critical(dialog, preferences_dialog::tr("Error"), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        VLOG(cl::syslog::err) << "preferences failed";
        QMessageBox::critical(dialog, preferences_dialog::tr("Error"), preferences_dialog::tr("Unknown error"));
    }
}

} // namespace

preferences_dialog::preferences_dialog(Type type, bool, QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), d_(std::make_unique<Pimpl>(type))
{
    setup_ui();
    button(QDialogButtonBox::RestoreDefaults)->setAutoDefault(false);
    button(QDialogButtonBox::Ok)->setDefault(true);
    connect(d_->connector, &detail::connector::item_changed, this, &preferences_dialog::item_changed);
    connect(d_->connector, &detail::connector::button_clicked, this, &preferences_dialog::button_clicked);
    reset();
}

preferences_dialog::~preferences_dialog()
{
    // While the record is still there for anything the tear-down reaches.
    d_->teardown();
}

void preferences_dialog::setup_ui()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("preferences_dialog_form"));
    resize(500, 137);

    d_->layout = new QVBoxLayout(this);
    d_->layout->setContentsMargins(5, 5, 5, 5);
    d_->layout->setObjectName(QStringLiteral("verticalLayout"));
    d_->layout->setSizeConstraint(QLayout::SetMinimumSize);

    d_->main_widget = new QWidget(this);
    d_->main_widget->setObjectName(QStringLiteral("main_widget"));

    d_->grid = new QGridLayout(d_->main_widget);
    d_->grid->setContentsMargins(0, 0, 0, 0);
    d_->grid->setObjectName(QStringLiteral("gridLayout"));
    d_->grid->setSizeConstraint(QLayout::SetMinimumSize);

    d_->layout->addWidget(d_->main_widget);

    d_->buttons = new QDialogButtonBox(this);
    d_->buttons->setObjectName(QStringLiteral("buttons"));
    d_->buttons->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel |
                                    QDialogButtonBox::RestoreDefaults);
    d_->layout->addWidget(d_->buttons);

    setWindowTitle(QCoreApplication::translate("preferences_dialog_form", "Dialog"));

    d_->connector = new detail::connector(this, d_->items, d_->buttons);

    resize(10, 10);

    setup_clear();
    build_view(d_->type == auto_type ? plain_type : d_->type);

    connect(d_->buttons, &QDialogButtonBox::clicked, d_->connector, &detail::connector::buttonClicked);
}

void preferences_dialog::setup_clear()
{
    d_->mute_page_area();
    for (preferences_item& item : d_->items)
        item.summon();
    QWidget* fresh = new QWidget;
    d_->drop_page_area();
    d_->page_area = fresh;
    d_->grid->addWidget(fresh, 0, 0);
}

void preferences_dialog::build_view(Type kind)
{
    std::unique_ptr<detail::base_view> view;
    QListWidget* list = nullptr;
    const auto connect_list = [this](QListWidget* l) {
        connect(l, &QListWidget::currentItemChanged, d_->connector,
                qOverload<QListWidgetItem*, QListWidgetItem*>(&detail::connector::currentItemChanged));
    };
    switch (kind) {
    case tree_type: {
        auto* v = new detail::tree_view(d_->page_area);
        view.reset(v);
        v->init_ui();
        connect(v->tree(), &QTreeWidget::currentItemChanged, d_->connector,
                qOverload<QTreeWidgetItem*, QTreeWidgetItem*>(&detail::connector::currentItemChanged));
        connect(v->stack(), &QStackedWidget::currentChanged, d_->connector, &detail::connector::stack_changed);
        break;
    }
    case tab_type: {
        auto* v = new detail::tab_view(d_->page_area);
        view.reset(v);
        v->init_ui();
        list = v->list();
        connect_list(list);
        connect(v->tabs(), &QTabWidget::currentChanged, d_->connector, &detail::connector::currentTabChanged);
        break;
    }
    case list_type: {
        auto* v = new detail::list_view(d_->page_area);
        view.reset(v);
        v->init_ui();
        list = v->list();
        connect_list(list);
        connect(v->stack(), &QStackedWidget::currentChanged, d_->connector, &detail::connector::stack_changed);
        break;
    }
    case plain_type:
    case auto_type:
        view = std::make_unique<detail::plain_view>(d_->page_area);
        view->init_ui();
        kind = plain_type;
        break;
    }
    // Owned by the list, so that it goes with the navigator's widgets.
    if (list)
        list->setItemDelegate(new KLikeListViewDelegate(list));
    d_->view = std::move(view);
    d_->current_type = kind;
}

preferences_dialog::Type preferences_dialog::current_type() const { return d_->current_type; }

preferences_dialog::Type preferences_dialog::calculate_type() const
{
    if (d_->items.size() == 1)
        return plain_type;
    Type result = list_type;
    for (const preferences_item& item : d_->items) {
        const preferences_item parent = item.parent();
        if (!parent)
            continue;
        if (parent.parent())
            return tree_type;
        result = tab_type;
    }
    return result;
}

preferences_item preferences_dialog::add_item(preferences_widget* page, const preferences_item& parent)
{
    if (d_->type == plain_type && !d_->items.empty())
        throw std::runtime_error("plain type occured!");
    if (!page)
        throw std::runtime_error("no page given");
    // A fixed navigator refuses before the page is recorded anywhere: a
    // refused page must not count for Apply or for the navigator's kind.
    if (d_->type != auto_type)
        d_->view->check_item(parent);

    preferences_item item(page, parent);
    d_->items.push_back(item);
    if (d_->items.size() == 1)
        d_->current = item;
    connect(page, &preferences_widget::changed, this, &preferences_dialog::changed);

    if (d_->type == auto_type) {
        const Type kind = calculate_type();
        if (kind != d_->current_type) {
            rebuild(kind);
            return item;
        }
    }

    d_->view->insert_item(item, parent);
    d_->view->insert_widget(item);
    if (d_->items.size() == 1) {
        d_->current = item;
        show_current();
    }
    return item;
}

void preferences_dialog::rebuild(Type kind)
{
    d_->current_type = kind;
    setup_clear();
    build_view(kind);
    for (const preferences_item& item : d_->items) {
        d_->view->insert_item(item, item.parent());
        d_->view->insert_widget(item);
    }
    if (d_->current)
        show_current();
}

// Selects the current page, lets it load its settings, then shows it.
void preferences_dialog::show_current()
{
    QPointer<preferences_dialog> self(this);
    const preferences_item current = d_->current;
    d_->view->set_current_item(current);
    if (preferences_widget* page = current.widget())
        page->update_preferences();
    if (self)
        d_->view->set_current_widget(current);
}

QPushButton* preferences_dialog::button(int which) const
{
    QPushButton* b = d_->buttons->button(static_cast<QDialogButtonBox::StandardButton>(which));
    if (!b)
        throw std::runtime_error("no such button");
    return b;
}

bool preferences_dialog::apply_enabled() const { return button(QDialogButtonBox::Apply)->isEnabled(); }

void preferences_dialog::reset()
{
    button(QDialogButtonBox::RestoreDefaults)->setEnabled(true);
    button(QDialogButtonBox::Ok)->setEnabled(true);
    button(QDialogButtonBox::Cancel)->setEnabled(true);
    button(QDialogButtonBox::Apply)->setEnabled(false);
}

void preferences_dialog::changed()
{
    guarded(this, [this] {
        button(QDialogButtonBox::RestoreDefaults)->setEnabled(true);
        button(QDialogButtonBox::Apply)->setEnabled(true);
    });
}

void preferences_dialog::apply_current() { settle_current(&preferences_widget::accept); }

void preferences_dialog::reject_current() { settle_current(&preferences_widget::reject); }

// A page destroyed elsewhere is not called; the buttons follow all the same.
void preferences_dialog::settle_current(void (preferences_widget::*operation)())
{
    guarded(this, [this, operation] {
        QPointer<preferences_dialog> self(this);
        if (preferences_widget* page = d_->current.widget())
            (page->*operation)();
        if (self)
            button(QDialogButtonBox::Apply)->setEnabled(false);
    });
}

void preferences_dialog::applyClicked() { apply_current(); }

void preferences_dialog::okClicked()
{
    guarded(this, [this] {
        if (apply_enabled()) {
            QPointer<preferences_dialog> self(this);
            apply_current();
            // A page that failed to store its edits keeps the dialog open.
            if (!self || apply_enabled())
                return;
        }
        QDialog::accept();
    });
}

void preferences_dialog::cancelClicked()
{
    guarded(this, [this] {
        if (apply_enabled()) {
            QPointer<preferences_dialog> self(this);
            reject_current();
            if (!self)
                return;
        }
        QDialog::reject();
    });
}

void preferences_dialog::accept() { okClicked(); }

void preferences_dialog::reject() { cancelClicked(); }

void preferences_dialog::restoreClicked()
{
    guarded(this, [this] {
        QPointer<preferences_dialog> self(this);
        const int answer = QMessageBox::question(this, tr("Restore to defaults"),
                                                 tr("Continue to restore defaults settings?"),
                                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
        if (!self || answer != QMessageBox::Ok)
            return;
        const preferences_item current = d_->current;
        preferences_widget* page = current.widget();
        if (apply_enabled()) {
            reject_current();
            if (!self)
                return;
            page = current.widget();
        }
        if (page)
            page->reset_defaults();
        if (!self)
            return;
        // Overrides the changed() a page emits while it stores its defaults.
        button(QDialogButtonBox::RestoreDefaults)->setEnabled(false);
        button(QDialogButtonBox::Apply)->setEnabled(false);
    });
}

const preferences_item& preferences_dialog::current_item() const { return d_->current; }

const preferences_widget* preferences_dialog::current_widget() const
{
    return d_ && d_->view ? d_->view->current_widget() : nullptr;
}

void preferences_dialog::button_clicked(int button)
{
    switch (button) {
    case QDialogButtonBox::Ok:
        okClicked();
        break;
    case QDialogButtonBox::Apply:
        apply_current();
        break;
    case QDialogButtonBox::Cancel:
        cancelClicked();
        break;
    case QDialogButtonBox::RestoreDefaults:
        restoreClicked();
        break;
    default:
        std::cerr << "unknown button" << std::endl;
        break;
    }
}

// When the current page is destroyed elsewhere, its navigator shows another
// page by itself, and that one becomes current: no question, since the
// dead page's edits can be neither applied nor discarded, and Apply then
// speaks for the new page, which has none.
bool preferences_dialog::adopt_shown(const preferences_item& new_item)
{
    if (!d_->current || d_->current.widget() || !new_item)
        return false;
    const preferences_widget* page = new_item.widget();
    if (!page || page != current_widget())
        return false;
    d_->current = new_item;
    button(QDialogButtonBox::Apply)->setEnabled(false);
    show_current();
    return true;
}

void preferences_dialog::item_changed(preferences_item new_item)
{
    guarded(this, [this, new_item] {
        if (new_item == d_->current)
            return;
        if (adopt_shown(new_item))
            return;
        QPointer<preferences_dialog> self(this);

        // The new page loads its stored values before anything is asked.
        // widget() also refuses a row that carries no handle.
        if (preferences_widget* page = new_item.widget())
            page->update_preferences();
        if (!self)
            return;

        if (apply_enabled()) {
            const int answer = QMessageBox::question(
                this, tr("Apply settings"), tr("Current page has unsaved changes.\nApply this changes?"),
                QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Reset, QMessageBox::NoButton);
            if (!self)
                return;
            if (answer == QMessageBox::Ok) {
                apply_current();
            } else if (answer == QMessageBox::Reset) {
                reject_current();
            } else {
                d_->view->set_current_widget(d_->current);
                return;
            }
            if (!self)
                return;
            // A page that failed to store its edits stays current.
            if (apply_enabled()) {
                d_->view->set_current_widget(d_->current);
                return;
            }
        }

        d_->current = new_item;
        d_->view->set_current_widget(d_->current);
        d_->view->set_current_item(d_->current);
    });
}
