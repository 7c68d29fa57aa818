#include "test_main.h"

#include "services/output_common.h"
#include "services/output_file.h"
#include "services/output_stream.h"

#include <boost/date_time/posix_time/posix_time.hpp>

#include <QTemporaryDir>

#include <fstream>
#include <locale>
#include <sstream>

using namespace boost::posix_time;
using cl::syslog::internal::message_to_str;

namespace {

cl::syslog::thread_info at(const ptime& last, long long delta_us, int number = 0)
{
    cl::syslog::thread_info ti;
    ti.number = number;
    ti.last = last;
    ti.prev = last - microseconds(delta_us);
    return ti;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const ptime sept27 = time_from_string("2013-09-27 14:05:01.000325");

} // namespace

class tst_output : public QObject {
    Q_OBJECT
private slots:
    void line_format();
    void level_words();
    void time_stamp_and_delta_forms();
    void file_output_creates_truncates_appends();
    void file_output_failures();
    void stream_output_flushes_each_line();
};

void tst_output::line_format()
{
    const cl::syslog::message m(cl::syslog::dbg, "main", "Syslog started");
    QCOMPARE(message_to_str(m, at(sept27, 57)),
             std::string("2013-Sep-27 14:05:01.000325 D:    57 TH:0 (dbg )1 main: Syslog started\n"));

    // Percent signs and newlines in the text are copied, not interpreted.
    const cl::syslog::message odd(cl::syslog::crit, "modbus", "100% %1% done\n");
    QCOMPARE(message_to_str(odd, at(sept27, 0, 3)),
             std::string("2013-Sep-27 14:05:01.000325 D:     0 TH:3 (crit)5 modbus: 100% %1% done\n\n"));
}

void tst_output::level_words()
{
    const char* words[] = {"hard", "dbg ", "info", "warn", "err ", "crit"};
    for (int l = 0; l <= 5; ++l)
        QCOMPARE(cl::syslog::internal::level_to_str(static_cast<cl::syslog::level_t>(l)), std::string(words[l]));
    QCOMPARE(cl::syslog::internal::level_to_str(static_cast<cl::syslog::level_t>(7)), std::string("unkn"));
    QCOMPARE(cl::syslog::internal::level_to_str(static_cast<cl::syslog::level_t>(-1)), std::string("unkn"));

    const cl::syslog::message m(static_cast<cl::syslog::level_t>(7), "x", "t");
    QVERIFY(message_to_str(m, at(sept27, 1)).find(" (unkn)7 x: t\n") != std::string::npos);
}

void tst_output::time_stamp_and_delta_forms()
{
    const cl::syslog::message m(cl::syslog::info, "m", "t");

    // No fraction at all when the microseconds are zero; six digits otherwise.
    const ptime whole = time_from_string("2013-09-27 14:05:01");
    QCOMPARE(message_to_str(m, at(whole, 1234567)), std::string("2013-Sep-27 14:05:01 D:1234567 TH:0 (info)2 m: t\n"));
    const ptime five = whole + microseconds(5);
    QCOMPARE(message_to_str(m, at(five, 5)).substr(0, 28), std::string("2013-Sep-27 14:05:01.000005 "));

    // More than 36 minutes of silence on a thread does not wrap around.
    const long long hour = 3600LL * 1000 * 1000;
    QVERIFY(message_to_str(m, at(five, hour)).find(" D:3600000000 ") != std::string::npos);
}

void tst_output::file_output_creates_truncates_appends()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const std::string path = tmp.path().toStdString() + "/deeper/still/velmora.log";
    const cl::syslog::message m(cl::syslog::info, "main", "first");
    {
        cl::syslog::output_file out(path, false);
        out.write(m, at(sept27, 1));
        // Flushed at once: readable while the output is still open.
        QCOMPARE(read_file(path), message_to_str(m, at(sept27, 1)));
    }
    {
        cl::syslog::output_file out(path, true);
        out.write(cl::syslog::message(cl::syslog::info, "main", "second"), at(sept27, 1));
    }
    const std::string both = read_file(path);
    QVERIFY(both.find("first") != std::string::npos && both.find("second") != std::string::npos);
    {
        cl::syslog::output_file out(path, false);
    }
    QCOMPARE(read_file(path), std::string());

    // A bare file name has no directory part to create.
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    {
        cl::syslog::output_file out("bare.log", false);
        out.write(m, at(sept27, 1));
    }
    QDir::setCurrent(old);
    QVERIFY(read_file(tmp.path().toStdString() + "/bare.log").find("first") != std::string::npos);
}

void tst_output::file_output_failures()
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString() + "/a-directory";
    QVERIFY(QDir().mkpath(QString::fromStdString(dir)));
    try {
        cl::syslog::output_file out(dir, false);
        QFAIL("opening a directory as a log file must fail");
    } catch (const std::runtime_error& e) {
        QCOMPARE(std::string(e.what()), "Can't open file " + dir);
    }

    // The parent is a plain file: the directory can't be created.
    const std::string file = tmp.path().toStdString() + "/plain";
    std::ofstream(file) << "x";
    QVERIFY_EXCEPTION_THROWN(cl::syslog::output_file(file + "/sub/log.txt", false), std::exception);
}

void tst_output::stream_output_flushes_each_line()
{
    // A stream buffer that counts the flushes it is asked for.
    struct counting_buf : std::stringbuf {
        int syncs = 0;
        int sync() override
        {
            ++syncs;
            return std::stringbuf::sync();
        }
    } buf;
    std::ostream os(&buf);
    cl::syslog::output_stream out(os);
    const cl::syslog::message m(cl::syslog::warn, "device", "line");
    out.write(m, at(sept27, 2));
    out.write(m, at(sept27, 3));
    QCOMPARE(buf.syncs, 2);
    QCOMPARE(buf.str(), message_to_str(m, at(sept27, 2)) + message_to_str(m, at(sept27, 3)));
}

VELMORA_TEST_MAIN(tst_output)
#include "tst_output.moc"
