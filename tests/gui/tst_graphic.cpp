// The plot shown offscreen and driven by the mouse: legend check boxes,
// zoom, pan, cross-hair, and the fitting of the y axis to the curves.

#include "gui/graphic.h"

#include "test_main.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <QMouseEvent>

using modbus::connection;

namespace {

profiles::graphic make_graph(unsigned short trigger, const char* title)
{
    profiles::graphic g;
    g.trigger = profiles::single(trigger);
    g.start = 0x3000;
    g.count = 16;
    g.title = title;
    return g;
}

void set_samples(curve_holder& h, const QVector<double>& y)
{
    QVector<double> x;
    for (int i = 0; i < y.size(); ++i)
        x.push_back(i);
    h.curve_->setSamples(x, y);
}

QwtInterval y_range(const graphic& plot)
{
    return plot.axisScaleDiv(QwtPlot::yLeft).interval();
}

// A move of the mouse with buttons held, as the window system sends it.
void drag_to(QWidget* w, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, buttons, mods);
    QApplication::sendEvent(w, &move);
}

} // namespace

class tst_graphic : public QObject {
    Q_OBJECT

    std::shared_ptr<device> dev_;
    std::unique_ptr<graphic> plot_;
    int next_trigger_ = 0x900;

    std::shared_ptr<curve_holder> holder(const char* title = "Graph")
    {
        next_trigger_ += 2;
        return std::make_shared<curve_holder>(dev_, make_graph(static_cast<unsigned short>(next_trigger_), title),
                                              plot_.get());
    }

    QwtPlotMarker* marker(QwtPlotMarker::LineStyle style) const
    {
        for (QwtPlotItem* item : plot_->itemList(QwtPlotItem::Rtti_PlotMarker)) {
            auto* m = static_cast<QwtPlotMarker*>(item);
            if (m->lineStyle() == style)
                return m;
        }
        return nullptr;
    }

    // Canvas position of a plot coordinate.
    QPoint at(double x, double y) const
    {
        return QPoint(qRound(plot_->canvasMap(QwtPlot::xBottom).transform(x)),
                      qRound(plot_->canvasMap(QwtPlot::yLeft).transform(y)));
    }

private slots:
    void initTestCase()
    {
        profiles::init_profiles();
        dev_ = std::make_shared<device>(std::make_shared<connection>(connection::descriptor(), 3));
    }

    void init()
    {
        plot_ = std::make_unique<graphic>();
        plot_->resize(900, 600);
        plot_->show();
        QVERIFY(QTest::qWaitForWindowExposed(plot_.get()));
        plot_->setAxisScale(QwtPlot::xBottom, 0, 100);
        plot_->setAxisScale(QwtPlot::yLeft, -50, 50);
        plot_->zoomer_->setZoomBase(true);
    }

    void cleanup()
    {
        plot_.reset();
        QVERIFY(holders_.empty());
    }

    void legend_hides_curve()
    {
        auto h = holder("Graph 2");
        set_samples(*h, {1, 2, 3});
        auto* legend = qobject_cast<QwtLegend*>(plot_->legend());
        QVERIFY(legend);
        auto* label = qobject_cast<QwtLegendLabel*>(legend->legendWidget(plot_->itemToInfo(h->curve_.get())));
        QVERIFY(label);
        QCOMPARE(label->text().text(), QString("Graph 2"));
        QVERIFY(label->isChecked());
        QVERIFY(h->curve_->isVisible());

        const QPoint box(label->contentsRect().left() + 4, label->height() / 2);
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(!label->isChecked());
        QVERIFY(!h->curve_->isVisible());
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(label->isChecked());
        QVERIFY(h->curve_->isVisible());
    }

    // The graph window makes its curves while it is hidden: the legend must
    // still get its place beside the canvas once the window shows.
    void legend_gets_room_for_curves_made_hidden()
    {
        plot_->hide();
        auto a = holder("Graph 1");
        auto b = holder("Graph 2");
        plot_->show();
        QVERIFY(QTest::qWaitForWindowExposed(plot_.get()));
        QWidget* legend = plot_->legend();
        QTRY_VERIFY(legend->isVisible());
        QVERIFY(legend->width() > 0);
        QVERIFY(plot_->canvas()->geometry().right() < legend->geometry().left());
    }

