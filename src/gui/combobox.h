#pragma once
// A choice among the codes of an item's value table: shows the entry of
// the code the driver reports and writes the code of every pick at once.

#include "gui/controller.h"

#include <QComboBox>
#include <QPalette>

class combobox : public QComboBox, public controller {
    Q_OBJECT
public:
    // Throws "can't extract value from item" unless the item has exactly
    // one register, before the item is watched.
    combobox(const profiles::item& item, std::shared_ptr<device> dev);

    void item_changed(const profiles::item& it) override;

public slots:
    void index_changed(int i);

private:
    // The first entry holding the item's code; -1 for none.
    int find_code(const profiles::item& it) const;

    QPalette normal_palette_;
};
