#pragma once
// The plot of a driver's sample buffers, and the holders that bind one
// profile graph each to one curve of it.

#include "gui/controller.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <qwt_plot.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

class QwtPlotCurve;
class QwtPlotMarker;
class QwtPlotZoomer;

// A plot with a checkable legend, Ctrl+drag zoom, Shift+drag pan and a
// cross-hair that follows the mouse while the left button is held.
// No meta-object of its own: its texts are in the context "QwtPlot".
class graphic : public QwtPlot {
public:
    graphic();
    ~graphic() override;

    // A new antialiased curve attached to this plot, its legend entry
    // ticked. The caller owns it: deleting it detaches it, and the plot
    // leaves it alone when it dies first.
    QwtPlotCurve* create_curve(QString const& title);

    bool eventFilter(QObject* object, QEvent* event) override;

    QwtPlotZoomer* zoomer_;

private:
    QwtPlotMarker* x_marker_;
    QwtPlotMarker* y_marker_;
};

// One graph of the profile drawn on a plot: watches the graph's trigger
// item, and when the driver sets it, calls update_ to read and draw the
// sample buffer and writes 0 back to re-arm the trigger.
class curve_holder : public QObject, public controller {
public:
    // The device is also the holder's Qt parent.
    curve_holder(std::shared_ptr<device> dev, profiles::graphic const& g, graphic* plot);
    ~curve_holder() override;

    // The first configured colour no live holder uses, now reserved;
    // black, unreserved, when none is left.
    QColor get_color() const;

    void item_changed(profiles::item const& item) override;

    const profiles::graphic& graph() const { return graph_; }
    QColor color() const { return color_; }

    // Filled by the update callback; its bounds fit the y axis.
    std::shared_ptr<QwtPlotCurve> curve_;
    // Never started here: whatever hangs on it ends with the holder.
    std::shared_ptr<QTimer> timer_;
    // Reads the graph's sample buffer and replaces the curve's samples;
    // false when the buffer could not be read.
    std::function<bool()> update_;

    // After a failed re-arm, the whole handling again this much later,
    // unless the buffer could not be read either.
    static constexpr int retry_ms = 1000;

    // Names (QColor::name()) of the colours live holders have reserved.
    static std::set<QString> used_colors;

private:
    profiles::graphic graph_;
    // The plot may go first when its window closes.
    QPointer<graphic> plot_;
    QColor color_;
    // False for the black handed out when every colour was taken.
    bool color_reserved_ = false;
};

// Every live holder.
extern std::set<QPointer<curve_holder>> holders_;

// Draws a graph's sample buffer as the driver keeps it: every register a
// signed 16-bit sample, at x = its index.
void set_samples(QwtPlotCurve& curve, const std::vector<unsigned short>& words);

// Fits the left axis of `plot` to the samples of every live holder's
// curve, within -32000..32000 unless a curve goes beyond; leaves it alone
// while zoomed in or when there are no samples. Meant for a 1 s timer.
void fit_y_axis(graphic& plot);
