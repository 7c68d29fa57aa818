// velmora-bench log: what a log line costs the shown log window, below its
// line cap and once the window is full.

#include "bench.h"

#include "output_text_edit.h"

#include "dorvane/syslog.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QElapsedTimer>
#include <QWindow>

#include <boost/make_shared.hpp>

#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace bench {

namespace {

cl::syslog::module ___syslog("main");

// One line as polling logs it, through the logging core; events run after
// it, so the window's layout and painting count as they do in the program.
double timed_line(long n)
{
    const auto t0 = clock::now();
    VLOG(cl::syslog::info) << "===>  Main profile update finished " << n;
    QCoreApplication::processEvents();
    return micros(clock::now() - t0);
}

void print_row(const char* what, const stats& s)
{
    std::printf("%-22s %9.3f %9.3f %9.3f %9.3f\n", what, s.mean / 1000, s.median / 1000, s.p95 / 1000, s.max / 1000);
}

} // namespace

void usage_log(std::ostream& os)
{
    os << "Usage: velmora-bench log [--lines N]\n\n"
          "Shows a log window as the main window makes it (700 x 300) and logs lines\n"
          "into it through the logging core, processing events after every line.\n"
          "Times N lines while the window holds fewer lines than its cap, fills it\n"
          "to the cap, then times N lines at the cap. Exits with 1 when a line at\n"
          "the cap costs more than twice a line below it (mean), or when the window\n"
          "does not hold the newest lines within its bounds. Set QT_QPA_PLATFORM or\n"
          "DISPLAY for a real screen (the default is offscreen).\n\n"
          "  --lines N   timed lines below and at the cap (default 3000)\n";
}

int run_log(const std::vector<std::string>& args)
{
    long lines = 3000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lines")
            take_number(args, i, 100, output_text_edit::max_lines, lines);
        else
            throw usage_error{"unknown option " + args[i]};
    }

    QTextEdit edit;
    edit.setWindowTitle(QStringLiteral("Log"));
    edit.resize(700, 300);
    edit.show();
    QElapsedTimer waited;
    waited.start();
    while (!(edit.windowHandle() && edit.windowHandle()->isExposed())) {
        if (waited.elapsed() > 5000)
            throw std::runtime_error("the log window was not shown");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    cl::syslog::logman().output_add(boost::make_shared<output_text_edit>(&edit));

    long n = 0;
    std::vector<double> below;
    const long start = output_text_edit::max_lines / 2 - lines / 2;
    while (n < start)
        timed_line(n++);
    for (long i = 0; i < lines; ++i)
        below.push_back(timed_line(n++));

    while (n < output_text_edit::max_lines + output_text_edit::trim_lines)
        timed_line(n++);
    std::vector<double> at_cap;
    for (long i = 0; i < lines; ++i)
        at_cap.push_back(timed_line(n++));

    const stats b = summarize(below);
    const stats c = summarize(at_cap);
    std::printf("log window (%s), %ld lines each, shown\n\n", qPrintable(QGuiApplication::platformName()), lines);
    std::printf("%-22s %9s %9s %9s %9s\n", "", "mean ms", "median", "p95", "max");
    print_row("below the cap", b);
    print_row("at the cap", c);
    const double ratio = b.mean > 0 ? c.mean / b.mean : 0;
    const int kept = edit.document()->blockCount();
    std::printf("\nat the cap / below: %.2f (goal <= 2); lines kept %d (%d to %d)\n", ratio, kept,
                output_text_edit::max_lines, output_text_edit::max_lines + output_text_edit::trim_lines);

    const bool bounded = kept >= output_text_edit::max_lines &&
                         kept <= output_text_edit::max_lines + output_text_edit::trim_lines &&
                         edit.document()->lastBlock().text().endsWith(QString::number(n - 1));
    if (!bounded)
        std::printf("the window does not hold the newest lines within its bounds\n");
    return ratio <= 2 && bounded ? 0 : 1;
}

} // namespace bench
