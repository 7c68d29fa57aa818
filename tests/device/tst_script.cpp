#include "device/script.h"

#include "dorvane/profile.h"
#include "test_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

using test_support::error_of;

namespace {

typedef script::item item;

typedef std::vector<std::string> lines;

std::string comment_of(const std::string& line)
{
    item i = script::parse(line);
    if (i.kind != item::comment_kind)
        throw std::logic_error("not a comment: " + line);
    if (!std::get<1>(i.content).text.empty() || std::get<1>(i.content).address || std::get<1>(i.content).value)
        throw std::logic_error("command part filled: " + line);
    return std::get<0>(i.content).text;
}

script::command command_of(const std::string& line)
{
    item i = script::parse(line);
    if (i.kind != item::command_kind)
        throw std::logic_error("not a command: " + line);
    if (!std::get<0>(i.content).text.empty())
        throw std::logic_error("comment part filled: " + line);
    return std::get<1>(i.content);
}

std::string line_error(const std::string& line)
{
    return error_of([&] { script::parse(line); });
}

std::string file_error(const std::vector<std::string>& lines)
{
    return error_of([&] { script::parse(lines); });
}

profiles::mmap_template builtin_like()
{
    profiles::mmap_template t;
    t.header = "\n// Memory map file\n";
    t.footer = "//\n0xFFF8, 5; // Save current parameters to EEPROM\n// End of file\n";
    t.descriptions = {"Reserved (DO NOT CHANGE VALUE!)",
                      "Motion Direction .................................... [0-CW / 1-CCW]",
                      "DB_PulseMode_Flag                 4   "};
    t.from = 0;
    t.until = 3;
    return t;
}

script::item command_item(script::u16 a, script::u16 v, const std::string& text)
{
    script::item i;
    i.kind = item::command_kind;
    std::get<1>(i.content) = script::command{a, v, text};
    return i;
}

} // namespace

class tst_script : public QObject {
    Q_OBJECT

private slots:
    void comments_and_empty_lines()
    {
        QCOMPARE(comment_of("//"), std::string());
        QCOMPARE(comment_of("// text"), std::string(" text"));
        QCOMPARE(comment_of(R"(\\ text)"), std::string(" text"));
        QCOMPARE(comment_of(" \t// text \t"), std::string(" text \t"));
        // A marker first makes the line a comment, even with a command after it.
        QCOMPARE(comment_of("//5, 8;"), std::string("5, 8;"));
        QCOMPARE(comment_of(" \\\\ 0x10, 3; // x"), std::string(" 0x10, 3; // x"));

        for (const std::string& line : {std::string(), std::string(" \t \t"), std::string("\r"), std::string("\v\f")}) {
            item i = script::parse(line);
            QCOMPARE(i.kind, int(item::empty_kind));
            QVERIFY(std::get<0>(i.content).text.empty());
            QCOMPARE(std::get<1>(i.content).address, script::u16(0));
            QCOMPARE(std::get<1>(i.content).value, script::u16(0));
            QVERIFY(std::get<1>(i.content).text.empty());
        }
        // Only ASCII blanks count: a Latin-1 no-break space is not one.
        QCOMPARE(line_error("\xA0"), std::string("illformed expression: \xA0"));
        // Bytes outside ASCII are kept as they are.
        QCOMPARE(comment_of("//\xC3\xA4\xFF\x80"), std::string("\xC3\xA4\xFF\x80"));
    }

