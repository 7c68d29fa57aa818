#include "gui/floatbox.h"

#include "services/local8.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

typedef unsigned short u16;

const profiles::item& checked(const profiles::item& item)
{
    const unsigned count = item.length();
    if (count != 1 && count != 2)
        throw std::runtime_error("invalid item data length");
    return item;
}

// QString::toFloat also takes "inf" and "nan", which no register can hold.
bool to_finite_float(const QString& text, float& f)
{
    bool ok = false;
    f = text.toFloat(&ok);
    return ok && std::isfinite(f);
}

QString format(double v)
{
    return QString::number(v, 'g', 6);
}

// Mantissa and power-of-ten exponent, the mantissa between 3000 and 30000
// in magnitude. Single precision throughout: the drivers were always sent
// what this gives.
std::vector<u16> normalise(float f)
{
    if (std::fabs(static_cast<double>(f)) <= 1e-8)
        return {0, 0};
    const int sign = f < 0 ? -1 : 1;
    float m = std::fabs(f);
    int exponent = 0;
    // A finite float needs at most some 50 steps either way.
    for (int steps = 0; m > 30000.0f || m < 3000.0f; ++steps) {
        if (steps > 100)
            throw std::runtime_error("value can't be normalised");
        if (m > 30000.0f) {
            m = m / 10.0f;
            ++exponent;
        } else {
            m = m * 10.0f;
            --exponent;
        }
    }
    const int mantissa = sign * static_cast<int>(m);
    return {static_cast<u16>(static_cast<std::int16_t>(mantissa)), static_cast<u16>(static_cast<std::int16_t>(exponent))};
}

std::vector<u16> to_words(const QString& text, unsigned count)
{
    float f = 0;
    if (!to_finite_float(text, f))
        throw std::runtime_error(
            local8(QCoreApplication::translate("floatbox", "Invalid float value: %1").arg(text)));
    if (count == 1) {
        // -1 has always meant 0xFFFF; anything the register can't hold is
        // refused rather than cut to another number.
        const double t = std::trunc(static_cast<double>(f));
        if (t < -32768.0 || t > 65535.0)
            throw std::runtime_error("value does not fit one register");
        return {static_cast<u16>(static_cast<std::int32_t>(t) & 0xFFFF)};
    }
    if (count == 2)
        return normalise(f);
    throw std::runtime_error("invalid item data length");
}

QString to_text(const profiles::item& it)
{
    const unsigned count = it.length();
    if (count == 1) {
        if (it.value.data.empty())
            throw std::runtime_error("invalid item data length");
        return format(it.value.data[0]);
    }
    if (count == 2) {
        if (it.value.data.size() != 2)
            throw std::runtime_error("invalid data size for float32_vorn");
        const double mantissa = static_cast<std::int16_t>(it.value.data[0]);
        const double exponent = static_cast<std::int16_t>(it.value.data[1]);
        const double v = std::pow(10.0, exponent) * mantissa;
        // Converting a double beyond the float range is undefined.
        const float big = std::numeric_limits<float>::infinity();
        const float f = std::fabs(v) > std::numeric_limits<float>::max() ? (v < 0 ? -big : big)
                                                                          : static_cast<float>(v);
        return format(f);
    }
    throw std::runtime_error("invalid item data length");
}

} // namespace

QValidator::State float_validator::validate(QString& text, int&) const
{
    if (text.isEmpty())
        return Intermediate;
    float f = 0;
    return to_finite_float(text, f) ? Acceptable : Invalid;
}

void float_validator::fixup(QString& text) const
{
    float f = 0;
    if (!to_finite_float(text, f))
        f = 0;
    text = format(f);
}

floatbox::floatbox(const profiles::item& item, std::shared_ptr<device> dev)
    : text_control(checked(item), std::move(dev))
{
    if (item_.dir == profiles::ro) {
        setReadOnly(true);
        paint_read_only(*this);
    } else {
        setReadOnly(false);
    }
    setValidator(new float_validator(this));
    // The image the item came with isn't shown: the first differing value
    // from the device is.
    show_text(QStringLiteral("0.0"));
    connect(this, &QLineEdit::textEdited, this, &floatbox::text_changed);
    connect(this, &QLineEdit::editingFinished, this, &floatbox::finished);
    normal_palette_ = palette();
}

floatbox::~floatbox() = default;

void floatbox::item_changed(const profiles::item& it)
{
    if (editing_)
        return;
    show_text(to_text(it));
}

void floatbox::finished()
{
    // The validator's fixup on Return changes the text without textEdited.
    if (editing_)
        current_ = text();
    if (current_.isEmpty()) {
        current_ = QStringLiteral("0.0");
        setText(current_);
        return;
    }
    if (!editing_)
        return;
    const unsigned count = item_.length();
    write_edit([count](const QString& text) { return to_words(text, count); });
}
