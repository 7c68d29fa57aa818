#include "recording_output.h"
#include "test_main.h"

#include "dorvane/profile.h"

#include <iostream>
#include <sstream>

using profiles::u16;

namespace {

profiles::profile make(u16 id, int pages, const std::string& name = "test profile")
{
    profiles::profile p;
    p.id = id;
    p.name = name;
    p.static_map.push_back(profiles::single(0x10));
    for (int i = 0; i < pages; ++i)
        p.pages.push_back({"page", {profiles::single(0x20)}});
    return p;
}

// Captures what is written to standard error while it lives.
struct capture_cerr {
    capture_cerr() : old(std::cerr.rdbuf(buf.rdbuf())) {}
    ~capture_cerr() { std::cerr.rdbuf(old); }
    std::ostringstream buf;
    std::streambuf* old;
};

} // namespace

class tst_registry : public QObject {
    Q_OBJECT
private slots:
    void queue_then_register_once();
};

// The registry is process-wide state, so the whole life cycle is one scenario.
void tst_registry::queue_then_register_once()
{
    auto& rec = test_support::log_recorder();

    // Before the queue runs nothing is registered and nothing is logged.
    QVERIFY(profiles::profile_list().empty());
    QVERIFY(!profiles::is_registered(300));
    QVERIFY(rec.entries.empty());

    {
        capture_cerr err;
        QCOMPARE(profiles::register_profile(make(300, 1, "third")), u16(300));
        QCOMPARE(profiles::register_profile(make(100, 1, "first")), u16(100));
        QCOMPARE(profiles::register_profile(make(100, 1, "first again")), u16(100));
        QCOMPARE(profiles::register_profile(make(300, 2, "clash")), u16(300));
        QCOMPARE(profiles::register_profile(make(200, 0)), u16(200));
        QCOMPARE(err.buf.str(), std::string("delaying lazy init:300\ndelaying lazy init:100\n"
                                            "delaying lazy init:100\ndelaying lazy init:300\n"
                                            "delaying lazy init:200\n"));
    }
    QVERIFY(!profiles::is_registered(300));

    // A registration queued while the queue runs is dropped with it.
    profiles::lazy().push_back([] { profiles::lazy().push_back([] { profiles::reg()[999]; }); });

    profiles::init_profiles();
    QVERIFY(profiles::lazy().empty());
    QVERIFY(!profiles::is_registered(999));

    const auto list = profiles::profile_list();
    QVERIFY(std::is_sorted(list.begin(), list.end()));
    for (u16 id : {100, 200, 300})
        QVERIFY(std::find(list.begin(), list.end(), id) != list.end());

    // The first registration of an identifier wins; a clash with other
    // items is logged and the rest go on.
    QCOMPARE(profiles::get_profile(300).name, std::string("third"));
    QCOMPARE(profiles::get_profile(100).name, std::string("first"));
    QVERIFY(rec.has("registering profile:third(300)"));
    QVERIFY(rec.has("registering profile:first again(100)"));
    QVERIFY(rec.has("Error when initializing profile:"
                    "profile with such id already registered and has different items"));
    const int clash = rec.index_of("registering profile:clash(300)");
    QVERIFY(clash >= 0);
    QCOMPARE(rec.entries[clash + 1].msg.level, cl::syslog::err);
    const int after = rec.index_of("registering profile:test profile(200)", clash);
    QVERIFY(after > clash);
    QCOMPARE(rec.entries[after + 1].msg.text, std::string("registering profile finished"));

    // A second run has nothing to do.
    rec.clear();
    profiles::init_profiles();
    QVERIFY(rec.entries.empty());

    // Unknown identifiers: the request is logged, then refused.
    rec.clear();
    QVERIFY_EXCEPTION_THROWN(profiles::get_profile(65000), std::runtime_error);
    QCOMPARE(rec.texts(), std::vector<std::string>{"requesting profile:65000"});
    try {
        profiles::get_pages(65001);
        QFAIL("no exception");
    } catch (const std::runtime_error& e) {
        QCOMPARE(std::string(e.what()), std::string("there is no profile with such id"));
    }
    QCOMPARE(profiles::get_static_map(100).size(), std::size_t(1));

    // The registry keeps its own copy.
    const profiles::profile& stored = profiles::get_profile(200);
    profiles::profile copy = stored;
    copy.static_map[0].set_data({1});
    QCOMPARE(profiles::get_profile(200).static_map[0].value.data, std::vector<u16>{0});
}

VELMORA_TEST_MAIN(tst_registry)
#include "tst_registry.moc"
