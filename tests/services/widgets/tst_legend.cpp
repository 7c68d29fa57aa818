#include "services/widgets/legend.h"

#include "test_main.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <utility>
#include <vector>

class tst_legend : public QObject {
    Q_OBJECT
private slots:
    void legend_helper_serves_checkable_legend()
    {
        QwtPlot plot;
        auto* legend = new QwtLegend;
        legend->setDefaultItemMode(QwtLegendData::Checkable);
        plot.insertLegend(legend);
        auto* curve = new QwtPlotCurve("speed");
        curve->attach(&plot);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));

        std::vector<std::pair<QwtPlotItem*, bool>> calls;
        auto* helper = new detail::legend_functor_helper(&plot, [&calls](QwtPlotItem* item, bool on) {
            calls.emplace_back(item, on);
            item->setVisible(on);
        });
        QCOMPARE(helper->parent(), static_cast<QObject*>(&plot));
        QVERIFY(QObject::connect(legend, SIGNAL(checked(QVariant, bool, int)), helper,
                                 SLOT(signaled(QVariant, bool, int))));

        auto* label = qobject_cast<QwtLegendLabel*>(legend->legendWidget(plot.itemToInfo(curve)));
        QVERIFY(label);
        QTest::mouseClick(label, Qt::LeftButton);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[0].first, static_cast<QwtPlotItem*>(curve));
        QVERIFY(calls[0].second);
        QVERIFY(!calls[1].second);
        QVERIFY(!curve->isVisible());

        helper->signaled(curve, true);
        QVERIFY(curve->isVisible());
        // Item info that names no plot item calls nothing.
        helper->signaled(QVariant(), true, 0);
        QCOMPARE(calls.size(), size_t(3));
    }
};

VELMORA_TEST_MAIN(tst_legend)
#include "tst_legend.moc"
