#include "output_text_edit.h"

#include "services/output_common.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

struct token_colour {
    const char* token;
    const char* colour;
};

// The level-0 token ("(hard)0") stays uncoloured.
const token_colour colours[] = {
    {"(dbg )1", "brown"}, {"(info)2", "green"}, {"(warn)3", "cyan"}, {"(err )4", "red"}, {"(crit)5", "black"},
};

} // namespace

output_text_edit::output_text_edit(QTextEdit* edit)
    : edit_(edit)
{
    // An undo history would keep every line ever shown, trimmed or not.
    if (edit_)
        edit_->document()->setUndoRedoEnabled(false);
}

QString output_text_edit::to_html(const QString& line)
{
    // Escaped first: a "<" in a logged script line must neither hide the
    // rest of the line nor become an element the window loads.
    QString html = line.toHtmlEscaped();
    for (const token_colour& c : colours) {
        const QString token = QLatin1String(c.token);
        html.replace(token, QStringLiteral("<font color=%1>%2</font>").arg(QLatin1String(c.colour), token));
    }
    // pre-wrap keeps runs of blanks and tabs, and still wraps long lines.
    return QStringLiteral("<span style=\"white-space:pre-wrap\">") + html + QStringLiteral("</span>");
}

void output_text_edit::do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti)
{
    if (!edit_)
        return;
    // The program's texts are in the local 8-bit encoding (translations
    // included), not Latin-1.
    const std::string bytes = cl::syslog::internal::message_to_str(m, ti);
    QString line = QString::fromLocal8Bit(bytes.data(), int(bytes.size()));
    // append() makes the paragraph; the line feed would add an empty one.
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    edit_->append(to_html(line));
    trim();
}

void output_text_edit::trim()
{
    QTextDocument* doc = edit_->document();
    const int excess = doc->blockCount() - max_lines;
    if (excess <= trim_lines)
        return;
    QTextCursor oldest(doc);
    oldest.movePosition(QTextCursor::Start);
    oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
    oldest.removeSelectedText();
}
