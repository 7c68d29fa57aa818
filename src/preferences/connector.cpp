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

void connector::currentTabChanged(int index)
{
    // An emptied tab widget reports -1 and shows no page; a page destroyed
    // elsewhere that was never placed has -1 and no widget as well, and
    // must not pass for the page shown.
    if (index < 0 || !dialog_)
        return;
    const preferences_widget* shown = dialog_->current_widget();
    if (!shown)
        return;
    for (const preferences_item& item : items_) {
        if (item.widget() == shown && item.index() == index) {
            const preferences_item found = item;
            emit item_changed(found);
            return;
        }
    }
}

void connector::buttonClicked(QAbstractButton* button)
{
    emit button_clicked(buttons_ ? static_cast<int>(buttons_->standardButton(button)) : 0);
}

} // namespace detail
