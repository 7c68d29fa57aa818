// The Graph menu and the curves of the connected device.

#include "main_window.h"

#include "device/device.h"
#include "gui/graphic.h"
#include "services/tools.h"
#include "services/widgets/boxes.h"

#include "dorvane/syslog.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoomer.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>

namespace {

cl::syslog::module ___syslog("main");

// What a graph entry's handler keeps between its calls.
struct graph_entry {
    profiles::graphic graph;
    std::shared_ptr<curve_holder> holder;
    // A failure of the handler, for init_graphics to pass on: it must not
    // unwind through the action's signal.
    std::exception_ptr error;
};

void tick_legend(graphic& plot)
{
    auto* legend = qobject_cast<QwtLegend*>(plot.legend());
    if (!legend)
        return;
    for (QwtPlotItem* item : plot.itemList(QwtPlotItem::Rtti_PlotCurve))
        for (QWidget* w : legend->legendWidgets(plot.itemToInfo(item)))
            if (auto* label = qobject_cast<QwtLegendLabel*>(w))
                label->setChecked(true);
}

} // namespace

void main_window::init_graphics()
{
    // Deletes the entries of the last connection, and with their closures
    // their curve holders.
    graph_menu_->clear();

    QAction* show = graph_menu_->addAction(tr("Show Graph"));
    tools::connect(show, SIGNAL(triggered(bool)), [this] {
        graphic_->show();
        graphic_->raise();
    });

    const std::vector<profiles::graphic> graphs = device_->profile().graphics;
    for (const profiles::graphic& g : graphs) {
        QAction* action = graph_menu_->addAction(QCoreApplication::translate("profile", g.title.c_str()));
        action->setCheckable(true);

        std::uint32_t samples = g.count;
        for (const QPointer<curve_holder>& h : holders_)
            if (h)
                samples = std::max(samples, h->graph().count);
        graphic_->setAxisScale(QwtPlot::xBottom, -10, double(samples) + 10);
        graphic_->setAxisScale(QwtPlot::yLeft, -32767, 32768);
        graphic_->zoomer_->setZoomBase(true);

        auto entry = std::make_shared<graph_entry>();
        entry->graph = g;
        tools::connect(action, SIGNAL(triggered(bool)), [this, action, entry] {
            try {
                graphic_->show();
                const std::shared_ptr<device> dev = device_;
                if (!action->isChecked() || !dev)
                    return;
                std::shared_ptr<curve_holder> holder(new curve_holder(dev, entry->graph, graphic_.get()));
                entry->holder = holder;

                // The holder's own shared pointer stays out of its callback:
                // the cycle would keep the device and its port open after a
                // disconnect.
                //
                // A graph's read failure is shown once, until a read of it
                // succeeds again; the failures in between go to the log only.
                // A buffer that keeps failing would otherwise bring the box
                // back every trigger cycle, and with a dead link the update,
                // which skips its turn while a box is open, might never get
                // to notice it. A connection makes new holders, and with them
                // a new flag.
                auto shown = std::make_shared<bool>(false);
                const std::function<bool()> update = [this, weak = QPointer<curve_holder>(holder.get()),
                                                      start = entry->graph.start, count = entry->graph.count,
                                                      title = entry->graph.title, shown] {
                    // A disconnect during the read destroys the holder, whose
                    // copy of this closure may be the running one; closing
                    // deletes the window: past the read, locals only.
                    const QPointer<main_window> window(this);
                    const QPointer<curve_holder> h = weak;
                    const std::shared_ptr<bool> failure_shown = shown;
                    const std::string name = title;
                    const std::shared_ptr<device> dev = window->device_;
                    if (!dev)
                        return false;
                    try {
                        const auto until = static_cast<unsigned short>(start + count);
                        const std::vector<unsigned short> words = dev->connection().read_block(start, until, false);
                        *failure_shown = false;
                        if (h && !let_go(window, dev))
                            set_samples(*h->curve_, words);
                        return true;
                    } catch (const std::exception& e) {
                        // The disconnect has said what went wrong.
                        if (let_go(window, dev))
                            return false;
                        VLOG(cl::syslog::warn) << "Error when updating graphic \"" << name << "\": " << e.what();
                        // Set before the box: its event loop runs the other
                        // holders and the retries.
                        if (!std::exchange(*failure_shown, true))
                            invoke_msg(nullptr, QMessageBox::Critical, tr("Error when updating graphic"),
                                       QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
                        return false;
                    }
                };
                holder->update_ = update;
                tools::connect(holder->timer_.get(), SIGNAL(timeout()), update);

                // One rescale timer per holder, gone with the holder's timer.
                auto* rescale = new QTimer(holder->timer_.get());
                tools::connect(rescale, SIGNAL(timeout()), [this] { fit_y_axis(*graphic_); });
                rescale->start(1000);
            } catch (...) {
                entry->error = std::current_exception();
            }
        });
        action->activate(QAction::Trigger);
        if (entry->error)
            std::rethrow_exception(std::exchange(entry->error, nullptr));
        // Curves are shown and hidden through the plot's legend.
        action->setVisible(false);
    }

    tick_legend(*graphic_);
    graphic_->hide();
}
