// Draws the lines of the entry lists (249 entries each): one line of plain text each. A line is
// drawn once into a picture, over its own background, and the picture is shown again at every
// repaint: drawing the letters was the larger part of what showing a page or scrolling cost.
#pragma once

#include <QCache>
#include <QFont>
#include <QImage>
#include <QStyledItemDelegate>

class LineDelegate : public QStyledItemDelegate {
public:
    explicit LineDelegate(QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static void drawText(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                         const QString& text, const QColor& colour);

    mutable QFont font_;                      // the font the kept pictures were drawn in
    mutable QCache<QString, QImage> kept_;  // costs in KiB
};
