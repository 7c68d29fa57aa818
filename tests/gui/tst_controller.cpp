#include "gui/controller.h"
#include "gui/pushbutton.h"

#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <cmath>
#include <limits>

using namespace test_support;

namespace {

// A control that only records what the controller tells it.
class probe : public QObject, public controller {
public:
    probe(const profiles::item& item, std::shared_ptr<device> dev) : controller(item, std::move(dev), true) {}

    void item_changed(const profiles::item& it) override { shown.push_back(it.value.data); }
    void force_change(const profiles::item& it) override { forced.push_back(it.value.data); }

    using controller::item_;
    using controller::set_data_impl;

    std::vector<words> shown;
    std::vector<words> forced;
};

bool watched(const device& dev, unsigned short address)
{
    for (const profiles::item& i : dev.watch_list())
        if (i.address == address)
            return true;
    return false;
}

} // namespace

class tst_controller : public QObject {
    Q_OBJECT

    recording_backend* be_ = nullptr;
    std::shared_ptr<device> dev_;

private slots:
    void init() { dev_ = make_device(be_); }
    void cleanup() { dev_.reset(); }

    void pack_value_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("is_signed");
        QTest::addColumn<int>("registers");
        QTest::addColumn<float>("scale");
        QTest::addColumn<float>("offset");
        QTest::addColumn<QList<int>>("expected"); // empty: refused

        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        typedef QList<int> w;

        QTest::newRow("decimal rounded") << 12.34 << true << 1 << 0.1f << 0.0f << w{0x007B};
        QTest::newRow("half away from zero, negative") << -1.5 << true << 1 << 1.0f << 0.0f << w{0xFFFE};
        QTest::newRow("half away from zero") << 2.5 << true << 1 << 1.0f << 0.0f << w{0x0003};
        QTest::newRow("offset") << 25.0 << true << 1 << 0.1f << -40.0f << w{0x028A};
        QTest::newRow("signed 2 high word first") << 100000.0 << true << 2 << 1.0f << 0.0f << w{0x0001, 0x86A0};
        QTest::newRow("signed 2 negative") << -2.0 << true << 2 << 1.0f << 0.0f << w{0xFFFF, 0xFFFE};
        QTest::newRow("unsigned 2") << 3000000000.0 << false << 2 << 1.0f << 0.0f << w{0xB2D0, 0x5E00};
        QTest::newRow("single precision") << 16777217.0 << false << 2 << 1.0f << 0.0f << w{0x0100, 0x0000};
        QTest::newRow("unsigned 1, -1") << -1.0 << false << 1 << 1.0f << 0.0f << w{0xFFFF};
        QTest::newRow("unsigned 1, 65535") << 65535.0 << false << 1 << 1.0f << 0.0f << w{0xFFFF};
        QTest::newRow("unsigned 1, -32768") << -32768.0 << false << 1 << 1.0f << 0.0f << w{0x8000};
        QTest::newRow("signed 1, max") << 32767.0 << true << 1 << 1.0f << 0.0f << w{0x7FFF};
        QTest::newRow("signed 1, min") << -32768.0 << true << 1 << 1.0f << 0.0f << w{0x8000};
        QTest::newRow("signed 2, min") << -2147483648.0 << true << 2 << 1.0f << 0.0f << w{0x8000, 0x0000};
        QTest::newRow("unsigned 2, -1") << -1.0 << false << 2 << 1.0f << 0.0f << w{0xFFFF, 0xFFFF};

