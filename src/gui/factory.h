#pragma once
// Widgets for profile items: one control per item, and panels that stack
// the controls of a list of items in a column.

#include "device/device.h"
#include "dorvane/profile.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;
class spinbox;
class doublespinbox;

typedef std::function<QWidget*(const profiles::item&, std::shared_ptr<device>)> gui_creator;

// The creator of each widget kind.
const std::map<profiles::item_gui, gui_creator>& factory();

// Fills `panel` (which must have no layout yet) with one row per item, in
// order; a row that can't be built shows a placeholder after an error box.
QWidget* create_panel(QWidget* panel, const std::vector<profiles::item>& items, std::shared_ptr<device> dev);
// A new widget for the item; throws for a kind without creator and for an
// item its control can't show.
QWidget* create_gui(const profiles::item& item, std::shared_ptr<device> dev);

QWidget* create_label(const profiles::item& item, std::shared_ptr<device> dev);
QWidget* create_spin(const profiles::item& item, std::shared_ptr<device> dev);
QWidget* create_fbox(const profiles::item& item, std::shared_ptr<device> dev);
QWidget* create_combo(const profiles::item& item, std::shared_ptr<device> dev);
QWidget* create_button(const profiles::item& item, std::shared_ptr<device> dev);
QWidget* create_string(const profiles::item& item, std::shared_ptr<device> dev);

spinbox* create_spinbox(const profiles::item& item, std::shared_ptr<device> dev);
doublespinbox* create_spinbox_d(const profiles::item& item, std::shared_ptr<device> dev, int decimals);

// A frame with the item's caption left of the control.
QWidget* wrap_with_label(QWidget* control, const profiles::item& item);
