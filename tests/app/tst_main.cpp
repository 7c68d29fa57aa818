// The real program, started as a user would: `velmora --single` opens its
// window (offscreen, with a home of its own); anything else is the
// supervisor, which runs `velmora --single` as its child.

#include "child_play.h"
#include "test_main.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

class tst_main : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString work_ = home_.path() + "/work";

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.path() + "/.config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    // Started as a user starts it: `velmora` is the supervisor, which keeps
    // ~/velmora.log and runs the GUI process. A profile plug-in in the
    // working directory drives the GUI process ("close" its windows,
    // "fault", or "kill" it); one in ./profiles just adds its profile.
    struct supervised {
        bool finished = false;
        int code = 0;
        QByteArray out;
        QByteArray log;
    };

    supervised run_supervisor(const QString& home, const char* drive, const QStringList& arguments = {})
    {
        QProcessEnvironment env = environment();
        env.insert("HOME", home);
        env.insert("VELMORA_TEST_DRIVE", drive);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work_);
        p.start(VELMORA_EXECUTABLE, arguments);
        supervised r;
        r.finished = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
        r.code = p.exitCode();
        r.out = p.readAllStandardOutput();
        QFile log(home + "/velmora.log");
        if (log.open(QIODevice::ReadOnly))
            r.log = log.readAll();
        return r;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        QVERIFY(QDir().mkpath(work_ + "/profiles"));
        QVERIFY(QFile::copy(DRIVING_PLUGIN, work_ + "/driving.so"));
        QVERIFY(QFile::copy(GOOD_PLUGIN, work_ + "/profiles/good.so"));
    }

    void gui_process()
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(home_.path());
        // The standard-output log flushes every line, so the lines can be
        // read while the program runs (stdbuf's preload would also keep the
        // sanitizer build from starting).
        p.start(VELMORA_EXECUTABLE, {"--single"});
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

    void supervisor_keeps_the_gui_process_log()
    {
        const QString home = home_.path() + "/close";
        // Left over from an earlier start: the file is emptied.
        QVERIFY(QDir().mkpath(home));
        {
            QFile old(home + "/velmora.log");
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an earlier run\n");
        }

        // Only an exact "--single" makes the GUI process.
        const supervised r = run_supervisor(home, "close", {"--Single", "--single=1"});
        QVERIFY(r.finished);
        QCOMPARE(r.code, 0);

        const QByteArray file = QFile::encodeName(home) + "/velmora.log";
        QVERIFY2(r.log.left(r.log.indexOf('\n')).endsWith(" main: Syslog file registered: " + file),
                 r.log.constData());
        QVERIFY(!r.log.contains("an earlier run"));
        QVERIFY(r.log.contains(" main: " VELMORA_EXECUTABLE " --single --Single --single=1\n"));
        // The GUI process's whole log, from its first line on.
        QVERIFY(r.log.contains("main: Syslog started"));
        QVERIFY(r.log.contains("main: plugin: driving.so loaded:4343"));
        QVERIFY(r.log.contains("main: plugin: good.so loaded:777"));
        // Its standard error too, in whatever chunks it comes.
        QVERIFY(r.log.contains("(err )4 main: delaying lazy init:"));
        QVERIFY(r.log.contains("registered: 4242 4343"));
        QVERIFY(r.log.contains("main: wrapper: program finished:0"));
        QVERIFY(r.log.indexOf("main: finishing wrapper...") > r.log.indexOf("main: wrapper: program finished:0"));
        // Everything logged also went to standard output.
        QVERIFY(r.out.contains("main: plugin: good.so loaded:777"));
    }

    void supervisor_ends_with_the_gui_process_code_data()
    {
        QTest::addColumn<QByteArray>("drive");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("fault") << QByteArray("fault") << 1 << QByteArray("main: wrapper: program finished:1");
        QTest::newRow("killed") << QByteArray("kill") << 255 << QByteArray("main: wrapper: program error:1");
    }

    void supervisor_ends_with_the_gui_process_code()
    {
        QFETCH(QByteArray, drive);
        QFETCH(int, code);
        QFETCH(QByteArray, end);
        if (code == 1 && test_support::sanitized_build())
            QSKIP("no crash handler in the sanitizer build");
        const QString home = home_.path() + "/" + drive;
        const supervised r = run_supervisor(home, drive.constData());
        QVERIFY(r.finished);
        QCOMPARE(r.code, code);
        QVERIFY(r.log.contains("registered: 4242 4343"));
        QVERIFY(r.log.contains(end));
        QCOMPARE(r.log.contains("Exception detected!"), code == 1);
        QVERIFY(!r.log.contains("main: wrapper: program crashed:"));
    }

    void supervisor_goes_on_without_its_log_file()
    {
        const QString home = home_.path() + "/in-the-way";
        {
            QFile in_the_way(home);
            QVERIFY(in_the_way.open(QIODevice::WriteOnly));
        }
        const supervised r = run_supervisor(home, "close");
        QVERIFY(r.finished);
        QCOMPARE(r.code, 0);
        const int error = r.out.indexOf("(err )4 main: ");
        QVERIFY(error >= 0);
        QVERIFY(r.out.mid(error, r.out.indexOf('\n', error) - error).contains(QFile::encodeName(home)));
        QVERIFY(!r.out.contains("Syslog file registered"));
        QVERIFY(r.out.contains("registered: 4242 4343"));
        QVERIFY(r.out.contains("main: wrapper: program finished:0"));
    }
};

VELMORA_TEST_MAIN(tst_main)
#include "tst_main.moc"
