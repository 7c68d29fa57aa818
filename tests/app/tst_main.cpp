// The real program, started as a user would: `velmora --single` opens its
// window (offscreen, with a home of its own); anything else is the
// supervisor, which this version doesn't have.

#include "test_main.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

class tst_main : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.path() + "/.config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

private slots:
    void initTestCase() { QVERIFY(home_.isValid()); }

    void gui_process()
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(home_.path());
        // Line-buffered, so the lines can be read while the program runs.
        p.start("stdbuf", {"-oL", VELMORA_EXECUTABLE, "--single"});
        QVERIFY(p.waitForStarted());
        QByteArray out;
        QElapsedTimer time;
        time.start();
        while (!out.contains("main: device disconnected") && time.elapsed() < 10000
               && p.state() == QProcess::Running) {
            p.waitForReadyRead(200);
            out += p.readAllStandardOutput();
        }
        QVERIFY2(out.contains("main: device disconnected"), out.constData());
        QCOMPARE(p.state(), QProcess::Running);

        const QList<QByteArray> lines = out.split('\n');
        QVERIFY(lines.size() > 2);
        QVERIFY2(lines[0].contains("syslog: Thread #0 with id="), lines[0].constData());
        QVERIFY2(lines[1].endsWith("(dbg )1 main: Syslog started"), lines[1].constData());
        // Threshold 2 from the GUI set-up on.
        const int release = out.indexOf("main: Release date: 2013/09/27");
        QVERIFY(release > 0);
        QVERIFY(!out.mid(release).contains("(dbg )1"));

        p.terminate();
        QVERIFY(p.waitForFinished(5000));
    }

    void supervisor_not_available_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("other case") << QStringList({"--Single"});
        QTest::newRow("more to it") << QStringList({"--single=1"});
    }

    void supervisor_not_available()
    {
        QFETCH(QStringList, arguments);
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(VELMORA_EXECUTABLE, arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 255);
        QVERIFY(p.readAllStandardError().contains("--single"));
    }
};

VELMORA_TEST_MAIN(tst_main)
#include "tst_main.moc"