    void commands()
    {
        script::command c = command_of("0x5af8, 0xfF0a;");
        QCOMPARE(c.address, script::u16(0x5AF8));
        QCOMPARE(c.value, script::u16(0xFF0A));
        QVERIFY(c.text.empty());
        QCOMPARE(command_of("0x66C8, 1;").address, command_of("0x66c8, 1;").address);

        c = command_of("\t12 ,\t344 ;  // Three operators in one line \t");
        QCOMPARE(c.address, script::u16(12));
        QCOMPARE(c.value, script::u16(344));
        QCOMPARE(c.text, std::string("Three operators in one line"));
        QCOMPARE(command_of("5,8;//").text, std::string());
        QCOMPARE(command_of("5,8; //  // x //").text, std::string("// x //"));
        QCOMPARE(command_of("5,8;\\\\ \xC3\xA4 ").text, std::string("\xC3\xA4"));

        // Malformed lines are refused with the line in the message.
        for (const char* line : {"5, 8; word", "5, 8 // x", "0x, 5;", "5, 0x;", "0X10, 5;", "5, 8; 6, 9;", "5; 8,",
                                 "5,,8;", "+5, 8;", "5, 8", "a b c d", "123", "5, 0x1g;", "Profile: 5"})
            QCOMPARE(line_error(line), std::string("illformed expression: ") + line);
        // Unicode digits are no digits of the grammar.
        QCOMPARE(line_error("\xD9\xA3, 1;"), std::string("illformed expression: \xD9\xA3, 1;"));
    }

    void numbers()
    {
        QCOMPARE(command_of("7, -3453; // negative value ").value, script::u16(62083));
        QCOMPARE(command_of("7, -1;").value, script::u16(0xFFFF));
        QCOMPARE(command_of("7, -0;").value, script::u16(0));
        QCOMPARE(command_of("70000, 1;").address, script::u16(4464));
        QCOMPARE(command_of("1, 70000;").value, script::u16(4464));
        QCOMPARE(command_of("000000000000000000070000, 1;").address, script::u16(4464));
        QCOMPARE(command_of("0x00000000000000000000FFFF, 1;").address, script::u16(0xFFFF));
        // The 32-bit bounds are still numbers; one more is not.
        QCOMPARE(command_of("4294967295, 4294967295;").address, script::u16(0xFFFF));
        QCOMPARE(command_of("0xFFFFFFFF, 0x12345678;").value, script::u16(0x5678));
        QCOMPARE(command_of("1, -2147483648;").value, script::u16(0));
        QCOMPARE(command_of("1, -2147483647;").value, script::u16(1));
        for (const char* line : {"4294967296, 1;", "1, 4294967296;", "0x100000000, 1;", "1, 0x100000000;",
                                 "1, -2147483649;", "99999999999999999999999999, 1;", "1, -99999999999999999999;",
                                 "0x1FFFFFFFFFFFFFFFFFFFFFF, 1;"})
            QCOMPARE(line_error(line), std::string("illformed expression: ") + line);
        // No address is negative, not even zero with a sign.
        QCOMPARE(line_error("-5, 1;"), std::string("illformed expression: -5, 1;"));
        QCOMPARE(line_error("-0, 1;"), std::string("illformed expression: -0, 1;"));
    }

    void file_errors()
    {
        const std::string no_ids = "there is no HW ID and Profile ID";
        QCOMPARE(file_error({}), no_ids);
        QCOMPARE(file_error({"Profile: 5"}), no_ids);
        QCOMPARE(file_error({"5, 8;"}), no_ids);

        const std::string no_header = "there is no \"Profile:\" header in the first line";
        for (const char* header : {"Profile: 5 ", "Profile:\t5", "profile: 5", " Profile: 5", "Profile:", "Profile: -5",
                                   "Profile: 0x10", "Profile: 5 // x", "// Profile: 5"})
            QCOMPARE(file_error({header, "5, 8;"}), no_header);

        QCOMPARE(file_error({"Profile: 5", "5, 8; word"}),
                 std::string("Error in line 1 : illformed expression: 5, 8; word"));
        QCOMPARE(file_error({"Profile: 5", "// ok", "", "1, 2;", "1, 99999999999;", "garbage"}),
                 std::string("Error in line 4 : illformed expression: 1, 99999999999;"));
        QCOMPARE(file_error({"Profile: 5", "-1, 2;"}), std::string("Error in line 1 : illformed expression: -1, 2;"));
        // Percent signs of the line are not taken for placeholders.
        QCOMPARE(file_error({"Profile: 5", "%1 %2"}), std::string("Error in line 1 : illformed expression: %1 %2"));
        // The line's bytes reach the message unchanged, whatever their encoding.
        QCOMPARE(file_error({"Profile: 5", "Gr\xF6\xDF" "e"}),
                 std::string("Error in line 1 : illformed expression: Gr\xF6\xDF" "e"));
        QCOMPARE(file_error({"Profile:99999999999", "1, 2;"}),
                 std::string("Error in line 0 : illformed expression: Profile:99999999999"));
    }