        QTest::newRow("three registers") << 1.0 << true << 3 << 1.0f << 0.0f << w{};
        QTest::newRow("no register") << 1.0 << false << 0 << 1.0f << 0.0f << w{};
        QTest::newRow("scale 0") << 1.0 << true << 1 << 0.0f << 0.0f << w{};
        QTest::newRow("0 over scale 0") << 0.0 << false << 2 << 0.0f << 0.0f << w{};
        QTest::newRow("NaN") << nan << true << 1 << 1.0f << 0.0f << w{};
        QTest::newRow("infinity") << inf << false << 2 << 1.0f << 0.0f << w{};
        QTest::newRow("beyond single precision") << 1e300 << true << 2 << 1.0f << 0.0f << w{};
        QTest::newRow("signed 1, 32768") << 32768.0 << true << 1 << 1.0f << 0.0f << w{};
        QTest::newRow("signed 1, -32769") << -32769.0 << true << 1 << 1.0f << 0.0f << w{};
        QTest::newRow("unsigned 1, 65536") << 65536.0 << false << 1 << 1.0f << 0.0f << w{};
        QTest::newRow("unsigned 1, -32769") << -32769.0 << false << 1 << 1.0f << 0.0f << w{};
        QTest::newRow("signed 2, 2^31") << 2147483648.0 << true << 2 << 1.0f << 0.0f << w{};
        // 2^32 - 1 is 2^32 in single precision.
        QTest::newRow("unsigned 2, 2^32-1") << 4294967295.0 << false << 2 << 1.0f << 0.0f << w{};
        QTest::newRow("unsigned 2, below -2^31") << -2147483904.0 << false << 2 << 1.0f << 0.0f << w{};
    }

    void pack_value()
    {
        QFETCH(double, value);
        QFETCH(bool, is_signed);
        QFETCH(int, registers);
        QFETCH(float, scale);
        QFETCH(float, offset);
        QFETCH(QList<int>, expected);

        const profiles::item item =
            make_item(0x10, profiles::spin, words(std::size_t(registers), 0), is_signed, profiles::rw, scale, offset);
        if (expected.isEmpty()) {
            QVERIFY_EXCEPTION_THROWN(::pack_value(value, item), std::runtime_error);
            if (registers != 1 && registers != 2) {
                try {
                    ::pack_value(value, item);
                } catch (const std::runtime_error& e) {
                    QCOMPARE(QString(e.what()), QString("can't extract value from item"));
                }
            }
            return;
        }
        const words got = ::pack_value(value, item);
        QCOMPARE(QList<int>(got.begin(), got.end()), expected);
    }

    // Only notifications about the control's own address and kind count;
    // only changed words repaint.
    void notification_filter()
    {
        probe p(make_item(0x20, profiles::spin, {5}), dev_);

        profiles::item other_kind = make_item(0x20, profiles::combo, {6});
        emit dev_->item_changed(other_kind);
        profiles::item other_address = make_item(0x21, profiles::spin, {6});
        emit dev_->item_changed(other_address);
        QVERIFY(p.forced.empty());
        QVERIFY(p.shown.empty());
        QCOMPARE(p.item_.value.data, words{5});
        QCOMPARE(p.item_.gui, profiles::spin);

        // Same words: the cache takes every field, nothing repaints.
        profiles::item same = make_item(0x20, profiles::spin, {5});
        same.name = "renamed";
        same.scale = 2.0f;
        emit dev_->item_changed(same);
        QCOMPARE(p.forced, std::vector<words>{words{5}});
        QVERIFY(p.shown.empty());
        QCOMPARE(p.item_.name, std::string("renamed"));
        QCOMPARE(p.item_.scale, 2.0f);

        // A different register count counts as a change, even with the
        // same leading word.
        emit dev_->item_changed(make_item(0x20, profiles::spin, {5, 0}));
        QCOMPARE(p.shown, std::vector<words>{(words{5, 0})});
        QCOMPARE(p.item_.length(), 2u);

        // Through the device's own poll: the device watches the item as it
        // was given, with one register.
        p.forced.clear();
        p.shown.clear();
        device_sets(*dev_, 0x20, {7});
        QCOMPARE(p.shown, std::vector<words>{words{7}});
        dev_->update_profile(false);
        QCOMPARE(p.shown.size(), std::size_t(1));
        QCOMPARE(p.forced.size(), std::size_t(2));
        QCOMPARE(p.item_.value.data, words{7});
        QCOMPARE(p.item_.name, std::string("Item"));
    }

    void set_data_impl()
    {
        probe p(make_item(0x30, profiles::spin, {1, 2}), dev_);

        p.set_data_impl({7});
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].address, (unsigned short)0x30);
        QCOMPARE(be_->written[0].values, (words{7, 0}));
        QCOMPARE(p.item_.value.data, (words{7, 0}));

        p.set_data_impl({3, 4, 5});
        QCOMPARE(be_->written.size(), std::size_t(2));
        QCOMPARE(be_->written[1].values, (words{3, 4}));
        QCOMPARE(p.item_.value.data, (words{3, 4}));
        QVERIFY(p.shown.empty());

        be_->fail_writes = true;
        QVERIFY_EXCEPTION_THROWN(p.set_data_impl({9, 9}), modbus::connection_exception);
        QCOMPARE(p.item_.value.data, (words{3, 4}));
        be_->fail_writes = false;

        probe ro(make_item(0x40, profiles::spin, {1}, false, profiles::ro), dev_);
        ro.set_data_impl({9});
        QCOMPARE(be_->written.size(), std::size_t(2));
        QCOMPARE(ro.item_.value.data, words{9});
    }

    void destruction()
    {
        const int children = dev_->children().size();
        auto p = std::make_unique<probe>(make_item(0x50, profiles::spin, {1}), dev_);
        QVERIFY(watched(*dev_, 0x50));
        QCOMPARE(dev_->children().size(), children + 1);
        p.reset();
        QVERIFY(!watched(*dev_, 0x50));
        QCOMPARE(dev_->children().size(), children);
        // Its handler went with it: nothing reaches the destroyed control.
        emit dev_->item_changed(make_item(0x50, profiles::spin, {2}));

        // A command button for a watched address leaves the watch alone.
        probe keeper(make_item(0x60, profiles::spin, {1}), dev_);
        auto b = std::make_unique<pushbutton>(make_item(0x60, profiles::button, {3}), dev_);
        QCOMPARE(dev_->watch_list().size(), std::size_t(1));
        QCOMPARE(dev_->children().size(), children + 1);
        b.reset();
        QCOMPARE(dev_->watch_list().size(), std::size_t(1));
        QVERIFY(watched(*dev_, 0x60));
        QCOMPARE(dev_->children().size(), children + 1);
    }
};

VELMORA_TEST_MAIN(tst_controller)
#include "tst_controller.moc"
