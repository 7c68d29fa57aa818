#include "tools.h"

#include <QPointer>

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
