#include "test_main.h"

#include "output_text_edit.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace {

void log(output_text_edit& out, cl::syslog::level_t level, const std::string& text)
{
    out.write(cl::syslog::message(level, "main", text), cl::syslog::thread_info());
}

QString last_line(const QTextEdit& edit)
{
    return edit.document()->lastBlock().text();
}

// The colour the text at `pos` of the last paragraph is drawn in; invalid
// for the edit's default.
QColor colour_at(const QTextEdit& edit, int pos)
{
    const QTextBlock b = edit.document()->lastBlock();
    QTextCursor c(b);
    c.setPosition(b.position() + pos + 1);
    const QTextCharFormat f = c.charFormat();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor();
}

} // namespace

class tst_output_text_edit : public QObject {
    Q_OBJECT
private slots:
    void text_is_shown_as_written();
    void level_tokens_coloured();
    void decoded_in_local_encoding();
    void window_keeps_newest_lines();
    void gone_window_drops_lines();
};

void tst_output_text_edit::text_is_shown_as_written()
{
    QTextEdit edit;
    output_text_edit out(&edit);

    // A parse error quoting a script line: nothing of it may become an
    // element (an image the window would load) or swallow what follows.
    const std::string text = "Error in line 3 : illformed expression: <img src=/tmp/fifo> a  &amp;\tb < c";
    log(out, cl::syslog::err, text);
    const QString shown = last_line(edit);
    QVERIFY2(shown.endsWith(QStringLiteral("main: ") + QString::fromStdString(text)), qPrintable(shown));
    QVERIFY(!edit.toHtml().contains(QLatin1String("<img")));

    // One paragraph per line, no empty ones from the line feeds.
    log(out, cl::syslog::info, "two   blanks");
    QCOMPARE(edit.document()->blockCount(), 2);
    QVERIFY(last_line(edit).endsWith(QLatin1String("main: two   blanks")));

    const QString html = output_text_edit::to_html(QStringLiteral("x (info)2 <b>&"));
    QVERIFY2(html.contains(QLatin1String("&lt;b&gt;&amp;")), qPrintable(html));
    QVERIFY(html.contains(QLatin1String("<font color=green>(info)2</font>")));
}

void tst_output_text_edit::level_tokens_coloured()
{
    QTextEdit edit;
    output_text_edit out(&edit);
    const struct {
        cl::syslog::level_t level;
        const char* token;
        QColor colour;
    } cases[] = {
        {cl::syslog::dbg, "(dbg )1", QColor("brown")}, {cl::syslog::info, "(info)2", QColor("green")},
        {cl::syslog::warn, "(warn)3", QColor("cyan")}, {cl::syslog::err, "(err )4", QColor("red")},
        {cl::syslog::crit, "(crit)5", QColor("black")}, {cl::syslog::hard, "(hard)0", QColor()},
    };
    for (const auto& c : cases) {
        log(out, c.level, "device connected");
        const QString line = last_line(edit);
        const int at = line.indexOf(QLatin1String(c.token));
        QVERIFY2(at > 0, qPrintable(line));
        QCOMPARE(colour_at(edit, at), c.colour);
        QCOMPARE(colour_at(edit, at + 6), c.colour);
        // The rest of the line keeps the default colour.
        QCOMPARE(colour_at(edit, at + 8), QColor());
        QCOMPARE(colour_at(edit, 0), QColor());
    }
}

void tst_output_text_edit::decoded_in_local_encoding()
{
    QTextCodec* const saved = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("KOI8-R"));
    QTextEdit edit;
    output_text_edit out(&edit);
    const QString russian = QStringLiteral("Устройство отключено");
    log(out, cl::syslog::info, russian.toLocal8Bit().toStdString());
    QTextCodec::setCodecForLocale(saved);
    QVERIFY2(last_line(edit).endsWith(russian), qPrintable(last_line(edit)));
}

void tst_output_text_edit::window_keeps_newest_lines()
{
    // Shown, as it is in the program: a hidden edit lays nothing out.
    QTextEdit edit;
    edit.resize(700, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    output_text_edit out(&edit);

    const int cap = output_text_edit::max_lines + output_text_edit::trim_lines;
    const int total = cap + 2 * output_text_edit::trim_lines + 30;
    for (int i = 0; i < total; ++i) {
        log(out, cl::syslog::dbg, "tick " + std::to_string(i));
        const int count = edit.document()->blockCount();
        if (count > cap || (i >= output_text_edit::max_lines && count < output_text_edit::max_lines))
            QFAIL(qPrintable(QStringLiteral("%1 lines after line %2").arg(count).arg(i)));
        if (i % 1000 == 0)
            QCoreApplication::processEvents();
    }

    // Whole lines, the newest, in order, up to the last one logged.
    const QRegularExpression tick(QStringLiteral("main: tick (\\d+)$"));
    int expected = total - edit.document()->blockCount();
    for (QTextBlock b = edit.document()->firstBlock(); b.isValid(); b = b.next()) {
        const QRegularExpressionMatch m = tick.match(b.text());
        QVERIFY2(m.hasMatch(), qPrintable(b.text()));
        QCOMPARE(m.captured(1).toInt(), expected++);
    }
    QCOMPARE(expected, total);
    QVERIFY(!edit.document()->isUndoAvailable());
}

void tst_output_text_edit::gone_window_drops_lines()
{
    auto edit = std::make_unique<QTextEdit>();
    output_text_edit out(edit.get());
    log(out, cl::syslog::info, "before");
    edit.reset();
    log(out, cl::syslog::info, "after");
}

VELMORA_TEST_MAIN(tst_output_text_edit)
#include "tst_output_text_edit.moc"
