#pragma once
// Turns the navigator's and the button box's Qt signals into the two the
// preferences dialog understands: the page now selected, and the standard
// button clicked.

#include "preferences/preferences_item.h"

#include <QObject>
#include <QPointer>

#include <list>

class QAbstractButton;
class QDialogButtonBox;
class QListWidgetItem;
class QTreeWidgetItem;
class preferences_dialog;

namespace detail {

class connector : public QObject {
    Q_OBJECT
public:
    // `items` is the dialog's own list of page handles; it must outlive
    // the connector (the dialog is its parent).
    connector(preferences_dialog* dialog, std::list<preferences_item>& items, QDialogButtonBox* buttons);
    ~connector() override;

signals:
    void item_changed(preferences_item item);
    // A QDialogButtonBox::StandardButton value; NoButton for a button that
    // is not one of the box's standard ones.
    void button_clicked(int button);

public slots:
    void currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void currentTabChanged(int index);
    // The page stack of the list and tree navigators.
    void stack_changed(int index);
    void buttonClicked(QAbstractButton* button);

private:
    void emit_row(const QVariant& handle);
    void emit_shown();

    QPointer<preferences_dialog> dialog_;
    std::list<preferences_item>& items_;
    QDialogButtonBox* buttons_;
};

} // namespace detail