    void headers()
    {
        QCOMPARE(script::parse(lines{"Profile: 5", ""}).profile, script::u16(5));
        QCOMPARE(script::parse(lines{"Profile:6469", ""}).profile, script::u16(6469));
        QCOMPARE(script::parse(lines{"Profile:     0000077", ""}).profile, script::u16(77));
        QCOMPARE(script::parse(lines{"Profile: 70000", ""}).profile, script::u16(4464));
        QCOMPARE(script::parse(lines{"Profile: 4294967295", ""}).profile, script::u16(0xFFFF));
    }

    void example_file()
    {
        script s = script::parse(std::vector<std::string>{
            "Profile: 5", "// Example of configuration file ", "", "0x01, 10; // HEX address, Decimal value",
            "7, -3453; // negative value ", "\t ", "5, 344;", "0xFFF0, 3; // Save Data ", "// End of File"});
        QCOMPARE(s.profile, script::u16(5));
        QCOMPARE(int(s.items.size()), 8);
        const int kinds[] = {0, 2, 1, 1, 2, 1, 1, 0};
        for (int k = 0; k < 8; ++k)
            QCOMPARE(s.items[k].kind, kinds[k]);
        QCOMPARE(std::get<0>(s.items[0].content).text, std::string(" Example of configuration file "));
        QCOMPARE(std::get<1>(s.items[2].content).address, script::u16(1));
        QCOMPARE(std::get<1>(s.items[2].content).text, std::string("HEX address, Decimal value"));
        QCOMPARE(std::get<1>(s.items[3].content).value, script::u16(0xF283));
        QCOMPARE(std::get<1>(s.items[5].content).text, std::string());
        QCOMPARE(std::get<1>(s.items[6].content).address, script::u16(0xFFF0));
        QCOMPARE(std::get<1>(s.items[6].content).text, std::string("Save Data"));
        QCOMPARE(std::get<0>(s.items[7].content).text, std::string(" End of File"));

        // Header and one line is the smallest script.
        s = script::parse(std::vector<std::string>{"Profile:1", "2, 3;"});
        QCOMPARE(int(s.items.size()), 1);
        QCOMPARE(std::get<1>(s.items[0].content).value, script::u16(3));
    }

