#include "gui/pushbutton.h"

pushbutton::pushbutton(const profiles::item& item, std::shared_ptr<device> dev)
    : QPushButton(nullptr), controller(item, std::move(dev), false)
{
}

void pushbutton::item_changed(const profiles::item&) {}

void pushbutton::changed(const profiles::item&) {}

void pushbutton::clicked()
{
    try {
        // The device itself refuses a read-only item.
        device_->write_item(item_);
    } catch (...) {
        set_error_later();
    }
}
