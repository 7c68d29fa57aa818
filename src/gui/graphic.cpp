#include "gui/graphic.h"

#include "services/settings.h"
#include "services/tools.h"
#include "services/widgets/legend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QMouseEvent>
#include <QPen>
#include <QVector>

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

#include <algorithm>
#include <cstdint>
#include <exception>

std::set<QPointer<curve_holder>> holders_;
std::set<QString> curve_holder::used_colors;

namespace {

// The curves create_curve hands out: their owners delete them, so the plot
// must not when it goes first.
class owned_curve : public QwtPlotCurve {
public:
    using QwtPlotCurve::QwtPlotCurve;
};

QString plot_tr(const char* text)
{
    return QCoreApplication::translate("QwtPlot", text);
}

} // namespace

graphic::graphic()
    : QwtPlot(nullptr)
{
    auto* legend = new QwtLegend;
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    insertLegend(legend, QwtPlot::RightLegend, -1.0);

    setAxisTitle(QwtPlot::xBottom,
                 plot_tr("To Zoom in, press Ctrl + Left Click and Select\nTo Zoom out, press Ctrl + Right "
                         "Click\nTo move the Graph, press Shift + Left Click and Drag\n"));

    setAutoReplot(true);

    zoomer_ = new QwtPlotZoomer(canvas(), true);
    zoomer_->setRubberBandPen(QPen(Qt::black));
    zoomer_->setTrackerPen(QPen(Qt::black));
    zoomer_->setMousePattern(QwtEventPattern::MouseSelect1, Qt::LeftButton, Qt::ControlModifier);
    zoomer_->setMousePattern(QwtEventPattern::MouseSelect2, Qt::NoButton);
    zoomer_->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton, Qt::ControlModifier);

    const QPen hair(Qt::black, 0, Qt::DashDotLine);
    y_marker_ = new QwtPlotMarker;
    y_marker_->setLineStyle(QwtPlotMarker::HLine);
    y_marker_->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    y_marker_->setLinePen(hair);
    y_marker_->attach(this);
    x_marker_ = new QwtPlotMarker;
    x_marker_->setLineStyle(QwtPlotMarker::VLine);
    x_marker_->setLabelOrientation(Qt::Vertical);
    x_marker_->setLabelAlignment(Qt::AlignLeft | Qt::AlignBottom);
    x_marker_->setLinePen(hair);
    x_marker_->attach(this);

    auto* panner = new QwtPlotPanner(canvas());
    panner->setMouseButton(Qt::LeftButton, Qt::ShiftModifier);

    canvas()->installEventFilter(this);

    QwtText title = axisTitle(QwtPlot::xBottom);
    QFont font = title.font();
    font.setWeight(50);
    // An application font given in pixels has no point size to copy.
    if (QApplication::font().pointSize() > 0)
        font.setPointSize(QApplication::font().pointSize());
    title.setFont(font);
    setAxisTitle(QwtPlot::xBottom, title);

    auto* helper = new detail::legend_functor_helper(this, [](QwtPlotItem* item, bool on) { item->setVisible(on); });
    QObject::connect(legend, SIGNAL(checked(QVariant, bool, int)), helper, SLOT(signaled(QVariant, bool, int)));
}

graphic::~graphic()
{
    // Curves of create_curve belong to their holders: detach them, so that
    // the plot's own clean-up does not delete them under their owners.
    setAutoReplot(false);
    const QwtPlotItemList items = itemList(QwtPlotItem::Rtti_PlotCurve);
    for (QwtPlotItem* item : items)
        if (dynamic_cast<owned_curve*>(item))
            item->detach();
}

QwtPlotCurve* graphic::create_curve(QString const& title)
{
    auto* curve = new owned_curve(title);
    curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    curve->attach(this);
    // Checkable legend entries start unticked although the curve shows.
    if (auto* l = qobject_cast<QwtLegend*>(legend()))
        if (auto* label = qobject_cast<QwtLegendLabel*>(l->legendWidget(itemToInfo(curve))))
            label->setChecked(true);
    // The plot hides an empty legend, and a hidden legend asks for no layout
    // when its first entry arrives: lay out again, or the entries get no room.
    updateLayout();
    return curve;
}

