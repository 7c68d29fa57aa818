#pragma once
// A dialog that hosts preferences pages under one navigator and runs the
// flow of its buttons Ok, Apply, Cancel and Restore Defaults.
//
// Pages are added with add_item(); the handle it returns is the parent of
// further pages. The dialog takes the pages over: they die with the dialog.
// Apply being enabled is the dialog's only record that the current page has
// unsaved edits: Ok applies them, Cancel discards them, a switch to another
// page asks first. The current page is the one the navigator shows: when it
// is destroyed elsewhere, the page shown instead becomes current, and the
// dead page's edits are lost with it.
//
// Standard buttons are named by their QDialogButtonBox::StandardButton
// values as plain ints.

#include "preferences/preferences_item.h"
#include "preferences/preferences_widget.h"

#include <QDialog>

#include <list>
#include <memory>

class QPushButton;

class preferences_dialog : public QDialog {
    Q_OBJECT
public:
    enum Type {
        tree_type = 0,
        tab_type = 1,
        list_type = 2,
        plain_type = 3,
        // Chooses the navigator again from the shape of the pages after
        // every add_item.
        auto_type = 4
    };

    // The bool has no effect.
    preferences_dialog(Type type, bool, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~preferences_dialog() override;

    // Adds `page` under `parent` (the null handle: a top page). Throws
    // std::runtime_error and changes nothing when the navigator can't take
    // the page there, or for a second page of a plain dialog.
    preferences_item add_item(preferences_widget* page, const preferences_item& parent = preferences_item());

    // The navigator that suits the pages added so far.
    Type calculate_type() const;

    // Throws std::runtime_error("no such button") for a button the box lacks.
    QPushButton* button(int which) const;

    // Button states of a fresh dialog: Apply off, the others on.
    void reset();

    // The navigator kind built now (never auto_type).
    Type current_type() const;

public slots:
    void changed();
    void accept() override;
    void reject() override;
    void apply_current();
    void reject_current();
    void restoreClicked();
    void okClicked();
    void applyClicked();
    void cancelClicked();
    const preferences_item& current_item() const;
    const preferences_widget* current_widget() const;

private slots:
    void button_clicked(int button);
    void item_changed(preferences_item new_item);

private:
    void setup_ui();
    void setup_clear();
    void build_view(Type kind);
    void rebuild(Type kind);
    void show_current();
    bool adopt_shown(const preferences_item& new_item);
    // Has the current page store (accept) or drop (reject) its edits.
    void settle_current(void (preferences_widget::*operation)());
    bool apply_enabled() const;

    struct Pimpl;
    std::unique_ptr<Pimpl> d_;
};
