#include "gui/combobox.h"
#include "gui/factory.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <QAbstractItemView>
#include <QToolTip>

using namespace test_support;

namespace {

profiles::item combo_item(unsigned short value, profiles::value_map map, profiles::item_dir dir = profiles::rw)
{
    profiles::item i = make_item(0x10, profiles::combo, {value}, false, dir);
    i.map = std::move(map);
    return i;
}

const profiles::value_map steps{{0, "Off"}, {9, "0.125"}, {10, "0.25"}};

QColor button_colour(const QWidget* w, QPalette::ColorGroup g = QPalette::Active)
{
    return w->palette().color(g, QPalette::Button);
}

} // namespace

class tst_combobox : public QObject {
    Q_OBJECT

    recording_backend* be_ = nullptr;
    std::shared_ptr<device> dev_;
    std::unique_ptr<test_support::modal_answerer> answerer_;
    control_host host_;

    // As the factory builds it, shown.
    combobox* shown(const profiles::item& item)
    {
        return host_.show(control_in<combobox>(create_combo(item, dev_)));
    }

private slots:
    void init()
    {
        dev_ = make_device(be_);
        answerer_ = std::make_unique<test_support::modal_answerer>();
    }

    void cleanup()
    {
        QToolTip::hideText();
        host_.reset();
        answerer_.reset();
        dev_.reset();
    }

