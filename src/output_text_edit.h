#pragma once
// The log window's log output: every line that passes the log threshold,
// shown in a text edit.

#include "dorvane/syslog.h"

#include <QPointer>

class QTextEdit;

class output_text_edit : public cl::syslog::output {
public:
    explicit output_text_edit(QTextEdit* edit);
    ~output_text_edit() override;

protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti) override;

private:
    // The log window may go before the log manager lets go of its outputs.
    QPointer<QTextEdit> edit_;
};
