#pragma once
// A number typed as text for an item of one register (an unsigned integer)
// or of two (a 16-bit mantissa and a 16-bit power-of-ten exponent).

#include "gui/text_control.h"

#include <QString>
#include <QValidator>

// Accepts only complete, finite numbers; an empty text may still become one.
class float_validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

class floatbox : public text_control {
    Q_OBJECT
public:
    // Throws std::runtime_error for an item of neither one nor two registers.
    floatbox(const profiles::item& item, std::shared_ptr<device> dev);
    ~floatbox() override;

    void item_changed(const profiles::item& it) override;

public slots:
    void finished();
};
