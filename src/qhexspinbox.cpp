#include "qhexspinbox.h"

QHexSpinBox::QHexSpinBox(QWidget* parent) : QSpinBox(parent)
{
}

int QHexSpinBox::valueFromText(const QString& text) const
{
    // The text comes with the prefix "0x" in front.
    bool ok = false;
    const int v = text.mid(2).toInt(&ok, 16);
    return ok ? v : 0;
}

QString QHexSpinBox::textFromValue(int value) const
{
    return QString::number(value, 16).toUpper();
}
