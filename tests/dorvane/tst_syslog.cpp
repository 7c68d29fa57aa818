#include "recording_output.h"
#include "test_main.h"

#include "dorvane/syslog.h"

#include <boost/make_shared.hpp>
#include <boost/thread/thread.hpp>

#include <sstream>
#include <stdexcept>

namespace {
cl::syslog::module ___syslog("test");

// An output that throws for messages whose text starts with "boom".
class throwing_output : public cl::syslog::output {
protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info&) override
    {
        if (m.text.rfind("boom", 0) == 0)
            throw std::runtime_error("output failed");
    }
};

struct restore_level {
    ~restore_level() { cl::syslog::logman().level_set(cl::syslog::dbg); }
};

int evaluations = 0;
int counted() { return ++evaluations; }
} // namespace

class tst_syslog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void new_thread_is_announced_before_its_first_message();
    void threshold_applies_at_the_log_site_only();
    void statement_joins_parts_without_separators();
    void numbered_insertion_and_percent_escapes();
    void scope_line_is_written_on_leaving_and_on_change();
    void filters_drop_messages_per_output();
    void output_exception_passes_unless_unwinding();
};

void tst_syslog::initTestCase()
{
    // Registering the recorder happens before any message: the first line
    // of this thread then carries its announcement.
    auto& rec = test_support::log_recorder();
    VLOG(cl::syslog::info) << "first line";
    QCOMPARE(int(rec.entries.size()), 2);
    QCOMPARE(rec.entries[0].msg.module, std::string("syslog"));
    QCOMPARE(rec.entries[1].msg.text, std::string("first line"));
}

void tst_syslog::new_thread_is_announced_before_its_first_message()
{
    auto& rec = test_support::log_recorder();
    // The main thread was announced with its first line already.
    VLOG(cl::syslog::info) << "main thread line";
    QCOMPARE(int(rec.entries.size()), 1);
    QCOMPARE(rec.entries[0].ti.number, 0);

    // New threads are announced at level 1 in "syslog", even though the
    // threshold is above that, and get the next numbers in turn.
    restore_level restore;
    cl::syslog::logman().level_set(cl::syslog::warn);
    // Threads stay alive until the end, so that no identifier is reused.
    boost::mutex m;
    boost::condition_variable cv;
    bool release = false;
    std::vector<boost::thread> threads;
    int first_number = -1;
    for (int round = 0; round < 2; ++round) {
        rec.clear();
        std::string other_id;
        bool logged = false;
        threads.emplace_back([&] {
            std::ostringstream s;
            s << boost::this_thread::get_id();
            VLOG(cl::syslog::err) << "from the other thread";
            VLOG(cl::syslog::err) << "second line";
            boost::unique_lock<boost::mutex> lock(m);
            other_id = s.str();
            logged = true;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
        });
        {
            boost::unique_lock<boost::mutex> lock(m);
            cv.wait(lock, [&] { return logged; });
        }
        QCOMPARE(int(rec.entries.size()), 3);
        const int number = rec.entries[0].ti.number;
        QVERIFY(number > 0);
        if (round == 0)
            first_number = number;
        else
            QCOMPARE(number, first_number + 1);
        QCOMPARE(rec.entries[0].msg.text, "Thread #" + std::to_string(number) + " with id=" + other_id);
        QCOMPARE(rec.entries[0].msg.module, std::string("syslog"));
        QCOMPARE(rec.entries[0].msg.level, cl::syslog::dbg);
        QCOMPARE(rec.entries[1].msg.text, std::string("from the other thread"));
        QCOMPARE(rec.entries[1].ti.number, number);
        QCOMPARE(rec.entries[0].ti.last, rec.entries[1].ti.last);
        QCOMPARE(rec.entries[2].ti.number, number);
        QCOMPARE(rec.entries[2].ti.prev, rec.entries[1].ti.last);
    }
    {
        boost::lock_guard<boost::mutex> lock(m);
        release = true;
        cv.notify_all();
    }
    for (auto& t : threads)
        t.join();

    // The main thread keeps its number and is not announced again.
    rec.clear();
    VLOG(cl::syslog::crit) << "main again";
    QCOMPARE(int(rec.entries.size()), 1);
    QCOMPARE(rec.entries[0].ti.number, 0);
}

void tst_syslog::threshold_applies_at_the_log_site_only()
{
    restore_level restore;
    auto& rec = test_support::log_recorder();
    auto& man = cl::syslog::logman();

    QVERIFY(!man.level_check(cl::syslog::hard));
    QVERIFY(man.level_check(cl::syslog::dbg));
    for (int t = 0; t <= 5; ++t) {
        man.level_set(static_cast<cl::syslog::level_t>(t));
        QVERIFY(man.level_check(cl::syslog::crit));
        QCOMPARE(man.level_check(cl::syslog::warn), t <= 3);
    }

    // Below the threshold nothing is built, not even the arguments.
    man.level_set(cl::syslog::crit);
    evaluations = 0;
    VLOG(cl::syslog::err) << "dropped " << counted();
    QCOMPARE(evaluations, 0);
    QVERIFY(rec.entries.empty());

    // The manager writes whatever it is handed.
    man.write(cl::syslog::message(cl::syslog::hard, "direct", "level zero"));
    QCOMPARE(int(rec.entries.size()), 1);
    QCOMPARE(rec.entries[0].msg.level, cl::syslog::hard);
    QCOMPARE(rec.entries[0].msg.module, std::string("direct"));
}

