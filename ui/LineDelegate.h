// Draws the lines of the long lists (249 entries, 66 files, the pick list): one line of plain text
// each, laid out once and kept, since laying out every visible line again at each repaint was
// the larger part of what a step through the entries cost.
#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    mutable QHash<QString, QStaticText> laid_;
};
