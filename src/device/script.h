#pragma once
// Command scripts and memory-map files: a "Profile:" header line, then
// comments, empty lines and commands "address, value;" with an optional
// trailing remark.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace profiles {
struct mmap_template;
}

struct script {
    typedef unsigned short u16;

    struct comment {
        // Everything after the comment markers, as written.
        std::string text;
    };

    struct command {
        u16 address = 0;
        u16 value = 0;
        // The trailing remark, trimmed; empty when there is none.
        std::string text;
    };

    struct item {
        enum { comment_kind = 0, command_kind = 1, empty_kind = 2 };

        int kind = empty_kind;
        std::tuple<comment, command> content;
    };

    u16 profile = 0;
    std::vector<item> items;

    // Classifies one line (without its line end). Throws std::runtime_error
    // "illformed expression: <line>" for anything else.
    static item parse(const std::string& line);
    // Parses a whole file, header first. Throws std::runtime_error with a
    // translated text naming the failing line.
    static script parse(const std::vector<std::string>& lines);

    // Splits a file's text into lines: at line feeds, a carriage return
    // before a line feed dropped with it, a last line without a line feed
    // kept, the empty rest after a final line feed not a line.
    static std::vector<std::string> split_lines(const std::string& text);
    // The same for everything left in a stream; nothing when it can't be read
    // (a directory opens as a stream but fails on its first read).
    static std::vector<std::string> read_lines(std::istream& in);

    // A file that can't be opened or read, as opposed to one that reads but
    // is no script (which parse refuses). The text is the system's reason.
    struct read_error : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    // The lines of the file at `path`. Throws read_error when it can't be
    // opened or read; an empty file has no lines.
    static std::vector<std::string> read_file(const std::string& path);

    // The lines of a memory-map file (without line ends) for a dump and the
    // profile's template: "Profile:<id>", the header, one line per item, the
    // footer.
    static std::vector<std::string> map_lines(const script& s, const profiles::mmap_template& t);
    // Writes those lines, each ended by a line feed. Throws std::runtime_error
    // when the stream fails.
    static void write_map(std::ostream& out, const script& s, const profiles::mmap_template& t);
};