    void splitting_files()
    {
        QCOMPARE(script::split_lines(""), lines());
        QCOMPARE(script::split_lines("\n"), lines{""});
        QCOMPARE(script::split_lines("\r\n"), lines{""});
        QCOMPARE(script::split_lines("a"), lines{"a"});
        QCOMPARE(script::split_lines("a\n"), lines{"a"});
        QCOMPARE(script::split_lines("a\nb"), lines({"a", "b"}));
        QCOMPARE(script::split_lines("a\r\n\r\nb\r\n"), lines({"a", "", "b"}));
        QCOMPARE(script::split_lines("a\n\n"), lines({"a", ""}));
        // Only a carriage return right before a line feed belongs to the line end.
        QCOMPARE(script::split_lines("a\rb\r\r\nc\r"), lines({"a\rb\r", "c\r"}));

        std::istringstream dos("Profile: 5\r\n// map\r\n1, 2; // x\r\n\r\n");
        script s = script::parse(script::read_lines(dos));
        QCOMPARE(int(s.items.size()), 3);
        QCOMPARE(std::get<0>(s.items[0].content).text, std::string(" map"));
        QCOMPARE(std::get<1>(s.items[1].content).text, std::string("x"));
        QCOMPARE(s.items[2].kind, int(item::empty_kind));

        // A file that can't be opened reads as no lines, which the parser refuses.
        std::ifstream missing("/nonexistent/dir/file.sc");
        QVERIFY(script::read_lines(missing).empty());
        QCOMPARE(file_error(script::read_lines(missing)), std::string("there is no HW ID and Profile ID"));

        // A directory opens but can't be read: no lines, no exception.
        const QString dir = QDir::tempPath();
        std::ifstream folder(dir.toStdString());
        QVERIFY(script::read_lines(folder).empty());

        // By path, the caller can tell an unreadable file from no script.
        for (const std::string& bad : {dir.toStdString(), std::string("/nonexistent/dir/file.sc")}) {
            try {
                script::read_file(bad);
                QFAIL(bad.c_str());
            } catch (const script::read_error& e) {
                QVERIFY2(std::string(e.what()).find("can't be read: ") != std::string::npos, e.what());
            }
        }
        // Nor is a FIFO opened: that would wait for a writer for good.
        QTemporaryDir fifo_dir;
        const std::string fifo = fifo_dir.filePath("fifo").toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        QCOMPARE(error_of([&] { script::read_file(fifo); }), std::string("The file can't be read: not a regular file"));

        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("Profile: 5\r\n1, 2;");
        file.close();
        QCOMPARE(script::read_file(file.fileName().toStdString()), lines({"Profile: 5", "1, 2;"}));
        QFile::setPermissions(file.fileName(), QFileDevice::Permissions());
        if (::geteuid() != 0)
            QVERIFY_EXCEPTION_THROWN(script::read_file(file.fileName().toStdString()), script::read_error);
    }

    void map_round_trip()
    {
        const profiles::mmap_template t = builtin_like();
        script dump;
        dump.profile = 6469;
        dump.items = {command_item(0, 0, t.descriptions[0]), command_item(1, 65535, t.descriptions[1]),
                      command_item(2, 62083, t.descriptions[2]), command_item(3, 7, "3")};

        std::ostringstream out;
        script::write_map(out, dump, t);
        QCOMPARE(out.str(), std::string("Profile:6469\n"
                                        "\n"
                                        "// Memory map file\n"
                                        "\n"
                                        "0, 0; //\tReserved (DO NOT CHANGE VALUE!)\n"
                                        "1, 65535; //\tMotion Direction .................................... "
                                        "[0-CW / 1-CCW]\n"
                                        "2, 62083; //\tDB_PulseMode_Flag                 4   \n"
                                        "3, 7; //\t3\n"
                                        "//\n"
                                        "0xFFF8, 5; // Save current parameters to EEPROM\n"
                                        "// End of file\n"
                                        "\n"));

        script back = script::parse(script::split_lines(out.str()));
        QCOMPARE(back.profile, script::u16(6469));
        const int kinds[] = {2, 0, 2, 1, 1, 1, 1, 0, 1, 0, 2};
        QCOMPARE(int(back.items.size()), 11);
        for (int k = 0; k < 11; ++k)
            QCOMPARE(back.items[k].kind, kinds[k]);
        QCOMPARE(std::get<0>(back.items[1].content).text, std::string(" Memory map file"));
        for (int k = 0; k < 4; ++k) {
            const script::command& want = std::get<1>(dump.items[k].content);
            const script::command& got = std::get<1>(back.items[3 + k].content);
            QCOMPARE(got.address, want.address);
            QCOMPARE(got.value, want.value);
        }
        QCOMPARE(std::get<1>(back.items[5].content).text, std::string("DB_PulseMode_Flag                 4"));
        QCOMPARE(std::get<1>(back.items[6].content).text, std::string("3"));
        QCOMPARE(std::get<0>(back.items[7].content).text, std::string());
        QCOMPARE(std::get<1>(back.items[8].content).address, script::u16(0xFFF8));
        QCOMPARE(std::get<1>(back.items[8].content).value, script::u16(5));
        QCOMPARE(std::get<1>(back.items[8].content).text, std::string("Save current parameters to EEPROM"));
        QCOMPARE(std::get<0>(back.items[9].content).text, std::string(" End of file"));
    }

