#include "child_play.h"
#include "recording_output.h"

#include "supervisor.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

using test_support::child_script;
Q_DECLARE_METATYPE(child_script)

namespace {

const int timed_out = 12345;

// The message with this text at this level, or -1.
int find(const test_support::recording_output& rec, const std::string& text, cl::syslog::level_t level)
{
    for (std::size_t i = 0; i < rec.entries.size(); ++i) {
        const auto& m = rec.entries[i].msg;
        if (m.text == text && m.level == level && m.module == "main")
            return static_cast<int>(i);
    }
    return -1;
}

bool has_containing(const test_support::recording_output& rec, const std::string& part, cl::syslog::level_t level)
{
    for (const auto& e : rec.entries)
        if (e.msg.level == level && e.msg.text.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

class tst_supervisor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void passes_arguments_and_environment();
    void relays_each_chunk_as_one_message_data();
    void relays_each_chunk_as_one_message();
    void ends_with_the_childs_code_data();
    void ends_with_the_childs_code();
    void a_child_that_cannot_start_ends_without_hanging();
    void goes_on_without_an_unopenable_log_file_data();
    void goes_on_without_an_unopenable_log_file();

private:
    // Supervises one child playing `script`; returns the event loop's exit
    // code, or timed_out.
    int supervise(const child_script& script);
    static int run_event_loop();

    QProcess* proc_ = nullptr;
};

int tst_supervisor::supervise(const child_script& script)
{
    script.set();
    wrap_process(proc_, *qApp);
    return run_event_loop();
}

int tst_supervisor::run_event_loop()
{
    // The application's own loop, as in the program: once exit() was
    // called, a nested QEventLoop would return at once.
    QObject in_time;
    QTimer::singleShot(10000, &in_time, [] { QCoreApplication::exit(timed_out); });
    return QCoreApplication::exec();
}

void tst_supervisor::initTestCase()
{
    // The supervisor's threshold: its relays log the child's output at 1.
    cl::syslog::logman().level_set(cl::syslog::dbg);
}

void tst_supervisor::passes_arguments_and_environment()
{
    auto& rec = test_support::log_recorder();
    qputenv("WRAPPED", "1");
    const int code = supervise(child_script().report().exit(0));
    qunsetenv("WRAPPED");
    QCOMPARE(code, 0);

    // The application object's arguments end with "first" and "second one".
    const QStringList args = QCoreApplication::arguments();
    QCOMPARE(args.mid(args.size() - 2), QStringList() << "first" << "second one");
    const QString command = QCoreApplication::applicationFilePath() + " --single " + args.mid(1).join(' ');
    QVERIFY(find(rec, "starting wrapped program", cl::syslog::dbg) >= 0);
    QVERIFY(find(rec, command.toLocal8Bit().toStdString(), cl::syslog::dbg) >= 0);
    const QString report = "args:--single|" + args.mid(1).join('|') + " wrapped:no";
    QVERIFY(find(rec, "wrapper: program started", cl::syslog::dbg) >= 0);
    QVERIFY(find(rec, report.toLocal8Bit().toStdString(), cl::syslog::dbg) >= 0);
    // What the child writes to standard error, its profile registrations
    // included, is logged as an error, in whatever chunks it comes.
    QVERIFY(has_containing(rec, "delaying lazy init:", cl::syslog::err));
}

void tst_supervisor::relays_each_chunk_as_one_message_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("two lines with blanks around") << QByteArray(" \t line one\nline two  \n")
                                                  << QByteArray("line one\nline two");
    // Local 8-bit bytes pass unchanged, whether they decode or not.
    QTest::newRow("non-ASCII up to the NUL") << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8 \xFF\0tail\n", 14)
                                             << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8 \xFF");
}

void tst_supervisor::relays_each_chunk_as_one_message()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QByteArray, message);
    auto& rec = test_support::log_recorder();
    QCOMPARE(supervise(child_script().out(chunk).exit(0)), 0);
    QVERIFY(find(rec, message.toStdString(), cl::syslog::dbg) >= 0);
}

