#include "gui/factory.h"
#include "gui/spinbox.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <QLocale>

#include <climits>

using namespace test_support;

namespace {

void type(QAbstractSpinBox* s, const QString& text)
{
    s->selectAll();
    QTest::keyClicks(s, text);
}

QColor base(const QWidget* w)
{
    return w->palette().color(QPalette::Active, QPalette::Base);
}

} // namespace

class tst_spinbox : public QObject {
    Q_OBJECT

    recording_backend* be_ = nullptr;
    std::shared_ptr<device> dev_;
    std::unique_ptr<test_support::modal_answerer> answerer_;
    control_host host_;

private slots:
    void init()
    {
        dev_ = make_device(be_);
        answerer_ = std::make_unique<test_support::modal_answerer>();
    }

    void cleanup()
    {
        host_.reset();
        answerer_.reset();
        dev_.reset();
    }

    void enter_writes_once()
    {
        spinbox* sb = host_.show(create_spinbox(make_item(0x10, profiles::spin, {5}), dev_));
        QVERIFY(sb);
        QCOMPARE(sb->value(), 5);
        const QColor normal = base(sb);
        QVERIFY(normal != QColor(Qt::yellow));

        type(sb, "42");
        QCOMPARE(sb->value(), 42);
        QVERIFY(same_colour_everywhere(sb->palette(), QPalette::Base, Qt::yellow));
        QVERIFY(be_->written.empty());

        QTest::keyClick(sb, Qt::Key_Return);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].address, (unsigned short)0x10);
        QCOMPARE(be_->written[0].values, words{42});
        QCOMPARE(sb->item().value.data, words{42});
        QCOMPARE(base(sb), normal);

        QVERIFY(host_.focus_out());
        QCOMPARE(be_->written.size(), std::size_t(1));

        // Enter on an unchanged field, and an edit that ends on the value
        // held, write nothing.
        sb->setFocus();
        QTest::keyClick(sb, Qt::Key_Return);
        type(sb, "421");
        QTest::keyClick(sb, Qt::Key_Backspace);
        QCOMPARE(sb->value(), 42);
        QTest::keyClick(sb, Qt::Key_Enter);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(base(sb), normal);

        // The focus leaving ends an edit as well.
        type(sb, "7");
        QVERIFY(host_.focus_out());
        QCOMPARE(be_->written.size(), std::size_t(2));
        QCOMPARE(be_->written[1].values, words{7});
        QCOMPARE(base(sb), normal);
        QCOMPARE(answerer_->count(), 0);
    }

    void escape_restores()
    {
        spinbox* sb = host_.show(create_spinbox(make_item(0x10, profiles::spin, {5}), dev_));
        QVERIFY(sb);
        const QColor normal = base(sb);

        type(sb, "77");
        QTest::keyClick(sb, Qt::Key_Escape);
        QCOMPARE(sb->value(), 5);
        QCOMPARE(base(sb), normal);
        QVERIFY(host_.focus_out());
        QVERIFY(be_->written.empty());

        // Back to the last value written...
        sb->setFocus();
        type(sb, "42");
        QTest::keyClick(sb, Qt::Key_Return);
        type(sb, "11");
        QTest::keyClick(sb, Qt::Key_Escape);
        QCOMPARE(sb->value(), 42);

        // ... or shown for the device.
        device_sets(*dev_, 0x10, {60});
        QCOMPARE(sb->value(), 60);
        type(sb, "99");
        QTest::keyClick(sb, Qt::Key_Escape);
        QCOMPARE(sb->value(), 60);
        QCOMPARE(base(sb), normal);
        QTest::keyClick(sb, Qt::Key_Return);
        QCOMPARE(be_->written.size(), std::size_t(1));
    }

    void failed_write_reverts()
    {
        spinbox* sb = host_.show(create_spinbox(make_item(0x10, profiles::spin, {5}), dev_));
        QVERIFY(sb);
        const QColor normal = base(sb);
        device_sets(*dev_, 0x10, {8});
        be_->fail_writes = true;

        type(sb, "13");
        QTest::keyClick(sb, Qt::Key_Return);
        QCOMPARE(sb->value(), 8);
        QCOMPARE(base(sb), normal);
        QCOMPARE(sb->item().value.data, words{8});
        QCOMPARE(int(be_->writes().size()), 1);
        QCOMPARE(answerer_->count(), 0); // not inside the slot
        QVERIFY(answerer_->wait_for(1));
        QCOMPARE(answerer_->boxes()[0].title, QString("Set error"));
        QCOMPARE(answerer_->boxes()[0].text, QString("Unable to set data."));
        QCOMPARE(answerer_->boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer_->boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        // The focus leaving afterwards has nothing more to do.
        QVERIFY(host_.focus_out());
        QTest::qWait(50);
        QCOMPARE(answerer_->count(), 1);
        QCOMPARE(int(be_->writes().size()), 1);
    }

    // A value that its registers can't hold is refused like a failed write.
    void unpackable_value_reverts()
    {
        profiles::item item = make_item(0x10, profiles::spin, {0, 0}, true, profiles::rw, 0.1f);
        item.min = 0;
        item.max = INT_MAX;
        doublespinbox* sb = host_.show(create_spinbox_d(item, dev_, 1));
        QVERIFY(sb);

        type(sb, QLocale().toString(214748364.7, 'f', 1));
        QVERIFY(sb->value() > 214748364.0);
        QTest::keyClick(sb, Qt::Key_Return);
        QCOMPARE(sb->value(), 0.0);
        QVERIFY(be_->written.empty());
        QVERIFY(answerer_->wait_for(1));
        QCOMPARE(answerer_->boxes()[0].title, QString("Set error"));

        type(sb, QLocale().toString(12.3, 'f', 1));
        QTest::keyClick(sb, Qt::Key_Return);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].values, (words{0, 123}));
    }

    void device_value_during_edit_is_cached()
    {
        spinbox* sb = host_.show(create_spinbox(make_item(0x10, profiles::spin, {5}), dev_));
        QVERIFY(sb);

        type(sb, "3");
        device_sets(*dev_, 0x10, {50});
        QCOMPARE(sb->value(), 3);
        QCOMPARE(sb->item().value.data, words{50});
        QCOMPARE(base(sb), QColor(Qt::yellow));

        // Ending on exactly the device's value writes nothing.
        type(sb, "50");
        QTest::keyClick(sb, Qt::Key_Return);
        QVERIFY(be_->written.empty());
        QVERIFY(base(sb) != QColor(Qt::yellow));

        // Once idle, device values show again.
        device_sets(*dev_, 0x10, {51});
        QCOMPARE(sb->value(), 51);
        QVERIFY(base(sb) != QColor(Qt::yellow));
    }

    void ranges()
    {
        auto range_item = [](bool is_signed, int min, int max, float scale, float offset, unsigned registers = 1) {
            profiles::item i = make_item(0x10, profiles::spin, words(registers, 0), is_signed, profiles::rw, scale,
                                         offset);
            i.min = min;
            i.max = max;
            return i;
        };

        std::unique_ptr<doublespinbox> d(create_spinbox_d(range_item(false, -1, -1, 0.1f, 0.0f), dev_, 1));
        QCOMPARE(d->minimum(), 0.0);
        QCOMPARE(d->maximum(), 3276.7);
        d.reset();

        struct {
            bool is_signed;
            int min, max;
            float scale, offset;
            unsigned registers;
            int low, high;
        } const cases[] = {
            {true, -1, -1, 1.0f, 0.0f, 1, -32768, 32767},
            {true, -1, -1, 10.0f, 5.0f, 1, -327675, 327675},
            {true, 10, 200, 0.5f, 1.0f, 1, 6, 101},
            {true, -1, 100, 1.0f, 0.0f, 1, -1, 100}, // a single -1 is a raw value
            {false, -5, 10, 1.0f, 0.0f, 1, 0, 10},
            {false, -1, -1, 1.0f, 0.0f, 2, 0, 32767},
            {false, 0, INT_MAX, 2.0f, 0.0f, 2, 0, INT_MAX}, // held at what an int can take
        };
        for (const auto& c : cases) {
            std::unique_ptr<spinbox> s(
                create_spinbox(range_item(c.is_signed, c.min, c.max, c.scale, c.offset, c.registers), dev_));
            QCOMPARE(s->minimum(), c.low);
            QCOMPARE(s->maximum(), c.high);
            QVERIFY(s->isAccelerated());
            QCOMPARE(s->buttonSymbols(), QAbstractSpinBox::NoButtons);
        }
    }

    void decoding()
    {
        auto value_of = [this](words data, bool is_signed, float scale = 1.0f) {
            profiles::item i = make_item(0x10, profiles::spin, std::move(data), is_signed, profiles::rw, scale);
            i.min = INT_MIN;
            i.max = INT_MAX;
            std::unique_ptr<spinbox> s(create_spinbox(i, dev_));
            return s->value();
        };
        QCOMPARE(value_of({0xFFFF, 0xFFFE}, true), -2);
        QCOMPARE(value_of({0x0001, 0x0000}, false), 65536);
        QCOMPARE(value_of({0xFFFF}, true), -1);
        QCOMPARE(value_of({0xFFFF}, false), 65535);
        QCOMPARE(value_of({0x8000, 0x0000}, true), INT_MIN);
        // Truncated toward zero.
        QCOMPARE(value_of({3}, true, 0.5f), 1);
        QCOMPARE(value_of({0xFFFD}, true, 0.5f), -1);

        // The same rule for device values.
        profiles::item i = make_item(0x10, profiles::spin, {0, 0}, true);
        i.min = INT_MIN;
        i.max = INT_MAX;
        std::unique_ptr<spinbox> s(create_spinbox(i, dev_));
        device_sets(*dev_, 0x10, {0xFFFF, 0xFFFD});
        QCOMPARE(s->value(), -3);
        device_sets(*dev_, 0x10, {0x0002, 0x0001});
        QCOMPARE(s->value(), 131073);
        s.reset();

        // A decimal box gets its value before its decimals: two, at first.
        profiles::item fine = make_item(0x10, profiles::spin, {1234}, false, profiles::rw, 0.001f);
        std::unique_ptr<doublespinbox> d(create_spinbox_d(fine, dev_, 3));
        QCOMPARE(d->value(), 1.23);
        QCOMPARE(d->cleanText(), QLocale().toString(1.23, 'f', 3));
        device_sets(*dev_, 0x10, {1235});
        QCOMPARE(d->cleanText(), QLocale().toString(1.235, 'f', 3));
        d.reset();

        // Register images that are no number are refused before the item
        // is watched.
        for (const profiles::item& bad :
             {make_item(0x10, profiles::spin, {1, 2, 3}), make_item(0x10, profiles::spin, {})}) {
            try {
                spinbox s(bad, dev_);
                QFAIL("built");
            } catch (const std::runtime_error& e) {
                QCOMPARE(QString(e.what()), QString("can't extract value from item"));
            }
        }
        profiles::item short_image = make_item(0x10, profiles::spin, {1});
        short_image.value.length = 2;
        QVERIFY_EXCEPTION_THROWN(doublespinbox(short_image, dev_), std::runtime_error);
        QVERIFY(dev_->watch_list().empty());
    }

    void read_only_look()
    {
        const QColor disabled_base = QSpinBox().palette().color(QPalette::Disabled, QPalette::Base);
        QVERIFY(disabled_base != QSpinBox().palette().color(QPalette::Active, QPalette::Base));

        spinbox* sb = host_.show(create_spinbox(make_item(0x10, profiles::spin, {5}, false, profiles::ro), dev_));
        QVERIFY(sb);
        QVERIFY(sb->isReadOnly());
        QVERIFY(same_colour_everywhere(sb->palette(), QPalette::Base, disabled_base));

        type(sb, "3");
        QCOMPARE(sb->value(), 5);
        QTest::keyClick(sb, Qt::Key_Return);
        QVERIFY(host_.focus_out());

        device_sets(*dev_, 0x10, {9});
        QCOMPARE(sb->value(), 9);
        QVERIFY(same_colour_everywhere(sb->palette(), QPalette::Base, disabled_base));
        QVERIFY(be_->written.empty());
        QTest::qWait(20);
        QCOMPARE(answerer_->count(), 0);

        std::unique_ptr<doublespinbox> d(
            create_spinbox_d(make_item(0x11, profiles::spin, {5}, false, profiles::ro, 0.1f), dev_, 1));
        QVERIFY(d->isReadOnly());
        QVERIFY(same_colour_everywhere(d->palette(), QPalette::Base, disabled_base));
        std::unique_ptr<spinbox> rw(create_spinbox(make_item(0x12, profiles::spin, {5}), dev_));
        QVERIFY(!rw->isReadOnly());
    }
};

VELMORA_TEST_MAIN(tst_spinbox)
#include "tst_spinbox.moc"
