#pragma once
// A spin box that shows its number in upper-case hexadecimal behind the
// box's "0x" prefix. The form also gives it the display base 16, so that
// typed digits are checked and read as hexadecimal, not decimal.

#include <QSpinBox>

class QHexSpinBox : public QSpinBox {
public:
    explicit QHexSpinBox(QWidget* parent = nullptr);

protected:
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};
