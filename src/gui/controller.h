#pragma once
// The binding of one control (or curve holder) to one profile item of the
// connected device: the control's own copy of the item, the shared device,
// the watch-list entry and the filter of the device's notifications.

#include "device/device.h"
#include "dorvane/profile.h"

#include <QObject>
#include <QPalette>

class QWidget;

#include <functional>
#include <memory>
#include <vector>

// Receives the device's per-item notifications for one controller.
class item_change_handler : public QObject {
    Q_OBJECT
public:
    item_change_handler(QObject* parent, std::function<void(const profiles::item&)> callback);

public slots:
    void activate(const profiles::item& item);

private:
    std::function<void(const profiles::item&)> callback_;
};

class controller {
public:
    virtual ~controller();

    // The control shows the new register image of `item` (its own cache).
    virtual void item_changed(const profiles::item& item) = 0;
    // Every notification about the control's own item, before the cache is
    // replaced.
    virtual void force_change(const profiles::item& item);

    const profiles::item& item() const { return item_; }

protected:
    controller(const profiles::item& item, std::shared_ptr<device> dev, bool watch);
    controller(const controller&) = delete;
    controller& operator=(const controller&) = delete;

    template <typename F>
    bool connect_impl(QObject* sender, const char* signal, F f)
    {
        auto* handler = new item_change_handler(sender, std::function<void(const profiles::item&)>(f));
        delete handler_;
        handler_ = handler;
        return QObject::connect(sender, signal, handler_, SLOT(activate(profiles::item)), Qt::AutoConnection);
    }

    // Keeps the notifications about this control's own item.
    void changed_impl(const profiles::item& it);
    // Writes new register words for the item (unless it is read-only) and
    // keeps them once the write succeeded.
    void set_data_impl(const std::vector<unsigned short>& words);

    profiles::item item_;
    std::shared_ptr<device> device_;
    bool watching_;
    // Owned here although its Qt parent is the device: deleted before the
    // device reference is released.
    item_change_handler* handler_;
};

// The looks the controls share, each one colour of a role in every colour
// group: a read-only control takes the Disabled group's Base colour, an edit
// in progress a yellow Base.
void paint(QWidget& w, QPalette::ColorRole role, const QColor& colour);
void paint_read_only(QWidget& w);
void paint_editing(QWidget& w);

// An engineering value as the register words of `item`. Throws
// std::runtime_error for a register count other than 1 or 2, and for a value
// that is not finite or does not fit the item's registers.
std::vector<unsigned short> pack_value(double value, const profiles::item& item);

// Schedules the "Set error" box of a failed write for when the event loop
// runs again, so that no modal box opens inside a control's own signal
// handling.
void set_error_later();
