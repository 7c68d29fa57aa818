#include "device/script.h"

#include "dorvane/profile.h"
#include "services/local8.h"

#include <QObject>
#include <QRegExp>
#include <QString>

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <istream>
#include <stdexcept>
#include <utility>

namespace {

typedef script::u16 u16;

// The line grammar, put together from its pieces once at start-up.
const std::string slash_rx = R"((?:(?:\\\\)|(?://))+)";
const std::string space_rx = R"([\s\t]+)";
const std::string hex_rx = R"(0x(?:\d|[abcdefABCDEF])+)";
const std::string digit_rx = R"((?:-?\d+)|)" + hex_rx;
const std::string comment_rx = "(?:" + space_rx + ")*" + slash_rx + "(" + ".*" + ")";
const std::string comma_rx = "(?:" + space_rx + ")*" + "," + "(?:" + space_rx + ")*";
const std::string semicolon_rx = "(?:" + space_rx + ")*" + ";" + "(?:" + space_rx + ")*";
const std::string command_rx = "(?:" + space_rx + ")*" + "(" + digit_rx + ")" + comma_rx + "(" + digit_rx + ")"
    + semicolon_rx + "(?:" + comment_rx + ")*";
const std::string empty_rx = "(?:" + space_rx + ")*";
const std::string header_rx = R"(Profile:[ ]*((\d+)))";

const char blanks[] = " \t\r\n\v\f";

// Lines are bytes, not text. Bytes above 0x7F go to U+0180..U+01FF, letters
// that are neither blanks nor digits, so that \s and \d of the patterns only
// ever see ASCII and every capture maps back to exactly the bytes read.
QString to_q(const std::string& s)
{
    QString r(int(s.size()), Qt::Uninitialized);
    QChar* d = r.data();
    for (unsigned char c : s)
        *d++ = QChar(ushort(c < 0x80 ? c : 0x100 + c));
    return r;
}

std::string from_q(const QString& s)
{
    std::string r;
    r.reserve(std::size_t(s.size()));
    for (QChar c : s) {
        ushort u = c.unicode();
        r += char(u < 0x80 ? u : u - 0x100);
    }
    return r;
}

QRegExp regexp(const std::string& pattern)
{
    return QRegExp(QString::fromLatin1(pattern.data(), int(pattern.size())), Qt::CaseSensitive, QRegExp::RegExp);
}

std::string trimmed(const std::string& s)
{
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

int digit_value(char c, unsigned base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A number of the grammar as the low 16 bits of its two's complement.
// False when it needs more than 32 bits, or has a sign where none may be:
// such a number would otherwise silently address some other register.
bool to_u16(const std::string& s, bool signed_ok, u16& out)
{
    std::size_t i = 0;
    unsigned base = 10;
    bool negative = false;
    if (s.compare(0, 2, "0x") == 0) {
        base = 16;
        i = 2;
    } else if (!s.empty() && s[0] == '-') {
        if (!signed_ok)
            return false;
        negative = true;
        i = 1;
    }
    if (i >= s.size())
        return false;
    const std::uint64_t limit = negative ? 0x80000000u : 0xFFFFFFFFu;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        int d = digit_value(s[i], base);
        if (d < 0)
            return false;
        v = v * base + unsigned(d);
        if (v > limit)
            return false;
    }
    out = u16(negative ? 0 - v : v);
    return true;
}

std::runtime_error illformed(const std::string& line)
{
    return std::runtime_error("illformed expression: " + line);
}

std::runtime_error line_error(std::size_t n, const std::string& what)
{
    // The line goes in as the bytes it was, not decoded and encoded again.
    std::string text = QObject::tr("Error in line %1 : %3").arg(QString::number(n)).toStdString();
    std::size_t p = text.find("%3");
    if (p == std::string::npos)
        return std::runtime_error(text + " " + what);
    return std::runtime_error(text.replace(p, 2, what));
}

bool is_empty(const std::string& line)
{
    return line.empty() || regexp(empty_rx).exactMatch(to_q(line));
}

std::unique_ptr<script::comment> get_comment(const std::string& line)
{
    QRegExp rx = regexp(comment_rx);
    if (!rx.exactMatch(to_q(line)))
        return nullptr;
    std::unique_ptr<script::comment> c(new script::comment);
    c->text = from_q(rx.cap(1));
    return c;
}

std::unique_ptr<script::command> get_command(const std::string& line)
{
    QRegExp rx = regexp(command_rx);
    if (!rx.exactMatch(to_q(line)))
        return nullptr;
    std::unique_ptr<script::command> c(new script::command);
    if (!to_u16(from_q(rx.cap(1)), false, c->address) || !to_u16(from_q(rx.cap(2)), true, c->value))
        return nullptr;
    c->text = trimmed(from_q(rx.cap(3)));
    return c;
}

// Header and footer of a map template: cut at runs of line feeds, a line
// feed at either end still leaving an empty piece there.
std::vector<std::string> cut(const std::string& text)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, lf - start));
        start = text.find_first_not_of('\n', lf);
        if (start == std::string::npos) {
            pieces.emplace_back();
            break;
        }
    }
    return pieces;
}

