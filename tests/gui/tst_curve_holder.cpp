// Curve holders on the emulation: colours, the trigger handshake, the retry
// of a failed re-arm and the holder's end.

#include "gui/graphic.h"

#include "recording_output.h"
#include "sample_reader.h"
#include "emulation.h"
#include "test_main.h"

#include "modbus/errors.h"
#include "services/settings.h"

#include <qwt_plot_curve.h>
#include <qwt_symbol.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include <stdexcept>

using modbus::connection;
using namespace test_support;

namespace {

profiles::graphic make_graph(unsigned short trigger, const char* title)
{
    profiles::graphic g;
    g.trigger = profiles::single(trigger);
    g.start = static_cast<unsigned short>(0x2000 + trigger * 4);
    g.count = 4;
    g.title = title;
    return g;
}

} // namespace

class tst_curve_holder : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::shared_ptr<device> dev_;
    std::unique_ptr<graphic> plot_;
    const profiles::graphic& graph1() const { return profiles::get_profile(6469).graphics.at(0); }

private slots:
    void initTestCase()
    {
        profiles::init_profiles();
        QVERIFY(profiles::is_registered(6469));
    }

    void init()
    {
        auto b = std::make_unique<recording_backend>();
        backend_ = b.get();
        dev_ = std::make_shared<device>(std::make_shared<connection>(std::move(b)));
        dev_->set_profile(profiles::get_profile(6469));
        plot_ = std::make_unique<graphic>();
        backend_->requests.clear();
        settings().set_colors({});
    }

    void cleanup()
    {
        QVERIFY(holders_.empty());
        QVERIFY(curve_holder::used_colors.empty());
        plot_.reset();
        dev_.reset();
    }

    void colors()
    {
        std::vector<std::shared_ptr<curve_holder>> hs;
        for (unsigned short k = 0; k < 5; ++k)
            hs.push_back(std::make_shared<curve_holder>(dev_, make_graph(0x700 + 2 * k, "Graph"), plot_.get()));
        const QStringList expected{"#00ff00", "#ff0000", "#ffff00", "#0000ff", "#000000"};
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(hs[k]->color().name(), expected[k]);
            QCOMPARE(hs[k]->curve_->pen().color().name(), expected[k]);
            QCOMPARE(hs[k]->curve_->symbol()->pen().color().name(), expected[k]);
            QCOMPARE(hs[k]->curve_->symbol()->style(), QwtSymbol::Ellipse);
            QCOMPARE(hs[k]->curve_->symbol()->size(), QSize(5, 5));
        }
        QCOMPARE(holders_.size(), std::size_t(5));
        QCOMPARE(curve_holder::used_colors,
                 (std::set<QString>{"#00ff00", "#ff0000", "#ffff00", "#0000ff"}));

        // A freed colour goes to the next holder; black was never reserved.
        hs[1].reset();
        hs[4].reset();
        QCOMPARE(curve_holder::used_colors.count("#ff0000"), std::size_t(0));
        hs.push_back(std::make_shared<curve_holder>(dev_, make_graph(0x780, "Graph"), plot_.get()));
        QCOMPARE(hs.back()->color().name(), QString("#ff0000"));
        QCOMPARE(plot_->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 4);
        hs.clear();
        QVERIFY(curve_holder::used_colors.empty());
        QCOMPARE(plot_->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 0);

        // A colour configured twice is given once.
        settings().set_colors({Qt::blue, Qt::blue, Qt::red});
        for (unsigned short k = 0; k < 3; ++k)
            hs.push_back(std::make_shared<curve_holder>(dev_, make_graph(0x700 + 2 * k, "Graph"), plot_.get()));
        QCOMPARE(hs[0]->color().name(), QString("#0000ff"));
        QCOMPARE(hs[1]->color().name(), QString("#ff0000"));
        QCOMPARE(hs[2]->color().name(), QString("#000000"));
        hs.clear();

        // Black configured and taken: a holder that got black for want of
        // colours leaves that reservation alone when it goes.
        settings().set_colors({Qt::black});
        auto first = std::make_shared<curve_holder>(dev_, make_graph(0x700, "Graph"), plot_.get());
        auto spare = std::make_shared<curve_holder>(dev_, make_graph(0x702, "Graph"), plot_.get());
        spare.reset();
        settings().set_colors({Qt::black, Qt::red});
        auto next = std::make_shared<curve_holder>(dev_, make_graph(0x704, "Graph"), plot_.get());
        QCOMPARE(first->color().name(), QString("#000000"));
        QCOMPARE(next->color().name(), QString("#ff0000"));
    }

    void trigger_fires_once()
    {
        const profiles::graphic& g = graph1();
        for (unsigned i = 0; i < g.count; ++i)
            vmem()[static_cast<unsigned short>(g.start + i)] = static_cast<unsigned short>(int(i) * 3 - 300);
        vmem()[g.trigger.address] = 0;

        int calls = 0;
        auto holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        holder->update_ = test_support::sample_reader(holder.get(), dev_, [&] { ++calls; });
        QCOMPARE(dev_->watch_list().size(), std::size_t(1));
        QCOMPARE(dev_->watch_list()[0].address, g.trigger.address);

        backend_->requests.clear();
        dev_->update_profile();
        QCOMPARE(calls, 0);
        QVERIFY(backend_->writes().empty());

        vmem()[g.trigger.address] = 3;
        dev_->update_profile();
        QCOMPARE(calls, 1);
        QCOMPARE(backend_->registers_read(g.start, g.start + g.count), std::size_t(g.count));
        const auto writes = backend_->writes();
        QCOMPARE(writes.size(), std::size_t(1));
        QCOMPARE(writes[0].address, g.trigger.address);
        QCOMPARE(writes[0].values, std::vector<unsigned short>{0});
        QCOMPARE(vmem()[g.trigger.address], 0);
        QCOMPARE(holder->item().value.data, std::vector<unsigned short>{0});

        QCOMPARE(holder->curve_->dataSize(), std::size_t(g.count));
        for (unsigned i = 0; i < g.count; ++i) {
            QCOMPARE(holder->curve_->sample(i).x(), double(i));
            QCOMPARE(holder->curve_->sample(i).y(), double(int(i) * 3 - 300));
        }

        // Armed: polls that read 0 fire nothing.
        backend_->requests.clear();
        for (int k = 0; k < 3; ++k)
            dev_->update_profile();
        QCOMPARE(calls, 1);
        QVERIFY(backend_->writes().empty());
        QCOMPARE(backend_->registers_read(g.start, g.start + g.count), std::size_t(0));

        vmem()[g.trigger.address] = 4;
        dev_->update_profile();
        dev_->update_profile();
        QCOMPARE(calls, 2);
        QCOMPARE(backend_->writes().size(), std::size_t(1));
    }

    void failed_rearm_retries()
    {
        const profiles::graphic& g = graph1();
        vmem()[g.trigger.address] = 0;
        int calls = 0;
        auto holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        holder->update_ = [&] {
            ++calls;
            return true;
        };

        backend_->fail_writes = true;
        vmem()[g.trigger.address] = 9;
        backend_->requests.clear();
        dev_->update_profile();
        QElapsedTimer since;
        since.start();
        QCOMPARE(calls, 1);
        QCOMPARE(backend_->writes().size(), std::size_t(1));
        QCOMPARE(vmem()[g.trigger.address], 9);

        QTest::qWait(600);
        QCOMPARE(calls, 1);
        backend_->fail_writes = false;
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 3000);
        QVERIFY2(since.elapsed() >= 950, QByteArray::number(since.elapsed()));
        QCOMPARE(backend_->writes().size(), std::size_t(2));
        QCOMPARE(backend_->writes()[1].values, std::vector<unsigned short>{0});
        QCOMPARE(vmem()[g.trigger.address], 0);
        // Re-armed: nothing more is scheduled.
        QTest::qWait(1300);
        QCOMPARE(calls, 2);

        // A retry due after the holder's end does nothing.
        backend_->fail_writes = true;
        vmem()[g.trigger.address] = 10;
        dev_->update_profile();
        QCOMPARE(calls, 3);
        const std::size_t requests = backend_->requests.size();
        holder.reset();
        backend_->fail_writes = false;
        QTest::qWait(1500);
        QCOMPARE(calls, 3);
        QCOMPARE(backend_->requests.size(), requests);
        QCOMPARE(vmem()[g.trigger.address], 10);

        // Neither the buffer nor the re-arm got through: no retry; the
        // trigger stays set, and the next update fires the holder again.
        holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        int unread = 0;
        // Its first read fails, the later ones succeed.
        holder->update_ = [&] { return ++unread > 1; };
        backend_->fail_writes = true;
        dev_->update_profile();
        QCOMPARE(unread, 1);
        backend_->fail_writes = false;
        QTest::qWait(1500);
        QCOMPARE(unread, 1);
        QCOMPARE(vmem()[g.trigger.address], 10);
        dev_->update_profile();
        QCOMPARE(unread, 2);
        QCOMPARE(vmem()[g.trigger.address], 0);
    }

    void callback_failures()
    {
        const profiles::graphic& g = graph1();
        vmem()[g.trigger.address] = 0;
        auto holder = std::make_shared<curve_holder>(dev_, g, plot_.get());

        // A failed read is reported and the trigger re-armed all the same.
        holder->update_ = []() -> bool { throw std::runtime_error("read failed"); };
        QTest::ignoreMessage(QtWarningMsg, "curve_update exception: \"read failed\"");
        vmem()[g.trigger.address] = 5;
        dev_->update_profile();
        QCOMPARE(vmem()[g.trigger.address], 0);

        // So is a holder still without a callback.
        holder->update_ = nullptr;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^curve_update exception: \"\\S+\"$"));
        vmem()[g.trigger.address] = 6;
        dev_->update_profile();
        QCOMPARE(vmem()[g.trigger.address], 0);

        // Anything else leaves, before the re-arm.
        holder->update_ = []() -> bool { throw 42; };
        vmem()[g.trigger.address] = 7;
        backend_->requests.clear();
        QVERIFY_EXCEPTION_THROWN(holder->item_changed(holder->item()), int);
        QVERIFY(backend_->writes().empty());
    }

    void callback_may_end_its_holder()
    {
        // What the graph window's disconnect does from inside a read.
        const profiles::graphic& g = graph1();
        vmem()[g.trigger.address] = 0;
        auto holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        QPointer<curve_holder> alive(holder.get());
        const std::string what(64, 'x');
        std::string seen;
        holder->update_ = [&holder, &seen, what] {
            holder.reset();
            // Captures are read after the holder, and its callable, are gone.
            seen = what;
            return true;
        };
        vmem()[g.trigger.address] = 2;
        backend_->requests.clear();
        dev_->update_profile();
        QVERIFY(alive.isNull());
        QCOMPARE(seen, what);
        // Nothing is written for a holder that is gone.
        QVERIFY(backend_->writes().empty());
        QVERIFY(dev_->watch_list().empty());
    }

    void holder_ends()
    {
        const profiles::graphic& g = graph1();
        auto holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        QCOMPARE(holder->parent(), static_cast<QObject*>(dev_.get()));
        QCOMPARE(holder->curve_->plot(), plot_.get());
        QCOMPARE(holder->curve_->title().text(), QString("Graph 1"));

        // What hangs on the holder's timer ends with it.
        QPointer<QTimer> tick = new QTimer(holder->timer_.get());
        holder.reset();
        QVERIFY(tick.isNull());
        QVERIFY(dev_->watch_list().empty());
        QVERIFY(plot_->itemList(QwtPlotItem::Rtti_PlotCurve).isEmpty());

        // The device released elsewhere first: the holder's end takes the
        // device with it, once.
        holder = std::make_shared<curve_holder>(dev_, g, plot_.get());
        std::weak_ptr<device> weak = dev_;
        dev_.reset();
        QVERIFY(!weak.expired());
        auto& log = test_support::log_recorder();
        holder.reset();
        QVERIFY(weak.expired());
        QVERIFY(log.has("device destroyed"));
        QVERIFY(plot_->itemList(QwtPlotItem::Rtti_PlotCurve).isEmpty());
    }

    void plot_goes_first()
    {
        auto holder = std::make_shared<curve_holder>(dev_, graph1(), plot_.get());
        plot_.reset();
        // The curve is still the holder's to fill and to delete.
        QCOMPARE(holder->curve_->plot(), nullptr);
        holder->curve_->setSamples(QVector<double>{0, 1}, QVector<double>{5, 6});
        QCOMPARE(holder->curve_->dataSize(), std::size_t(2));
        holder.reset();
    }
};

VELMORA_TEST_MAIN(tst_curve_holder)
#include "tst_curve_holder.moc"
