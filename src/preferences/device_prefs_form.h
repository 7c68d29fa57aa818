#pragma once
// The "Device" page: which device the main window connects to, the update
// and busy times, and the USB identifiers that autodetection looks for.
// "Update" lists what is attached now; "Check" talks to the chosen entry.

#include "preferences/preferences_widget.h"

class Ui_device_prefs_form;

class device_prefs_form : public preferences_widget {
    Q_OBJECT
public:
    explicit device_prefs_form(QWidget* parent);
    ~device_prefs_form() override;

private slots:
    void update_preferences() override;
    void accept() override;
    void reject() override;
    void reset_defaults() override;
    void int_changed();

private:
    // The buttons' handlers.
    void update_devices();
    void check_device();

    Ui_device_prefs_form* ui_;
    bool filling_;
};
