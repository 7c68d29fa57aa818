#pragma once
// Controls shown as a user meets them: in a shown, active window, beside a
// line edit that can take the focus away.

#include <QApplication>
#include <QColor>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace test_support {

// The control of type C that a factory function returned, itself or inside
// the frame it was wrapped in.
template <class C>
C* control_in(QWidget* made)
{
    if (!made)
        return nullptr;
    if (auto* c = qobject_cast<C*>(made))
        return c;
    return made->findChild<C*>();
}

// A shown, active window holding the control (with its frame, if the
// factory wrapped it in one) and a line edit that can take the focus.
struct control_window {
    QWidget top;
    QLineEdit* other;

    explicit control_window(QWidget* control)
    {
        auto* layout = new QHBoxLayout(&top);
        layout->addWidget(control->parentWidget() ? control->parentWidget() : control);
        other = new QLineEdit;
        layout->addWidget(other);
        top.show();
        QApplication::setActiveWindow(&top);
    }
};

// Shows one control at a time.
class control_host {
public:
    // The control in a new active window (the last one is closed), with the
    // focus; null when the window system doesn't get that far.
    template <class C>
    C* show(C* control)
    {
        win_.reset();
        if (!control)
            return nullptr;
        win_ = std::make_unique<control_window>(control);
        if (!QTest::qWaitForWindowActive(&win_->top))
            return nullptr;
        control->setFocus();
        return control->hasFocus() ? control : nullptr;
    }

    // The focus goes to the other widget, as a click there would move it;
    // false when it can't.
    bool focus_out()
    {
        if (!win_)
            return false;
        // A box may have taken the activation.
        QApplication::setActiveWindow(&win_->top);
        if (!QTest::qWaitForWindowActive(&win_->top))
            return false;
        win_->other->setFocus();
        return win_->other->hasFocus();
    }

    void reset() { win_.reset(); }

private:
    std::unique_ptr<control_window> win_;
};

inline bool same_colour_everywhere(const QPalette& p, QPalette::ColorRole role, const QColor& c)
{
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (p.color(g, role) != c)
            return false;
    return true;
}

} // namespace test_support
