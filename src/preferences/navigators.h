#pragma once
// The navigators of the preferences dialog: how its pages are laid out in
// the dialog's page area and how the user picks one. The dialog drives
// them through base_view only; the concrete kinds show their widgets so
// that the dialog can wire them and tests can look at them.
//
// A navigator creates its widgets in init_ui() inside the page area and
// never owns them: they go with the page area, so a navigator may outlive
// its widgets and must not touch them when it dies.

#include "preferences/preferences_item.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

class preferences_widget;

namespace detail {

class base_view {
public:
    explicit base_view(QWidget* page_area);
    virtual ~base_view();

    // Makes the navigation entry of a new page; throws std::runtime_error,
    // before anything changes, when this kind can't take a page there.
    virtual void insert_item(preferences_item item, preferences_item parent);
    // Places the new page's widget.
    virtual void insert_widget(preferences_item item);
    // The page shown now, or null.
    virtual const preferences_widget* current_widget() const;
    // Shows the page.
    virtual void set_current_widget(preferences_item item);
    // Selects the page's entry in the list or tree.
    virtual void set_current_item(preferences_item item);
    virtual void init_ui();

    // Throws what insert_item would throw for a page under `parent`, and
    // does nothing else; lets the dialog refuse a page before it records it.
    virtual void check_item(const preferences_item& parent) const;

    QWidget* page_area() const { return page_area_; }

protected:
    QPointer<QWidget> page_area_;
};

// One page and nothing else.
class plain_view : public base_view {
public:
    explicit plain_view(QWidget* page_area);

    void insert_widget(preferences_item item) override;
    const preferences_widget* current_widget() const override;
    void init_ui() override;

private:
    QPointer<preferences_widget> page_;
};

// A list of the top pages; a tab widget with the selected top page and
// its children. The pages of the other top pages wait outside, detached.
class tab_view : public base_view {
public:
    explicit tab_view(QWidget* page_area);

    void insert_item(preferences_item item, preferences_item parent) override;
    void insert_widget(preferences_item item) override;
    const preferences_widget* current_widget() const override;
    void set_current_widget(preferences_item item) override;
    void set_current_item(preferences_item item) override;
    void init_ui() override;
    void check_item(const preferences_item& parent) const override;

    QListWidget* list() const { return list_; }
    QTabWidget* tabs() const { return tabs_; }

private:
    void add_tab(preferences_item item);

    QPointer<QListWidget> list_;
    QPointer<QTabWidget> tabs_;
};

// What the list and tree navigators share: a header line (text and icon)
// above a stack of all the pages.
class stack_view : public base_view {
public:
    explicit stack_view(QWidget* page_area);

    void insert_widget(preferences_item item) override;
    const preferences_widget* current_widget() const override;
    void set_current_widget(preferences_item item) override;

    QLabel* header_label() const { return header_; }
    QLabel* icon_label() const { return icon_; }
    QStackedWidget* stack() const { return stack_; }

protected:
    // Lays out the selector at the left of the header line and the stack.
    void init_ui_with(QWidget* selector);

private:
    QPointer<QLabel> header_;
    QPointer<QLabel> icon_;
    QPointer<QStackedWidget> stack_;
};

// A list of top pages only.
class list_view : public stack_view {
public:
    explicit list_view(QWidget* page_area);

    void insert_item(preferences_item item, preferences_item parent) override;
    void set_current_item(preferences_item item) override;
    void init_ui() override;
    void check_item(const preferences_item& parent) const override;

    QListWidget* list() const { return list_; }

private:
    QPointer<QListWidget> list_;
};

// A tree of pages of any depth.
class tree_view : public stack_view {
public:
    explicit tree_view(QWidget* page_area);

    void insert_item(preferences_item item, preferences_item parent) override;
    void set_current_item(preferences_item item) override;
    void init_ui() override;

    QTreeWidget* tree() const { return tree_; }

private:
    QPointer<QTreeWidget> tree_;
};

} // namespace detail