bool graphic::eventFilter(QObject* object, QEvent* event)
{
    if (object == canvas() && event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton) {
            const double x = canvasMap(QwtPlot::xBottom).invTransform(mouse->pos().x());
            const double y = canvasMap(QwtPlot::yLeft).invTransform(mouse->pos().y());
            x_marker_->setXValue(x);
            x_marker_->setLabel(QwtText(plot_tr("x = %1").arg(x)));
            y_marker_->setYValue(y);
            y_marker_->setLabel(QwtText(plot_tr("y = %1").arg(y)));
            replot();
        }
    }
    // Never consumed: the zoomer and the panner see every event too.
    return QwtPlot::eventFilter(object, event);
}

curve_holder::curve_holder(std::shared_ptr<device> dev, profiles::graphic const& g, graphic* plot)
    : QObject(dev.get()), controller(g.trigger, dev, true), graph_(g), plot_(plot)
{
    const std::size_t reserved = used_colors.size();
    color_ = get_color();
    color_reserved_ = used_colors.size() != reserved;

    curve_.reset(plot->create_curve(QCoreApplication::translate("profile", graph_.title.c_str())));
    curve_->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::black), QPen(color_), QSize(5, 5)));
    curve_->setPen(QPen(color_));

    timer_ = std::make_shared<QTimer>();
    holders_.insert(QPointer<curve_holder>(this));
}

curve_holder::~curve_holder()
{
    // When this holder keeps the last reference to the device, releasing it
    // below destroys the device, whose children must no longer include us.
    setParent(nullptr);

    timer_.reset();
    curve_.reset();
    if (plot_)
        plot_->replot();
    if (color_reserved_)
        used_colors.erase(color_.name());
    holders_.erase(QPointer<curve_holder>(this));
}

QColor curve_holder::get_color() const
{
    for (const QColor& c : settings().colors()) {
        if (used_colors.insert(c.name()).second)
            return c;
    }
    return QColor(Qt::black);
}

void curve_holder::item_changed(profiles::item const&)
{
    QPointer<curve_holder> self(this);
    bool read = false;
    try {
        item_.set_data({0});
        // A disconnect while the callback reads destroys this holder and
        // the callable with it.
        const std::function<bool()> update = update_;
        read = update();
    } catch (const std::exception& e) {
        qWarning() << "curve_update exception:" << QString::fromLocal8Bit(e.what());
    }
    // The callback lets the event loop run while it reads.
    if (!self)
        return;

    try {
        device_->write_item(item_);
    } catch (...) {
        // Neither the buffer nor the re-arm got through: the link itself is
        // in doubt. Retrying every second would keep the window busy with
        // requests that wait out their tries, and keep the device update,
        // which notices a dead link, from its turn. The driver's trigger
        // stays set, so that update fires this holder again anyway.
        if (!read)
            return;
        tools::singleShot(retry_ms, [self] {
            if (self)
                self->item_changed(self->item_);
        });
    }
}

void set_samples(QwtPlotCurve& curve, const std::vector<unsigned short>& words)
{
    QVector<double> x, y;
    x.reserve(int(words.size()));
    y.reserve(int(words.size()));
    for (std::size_t i = 0; i < words.size(); ++i) {
        x.push_back(double(i));
        y.push_back(double(static_cast<std::int16_t>(words[i])));
    }
    curve.setSamples(x, y);
}

void fit_y_axis(graphic& plot)
{
    double lower = 32000;
    double upper = -32000;
    bool samples = false;
    for (const QPointer<curve_holder>& h : holders_) {
        if (!h || !h->curve_)
            continue;
        const QRectF r = h->curve_->boundingRect();
        // A curve without samples has an inverted rectangle.
        if (r.width() < 0 || r.height() < 0)
            continue;
        samples = true;
        lower = std::min(lower, r.top());
        upper = std::max(upper, r.bottom());
    }
    if (!samples || plot.zoomer_->zoomRectIndex() != 0)
        return;
    // A flat scale has no ticks and draws nothing: keep the line inside.
    if (lower == upper) {
        lower -= 1;
        upper += 1;
    }
    plot.setAxisScale(QwtPlot::yLeft, lower, upper);
    plot.zoomer_->setZoomBase(true);
}
