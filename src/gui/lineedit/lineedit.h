#pragma once
// A short Latin-1 text held two characters per register, the first one in
// the low byte.

#include "gui/text_control.h"

#include <QString>
#include <QValidator>

// Accepts the texts whose characters all lie between U+0001 and U+00FF.
class ascii_validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

class lineedit : public text_control {
    Q_OBJECT
public:
    // Throws std::runtime_error for an item without registers or at the
    // heading address.
    lineedit(const profiles::item& item, std::shared_ptr<device> dev);
    ~lineedit() override;

    void force_change(const profiles::item& it) override;
    void item_changed(const profiles::item& it) override;

public slots:
    void finished();
};