    void crosshair_follows_pressed_mouse()
    {
        QWidget* canvas = plot_->canvas();
        QwtPlotMarker* vline = marker(QwtPlotMarker::VLine);
        QwtPlotMarker* hline = marker(QwtPlotMarker::HLine);
        QVERIFY(vline && hline);
        QCOMPARE(vline->labelOrientation(), Qt::Vertical);
        const double x0 = vline->xValue(), y0 = hline->yValue();

        // Without a button held nothing follows.
        drag_to(canvas, at(30, 20), Qt::NoButton);
        QCOMPARE(vline->xValue(), x0);
        QCOMPARE(hline->yValue(), y0);

        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at(10, 10));
        const QPoint p = at(37.5, -12.25);
        drag_to(canvas, p, Qt::LeftButton);
        const double x = plot_->canvasMap(QwtPlot::xBottom).invTransform(p.x());
        const double y = plot_->canvasMap(QwtPlot::yLeft).invTransform(p.y());
        QCOMPARE(vline->xValue(), x);
        QCOMPARE(hline->yValue(), y);
        QVERIFY(qAbs(x - 37.5) < 0.2 && qAbs(y + 12.25) < 0.2);
        QCOMPARE(vline->label().text(), QString("x = ") + QString::number(x, 'g', 6));
        QCOMPARE(hline->label().text(), QString("y = ") + QString::number(y, 'g', 6));

        drag_to(canvas, at(80, 40), Qt::LeftButton);
        QVERIFY(qAbs(vline->xValue() - 80) < 0.2 && qAbs(hline->yValue() - 40) < 0.2);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at(80, 40));
        // Plain dragging neither zoomed nor panned.
        QCOMPARE(plot_->zoomer_->zoomRectIndex(), 0u);
        QCOMPARE(plot_->axisScaleDiv(QwtPlot::xBottom).interval(), QwtInterval(0, 100));

        // Shift+drag still pans, the cross-hair following along.
        QTest::mousePress(canvas, Qt::LeftButton, Qt::ShiftModifier, at(50, 0));
        drag_to(canvas, at(40, 0), Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(qAbs(vline->xValue() - 40) < 0.2);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ShiftModifier, at(40, 0));
        const QwtInterval panned = plot_->axisScaleDiv(QwtPlot::xBottom).interval();
        QVERIFY2(qAbs(panned.minValue() - 10) < 0.5 && qAbs(panned.maxValue() - 110) < 0.5,
                 qPrintable(QString("%1..%2").arg(panned.minValue()).arg(panned.maxValue())));
    }

    void zoom_then_fit()
    {
        auto h = holder();
        set_samples(*h, {-10, 0, 10});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-10, 10));

        // Ctrl+drag zooms into the dragged rectangle.
        QWidget* canvas = plot_->canvas();
        QTest::mousePress(canvas, Qt::LeftButton, Qt::ControlModifier, at(20, 5));
        drag_to(canvas, at(40, 0), Qt::LeftButton, Qt::ControlModifier);
        drag_to(canvas, at(60, -5), Qt::LeftButton, Qt::ControlModifier);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ControlModifier, at(60, -5));
        QCOMPARE(plot_->zoomer_->zoomRectIndex(), 1u);
        const QwtInterval zoomed = y_range(*plot_);
        QVERIFY2(qAbs(zoomed.minValue() + 5) < 0.2 && qAbs(zoomed.maxValue() - 5) < 0.2,
                 qPrintable(QString("%1..%2").arg(zoomed.minValue()).arg(zoomed.maxValue())));

        // While zoomed in the fit keeps its hands off.
        set_samples(*h, {-300, 0, 700});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), zoomed);

        // Ctrl+right click steps back; then the fit takes over again.
        QTest::mouseClick(canvas, Qt::RightButton, Qt::ControlModifier, at(50, 0));
        QCOMPARE(plot_->zoomer_->zoomRectIndex(), 0u);
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-300, 700));
        QCOMPARE(plot_->zoomer_->zoomBase().top(), -300.0);
        QCOMPARE(plot_->zoomer_->zoomBase().bottom(), 700.0);
    }

    void fit_ranges()
    {
        // Nothing to fit: the axis stays as it is.
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-50, 50));
        auto a = holder();
        auto b = holder();
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-50, 50));

        // Over all curves, an empty one left out.
        set_samples(*a, {-100, 20, 50});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-100, 50));
        set_samples(*b, {0, 250, 3});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-100, 250));

        // A flat line keeps a scale around it.
        set_samples(*a, {42, 42, 42});
        set_samples(*b, {42});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(41, 43));
        const QwtScaleMap map = plot_->canvasMap(QwtPlot::yLeft);
        const double pixel = map.transform(42);
        QVERIFY(pixel > 0 && pixel < plot_->canvas()->height());

        // The bounds start at 32000 and -32000.
        set_samples(*a, {32100, 32700, 32400});
        b->curve_->setSamples(QVector<double>(), QVector<double>());
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(32000, 32700));
        set_samples(*a, {-32768, -32100});
        fit_y_axis(*plot_);
        QCOMPARE(y_range(*plot_), QwtInterval(-32768, -32000));
    }
};

VELMORA_TEST_MAIN(tst_graphic)
#include "tst_graphic.moc"