// A remark must stay on its own line, or the map can't be read back.
std::string one_line(std::string s)
{
    for (char& c : s)
        if (c == '\n' || c == '\r')
            c = ' ';
    return s;
}

// Self-tests ------------------------------------------------------------------

std::string tabs(const std::string& s)
{
    std::string r = s;
    for (std::size_t p; (p = r.find("[tab]")) != std::string::npos;)
        r.replace(p, 5, "\t");
    return r;
}

bool embedded_test()
{
    const char* comments[] = {
        R"(\\word)",
        R"(//word)",
        R"(\\ // word)",
        R"(\\word [tab]w2   w3[tab]//[tab]w4 [tab])",
        R"( \\word)",
        R"( [tab] \\word w  w3[tab] \[tab]\[tab]w4 \\ [tab]asd[tab] )",
    };
    for (const char* l : comments) {
        std::string line = tabs(l);
        if (!regexp(comment_rx).exactMatch(to_q(line)))
            throw std::runtime_error("embedded_test comments failed on line:" + line);
    }

    auto check_command = [](const std::string& line, const char* a, const char* b) {
        QRegExp rx = regexp(command_rx);
        if (!rx.exactMatch(to_q(line)))
            throw std::runtime_error("embedded_test command failed on line:" + line);
        if (from_q(rx.cap(1)) != a)
            throw std::runtime_error(std::string("embedded_test command '") + a + "' failed on line:" + line);
        if (from_q(rx.cap(2)) != b)
            throw std::runtime_error(std::string("embedded_test command '") + b + "' failed on line:" + line);
    };
    const char* decimal[] = {
        R"(5,8;)",
        R"(5 ,8;)",
        R"(5  [tab],[tab]8  ;[tab])",
        R"( [tab] [tab][tab]5,  [tab][tab]8;  [tab])",
        R"(5, 8;//word)",
        R"(5 ,8;\\word  [tab]w2  w3  [tab][tab])",
        R"([tab][tab] [tab]   5,  [tab][tab]  8  [tab]; [tab]\\[tab][tab][tab] word  [tab]w2  w3  [tab][tab])",
    };
    for (const char* l : decimal)
        check_command(tabs(l), "5", "8");
    const char* hex[] = {
        R"(0x5af8, 0xfF0a;)",
        R"(0x5af8  ,[tab][tab]0xfF0a  ;[tab])",
        R"( [tab] [tab][tab]0x5af8,  [tab][tab]0xfF0a;  [tab])",
        R"(0x5af8, 0xfF0a;//word)",
        R"(0x5af8 ,0xfF0a;\\word  [tab]w2  w3  [tab][tab])",
        R"([tab][tab] [tab]   0x5af8  [tab][tab],  0xfF0a  [tab] [tab];//[tab][tab]5, 8; \\[tab] word  [tab]w2  w3  [tab][tab])",
    };
    for (const char* l : hex)
        check_command(tabs(l), "0x5af8", "0xfF0a");

    const char* neither[] = {"123", "a b c d", " [tab];[tab]"};
    for (const char* l : neither) {
        std::string line = tabs(l);
        if (regexp(comment_rx).exactMatch(to_q(line)))
            throw std::runtime_error("embedded_test comment error:" + line);
        if (regexp(command_rx).exactMatch(to_q(line)))
            throw std::runtime_error("embedded_test command error:" + line);
    }
    return true;
}

bool embedded_test2()
{
    const std::string remark = tabs("comment ,long  [tab];[tab]str   0xffff,545;[tab][tab][tab]");
    const std::pair<const char*, std::pair<u16, u16>> cases[] = {
        {R"(5 [tab] ,[tab]8;  [tab]\\)", {5, 8}},
        {R"([tab][tab]0x6Fa5 [tab] [tab],0x66C8  [tab];\\)", {0x6FA5, 0x66C8}},
    };
    for (const auto& c : cases) {
        script::item i = script::parse(tabs(c.first) + remark);
        const script::command& cmd = std::get<1>(i.content);
        if (i.kind != script::item::command_kind)
            throw std::runtime_error("embedded_test2 err1");
        if (cmd.address != c.second.first)
            throw std::runtime_error("embedded_test2 err2");
        if (cmd.value != c.second.second)
            throw std::runtime_error("embedded_test2 err3");
        if (cmd.text != trimmed(remark))
            throw std::runtime_error("embedded_test2 err4");
    }
    return true;
}

