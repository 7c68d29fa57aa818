#pragma once
// The relay between a plot's legend and a callable (needs Qwt).

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>

class QwtPlot;
class QwtPlotItem;

namespace detail {

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

} // namespace detail
