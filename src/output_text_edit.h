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
    static constexpr int max_lines = 20000;

    // Caps `edit` at max_lines paragraphs. The edit is not owned: once it
    // is gone, lines are dropped here and still reach the other outputs.
    explicit output_text_edit(QTextEdit* edit);

    // One log line (without its line feed) as the rich text of one
    // paragraph: the text shown as written, blanks and markup characters
    // included, with the level tokens coloured.
    static QString to_html(const QString& line);

protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti) override;

private:
    QPointer<QTextEdit> edit_;
};
