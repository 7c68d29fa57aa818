#pragma once
// Number fields bound to a profile item: they show the engineering value
// (raw value x scale + offset), follow the device while the user is not
// editing, and write the value when an edit ends.

#include "gui/controller.h"

#include <QDoubleSpinBox>
#include <QPalette>
#include <QSpinBox>

class QKeyEvent;

// The edit cycle shared by both spin boxes; T is the concrete spin box,
// which derives from its Qt spin box first and from this class second.
template <typename T>
class spinbox_base : public controller {
public:
    void item_changed(const profiles::item& it) override;

protected:
    // Throws "can't extract value from item" for a register count other
    // than 1 or 2, before the item is watched.
    spinbox_base(const profiles::item& item, std::shared_ptr<device> dev);

    // The set-up that needs the widget: T calls it from its constructor,
    // once its spin box exists and before any signal is connected.
    void init();

    void value_changed(double v);
    void finished();
    // Escape: back to the last value shown or written.
    void restore();

    bool editing_;
    double current_;
    double last_;
    QPalette normal_palette_;

private:
    T& widget() { return static_cast<T&>(*this); }
};

class spinbox : public QSpinBox, public spinbox_base<spinbox> {
    Q_OBJECT
public:
    spinbox(const profiles::item& item, std::shared_ptr<device> dev);

public slots:
    void value_changed(int v);
    void finished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class spinbox_base<spinbox>;

    // Engineering values reach the widget truncated toward zero.
    void show_value(double v);
    void set_limits(double low, double high);
};

class doublespinbox : public QDoubleSpinBox, public spinbox_base<doublespinbox> {
    Q_OBJECT
public:
    doublespinbox(const profiles::item& item, std::shared_ptr<device> dev);

public slots:
    void value_changed(double v);
    void finished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class spinbox_base<doublespinbox>;

    void show_value(double v);
    void set_limits(double low, double high);
};

extern template class spinbox_base<spinbox>;
extern template class spinbox_base<doublespinbox>;
