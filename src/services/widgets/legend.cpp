#include "services/widgets/legend.h"

#include <qwt_plot.h>
#include <qwt_plot_item.h>

namespace detail {

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

} // namespace detail
