#include "services/tools.h"

#include "test_main.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

void run_deferred_deletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_tools : public QObject {
    Q_OBJECT
private slots:
    void zero_delay_single_shots_run_once_in_order()
    {
        std::vector<int> calls;
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> alive = token;
        for (int i = 1; i <= 3; ++i)
            tools::singleShot(0, [&calls, i, token] { calls.push_back(i); });
        token.reset();
        QVERIFY(calls.empty());
        QVERIFY(!alive.expired());

        QTRY_COMPARE(calls.size(), size_t(3));
        QCOMPARE(calls, std::vector<int>({1, 2, 3}));
        QTest::qWait(20);
        run_deferred_deletes();
        QCOMPARE(calls.size(), size_t(3));
        QVERIFY(alive.expired());
    }

    void throwing_one_shot_is_still_released()
    {
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> alive = token;
        auto* helper = new detail::connect_simple_helper(
            nullptr, [token] { throw std::runtime_error("write failed"); }, true);
        token.reset();
        QPointer<QObject> guard(helper);
        QVERIFY_EXCEPTION_THROWN(helper->signaled(), std::runtime_error);
        QVERIFY(!guard.isNull());
        run_deferred_deletes();
        QVERIFY(guard.isNull());
        QVERIFY(alive.expired());

        // An empty callable throws instead of crashing.
        detail::connect_simple_helper empty(nullptr, std::function<void()>(), false);
        QVERIFY_EXCEPTION_THROWN(empty.signaled(), std::bad_function_call);
    }

    void connect_runs_per_tick_and_dies_with_sender()
    {
        auto* timer = new QTimer;
        int ticks = 0;
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> alive = token;
        QVERIFY(tools::connect(timer, SIGNAL(timeout()), [&ticks, timer, token] {
            if (++ticks == 3)
                timer->stop();
        }));
        token.reset();
        QCOMPARE(timer->findChildren<detail::connect_simple_helper*>().size(), 1);
        timer->start(5);
        QTRY_COMPARE(ticks, 3);
        QTest::qWait(30);
        QCOMPARE(ticks, 3);
        QVERIFY(!alive.expired());
        delete timer;
        QVERIFY(alive.expired());

        // A std::function works the same; a signal the sender lacks is refused.
        QTimer t;
        std::function<void()> f = [&ticks] { ++ticks; };
        QVERIFY(tools::connect(&t, SIGNAL(timeout()), f));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such signal"));
        QVERIFY(!tools::connect(&t, SIGNAL(nosuch()), f));
        t.setSingleShot(true);
        t.start(0);
        QTRY_COMPARE(ticks, 4);
    }

    void handler_may_delete_its_sender()
    {
        // The relay is the sender's child: deleting the sender inside the
        // handler deletes the relay and the callable while they run.
        auto* timer = new QTimer;
        QPointer<QTimer> alive(timer);
        const std::string what(64, 'x');
        std::string seen;
        QVERIFY(tools::connect(timer, SIGNAL(timeout()), [timer, what, &seen] {
            delete timer;
            seen = what;
        }));
        timer->setSingleShot(true);
        timer->start(0);
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(seen, what);

        auto* sender = new QTimer;
        alive = sender;
        auto* h = new detail::connect_functor_helper(sender, [what, &seen](QObject* s, detail::connect_functor_helper*) {
            seen.clear();
            delete s;
            seen = what;
        });
        QVERIFY(QObject::connect(sender, SIGNAL(timeout()), h, SLOT(signaled())));
        sender->setSingleShot(true);
        sender->start(0);
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(seen, what);
    }

    void connect_functor_and_event_helpers()
    {
        QTimer t;
        QObject* seen_sender = nullptr;
        QObject* seen_helper = nullptr;
        auto* h = new detail::connect_functor_helper(&t, [&](QObject* s, detail::connect_functor_helper* self) {
            seen_sender = s;
            seen_helper = self;
        });
        QVERIFY(QObject::connect(&t, SIGNAL(timeout()), h, SLOT(signaled())));
        t.setSingleShot(true);
        t.start(0);
        QTRY_VERIFY(seen_sender == &t);
        QCOMPARE(seen_helper, static_cast<QObject*>(h));

        QObject target;
        int filtered = 0;
        detail::event_functor_helper filter(nullptr, [&](QObject* watched, QEvent* e) {
            if (watched == &target && e->type() == QEvent::User) {
                ++filtered;
                return true;
            }
            return false;
        });
        target.installEventFilter(&filter);
        QEvent user(QEvent::User);
        QEvent other(QEvent::Type(QEvent::User + 1));
        QVERIFY(QCoreApplication::sendEvent(&target, &user));
        QCoreApplication::sendEvent(&target, &other);
        QCOMPARE(filtered, 1);
    }
};

VELMORA_TEST_MAIN(tst_tools)
#include "tst_tools.moc"