void tst_supervisor::ends_with_the_childs_code_data()
{
    QTest::addColumn<child_script>("script");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("relayed");
    QTest::addColumn<bool>("faults");
    QTest::newRow("code 3") << child_script().exit(3) << 3 << "wrapper: program finished:3" << QString() << false;
    QTest::newRow("code 0") << child_script().exit(0) << 0 << "wrapper: program finished:0" << QString() << false;
    QTest::newRow("fault caught by the handler") << child_script().handler().fault("segv") << 1
                                                 << "wrapper: program finished:1" << "Exception detected!" << true;
    QTest::newRow("fault without handler") << child_script().fault("segv") << -1 << "wrapper: program error:1"
                                           << QString() << true;
}

void tst_supervisor::ends_with_the_childs_code()
{
    QFETCH(child_script, script);
    QFETCH(int, code);
    QFETCH(QString, last);
    QFETCH(QString, relayed);
    QFETCH(bool, faults);
    // The sanitizer takes every fault and ends the process itself.
    if (faults && test_support::sanitized_build())
        QSKIP("the sanitizer handles faults");
    auto& rec = test_support::log_recorder();

    QCOMPARE(supervise(script), code);
    QCOMPARE(proc_, nullptr);
    const int at = find(rec, last.toStdString(), cl::syslog::dbg);
    QVERIFY(at >= 0);
    QVERIFY(rec.index_of("finishing wrapper...", at) > at);
    if (!relayed.isEmpty())
        QVERIFY(find(rec, relayed.toStdString(), cl::syslog::dbg) >= 0);
    // After a crash, the error ends supervising: no finish line follows.
    if (code == -1)
        QVERIFY(!has_containing(rec, "wrapper: program crashed:", cl::syslog::dbg));
}

void tst_supervisor::a_child_that_cannot_start_ends_without_hanging()
{
    auto& rec = test_support::log_recorder();
    child_script().exit(0).set();

    // With no file descriptor to spare, QProcess fails inside start(),
    // before any event loop runs.
    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowest_free = ::dup(0);
    QVERIFY(lowest_free >= 0);
    ::close(lowest_free);
    struct rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowest_free);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    wrap_process(proc_, *qApp);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    QCOMPARE(proc_, nullptr);

    QCOMPARE(run_event_loop(), -1);
    QVERIFY(find(rec, "wrapper: program error:0", cl::syslog::dbg) >= 0);
    QVERIFY(find(rec, "finishing wrapper...", cl::syslog::dbg) >= 0);
    QVERIFY(find(rec, "wrapper: program started", cl::syslog::dbg) < 0);
}

void tst_supervisor::goes_on_without_an_unopenable_log_file_data()
{
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("log");
    // create_directories throws a filesystem error; the file output its own.
    QTest::newRow("home is a file") << "home" << "home/velmora.log";
    QTest::newRow("log is a directory") << "home/velmora.log" << "home/velmora.log";
}

void tst_supervisor::goes_on_without_an_unopenable_log_file()
{
    QFETCH(QString, blocker);
    QFETCH(QString, log);
    auto& rec = test_support::log_recorder();
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    if (blocker == log) {
        QVERIFY(QDir(tmp.path()).mkpath(blocker));
    } else {
        QFile file(tmp.filePath(blocker));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QVERIFY(!add_log_file(QFile::encodeName(tmp.filePath(log)).toStdString()));
    // Either error names the path that is in the way.
    QVERIFY(has_containing(rec, QFile::encodeName(tmp.filePath(blocker)).toStdString(), cl::syslog::err));
    QVERIFY(!has_containing(rec, "Syslog file registered", cl::syslog::dbg));
    QCOMPARE(supervise(child_script().exit(2)), 2);
}

VELMORA_TEST_MAIN_WITH_CHILD(tst_supervisor)
#include "tst_supervisor.moc"
