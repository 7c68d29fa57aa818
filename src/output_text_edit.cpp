#include "output_text_edit.h"

#include <QTextEdit>

output_text_edit::output_text_edit(QTextEdit* edit) : edit_(edit) {}

output_text_edit::~output_text_edit() = default;

void output_text_edit::do_write(const cl::syslog::message&, const cl::syslog::thread_info&) {}
