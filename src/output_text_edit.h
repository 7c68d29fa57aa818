#pragma once
// The log output behind the main window's log window: every line the
// program logs, its level token coloured.

#include "dorvane/syslog.h"

#include <QPointer>
#include <QString>

class QTextEdit;

class output_text_edit : public cl::syslog::output {
public:
    // Polling logs a line per tick for as long as the program runs; the
    // window keeps only the newest lines (the supervisor's file keeps all).
    // Dropping old lines makes the edit lay out all it holds again, so they
    // go trim_lines at a time: the window holds max_lines to
    // max_lines + trim_lines lines.
    static constexpr int max_lines = 20000;
    static constexpr int trim_lines = 1000;

    // The edit is not owned: once it is gone, lines are dropped here and
    // still reach the other outputs.
    explicit output_text_edit(QTextEdit* edit);

    // One log line (without its line feed) as the rich text of one
    // paragraph: the text shown as written, blanks and markup characters
    // included, with the level tokens coloured.
    static QString to_html(const QString& line);

protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti) override;

private:
    // Drops the oldest lines once the edit holds more than it may.
    void trim();

    QPointer<QTextEdit> edit_;
};
