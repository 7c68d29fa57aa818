#pragma once
// A command: every press writes the item's fixed register image (for
// example a code for the command register). It never reads the device.

#include "gui/controller.h"

#include <QPushButton>

class pushbutton : public QPushButton, public controller {
    Q_OBJECT
public:
    // Does not watch its item.
    pushbutton(const profiles::item& item, std::shared_ptr<device> dev);

    void item_changed(const profiles::item& it) override;
    virtual void changed(const profiles::item& it);

public slots:
    void clicked();
};
