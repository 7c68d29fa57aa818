#include "gui/lineedit/lineedit.h"

#include "dorvane/converter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFontMetrics>

#include <stdexcept>

namespace {

typedef unsigned short u16;

// The control watches the item's registers and sizes its text by them.
const profiles::item& checked(const profiles::item& item)
{
    if (item.address == profiles::no_addr || item.length() == 0)
        throw std::runtime_error("text field needs an item with registers");
    return item;
}

// Characters Latin-1 lacks become "?"; the text ends at its first NUL.
QString round_trip(const QString& text)
{
    return QString::fromLatin1(text.toLatin1().constData());
}

QString decode(const profiles::item& it)
{
    // Only trailing NULs pad; one inside the text is a character of it.
    const std::string bytes = modbus::converter<std::string>::from_modbus(it.value.data);
    return QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size()));
}

std::vector<u16> encode(const QString& text)
{
    return modbus::converter<std::string>::to_modbus(text.toLatin1().toStdString());
}

} // namespace

QValidator::State ascii_validator::validate(QString& text, int&) const
{
    return round_trip(text) == text ? Acceptable : Invalid;
}

void ascii_validator::fixup(QString& text) const
{
    text = round_trip(text);
}

lineedit::lineedit(const profiles::item& item, std::shared_ptr<device> dev)
    : text_control(checked(item), std::move(dev))
{
    if (item_.dir == profiles::ro) {
        setReadOnly(true);
        paint_read_only(*this);
    } else {
        setReadOnly(false);
        setValidator(new ascii_validator(this));
        connect(this, &QLineEdit::textEdited, this, &lineedit::text_changed);
        connect(this, &QLineEdit::editingFinished, this, &lineedit::finished);
    }
    show_text(decode(item_));
    setMaxLength(static_cast<int>(2 * item_.length()));
    normal_palette_ = palette();
}

lineedit::~lineedit() = default;

void lineedit::force_change(const profiles::item& it)
{
    // A display follows every poll, changed or not.
    if (isReadOnly())
        item_changed(it);
}

void lineedit::item_changed(const profiles::item& it)
{
    const QString shown = decode(it);
    if (!isReadOnly() && editing_)
        return;
    show_text(shown);
    setMinimumWidth(fontMetrics().horizontalAdvance(shown + QStringLiteral("__")) + 5);
}

void lineedit::finished()
{
    if (!editing_)
        return;
    write_edit(encode);
}
