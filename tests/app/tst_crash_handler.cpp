#include "child_play.h"

#include <QProcess>

#include <csignal>

using test_support::child_script;
Q_DECLARE_METATYPE(child_script)

class tst_crash_handler : public QObject {
    Q_OBJECT
private slots:
    void a_fault_ends_with_code_1_data();
    void a_fault_ends_with_code_1();
    void a_write_to_a_broken_pipe_just_fails();

private:
    // Runs the test executable as a child playing `script` and waits.
    static bool play(QProcess& child, const child_script& script);
};

bool tst_crash_handler::play(QProcess& child, const child_script& script)
{
    script.set();
    child.start(QCoreApplication::applicationFilePath(), QStringList() << QStringLiteral("--single"));
    return child.waitForFinished(10000);
}

void tst_crash_handler::a_fault_ends_with_code_1_data()
{
    QTest::addColumn<child_script>("script");
    QTest::newRow("null pointer") << child_script().handler().fault("segv");
    QTest::newRow("stack overflow") << child_script().handler().fault("overflow");
    QTest::newRow("division by zero") << child_script().handler().fault("fpe");
    QTest::newRow("bus error") << child_script().handler().raise(SIGBUS);
    QTest::newRow("illegal instruction") << child_script().handler().raise(SIGILL);
}

void tst_crash_handler::a_fault_ends_with_code_1()
{
    QFETCH(child_script, script);
    if (test_support::sanitized_build())
        QSKIP("no crash handler in the sanitizer build");
    QProcess child;
    QVERIFY(play(child, script));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QCOMPARE(child.readAllStandardOutput(), QByteArray("Exception detected!\n"));
}

void tst_crash_handler::a_write_to_a_broken_pipe_just_fails()
{
    QProcess child;
    QVERIFY(play(child, child_script().nopipe().brokenpipe().exit(5)));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 5);
}

VELMORA_TEST_MAIN_WITH_CHILD(tst_crash_handler)
#include "tst_crash_handler.moc"
