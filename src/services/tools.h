#pragma once
// Glue between Qt signals and plain callables. Widget-free: the blocking
// error box is in services/widgets/boxes.h, the legend relay in
// services/widgets/legend.h.
//
// `tools::connect` and `tools::singleShot` live in a namespace of their own:
// called unqualified inside a QObject member, a global `connect` would be
// hidden by QObject::connect.

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QEvent;

namespace detail {

// Runs a callable when its slot is called; a one-shot helper deletes
// itself afterwards.
class connect_simple_helper : public QObject {
    Q_OBJECT
public:
    connect_simple_helper(QObject* parent, std::function<void()> func, bool once);
    ~connect_simple_helper() override;

public slots:
    void signaled();

private:
    bool once_;
    std::function<void()> func_;
};

// Calls its callable with the signal's sender and the helper itself.
class connect_functor_helper : public QObject {
    Q_OBJECT
public:
    typedef std::function<void(QObject*, connect_functor_helper*)> func_t;

    connect_functor_helper(QObject* parent, func_t func);
    ~connect_functor_helper() override;

public slots:
    void signaled();

private:
    func_t func_;
};

// An event filter made of a callable; a true result consumes the event.
class event_functor_helper : public QObject {
    Q_OBJECT
public:
    typedef std::function<bool(QObject*, QEvent*)> func_t;

    event_functor_helper(QObject* parent, func_t func);
    ~event_functor_helper() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    func_t func_;
};

} // namespace detail

namespace tools {

// Runs `func` at every emission of `signal` (as made by SIGNAL()) of
// `sender`, for as long as the sender lives.
template <typename F>
bool connect(QObject* sender, char const* signal, F const& func, Qt::ConnectionType type = Qt::AutoConnection)
{
    if (!sender)
        return false;
    auto* helper = new detail::connect_simple_helper(sender, std::function<void()>(func), false);
    return QObject::connect(sender, signal, helper, SLOT(signaled()), type);
}

// Runs `func` once from the event loop after `msec` milliseconds.
template <typename F>
void singleShot(int msec, F const& func, Qt::ConnectionType = Qt::AutoConnection)
{
    auto* helper = new detail::connect_simple_helper(nullptr, std::function<void()>(func), true);
    QTimer::singleShot(msec, helper, SLOT(signaled()));
}

} // namespace tools
