// Draws the lines of the entry lists (249 entries each): one line of plain text each. A line is
// drawn once into a picture, over its own background, and the picture is shown again at every
// repaint: drawing the letters was the larger part of what showing a page or scrolling cost.
#pragma once

#include <QCache>
#include <QFont>
#include <QImage>
#include <QStyledItemDelegate>

// What a line's picture shows.
struct LineKey {
    int width, height;
    QRgb back, ink;
    QString text;
    bool operator==(const LineKey& o) const
    {
        return width == o.width && height == o.height && back == o.back && ink == o.ink && text == o.text;
    }
};
size_t qHash(const LineKey& k, size_t seed = 0);

class LineDelegate : public QStyledItemDelegate {
public:
    explicit LineDelegate(QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static void drawText(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                         const QString& text, const QColor& colour);

    mutable QFont font_;                      // the font the kept pictures were drawn in
    mutable QCache<LineKey, QImage> kept_;  // costs in KiB
};
