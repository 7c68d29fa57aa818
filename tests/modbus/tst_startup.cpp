#include "test_main.h"

#include <QProcess>

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void self_tests_run_before_main()
    {
        QProcess probe;
        probe.start(QStringLiteral(STARTUP_PROBE), QStringList());
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        const QStringList lines = QString::fromLocal8Bit(probe.readAllStandardOutput()).split('\n');
        const QStringList expected = {"modbus: starting embedded_float_test...", "modbus: embedded_float_test finished",
                                      "modbus: starting embedded_string_test...",
                                      "modbus: embedded_string_test finished", "main"};
        int previous = -1;
        for (const QString& e : expected) {
            const int at = lines.indexOf(e);
            QVERIFY2(at > previous, qPrintable(e + " out of order in:\n" + lines.join('\n')));
            previous = at;
        }
    }
};

VELMORA_TEST_MAIN(tst_startup)
#include "tst_startup.moc"
