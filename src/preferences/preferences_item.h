#pragma once
// The handle of one page of a preferences dialog: the page widget, the row
// the navigator made for it, its place in the navigator's tab or stacked
// widget, its child pages and its parent page.
//
// Copies share one node. The last handle of a node deletes the page
// widget if it still exists, wherever it sits. A parent holds its
// children; a child sees its parent only as long as some handle (the
// dialog keeps one of every page) holds the parent, so a page tree never
// keeps itself alive.
//
// The default handle is the null handle: no page, or top level as a
// parent. Every member that reads or writes the node throws
// std::runtime_error on it.

#include <QMetaType>

#include <list>
#include <memory>
#include <tuple>

class QListWidgetItem;
class QTreeWidgetItem;
class preferences_widget;

class preferences_item {
public:
    // The item-data role under which list and tree rows carry a handle:
    // the eleventh user role (Qt 5 starts the user roles at 256).
    static constexpr int qobject_property_role = Qt::UserRole + 11;

    typedef std::tuple<QTreeWidgetItem*, QListWidgetItem*> list_item_t;

    preferences_item();
    preferences_item(preferences_widget* widget, preferences_item parent);

    bool operator==(const preferences_item& other) const { return node_ == other.node_; }
    bool operator!=(const preferences_item& other) const { return node_ != other.node_; }
    explicit operator bool() const { return static_cast<bool>(node_); }

    // Null once the page was destroyed elsewhere.
    preferences_widget* widget() const;

    // The page's position in the navigator's tab or stacked widget; -1
    // while it is not placed there.
    void set_index(int index);
    int index() const;

    void set_list_item(const list_item_t& entry);
    list_item_t list_item() const;

    // Appends to the children only; the child's parent link stays as it is.
    void add_child(preferences_item child);
    preferences_item parent() const;
    std::list<preferences_item> childs() const;

    // Takes the page, and every child page, out of the navigator's widgets
    // without destroying them; the rows stay.
    void summon();

private:
    struct Pimpl;
    explicit preferences_item(std::shared_ptr<Pimpl> node);

    std::shared_ptr<Pimpl> node_;
};

Q_DECLARE_METATYPE(preferences_item)
