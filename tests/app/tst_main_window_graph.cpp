// The graph window of a main window connected to the simulated driver's
// scope.

#include "failing_tick.h"
#include "main_window_fixture.h"
#include "recording_output.h"
#include "test_main.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>

#include <QElapsedTimer>
#include <QTimer>

using test_support::sim_window;

namespace {

std::vector<QwtPlotCurve*> curves(graphic& plot)
{
    std::vector<QwtPlotCurve*> out;
    for (QwtPlotItem* item : plot.itemList(QwtPlotItem::Rtti_PlotCurve))
        out.push_back(static_cast<QwtPlotCurve*>(item));
    return out;
}

std::vector<curve_holder*> live_holders()
{
    std::vector<curve_holder*> out;
    for (const QPointer<curve_holder>& h : holders_)
        if (h)
            out.push_back(h.data());
    std::sort(out.begin(), out.end(),
              [](curve_holder* a, curve_holder* b) { return a->graph().start < b->graph().start; });
    return out;
}

// Whether the curve holds one whole buffer the driver wrote for `g`.
bool holds_a_buffer(const QwtPlotCurve& c, const sim::scope_graph& g, unsigned buffers)
{
    if (c.dataSize() != g.count)
        return false;
    for (unsigned b = 0; b < buffers; ++b) {
        bool same = true;
        for (std::uint32_t i = 0; i < g.count && same; ++i)
            same = c.sample(int(i)) == QPointF(i, sim::driver::scope_sample(g, b, i));
        if (same)
            return true;
    }
    return false;
}

} // namespace

class tst_main_window_graph : public QObject {
    Q_OBJECT

    test_support::recording_output* log_ = nullptr;

private slots:
    void initTestCase() { log_ = &test_support::log_recorder(); }
    void init() { log_->clear(); }

    void four_curves_from_the_scope()
    {
        sim_window w(6469, true);
        w.window->show();
        QVERIFY(w.connect());
        graphic& plot = *main_window_test_access::plot(*w.window);
        QVERIFY(plot.isHidden());

        const QList<QAction*> entries = w.menu("Graph")->actions();
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries[0]->text(), QString("Show Graph"));
        QVERIFY(entries[0]->isVisible());
        for (int k = 1; k < 5; ++k) {
            QVERIFY(entries[k]->isCheckable() && entries[k]->isChecked());
            QVERIFY(!entries[k]->isVisible());
        }

