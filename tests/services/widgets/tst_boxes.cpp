#include "services/widgets/boxes.h"

#include "services/tools.h"

#include "modal_answerer.h"
#include "test_main.h"

class tst_boxes : public QObject {
    Q_OBJECT
private slots:
    void boxes_block_until_the_last_one_closes()
    {
        test_support::modal_answerer answerer;
        answerer.set_hold(true);
        QVERIFY(!is_blocked());

        bool blocked_in_outer = false, blocked_after_inner = false, outer_seen = false;
        tools::singleShot(0, [&] {
            blocked_in_outer = is_blocked();
            outer_seen = answerer.wait_for(1);
            answerer.set_hold(false);
            invoke_msg(nullptr, QMessageBox::Critical, "Inner", "second box", QMessageBox::Ok);
            blocked_after_inner = is_blocked();
        });
        invoke_msg(nullptr, QMessageBox::Warning, "Set error", "Unable to set data.", QMessageBox::Ok);
        QVERIFY(!is_blocked());
        QVERIFY(outer_seen);
        QVERIFY(blocked_in_outer);
        QVERIFY(blocked_after_inner);

        QCOMPARE(answerer.count(), 2);
        QCOMPARE(answerer.boxes()[0].title, QString("Set error"));
        QCOMPARE(answerer.boxes()[0].text, QString("Unable to set data."));
        QCOMPARE(answerer.boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer.boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(answerer.boxes()[1].title, QString("Inner"));
    }
};

VELMORA_TEST_MAIN(tst_boxes)
#include "tst_boxes.moc"
