#include "gui/combobox.h"

#include <QCoreApplication>
#include <QIcon>
#include <QString>
#include <QToolTip>

#include <stdexcept>

namespace {

// Only the first register is read and only one code is written: anything
// else would read past the register image or write half of it.
const profiles::item& checked(const profiles::item& item)
{
    if (item.length() != 1)
        throw std::runtime_error("can't extract value from item");
    return item;
}

// Table texts are 8-bit Latin-1, ending at the first NUL.
QString table_text(const std::string& s)
{
    const std::string::size_type end = s.find('\0');
    const std::string::size_type n = end == std::string::npos ? s.size() : end;
    return QString::fromLatin1(s.data(), static_cast<int>(n));
}

} // namespace

combobox::combobox(const profiles::item& item, std::shared_ptr<device> dev)
    : QComboBox(nullptr), controller(checked(item), std::move(dev), true)
{
    for (const auto& row : item_.map)
        addItem(QIcon(), table_text(row.second), QVariant(int(row.first)));
    setCurrentIndex(find_code(item_));

    if (item_.dir == profiles::ro) {
        // Stays enabled: a pick is undone below.
        paint_read_only(*this);
    }
    normal_palette_ = palette();

    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &combobox::index_changed);
}

int combobox::find_code(const profiles::item& it) const
{
    if (it.value.data.empty())
        return -1;
    return findData(QVariant(int(it.value.data.front())), Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void combobox::item_changed(const profiles::item& it)
{
    const int i = find_code(it);
    if (i >= 0) {
        // The cache holds the code already, so index_changed writes nothing.
        setCurrentIndex(i);
        setPalette(normal_palette_);
        return;
    }
    paint(*this, QPalette::Button, Qt::red);
    QToolTip::showText(mapToGlobal(pos()), QCoreApplication::translate("combobox", "invalid value readed from device"));
}

void combobox::index_changed(int i)
{
    if (item_.dir == profiles::ro) {
        // Back to what the driver holds; that selection ends up here once
        // more and changes nothing.
        setCurrentIndex(find_code(item_));
        return;
    }
    // No entry selected: there is no code to write.
    if (i < 0)
        return;
    const unsigned short code = static_cast<unsigned short>(itemData(i).toUInt());
    if (item_.value.data.size() == 1 && item_.value.data.front() == code)
        return;
    try {
        set_data_impl({code});
    } catch (...) {
        // Show again what the driver holds; the cache kept it.
        setCurrentIndex(find_code(item_));
        set_error_later();
    }
}
