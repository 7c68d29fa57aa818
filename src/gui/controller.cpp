#include "gui/controller.h"

#include "services/tools.h"
#include "services/widgets/boxes.h"

#include <QCoreApplication>

#include <QWidget>

#include <cmath>
#include <cstdint>
#include <stdexcept>

item_change_handler::item_change_handler(QObject* parent, std::function<void(const profiles::item&)> callback)
    : QObject(parent), callback_(std::move(callback))
{
}

void item_change_handler::activate(const profiles::item& item)
{
    // A control may be destroyed by what its repaint runs (a nested event
    // loop), and this handler with it: call a copy.
    const auto callback = callback_;
    if (callback)
        callback(item);
}

controller::controller(const profiles::item& item, std::shared_ptr<device> dev, bool watch)
    : item_(item), device_(std::move(dev)), watching_(watch), handler_(nullptr)
{
    if (watching_) {
        const bool connected = connect_impl(device_.get(), SIGNAL(item_changed(profiles::item)),
                                            [this](const profiles::item& it) { changed_impl(it); });
        if (!connected) {
            // Its callback would outlive us in the device's children.
            delete handler_;
            handler_ = nullptr;
            throw std::runtime_error("can't connect to the device's notifications");
        }
        device_->add_item_watch(item_);
    }
}

controller::~controller()
{
    delete handler_;
    handler_ = nullptr;
    if (watching_)
        device_->remove_item_watch(item_);
}

void controller::force_change(const profiles::item&) {}

void controller::changed_impl(const profiles::item& it)
{
    if (it.address != item_.address || it.gui != item_.gui)
        return;
    force_change(it);
    const bool differ = it.value.data != item_.value.data;
    item_ = it;
    if (differ)
        item_changed(item_);
}

void controller::set_data_impl(const std::vector<unsigned short>& words)
{
    profiles::item copy = item_;
    copy.set_data(words);
    if (copy.dir != profiles::ro)
        device_->write_item(copy);
    item_.set_data(words);
}

void paint(QWidget& w, QPalette::ColorRole role, const QColor& colour)
{
    QPalette p = w.palette();
    p.setBrush(role, QBrush(colour));
    w.setPalette(p);
}

void paint_read_only(QWidget& w)
{
    paint(w, QPalette::Base, w.palette().color(QPalette::Disabled, QPalette::Base));
}

void paint_editing(QWidget& w)
{
    paint(w, QPalette::Base, Qt::yellow);
}

std::vector<unsigned short> pack_value(double value, const profiles::item& item)
{
    const unsigned count = item.length();
    if (count != 1 && count != 2)
        throw std::runtime_error("can't extract value from item");

    // Pinned to single precision: what the drivers have always been sent.
    const float v = static_cast<float>(value);
    const float raw = std::round((v - item.offset) / item.scale);
    if (!std::isfinite(raw))
        throw std::runtime_error("value out of range");

    // What the registers can hold, read as signed or as unsigned
    // (so that -1 still gives 0xFFFF for an unsigned register).
    const double low = count == 1 ? -32768.0 : -2147483648.0;
    const double high = item.value.is_signed ? (count == 1 ? 32767.0 : 2147483647.0)
                                             : (count == 1 ? 65535.0 : 4294967295.0);
    if (raw < low || raw > high)
        throw std::runtime_error("value out of range");

    const std::int64_t n = static_cast<std::int64_t>(raw);
    const std::uint32_t bits = static_cast<std::uint32_t>(n);
    if (count == 1)
        return {static_cast<unsigned short>(bits & 0xFFFF)};
    return {static_cast<unsigned short>(bits >> 16), static_cast<unsigned short>(bits & 0xFFFF)};
}

void set_error_later()
{
    tools::singleShot(0, [] {
        invoke_msg(nullptr, QMessageBox::Critical, QCoreApplication::translate("QObject", "Set error"),
                   QCoreApplication::translate("QObject", "Unable to set data."), QMessageBox::Ok);
    });
}
