#include "preferences/connector.h"
#include "preferences/preferences_dialog.h"

#include <QDialogButtonBox>
#include <QListWidgetItem>
#include <QTreeWidgetItem>

namespace detail {

connector::connector(preferences_dialog* dialog, std::list<preferences_item>& items, QDialogButtonBox* buttons)
    : QObject(dialog), dialog_(dialog), items_(items), buttons_(buttons)
{
}

connector::~connector() = default;

// A row without a handle reports the null handle, which the dialog refuses;
// a widget that lost its current row (being cleared) reports nothing.
void connector::emit_row(const QVariant& handle)
{
    if (handle.userType() == qMetaTypeId<preferences_item>())
        emit item_changed(handle.value<preferences_item>());
    else
        emit item_changed(preferences_item());
}

void connector::currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    if (current)
        emit_row(current->data(0, preferences_item::qobject_property_role));
}

void connector::currentItemChanged(QListWidgetItem* current, QListWidgetItem*)
{
    if (current)
        emit_row(current->data(preferences_item::qobject_property_role));
}

// Reports the handle of the page shown now. A page destroyed elsewhere
// has no widget and never passes for it.
void connector::emit_shown()
{
    const preferences_widget* shown = dialog_->current_widget();
    if (!shown)
        return;
    for (const preferences_item& item : items_) {
        if (item.widget() == shown) {
            const preferences_item found = item;
            emit item_changed(found);
            return;
        }
    }
}

// The tab is matched by its page: a page destroyed elsewhere takes its tab
// with it, so the stored index of the tabs after it is stale.
void connector::currentTabChanged(int index)
{
    // An emptied tab widget reports -1 and shows no page.
    if (index < 0 || !dialog_)
        return;
    emit_shown();
}

// The stack moves when the dialog moves it, and while pages are added or
// taken out; none of that is news for the dialog. It moves by itself when
// the dialog's page is destroyed elsewhere: while the page dies, after its
// handle has lost the widget.
void connector::stack_changed(int index)
{
    if (index < 0 || !dialog_)
        return;
    const preferences_item& current = dialog_->current_item();
    if (!current || current.widget())
        return;
    emit_shown();
}

void connector::buttonClicked(QAbstractButton* button)
{
    emit button_clicked(buttons_ ? static_cast<int>(buttons_->standardButton(button)) : 0);
}

} // namespace detail
