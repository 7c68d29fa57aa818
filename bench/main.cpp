// velmora-bench <command> [options]: see usage().

#include "bench.h"

#include "dorvane/syslog.h"

#include <QApplication>

#include <iostream>

namespace {

const std::vector<bench::command>& commands()
{
    static const std::vector<bench::command> table = {
        {"read", "read registers over each back end, against the wire-time model", bench::run_read,
         bench::usage_read},
        {"update", "one device update of a spread watch list, against the wire-time model", bench::run_update,
         bench::usage_update},
        {"memory", "the raw memory editor's table and its whole-space pass, against the wire-time model",
         bench::run_memory, bench::usage_memory},
        {"window", "the program's start, and the main window connecting, paging and polling", bench::run_window,
         bench::usage_window},
        {"log", "what a log line costs the shown log window, below and at its line cap", bench::run_log,
         bench::usage_log},
    };
    return table;
}

void usage(std::ostream& os)
{
    os << "Usage: velmora-bench <command> [options]\n"
          "       velmora-bench help [command]\n\n"
          "Runs a benchmark against the simulated driver. Commands:\n";
    for (const auto& c : commands())
        os << "  " << c.name << std::string(10 - std::min<std::size_t>(9, std::string(c.name).size()), ' ')
           << c.summary << '\n';
}

const bench::command* find(const std::string& name)
{
    for (const auto& c : commands())
        if (name == c.name)
            return &c;
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    // The window benchmark makes widgets; nothing is shown on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's own threshold: reads log nothing, writes do.
    cl::syslog::logman().level_set(cl::syslog::info);

    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage(std::cerr);
        return 2;
    }
    if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        const bench::command* c = args.size() > 1 ? find(args[1]) : nullptr;
        if (c)
            c->usage(std::cout);
        else
            usage(std::cout);
        return 0;
    }
    const bench::command* c = find(args[0]);
    if (!c) {
        std::cerr << "velmora-bench: no such command: " << args[0] << "\n\n";
        usage(std::cerr);
        return 2;
    }
    try {
        return c->run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const bench::usage_error& e) {
        std::cerr << "velmora-bench " << c->name << ": " << e.text << "\n\n";
        c->usage(std::cerr);
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "velmora-bench " << c->name << ": " << e.what() << '\n';
        return 1;
    }
}
