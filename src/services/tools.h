#pragma once
// Glue between Qt signals and plain callables, and the blocking error box.
//
// `tools::connect` and `tools::singleShot` live in a namespace of their own:
// called unqualified inside a QObject member, a global `connect` would be
// hidden by QObject::connect.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <functional>

class QEvent;
class QwtPlot;
class QwtPlotItem;

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

// Calls its callable with the plot item and the check state of a legend
// entry. Serves both the item-based signal and QwtLegend's
// checked(QVariant,bool,int), whose item info the plot turns back into
// the item.
class legend_functor_helper : public QObject {
    Q_OBJECT
public:
    legend_functor_helper(QwtPlot* plot, std::function<void(QwtPlotItem*, bool)> func);
    ~legend_functor_helper() override;

public slots:
    void signaled(QwtPlotItem* plotItem, bool on);
    void signaled(const QVariant& itemInfo, bool on, int index);

private:
    QPointer<QwtPlot> plot_;
    std::function<void(QwtPlotItem*, bool)> func_;
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

// Shows a modal critical box (whatever `icon` says) and returns when it is
// closed.
void invoke_msg(QWidget* parent, QMessageBox::Icon icon, QString const& title, QString const& text,
                QMessageBox::StandardButtons buttons);

// Whether a box of invoke_msg is open.
bool is_blocked();