void tst_syslog::statement_joins_parts_without_separators()
{
    auto& rec = test_support::log_recorder();
    enum colour { red, green, blue };
    VLOG(cl::syslog::info) << "write cmd addr:" << 248 << " length:" << 1 << " kind:" << blue << " neg:" << -7
                           << " u16:" << static_cast<unsigned short>(65535) << std::string(" std");
    QCOMPARE(int(rec.entries.size()), 1);
    QCOMPARE(rec.entries[0].msg.text, std::string("write cmd addr:248 length:1 kind:2 neg:-7 u16:65535 std"));
    QCOMPARE(rec.entries[0].msg.module, std::string("test"));
    QCOMPARE(rec.entries[0].msg.level, cl::syslog::info);

    // Only a module and a level: an empty text is never written.
    rec.clear();
    VLOG(cl::syslog::info);
    QVERIFY(rec.entries.empty());

    // A second level changes the level and adds no text.
    ___syslog << cl::syslog::dbg << "a" << cl::syslog::err << "b";
    QCOMPARE(int(rec.entries.size()), 1);
    QCOMPARE(rec.entries[0].msg.text, std::string("ab"));
    QCOMPARE(rec.entries[0].msg.level, cl::syslog::err);
}

void tst_syslog::numbered_insertion_and_percent_escapes()
{
    auto& rec = test_support::log_recorder();
    {
        cl::syslog::autolog a(___syslog);
        a.append_to_msg("%1 and %1, then %2; %10 \\% done");
        a.insert_to_msg("x");
        a.insert_to_msg("%1");
    }
    QCOMPARE(int(rec.entries.size()), 1);
    // %1 also matches the start of %10; inserted text is not rescanned.
    QCOMPARE(rec.entries[0].msg.text, std::string("x and x, then %1; x0 % done"));

    rec.clear();
    {
        cl::syslog::autolog a(___syslog);
        a.append_to_msg("no insertion keeps \\% as written");
    }
    QCOMPARE(rec.entries[0].msg.text, std::string("no insertion keeps \\% as written"));

    rec.clear();
    {
        cl::syslog::autolog a(___syslog);
        a.append_to_msg("nothing to fill");
        a.insert_to_msg("unused");
    }
    QCOMPARE(rec.entries[0].msg.text, std::string("nothing to fill"));
}

void tst_syslog::scope_line_is_written_on_leaving_and_on_change()
{
    auto& rec = test_support::log_recorder();
    {
        cl::syslog::autolog_ptr empty;
    }
    QVERIFY(rec.entries.empty());

    try {
        cl::syslog::autolog_ptr p;
        *p.change(new cl::syslog::autolog(___syslog)) << cl::syslog::info << "first";
        QVERIFY(rec.entries.empty());
        *p.change(new cl::syslog::autolog(___syslog)) << cl::syslog::info << "second";
        QCOMPARE(int(rec.entries.size()), 1);
        QCOMPARE(rec.entries[0].msg.text, std::string("first"));
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(int(rec.entries.size()), 2);
    QCOMPARE(rec.entries[1].msg.text, std::string("second"));
}

void tst_syslog::filters_drop_messages_per_output()
{
    auto& rec = test_support::log_recorder();
    QVERIFY(rec.check(cl::syslog::message()));

    auto filtered = boost::make_shared<test_support::recording_output>();
    filtered->filter_add([](const cl::syslog::message& m) { return m.level >= cl::syslog::warn; });
    filtered->filter_add([](const cl::syslog::message& m) { return m.module != "quiet"; });
    QVERIFY(!filtered->check(cl::syslog::message(cl::syslog::info, "x", "t")));
    QVERIFY(!filtered->check(cl::syslog::message(cl::syslog::err, "quiet", "t")));
    QVERIFY(filtered->check(cl::syslog::message(cl::syslog::err, "x", "t")));

    cl::syslog::thread_info ti;
    filtered->write(cl::syslog::message(cl::syslog::info, "x", "dropped"), ti);
    filtered->write(cl::syslog::message(cl::syslog::err, "x", "kept"), ti);
    QCOMPARE(int(filtered->entries.size()), 1);
    QCOMPARE(filtered->entries[0].msg.text, std::string("kept"));

    // An empty filter is a programming error that surfaces as an exception.
    filtered->filter_add(cl::syslog::output::filter_t());
    QVERIFY_EXCEPTION_THROWN(filtered->check(cl::syslog::message(cl::syslog::err, "x", "t")),
                             boost::bad_function_call);
}

void tst_syslog::output_exception_passes_unless_unwinding()
{
    static bool added = false;
    if (!added) {
        cl::syslog::logman().output_add(boost::make_shared<throwing_output>());
        added = true;
    }
    auto& rec = test_support::log_recorder();

    // Out of the builder's destructor to the log statement.
    bool caught = false;
    try {
        VLOG(cl::syslog::info) << "boom now";
    } catch (const std::runtime_error& e) {
        caught = std::string(e.what()) == "output failed";
    }
    QVERIFY(caught);

    // While another exception unwinds, the failure is only reported and the
    // original exception reaches its handler.
    std::string what;
    try {
        cl::syslog::autolog_ptr p;
        *p.change(new cl::syslog::autolog(___syslog)) << cl::syslog::info << "boom while unwinding";
        throw std::logic_error("original");
    } catch (const std::exception& e) {
        what = e.what();
    }
    QCOMPARE(what, std::string("original"));
    // The recorder, registered before the throwing output, still got both.
    QVERIFY(rec.has("boom now"));
    QVERIFY(rec.has("boom while unwinding"));

    // The lock was released: logging goes on.
    VLOG(cl::syslog::info) << "after";
    QVERIFY(rec.has("after"));
}

VELMORA_TEST_MAIN(tst_syslog)
#include "tst_syslog.moc"
