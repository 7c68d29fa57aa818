#pragma once
// The "Application" page: the language of the next start and the colours
// that new graph curves take.

#include "preferences/preferences_widget.h"

class QColor;
class QIcon;

class main_prefs_form : public preferences_widget {
    Q_OBJECT
public:
    explicit main_prefs_form(QWidget* parent);
    ~main_prefs_form() override;

private slots:
    void update_preferences() override;
    void accept() override;
    void reject() override;
    void reset_defaults() override;
    void int_changed();
    void color_changed(int index);

private:
    struct form;

    QIcon swatch(const QColor& color) const;

    form* ui_;
    bool filling_;
};
