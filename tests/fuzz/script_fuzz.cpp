// Feeds arbitrary bytes to the script parser as a file and line by line,
// and checks that whatever parses is written as a map that reads back the
// same.

#include "device/script.h"

#include "dorvane/profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "script_fuzz: %s\n", what);
        std::abort();
    }
}

void check_item(const script::item& i)
{
    const script::comment& c = std::get<0>(i.content);
    const script::command& d = std::get<1>(i.content);
    switch (i.kind) {
    case script::item::comment_kind:
        require(d.address == 0 && d.value == 0 && d.text.empty(), "comment with a command part");
        break;
    case script::item::command_kind:
        require(c.text.empty(), "command with a comment part");
        break;
    case script::item::empty_kind:
        require(c.text.empty() && d.address == 0 && d.value == 0 && d.text.empty(), "empty line with content");
        break;
    default:
        require(false, "unknown kind");
    }
}

std::string one_line(std::string s)
{
    for (char& c : s)
        if (c == '\n' || c == '\r')
            c = ' ';
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = script::split_lines(text);

    std::size_t total = 0;
    for (const std::string& l : lines) {
        require(l.find('\n') == std::string::npos, "line feed inside a line");
        total += l.size() + 1;
        try {
            check_item(script::parse(l));
        } catch (const std::runtime_error& e) {
            // what() ends at the line's first NUL byte, if any.
            const std::string expected = "illformed expression: " + l;
            require(std::string(e.what()) == expected.c_str(), "unexpected line error");
        }
    }
    require(total <= text.size() + 1, "lines longer than the text");

    try {
        check_item(script::parse(text));
    } catch (const std::runtime_error&) {
    }

    script s;
    try {
        s = script::parse(lines);
    } catch (const std::runtime_error& e) {
        require(*e.what() != '\0', "empty error text");
        return 0;
    }
    require(s.items.size() + 1 == lines.size(), "one item per line");
    for (const script::item& i : s.items)
        check_item(i);

    // An empty template adds one empty line before and after the items.
    const profiles::mmap_template t;
    script back;
    try {
        back = script::parse(script::map_lines(s, t));
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        require(false, "written map does not parse");
    }
    require(back.profile == s.profile, "profile changed");
    require(back.items.size() == s.items.size() + 2, "item count changed");
    for (std::size_t n = 0; n < s.items.size(); ++n) {
        const script::item& a = s.items[n];
        const script::item& b = back.items[n + 1];
        require(a.kind == b.kind, "kind changed");
        if (a.kind == script::item::command_kind) {
            const script::command& x = std::get<1>(a.content);
            const script::command& y = std::get<1>(b.content);
            require(x.address == y.address && x.value == y.value, "command changed");
            require(one_line(x.text) == y.text, "remark changed");
        } else if (a.kind == script::item::comment_kind) {
            require(one_line(std::get<0>(a.content).text) == std::get<0>(b.content).text, "comment changed");
        }
    }
    return 0;
}