bool embedded_test3()
{
    script::parse(std::vector<std::string>{
        "Profile: 5",
        "// Example of configuration file ",
        "// Data area. ",
        "// ADR, DATA; // Remark ",
        "0x01, 10; // HEX address, Decimal value",
        "2, 56; // Decimal address, Decimal value ",
        "3, 0x1234; // Decimal address, HEX value ",
        "7, -3453; // negative value ",
        "5, 344;",
        "11, 344;",
        "12, 344; // Three operators in one line ",
        "0xFFF0, 3; // Save Data ",
        "// End of File",
    });
    return true;
}

// A failing self-test ends the program before main.
[[maybe_unused]] const bool test1 = embedded_test();
[[maybe_unused]] const bool test2 = embedded_test2();
[[maybe_unused]] const bool test3 = embedded_test3();

} // namespace

script::item script::parse(const std::string& line)
{
    item i;
    if (std::unique_ptr<comment> c = get_comment(line)) {
        i.kind = item::comment_kind;
        std::get<0>(i.content) = std::move(*c);
    } else if (std::unique_ptr<command> c = get_command(line)) {
        i.kind = item::command_kind;
        std::get<1>(i.content) = std::move(*c);
    } else if (is_empty(line)) {
        i.kind = item::empty_kind;
    } else {
        throw illformed(line);
    }
    return i;
}

script script::parse(const std::vector<std::string>& lines)
{
    if (lines.size() < 2)
        throw std::runtime_error(QObject::tr("there is no HW ID and Profile ID").toStdString());
    QRegExp header = regexp(header_rx);
    if (!header.exactMatch(to_q(lines[0])))
        throw std::runtime_error(QObject::tr("there is no \"Profile:\" header in the first line").toStdString());

    script s;
    if (!to_u16(from_q(header.cap(1)), false, s.profile))
        throw line_error(0, illformed(lines[0]).what());
    s.items.reserve(lines.size() - 1);
    for (std::size_t n = 1; n < lines.size(); ++n) {
        try {
            s.items.push_back(parse(lines[n]));
        } catch (const std::runtime_error& e) {
            throw line_error(n, e.what());
        }
    }
    return s;
}

std::vector<std::string> script::split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r')
            --end;
        lines.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

namespace {

// Everything left in the stream; false when it can't be read. The file
// buffer throws from its read of a directory, past the stream's own
// exception mask.
bool read_all(std::istream& in, std::string& text)
{
    if (!in)
        return false;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;
    }
    return !in.bad();
}

} // namespace

std::vector<std::string> script::read_lines(std::istream& in)
{
    std::string text;
    if (!read_all(in, text))
        return {};
    return split_lines(text);
}

std::vector<std::string> script::read_file(const std::string& path)
{
    // Opening a FIFO (or a terminal) waits for a writer, which would hang
    // the window; only files and folders (which fail below) are opened.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw read_error(local8(QObject::tr("The file can't be read: %1").arg(QObject::tr("not a regular file"))));
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!read_all(in, text)) {
        const int reason = errno;
        throw read_error(local8(QObject::tr("The file can't be read: %1")
                                    .arg(reason ? QString::fromLocal8Bit(std::strerror(reason))
                                                : QObject::tr("unknown error"))));
    }
    return split_lines(text);
}

std::vector<std::string> script::map_lines(const script& s, const profiles::mmap_template& t)
{
    std::vector<std::string> lines{"Profile:" + std::to_string(s.profile)};
    for (std::string& piece : cut(t.header))
        lines.push_back(std::move(piece));
    for (const item& i : s.items) {
        if (i.kind == item::command_kind) {
            const command& c = std::get<1>(i.content);
            lines.push_back(std::to_string(c.address) + ", " + std::to_string(c.value) + "; //\t" + one_line(c.text));
        } else if (i.kind == item::comment_kind) {
            // Never as a command: that would write a register.
            lines.push_back("//" + one_line(std::get<0>(i.content).text));
        } else {
            lines.emplace_back();
        }
    }
    for (std::string& piece : cut(t.footer))
        lines.push_back(std::move(piece));
    return lines;
}

void script::write_map(std::ostream& out, const script& s, const profiles::mmap_template& t)
{
    for (const std::string& line : map_lines(s, t))
        out << line << '\n';
    out.flush();
    if (!out)
        throw std::runtime_error(QObject::tr("Unable to write the memory map file").toStdString());
}
