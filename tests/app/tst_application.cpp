// The application object as the last catch: what an event handler throws
// ends in its box, its log line and, but for a busy driver, a freed device.

#include "main_window_fixture.h"
#include "recording_output.h"
#include "test_main.h"

#include "application.h"

#include "modbus/errors.h"

#include <QEvent>

#include <functional>
#include <stdexcept>

using test_support::sim_window;

namespace {

// Throws from its event handler what it is told to.
class thrower : public QObject {
public:
    std::function<void()> raise;

    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            raise();
        return QObject::event(e);
    }
};

} // namespace

class tst_application : public QObject {
    Q_OBJECT

    test_support::recording_output* log_ = nullptr;

    bool deliver(const std::function<void()>& raise)
    {
        thrower t;
        t.raise = raise;
        QEvent e(QEvent::User);
        return QCoreApplication::sendEvent(&t, &e);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dynamic_cast<application*>(qApp));
        log_ = &test_support::log_recorder();
    }

    void init() { log_->clear(); }
    void cleanup() { wnd = nullptr; }

    void busy_driver_keeps_the_device()
    {
        sim_window w;
        QVERIFY(w.connect());
        wnd = w.window.get();
        log_->clear();
        QVERIFY(deliver([] { throw modbus::protocol_exception("busy", modbus::protocol_exception::busy); }));
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].icon, QMessageBox::Warning);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device is busy"));
        QCOMPARE(w.boxes.boxes()[0].text, QString("Device is busy: try again later"));
        QVERIFY(log_->entries.empty());
        QVERIFY(w.connected());
    }

    void failure_frees_the_device_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("text");
        QTest::newRow("protocol exception") << 0 << "Exception:Illegal data address" << "Illegal data address";
        QTest::newRow("std::exception") << 1 << "Exception:no answer" << "no answer";
        QTest::newRow("anything else") << 2 << "Unknown Exception" << "Unknown error: device closed";
    }

    void failure_frees_the_device()
    {
        QFETCH(int, kind);
        QFETCH(QString, logged);
        QFETCH(QString, text);
        sim_window w;
        QVERIFY(w.connect());
        wnd = w.window.get();
        std::weak_ptr<device> gone = w.dev();
        log_->clear();
        QVERIFY(!deliver([kind] {
            if (kind == 0)
                throw modbus::protocol_exception("Illegal data address", 112345680);
            if (kind == 1)
                throw std::runtime_error("no answer");
            throw 42;
        }));
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Error"));
        QCOMPARE(w.boxes.boxes()[0].text, text);
        QVERIFY(log_->has(logged.toStdString()));
        QVERIFY(!w.connected());
        QVERIFY(gone.expired());
        QVERIFY(!w.connect_button()->isChecked());
    }

    // No main window (the supervisor, or after the window closed): the
    // log line alone.
    void without_a_window_only_logs()
    {
        test_support::modal_answerer boxes;
        QVERIFY(!deliver([] { throw std::runtime_error("late"); }));
        QTest::qWait(50);
        QCOMPARE(boxes.count(), 0);
        QVERIFY(log_->has("Exception:late"));
    }
};

int main(int argc, char* argv[])
{
    test_support::isolate_settings("tst_application");
    application app(argc, argv);
    app.setOrganizationName(QStringLiteral("Tarnwick Solvery"));
    app.setApplicationName(QStringLiteral("velmora"));
    tst_application tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_application.moc"
