#include "gui/factory.h"
#include "gui/pushbutton.h"
#include "gui/spinbox.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

using namespace test_support;

namespace {

profiles::item command(unsigned short code, profiles::item_dir dir = profiles::wo)
{
    return make_item(profiles::profile::command_address, profiles::button, {code}, false, dir);
}

} // namespace

class tst_pushbutton : public QObject {
    Q_OBJECT

    recording_backend* be_ = nullptr;
    std::shared_ptr<device> dev_;
    std::unique_ptr<test_support::modal_answerer> answerer_;
    control_host host_;

    // As the factory builds it, shown.
    pushbutton* built_button(const profiles::item& item, std::shared_ptr<device> dev)
    {
        return host_.show(control_in<pushbutton>(create_button(item, std::move(dev))));
    }

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

    void presses_write_the_same_code()
    {
        pushbutton* b = built_button(command(5), dev_);
        QVERIFY(b);
        QVERIFY(dev_->watch_list().empty());

        QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(be_->written.size(), std::size_t(2));
        for (const auto& w : be_->written) {
            QCOMPARE(w.address, profiles::profile::command_address);
            QCOMPARE(w.values, words{5});
        }

        // Polls of another control on the same register change nothing.
        spinbox watcher(make_item(profiles::profile::command_address, profiles::spin, {0}), dev_);
        device_sets(*dev_, profiles::profile::command_address, {9});
        QCOMPARE(watcher.value(), 9);
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(be_->written.size(), std::size_t(3));
        QCOMPARE(be_->written[2].values, words{5});
        QCOMPARE(b->item().value.data, words{5});
        QCOMPARE(vmem()[profiles::profile::command_address], (unsigned short)5);
        QTest::qWait(20);
        QCOMPARE(answerer_->count(), 0);
    }

    void two_registers_in_one_request()
    {
        pushbutton* b = built_button(make_item(0x30, profiles::button, {0x1234, 0x5678}), dev_);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].address, (unsigned short)0x30);
        QCOMPARE(be_->written[0].values, (words{0x1234, 0x5678}));
    }

    void failed_press_shows_set_error()
    {
        pushbutton* b = built_button(command(1, profiles::ro), dev_);
        QVERIFY(b);

        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(answerer_->count(), 0); // not inside the slot
        QVERIFY(answerer_->wait_for(1));
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(answerer_->wait_for(2));
        for (const auto& box : answerer_->boxes()) {
            QCOMPARE(box.title, QString("Set error"));
            QCOMPARE(box.text, QString("Unable to set data."));
            QCOMPARE(box.icon, QMessageBox::Critical);
        }
        QVERIFY(be_->written.empty());
        QVERIFY(vmem().find(profiles::profile::command_address) == vmem().end());

        // A link failure ends the same way.
        host_.reset();
        answerer_->clear();
        b = built_button(command(2), dev_);
        QVERIFY(b);
        be_->fail_writes = true;
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(answerer_->wait_for(1));
        QCOMPARE(answerer_->boxes()[0].title, QString("Set error"));
        be_->fail_writes = false;
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].values, words{2});
    }
};

VELMORA_TEST_MAIN(tst_pushbutton)
#include "tst_pushbutton.moc"