        const std::vector<QwtPlotCurve*> shown = curves(plot);
        QCOMPARE(shown.size(), std::size_t(4));
        auto* legend = qobject_cast<QwtLegend*>(plot.legend());
        for (QwtPlotCurve* c : shown) {
            const QList<QWidget*> labels = legend->legendWidgets(plot.itemToInfo(c));
            QCOMPARE(labels.size(), 1);
            QVERIFY(qobject_cast<QwtLegendLabel*>(labels[0])->isChecked());
        }
        QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).lowerBound(), -10.0);
        QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 266.0);

        // The ticks see the triggers; each curve gets a whole buffer.
        const std::vector<sim::scope_graph> scope = w.sim.scope();
        const std::vector<curve_holder*> holders = live_holders();
        QCOMPARE(holders.size(), std::size_t(4));
        QElapsedTimer elapsed;
        elapsed.start();
        auto all_drawn = [&] {
            for (std::size_t k = 0; k < 4; ++k)
                if (!holds_a_buffer(*holders[k]->curve_, scope[k], w.sim.scope_fires(k)))
                    return false;
            return true;
        };
        while (!all_drawn() && elapsed.elapsed() < 5000) {
            QVERIFY(main_window_test_access::fire_timer());
            QTest::qWait(20);
        }
        QVERIFY(all_drawn());
        QCOMPARE(w.boxes.count(), 0);

        entries[0]->trigger();
        QVERIFY(plot.isVisible());
        // The rescale fits the vertical axis to the curves, the right way up.
        QTRY_VERIFY_WITH_TIMEOUT(plot.axisScaleDiv(QwtPlot::yLeft).upperBound() <= 10000.0, 3000);
        QVERIFY(plot.axisScaleDiv(QwtPlot::yLeft).lowerBound() >= -10000.0);
        QVERIFY(plot.axisScaleDiv(QwtPlot::yLeft).lowerBound() < plot.axisScaleDiv(QwtPlot::yLeft).upperBound());

        // Nothing of the curves keeps the device once the window lets go.
        std::weak_ptr<device> gone = w.dev();
        w.disconnect();
        QVERIFY(gone.expired());
        QVERIFY(live_holders().empty());
        QVERIFY(curves(plot).empty());
    }

    void profile_without_graphs()
    {
        sim_window w(6758);
        QVERIFY(w.connect());
        QCOMPARE(w.menu("Graph")->actions().size(), 1);
        QCOMPARE(w.menu("Graph")->actions()[0]->text(), QString("Show Graph"));
        QVERIFY(live_holders().empty());
    }

    // The holder's one-second retry runs its callback outside an update;
    // a tick that fails while the callback reads disconnects the window.
    void disconnect_during_graph_callback()
    {
        sim_window w(6469, false);
        QVERIFY(w.connect());
        QPointer<curve_holder> h = live_holders().at(0);
        std::weak_ptr<device> gone = w.dev();

        test_support::failing_tick tick(w);
        tick.arm();
        log_->clear();
        h->item_changed(h->graph().trigger);
        tick.disarm();

        QVERIFY(!w.connected());
        QVERIFY(h.isNull());
        QVERIFY(gone.expired());
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device error"));
        const int off = log_->index_of("device disconnected");
        QVERIFY(off >= 0);
        QVERIFY(log_->index_of("device destroyed", off) > off);
    }

    void failed_sample_read_keeps_the_curve()
    {
        sim_window w(6469, false);
        std::vector<std::uint16_t> buffer(256);
        for (unsigned i = 0; i < 256; ++i)
            buffer[i] = std::uint16_t(i == 0 ? 0xFFFF : i == 1 ? 0x8000 : i);
        w.sim.set_registers(0x10E, buffer);
        QVERIFY(w.connect());
        curve_holder* h = live_holders().at(0);
        h->item_changed(h->graph().trigger);
        QCOMPARE(int(h->curve_->dataSize()), 256);
        QCOMPARE(h->curve_->sample(0), QPointF(0, -1));
        QCOMPARE(h->curve_->sample(1), QPointF(1, -32768));
        QCOMPARE(h->curve_->sample(255), QPointF(255, 255));

        w.sim.exception_range(0x10E + 200, 1, 4);
        h->item_changed(h->graph().trigger);
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Error when updating graphic"));
        QVERIFY(!w.boxes.boxes()[0].text.isEmpty());
        QCOMPARE(int(h->curve_->dataSize()), 256);
        QCOMPARE(h->curve_->sample(255), QPointF(255, 255));
        QVERIFY(w.connected());
    }

    // A graph's failing read is shown once and then only logged, until a
    // read of it succeeds; with the link dead, the holders' retries show
    // nothing more and the update gets its turn to disconnect.
    void read_failure_shown_once()
    {
        sim_window w(6469, true);
        QVERIFY(w.connect());
        const std::vector<curve_holder*> holders = live_holders();
        QCOMPARE(holders.size(), std::size_t(4));
        const profiles::graphic first = holders[0]->graph();
        auto graph_boxes = [&] {
            int n = 0;
            for (const auto& b : w.boxes.boxes())
                n += b.title == "Error when updating graphic";
            return n;
        };
        auto warnings = [&](const profiles::graphic& g) {
            const std::string head = "Error when updating graphic \"" + g.title + "\": ";
            int n = 0;
            for (const std::string& t : log_->texts("main"))
                n += t.compare(0, head.size(), head) == 0;
            return n;
        };
        // One trigger cycle: the driver sets the trigger once it was re-armed,
        // and the tick sees it.
        auto cycle = [&] {
            if (!QTest::qWaitFor([&] { return w.sim.get_register(first.trigger.address) != 0; }))
                return false;
            return main_window_test_access::fire_timer();
        };

        log_->clear();
        w.sim.exception_range(first.start, first.count, 4);
        for (int k = 0; k < 5; ++k)
            QVERIFY(cycle());
        QCOMPARE(graph_boxes(), 1);
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(warnings(first), 5);
        QVERIFY(w.connected());

        w.sim.clear_faults();
        QVERIFY(cycle());
        QCOMPARE(int(holders[0]->curve_->dataSize()), int(first.count));
        w.sim.exception_range(first.start, first.count, 4);
        QVERIFY(cycle());
        QCOMPARE(graph_boxes(), 2);

        // The link dies as every trigger fires: the other graphs show their
        // first failure, graph 1 only logs it, and no holder keeps the link
        // busy with retries: the update gets its turn and disconnects.
        w.sim.exception_range(0, 0x10000, 4);
        w.boxes.clear();
        log_->clear();
        for (curve_holder* h : holders)
            h->item_changed(h->graph().trigger);
        QCOMPARE(graph_boxes(), 3);
        QCOMPARE(warnings(first), 1);
        w.sim.reset_counts();
        QTest::qWait(1500);
        QCOMPARE(w.sim.requests(), 0u);
        QCOMPARE(w.boxes.count(), 3);

        QVERIFY(main_window_test_access::fire_timer());
        QCOMPARE(w.boxes.count(), 4);
        QCOMPARE(w.boxes.boxes()[3].title, QString("Device error"));
        QVERIFY(!w.connected());
        QVERIFY(live_holders().empty());
    }
};

VELMORA_TEST_MAIN(tst_main_window_graph)
#include "tst_main_window_graph.moc"
