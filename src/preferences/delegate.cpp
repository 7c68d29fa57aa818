#include "preferences/delegate.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionViewItem>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace {

const QSize icon_size(32, 32);

QPixmap pixmap_of(const QModelIndex& index)
{
    return qvariant_cast<QIcon>(index.data(Qt::DecorationRole)).pixmap(icon_size, QIcon::Normal, QIcon::Off);
}

// Breaks the text into lines of at most `width` pixels, one below the other.
void lay_out(QTextLayout& layout, int width)
{
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

} // namespace

KLikeListViewDelegate::KLikeListViewDelegate(QObject* parent) : QAbstractItemDelegate(parent) {}

KLikeListViewDelegate::~KLikeListViewDelegate() = default;

QSize KLikeListViewDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.isValid())
        return QSize(0, 0);

    const QString text = index.data(Qt::DisplayRole).toString();
    const QPixmap pixmap = pixmap_of(index);
    const int fh = QFontMetrics(option.font).height();

    int iw = pixmap.width();
    int ih = pixmap.height();
    // A row without an icon keeps the icon's room, so that rows line up.
    if (ih == 0)
        iw = ih = icon_size.height();

    const int wrap = std::max(8 * fh, 3 * iw);
    QTextLayout layout(text, option.font);
    lay_out(layout, wrap);

    int text_width = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        text_width = std::max(text_width, qRound(layout.lineAt(i).naturalTextWidth() + 0.5));
    const int text_height = static_cast<int>(layout.boundingRect().height());

    const int width = std::max(text_width, iw) + fh;
    const int height = text.isEmpty() ? ih : ih + text_height + 10;
    return QSize(width, height);
}

void KLikeListViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    if (!index.isValid())
        return;

    const QString text = index.data(Qt::DisplayRole).toString();
    const QPixmap pixmap = pixmap_of(index);
    const int iw = pixmap.width();
    const int ih = pixmap.height();
    const int fh = painter->fontMetrics().height();

    const int wrap = std::max(8 * fh, 3 * iw);
    QTextLayout layout(text, option.font);
    QTextOption text_option;
    text_option.setAlignment(Qt::AlignHCenter);
    layout.setTextOption(text_option);
    lay_out(layout, wrap);

    const QPen pen = painter->pen();

    QPalette::ColorGroup group;
    if (!(option.state & QStyle::State_Enabled))
        group = QPalette::Disabled;
    else if (option.state & QStyle::State_Active)
        group = QPalette::Active;
    else
        group = QPalette::Inactive;

    QStyleOptionViewItem panel(option);
    panel.showDecorationSelected = true;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, option.widget);

    painter->setPen(option.palette.color(
        group, (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));

    const QRect& r = option.rect;
    painter->drawPixmap(r.x() + r.width() / 2 - iw / 2, r.y() + 5, pixmap);
    if (!text.isEmpty())
        layout.draw(painter, QPointF(r.x() + r.width() / 2 - wrap / 2, r.y() + ih + 7));

    painter->setPen(pen);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.state |= QStyle::State_KeyboardFocusChange;
        const QPalette::ColorGroup focus_group =
            (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        focus.backgroundColor = option.palette.color(
            focus_group, (option.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
        QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter);
    }
}