    void map_edge_cases()
    {
        profiles::mmap_template t;
        script s;
        s.profile = 70;
        // An empty header and footer each still give one empty line.
        QCOMPARE(script::map_lines(s, t), lines({"Profile:70", "", ""}));

        t.header = "a\n\n\nb";
        t.footer = "\n\nc\n\n";
        QCOMPARE(script::map_lines(s, t), lines({"Profile:70", "a", "b", "", "c", ""}));

        // A remark with line breaks, or a comment item, must not give extra
        // lines or commands.
        t = profiles::mmap_template();
        s.items = {command_item(5, 6, "two\nlines\r\nhere")};
        script::item c;
        c.kind = item::comment_kind;
        std::get<0>(c.content).text = " note\n9, 9;";
        s.items.push_back(c);
        s.items.emplace_back();
        QCOMPARE(script::map_lines(s, t), lines({"Profile:70", "", "5, 6; //\ttwo lines  here", "// note 9, 9;", "", ""}));
        script back = script::parse(script::map_lines(s, t));
        QCOMPARE(int(back.items.size()), 5);
        QCOMPARE(back.items[2].kind, int(item::comment_kind));

        // A stream that fails is reported, not taken for a written file.
        std::ofstream bad("/nonexistent/dir/map.txt");
        QVERIFY_EXCEPTION_THROWN(script::write_map(bad, s, t), std::runtime_error);
    }

    void fuzz_findings()
    {
        // A line of 0xFF and NUL bytes in a map with CR LF line ends: refused
        // with its number; the message ends where the line's first NUL is.
        const QByteArray map = QByteArray::fromBase64(
            "UHJvZmlsZTo2NDY5DQoNCi8vIE1lbW9yeSBtYXAgZmlsZQ0KDQr///////9iAAAA////////////////////////////////////////"
            "////////////////////////////////////MCwgMDsgLy8JUmVzZXJ2ZWQgKERPIE5PVCBDSEFOR0UgVkFMVUUhKQ0KMSwgNjU1MzU7"
            "IC8vCU1hbWV0ZXJzIHRvIEVFUFJPTQ0KLy8gRW5kIG9mIGZpbGUNCg0K");
        const lines l = script::split_lines(map.toStdString());
        QCOMPARE(int(l.size()), 8);
        QCOMPARE(l[4].size(), std::size_t(107));
        QCOMPARE(file_error(l), std::string("Error in line 4 : illformed expression: \xFF\xFF\xFF\xFF\xFF\xFF" "b"));
    }

    void long_lines_are_quick()
    {
        std::string blanks;
        for (int k = 0; k < 20000; ++k)
            blanks += k % 3 ? ' ' : '\t';
        const std::string failing[] = {blanks + "x",
                                       "5" + blanks + "," + blanks + "8" + blanks + ";" + blanks + "x",
                                       blanks + "5," + blanks,
                                       blanks + ";" + blanks,
                                       std::string(20000, '1') + "," + blanks,
                                       "5,8;" + blanks + "/"};
        QElapsedTimer timer;
        timer.start();
        for (const std::string& line : failing)
            QCOMPARE(line_error(line), "illformed expression: " + line);
        QVERIFY(script::parse(blanks).kind == item::empty_kind);
        QCOMPARE(command_of("5" + blanks + ",8;" + blanks + "//" + blanks + "x" + blanks).text, std::string("x"));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }
};

VELMORA_TEST_MAIN(tst_script)
#include "tst_script.moc"
