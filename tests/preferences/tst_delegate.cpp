#include "preferences/delegate.h"

#include "test_main.h"

#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTextLayout>

namespace {

QIcon square_icon(int side, Qt::GlobalColor colour)
{
    QPixmap pixmap(side, side);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QStyleOptionViewItem option_with(const QFont& font)
{
    QStyleOptionViewItem option;
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    return option;
}

// Height of one laid-out line of the font.
int line_height(const QFont& font)
{
    return static_cast<int>(QFontMetricsF(font).height());
}

bool has_pixel(const QImage& image, const QRect& area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
}

} // namespace

class tst_delegate : public QObject {
    Q_OBJECT

    QStandardItemModel model_;
    KLikeListViewDelegate delegate_;

    QModelIndex row(const QString& text, const QIcon& icon = QIcon())
    {
        auto* item = new QStandardItem(icon, text);
        model_.appendRow(item);
        return item->index();
    }

private slots:
    void cleanup() { model_.clear(); }

    void size_hints_follow_the_font()
    {
        QFont font = QApplication::font();
        font.setPixelSize(13);
        const QStyleOptionViewItem option = option_with(font);
        const int fh = QFontMetrics(font).height();

        QCOMPARE(delegate_.sizeHint(option, QModelIndex()), QSize(0, 0));

        // An icon alone: the icon and the font height beside it.
        QCOMPARE(delegate_.sizeHint(option, row("", square_icon(32, Qt::red))), QSize(32 + fh, 32));

        // A short name without icon still keeps the icon's room.
        const QSize short_name = delegate_.sizeHint(option, row("Ab"));
        QVERIFY(QFontMetrics(font).horizontalAdvance("Ab") < 32);
        QCOMPARE(short_name, QSize(32 + fh, 32 + line_height(font) + 10));

        // A small icon is not blown up; the text's row follows it.
        QCOMPARE(delegate_.sizeHint(option, row("", square_icon(16, Qt::red))), QSize(16 + fh, 16));

        // A long name wraps at eight font heights (more than three icons).
        QVERIFY(8 * fh > 96);
        const QString long_name = "Settings of the connection to the servo driver and of the update times";
        const QSize wrapped = delegate_.sizeHint(option, row(long_name, square_icon(32, Qt::red)));
        const int wrap = 8 * fh;
        QVERIFY(wrapped.width() - fh <= wrap + 1);
        QVERIFY(wrapped.width() - fh > wrap / 2);
        const int lines = (wrapped.height() - 32 - 10) / line_height(font);
        QVERIFY(lines >= 2);
        QCOMPARE(wrapped.height(), 32 + lines * line_height(font) + 10);

        // A bigger font makes everything bigger: nothing is fixed in pixels.
        QFont bigger = font;
        bigger.setPixelSize(26);
        const QSize big = delegate_.sizeHint(option_with(bigger), row("Ab"));
        const int text_width = static_cast<int>(QFontMetricsF(bigger).horizontalAdvance("Ab")) + 1;
        QCOMPARE(big.width(), std::max(text_width, 32) + QFontMetrics(bigger).height());
        QVERIFY(big.height() > short_name.height());
    }

    void paint_places_icon_and_colours()
    {
        QFont font = QApplication::font();
        font.setPixelSize(24);
        font.setStyleStrategy(QFont::NoAntialias);
        QPalette palette;
        palette.setColor(QPalette::Text, Qt::red);
        palette.setColor(QPalette::HighlightedText, Qt::green);
        palette.setColor(QPalette::Highlight, Qt::blue);

        const QModelIndex index = row("MMM", square_icon(32, Qt::magenta));
        QStyleOptionViewItem option = option_with(font);
        option.palette = palette;
        const QSize hint = delegate_.sizeHint(option, index);
        option.rect = QRect(QPoint(0, 0), hint + QSize(20, 0));
        const QRect text_area(0, 32 + 7, option.rect.width(), option.rect.height() - 32 - 7);

        auto render = [&](QStyle::State state) {
            QImage image(option.rect.size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setFont(font);
            option.state = state;
            delegate_.paint(&painter, option, index);
            painter.end();
            return image;
        };

        const QImage plain = render(QStyle::State_Enabled | QStyle::State_Active);
        const int mid = option.rect.width() / 2;
        QCOMPARE(plain.pixel(mid, 5 + 16), QColor(Qt::magenta).rgb());
        QCOMPARE(plain.pixel(mid - 16, 5), QColor(Qt::magenta).rgb());
        QVERIFY(plain.pixel(mid, 3) != QColor(Qt::magenta).rgb());
        QVERIFY(plain.pixel(mid - 17, 5 + 16) != QColor(Qt::magenta).rgb());
        QVERIFY(has_pixel(plain, text_area, QColor(Qt::red).rgb()));
        QVERIFY(!has_pixel(plain, text_area, QColor(Qt::green).rgb()));

        const QImage selected = render(QStyle::State_Enabled | QStyle::State_Active | QStyle::State_Selected);
        QVERIFY(has_pixel(selected, text_area, QColor(Qt::green).rgb()));
        QVERIFY(!has_pixel(selected, text_area, QColor(Qt::red).rgb()));
        QVERIFY(has_pixel(selected, QRect(0, 0, 4, 4), QColor(Qt::blue).rgb()));

        // A disabled view takes the disabled group's text colour.
        option.palette.setColor(QPalette::Disabled, QPalette::Text, Qt::darkCyan);
        const QImage disabled = render(QStyle::State_Active);
        QVERIFY(has_pixel(disabled, text_area, QColor(Qt::darkCyan).rgb()));

        // An invalid index paints nothing.
        QImage untouched(option.rect.size(), QImage::Format_RGB32);
        untouched.fill(Qt::white);
        QPainter painter(&untouched);
        delegate_.paint(&painter, option, QModelIndex());
        painter.end();
        QVERIFY(!has_pixel(untouched, untouched.rect(), QColor(Qt::magenta).rgb()));
    }
};

VELMORA_TEST_MAIN(tst_delegate)
#include "tst_delegate.moc"
