#include "gui/spinbox.h"

#include <QKeyEvent>

#include <climits>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace {

// Refused before the item goes on the watch list: a register image we
// can't read as one number.
const profiles::item& checked(const profiles::item& item)
{
    const unsigned n = item.length();
    if ((n != 1 && n != 2) || item.value.data.size() != n)
        throw std::runtime_error("can't extract value from item");
    return item;
}

double raw_value(const profiles::item& item)
{
    checked(item);
    const std::vector<unsigned short>& d = item.value.data;
    if (item.length() == 1)
        return item.value.is_signed ? double(std::int16_t(d[0])) : double(d[0]);
    // High word first.
    const std::uint32_t bits = (std::uint32_t(d[0]) << 16) | d[1];
    return item.value.is_signed ? double(std::int32_t(bits)) : double(bits);
}

double engineering_value(const profiles::item& item)
{
    return raw_value(item) * double(item.scale) + double(item.offset);
}

// Truncated toward zero; what an int can't hold is held at its limits.
int to_int(double v)
{
    if (std::isnan(v))
        return 0;
    if (v <= double(INT_MIN))
        return INT_MIN;
    if (v >= double(INT_MAX))
        return INT_MAX;
    return static_cast<int>(v);
}

} // namespace

template <typename T>
spinbox_base<T>::spinbox_base(const profiles::item& item, std::shared_ptr<device> dev)
    : controller(checked(item), std::move(dev), true), editing_(false), current_(0.0), last_(0.0)
{
}

template <typename T>
void spinbox_base<T>::init()
{
    T& w = widget();
    if (item_.dir == profiles::ro) {
        w.setReadOnly(true);
        paint_read_only(w);
    } else {
        w.setReadOnly(false);
    }
    normal_palette_ = w.palette();

    const double scale = item_.scale;
    const double offset = item_.offset;
    double low;
    double high;
    if (item_.min == -1 && item_.max == -1) {
        low = -32768.0 * scale + offset;
        high = 32767.0 * scale + offset;
    } else {
        low = item_.min * scale + offset;
        high = item_.max * scale + offset;
    }
    if (!item_.value.is_signed)
        low = 0.0;
    w.set_limits(low, high);

    w.setAccelerated(true);
    w.setButtonSymbols(QAbstractSpinBox::NoButtons);

    current_ = last_ = engineering_value(item_);
    w.show_value(current_);
}

template <typename T>
void spinbox_base<T>::item_changed(const profiles::item& it)
{
    // Never over what the user is typing.
    if (editing_)
        return;
    // Our own value change is no edit; undone also when decoding throws.
    struct showing {
        bool& editing;
        ~showing() { editing = false; }
    } guard{editing_};
    editing_ = true;
    const double v = engineering_value(it);
    widget().show_value(v);
    // Escape and a failed write come back to what was shown last.
    last_ = v;
}

template <typename T>
void spinbox_base<T>::value_changed(double v)
{
    current_ = v;
    if (!editing_) {
        paint_editing(widget());
        editing_ = true;
    }
}

template <typename T>
void spinbox_base<T>::finished()
{
    if (!editing_)
        return;
    try {
        const std::vector<unsigned short> words = pack_value(current_, item_);
        if (words != item_.value.data) {
            set_data_impl(words);
            last_ = current_;
        }
    } catch (...) {
        // Whatever went wrong, it must not leave a Qt signal handler.
        current_ = last_;
        widget().show_value(last_);
        set_error_later();
    }
    widget().setPalette(normal_palette_);
    editing_ = false;
}

template <typename T>
void spinbox_base<T>::restore()
{
    current_ = last_;
    widget().show_value(last_);
    editing_ = false;
    widget().setPalette(normal_palette_);
}

template class spinbox_base<spinbox>;
template class spinbox_base<doublespinbox>;

spinbox::spinbox(const profiles::item& item, std::shared_ptr<device> dev)
    : QSpinBox(nullptr), spinbox_base<spinbox>(item, std::move(dev))
{
    init();
}

void spinbox::show_value(double v)
{
    setValue(to_int(v));
}

void spinbox::set_limits(double low, double high)
{
    setRange(to_int(low), to_int(high));
}

void spinbox::value_changed(int v)
{
    spinbox_base<spinbox>::value_changed(v);
}

void spinbox::finished()
{
    spinbox_base<spinbox>::finished();
}

void spinbox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        restore();
    QSpinBox::keyPressEvent(event);
}

doublespinbox::doublespinbox(const profiles::item& item, std::shared_ptr<device> dev)
    : QDoubleSpinBox(nullptr), spinbox_base<doublespinbox>(item, std::move(dev))
{
    init();
}

void doublespinbox::show_value(double v)
{
    setValue(v);
}

void doublespinbox::set_limits(double low, double high)
{
    setRange(low, high);
}

void doublespinbox::value_changed(double v)
{
    spinbox_base<doublespinbox>::value_changed(v);
}

void doublespinbox::finished()
{
    spinbox_base<doublespinbox>::finished();
}

void doublespinbox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        restore();
    QDoubleSpinBox::keyPressEvent(event);
}
