#include "test_main.h"

#include "dorvane/profile.h"

using profiles::u16;
typedef std::vector<u16> words;

class tst_profile : public QObject {
    Q_OBJECT
private slots:
    void set_data_keeps_the_register_count();
    void text_packing();
    void single_and_helpers();
    void copies_are_independent();
};

void tst_profile::set_data_keeps_the_register_count()
{
    profiles::item two = profiles::single(0x30);
    two.value.length = 2;
    two.set_data({});
    QCOMPARE(two.value.data, (words{0, 0}));
    two.set_data({7});
    QCOMPARE(two.value.data, (words{7, 0}));
    two.set_data({1, 2, 3});
    QCOMPARE(two.value.data, (words{1, 2}));
    QCOMPARE(two.length(), 2u);

    profiles::item heading;
    heading.address = profiles::no_addr;
    heading.value = profiles::no_val;
    heading.set_data({5, 6});
    QVERIFY(heading.value.data.empty());
    QCOMPARE(heading.length(), 0u);
}

void tst_profile::text_packing()
{
    auto abc = profiles::val_str("ABC", 0);
    QCOMPARE(abc.data, (words{0x4241, 0x0043}));
    QCOMPARE(abc.length, 2u);
    QVERIFY(!abc.is_signed);

    auto abc3 = profiles::val_str("ABC", 3);
    QCOMPARE(abc3.data, (words{0x4241, 0x0043, 0x0000}));
    QCOMPARE(abc3.length, 3u);

    QCOMPARE(profiles::val_str("", 0).data, words{});
    QCOMPARE(profiles::val_str("", 0).length, 0u);
    QCOMPARE(profiles::val_str("", 3).data, (words{0, 0, 0}));
    QCOMPARE(profiles::val_str("ABCDE", 2).data, (words{0x4241, 0x4443}));

    // Bytes are taken unsigned: a Latin-1 letter stays one byte.
    QCOMPARE(profiles::val_str("\xE9", 1).data, (words{0x00E9}));
    QCOMPARE(profiles::val_str(" ", 20).data.size(), std::size_t(20));
    QCOMPARE(profiles::val_str(" ", 20).data.front(), u16(0x0020));
}

void tst_profile::single_and_helpers()
{
    const profiles::item it = profiles::single(0xFFF8);
    QCOMPARE(it.address, u16(0xFFF8));
    QCOMPARE(it.min, -1);
    QCOMPARE(it.max, -1);
    QCOMPARE(it.length(), 1u);
    QCOMPARE(it.value.data, words{0});
    QVERIFY(!it.value.is_signed);
    QCOMPARE(it.gui, profiles::label);
    QCOMPARE(it.dir, profiles::rw);
    QCOMPARE(it.scale, 0.0f);
    QVERIFY(it.map.empty());
    QVERIFY(it.name.empty());

    QCOMPARE(profiles::val_u16(5).data, words{5});
    QCOMPARE(profiles::val_u16(5).length, 1u);
    const auto caption = profiles::btn_txt("Reset");
    QCOMPARE(caption.size(), std::size_t(1));
    QCOMPARE(caption[0].first, u16(0));
    QCOMPARE(caption[0].second, std::string("Reset"));
    QCOMPARE(profiles::profile::id_address, u16(0xFFF0));
    QCOMPARE(profiles::profile::command_address, u16(0xFFF8));
}

void tst_profile::copies_are_independent()
{
    profiles::profile p;
    p.id = 9;
    p.static_map.push_back(profiles::single(1));
    p.pages.push_back({"page", {profiles::single(2)}});
    p.mmap.descriptions = {"zero"};

    profiles::profile copy = p;
    copy.static_map[0].set_data({42});
    copy.pages.front().second[0].name = "changed";
    copy.mmap.descriptions[0] = "other";
    QCOMPARE(p.static_map[0].value.data, words{0});
    QVERIFY(p.pages.front().second[0].name.empty());
    QCOMPARE(p.mmap.descriptions[0], std::string("zero"));

    profiles::profile assigned;
    assigned = copy;
    QCOMPARE(assigned.static_map[0].value.data, words{42});
}

VELMORA_TEST_MAIN(tst_profile)
#include "tst_profile.moc"
