#include "tools.h"

#include <qwt_plot.h>
#include <qwt_plot_item.h>

namespace {

// Boxes of invoke_msg that are open, nested ones included.
int counter = 0;

struct box_count_guard {
    box_count_guard() { ++counter; }
    ~box_count_guard() { --counter; }
    box_count_guard(const box_count_guard&) = delete;
    box_count_guard& operator=(const box_count_guard&) = delete;
};

} // namespace

namespace detail {

connect_simple_helper::connect_simple_helper(QObject* parent, std::function<void()> func, bool once)
    : QObject(parent), once_(once), func_(std::move(func))
{
}

connect_simple_helper::~connect_simple_helper() = default;

void connect_simple_helper::signaled()
{
    // The call may delete the sender, and with it this helper and the
    // callable it holds: call a copy, and touch nothing of ours afterwards
    // unless the guard says we are still there.
    const std::function<void()> func = func_;
    QPointer<connect_simple_helper> self(this);
    // A one-shot helper goes away after its call, also when the call
    // throws: otherwise it would keep what it captured for good.
    struct delete_later {
        QPointer<connect_simple_helper>& self;
        bool once;
        ~delete_later()
        {
            if (once && self)
                self->deleteLater();
        }
    } guard{self, once_};
    func();
}

legend_functor_helper::legend_functor_helper(QwtPlot* plot, std::function<void(QwtPlotItem*, bool)> func)
    : QObject(plot), plot_(plot), func_(std::move(func))
{
}

legend_functor_helper::~legend_functor_helper() = default;

void legend_functor_helper::signaled(QwtPlotItem* plotItem, bool on)
{
    func_(plotItem, on);
}

void legend_functor_helper::signaled(const QVariant& itemInfo, bool on, int)
{
    QwtPlotItem* item = plot_ ? plot_->infoToItem(itemInfo) : qvariant_cast<QwtPlotItem*>(itemInfo);
    // Legend entries that stand for no plot item have nothing to show or hide.
    if (item)
        func_(item, on);
}

connect_functor_helper::connect_functor_helper(QObject* parent, func_t func)
    : QObject(parent), func_(std::move(func))
{
}

connect_functor_helper::~connect_functor_helper() = default;

void connect_functor_helper::signaled()
{
    // Same as above: the call may delete us with our sender.
    const func_t func = func_;
    func(sender(), this);
}

event_functor_helper::event_functor_helper(QObject* parent, func_t func)
    : QObject(parent), func_(std::move(func))
{
}

event_functor_helper::~event_functor_helper() = default;

bool event_functor_helper::eventFilter(QObject* watched, QEvent* event)
{
    if (func_(watched, event))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace detail

void invoke_msg(QWidget* parent, QMessageBox::Icon, QString const& title, QString const& text,
                QMessageBox::StandardButtons buttons)
{
    box_count_guard open_box;
    QMessageBox::critical(parent, title, text, buttons, QMessageBox::NoButton);
}

bool is_blocked()
{
    return counter != 0;
}
