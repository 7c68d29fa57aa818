// The four graphs of a 6469 driver drawn from the simulated driver's scope
// over a pseudo-terminal: every buffer arrives whole and every trigger is
// re-armed.

#include "quick_driver.h"
#include "sim_link.h"
#include "gui/graphic.h"

#include "sample_reader.h"
#include "test_main.h"

#include "modbus/modbus_device.h"
#include "sim/sim_driver.h"
#include "sim/sim_profile.h"

#include <qwt_plot_curve.h>

#include <QElapsedTimer>

#include <algorithm>

using modbus::connection;

class tst_graphic_e2e : public QObject {
    Q_OBJECT

    test_support::quick_driver sim_;

    connection::descriptor serial() const { return test_support::serial_descriptor(sim_); }

private slots:
    void initTestCase()
    {
        profiles::init_profiles();
        sim_.set_scope(sim::graphs_for(6469, std::chrono::milliseconds(50)));
        connection::modbus_device::set_pause([] {});
    }

    void cleanupTestCase()
    {
        connection::modbus_device::set_pause({});
        sim_.stop();
    }

    void four_graphs()
    {
        auto dev = std::make_shared<device>(std::make_shared<connection>(serial(), 3));
        QCOMPARE(dev->id(), 6469);
        dev->set_profile(profiles::get_profile(dev->id()));
        const std::vector<profiles::graphic> graphs = dev->profile().graphics;
        QCOMPARE(graphs.size(), std::size_t(4));
        const std::vector<sim::scope_graph> scope = sim_.scope();

        graphic plot;
        std::vector<std::shared_ptr<curve_holder>> holders;
        std::vector<int> calls(graphs.size(), 0);
        for (std::size_t k = 0; k < graphs.size(); ++k) {
            holders.push_back(std::make_shared<curve_holder>(dev, graphs[k], &plot));
            holders[k]->update_ = test_support::sample_reader(holders[k].get(), dev, [&calls, k] { ++calls[k]; });
        }

        QElapsedTimer time;
        time.start();
        auto done = [&] { return std::all_of(calls.begin(), calls.end(), [](int n) { return n >= 3; }); };
        while (!done() && time.elapsed() < 20000) {
            dev->update_profile();
            QTest::qWait(10);
        }
        QVERIFY2(done(), qPrintable(QString("%1 %2 %3 %4").arg(calls[0]).arg(calls[1]).arg(calls[2]).arg(calls[3])));

        for (std::size_t k = 0; k < graphs.size(); ++k) {
            // Every handling re-armed the trigger with one write of 0.
            QCOMPARE(sim_.scope_rearms(k), unsigned(calls[k]));
            QVERIFY(sim_.scope_fires(k) == unsigned(calls[k]) || sim_.scope_fires(k) == unsigned(calls[k]) + 1);

            // The curve holds one whole buffer: the one the last handling read.
            const QwtPlotCurve& curve = *holders[k]->curve_;
            QCOMPARE(curve.dataSize(), std::size_t(256));
            int buffer = -1;
            for (unsigned b = 0; b < sim_.scope_fires(k) && buffer < 0; ++b) {
                bool same = true;
                for (unsigned i = 0; i < 256 && same; ++i)
                    same = curve.sample(i).x() == i && curve.sample(i).y() == sim::driver::scope_sample(scope[k], b, i);
                if (same)
                    buffer = int(b);
            }
            QVERIFY2(buffer == calls[k] - 1, qPrintable(QString("graph %1: buffer %2").arg(k + 1).arg(buffer)));
        }

        holders.clear();
        QVERIFY(dev->watch_list().empty());
    }
};

VELMORA_TEST_MAIN(tst_graphic_e2e)
#include "tst_graphic_e2e.moc"
