#pragma once
// Draws a page list's rows as an icon of 32 x 32 at the top with the
// page's name wrapped and centred below it.

#include <QAbstractItemDelegate>

class KLikeListViewDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit KLikeListViewDelegate(QObject* parent = nullptr);
    ~KLikeListViewDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