    void entries_and_picks()
    {
        combobox* c = shown(combo_item(9, steps));
        QVERIFY(c);
        QCOMPARE(c->count(), 3);
        QCOMPARE(c->itemData(1).toInt(), 9);
        QCOMPARE(c->currentIndex(), 1);
        QCOMPARE(c->currentText(), QString("0.125"));
        QVERIFY(be_->written.empty());

        QTest::keyClick(c, Qt::Key_Up);
        QCOMPARE(c->currentText(), QString("Off"));
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].address, (unsigned short)0x10);
        QCOMPARE(be_->written[0].values, words{0});
        QCOMPARE(c->item().value.data, words{0});

        // A pick from the open list.
        c->showPopup();
        QAbstractItemView* view = c->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        // Releases right after the list opens don't count as picks.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect last = view->visualRect(view->model()->index(2, 0));
        QVERIFY(view->viewport()->rect().contains(QPoint(5, last.center().y())));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, last.center().y()));
        QTRY_VERIFY(!view->window()->isVisible());
        QCOMPARE(c->currentText(), QString("0.25"));
        QCOMPARE(be_->written.size(), std::size_t(2));
        QCOMPARE(be_->written[1].values, words{10});

        // Device values select their entry and are never written back.
        device_sets(*dev_, 0x10, {9});
        QCOMPARE(c->currentText(), QString("0.125"));
        QCOMPARE(be_->written.size(), std::size_t(2));

        // The entry of the code held writes nothing.
        c->setCurrentIndex(0);
        c->setCurrentIndex(1);
        QCOMPARE(be_->written.size(), std::size_t(4));
        QCOMPARE(be_->written[3].values, words{9});
        QCOMPARE(answerer_->count(), 0);
    }

    void unknown_code()
    {
        combobox* c = shown(combo_item(9, steps));
        QVERIFY(c);
        const QPalette normal = c->palette();
        QVERIFY(button_colour(c) != QColor(Qt::red));

        device_sets(*dev_, 0x10, {5});
        QCOMPARE(c->currentText(), QString("0.125"));
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(button_colour(c, g), QColor(Qt::red));
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("invalid value readed from device"));

        // The same code again raises nothing.
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        dev_->update_profile(false);
        QVERIFY(!QToolTip::isVisible());
        QCOMPARE(button_colour(c), QColor(Qt::red));

        device_sets(*dev_, 0x10, {10});
        QCOMPARE(c->currentText(), QString("0.25"));
        QCOMPARE(c->palette(), normal);
        QVERIFY(be_->written.empty());
    }

    void read_only_pick_is_undone()
    {
        const profiles::value_map two{{0, "Off"}, {9, "0.125"}};
        combobox* c = shown(combo_item(9, two, profiles::ro));
        QVERIFY(c);
        QVERIFY(c->isEnabled());
        const QColor disabled_base = QComboBox().palette().color(QPalette::Disabled, QPalette::Base);
        QVERIFY(same_colour_everywhere(c->palette(), QPalette::Base, disabled_base));

        QTest::keyClick(c, Qt::Key_Up);
        QCOMPARE(c->currentText(), QString("0.125"));
        c->setCurrentIndex(0);
        QCOMPARE(c->currentIndex(), 1);

        // Device values are still followed.
        device_sets(*dev_, 0x10, {0});
        QCOMPARE(c->currentText(), QString("Off"));

        // A value without an entry: after a pick, nothing is selected.
        device_sets(*dev_, 0x10, {5});
        QCOMPARE(c->currentText(), QString("Off"));
        QTest::keyClick(c, Qt::Key_Down);
        QCOMPARE(c->currentIndex(), -1);
        QVERIFY(be_->written.empty());
        QTest::qWait(20);
        QCOMPARE(answerer_->count(), 0);
    }

    void failed_write_shows_the_driver_value()
    {
        combobox* c = shown(combo_item(9, steps));
        QVERIFY(c);
        be_->fail_writes = true;

        QTest::keyClick(c, Qt::Key_Down);
        QCOMPARE(c->currentText(), QString("0.125"));
        QCOMPARE(c->item().value.data, words{9});
        QCOMPARE(answerer_->count(), 0); // not inside the slot
        QVERIFY(answerer_->wait_for(1));
        QCOMPARE(answerer_->boxes()[0].title, QString("Set error"));
        QCOMPARE(answerer_->boxes()[0].text, QString("Unable to set data."));
        QCOMPARE(answerer_->boxes()[0].icon, QMessageBox::Critical);

        be_->fail_writes = false;
        QTest::keyClick(c, Qt::Key_Down);
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(be_->written[0].values, words{10});

        // The driver holds a code without an entry: nothing is selected
        // then, and nothing more is written.
        device_sets(*dev_, 0x10, {5});
        be_->fail_writes = true;
        const int attempts = int(be_->writes().size());
        QTest::keyClick(c, Qt::Key_Up);
        QCOMPARE(int(be_->writes().size()), attempts + 1);
        QCOMPARE(c->currentIndex(), -1);
        QCOMPARE(c->item().value.data, words{5});
        QVERIFY(answerer_->wait_for(2));
        QCOMPARE(be_->written.size(), std::size_t(1));
        QCOMPARE(vmem()[0x10], (unsigned short)5);
    }

    void table_texts_and_codes()
    {
        // Codes need not be positions; the first of equal codes wins.
        std::unique_ptr<combobox> dup(new combobox(combo_item(4, {{7, "A"}, {4, "B"}, {4, "C"}}), dev_));
        QCOMPARE(dup->currentIndex(), 1);
        dup.reset();

        // Latin-1, up to the first NUL, untranslated.
        const std::string latin1("\xE9t\xE9", 3);
        const std::string with_nul("ab\0cd", 5);
        std::unique_ptr<combobox> texts(new combobox(combo_item(1, {{0, latin1}, {1, with_nul}}), dev_));
        QCOMPARE(texts->itemText(0), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
        QCOMPARE(texts->itemText(1), QString("ab"));
        QCOMPARE(texts->currentIndex(), 1);
        texts.reset();

        // A code without an entry at construction selects nothing.
        std::unique_ptr<combobox> none(new combobox(combo_item(3, steps), dev_));
        QCOMPARE(none->currentIndex(), -1);
        none.reset();
        QVERIFY(be_->written.empty());

        // Anything but one register is refused before it is watched.
        profiles::item two = combo_item(0, steps);
        two.value.length = 2;
        two.value.data = {0, 0};
        profiles::item no_register = combo_item(0, steps);
        no_register.value.length = 0;
        no_register.value.data.clear();
        for (const profiles::item& bad : {two, no_register}) {
            try {
                combobox c(bad, dev_);
                QFAIL("built");
            } catch (const std::runtime_error& e) {
                QCOMPARE(QString(e.what()), QString("can't extract value from item"));
            }
        }
        QVERIFY(dev_->watch_list().empty());
    }
};

VELMORA_TEST_MAIN(tst_combobox)
#include "tst_combobox.moc"
