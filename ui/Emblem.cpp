#include "ui/Emblem.h"

#include <QColor>
#include <QPainter>

namespace {
// The drawing on a 64-unit grid: three framed, crossed rectangles, each a shade greener.
struct Symbol {
    double x, y, w, h;
    QColor fill;
};

Symbol symbol(int i)
{
    return {8.0 + i * 4, 8.0 + i * 12, 40, 22, QColor(90 + i * 40, 120, 70)};
}
}  // namespace

void PaintEmblem(QPainter& p, double size)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    for (int i = 0; i < 3; ++i) {
        Symbol s = symbol(i);
        QRectF r(s.x, s.y, s.w, s.h);
        p.setBrush(s.fill);
        p.setPen(QPen(Qt::black, 2));
        p.drawRect(r);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
    }
    p.restore();
}

QString EmblemSvg()
{
    QString svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
                  "  <g stroke=\"#000000\" stroke-width=\"2\">\n";
    for (int i = 0; i < 3; ++i) {
        Symbol s = symbol(i);
        svg += QString("    <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n"
                       "    <path d=\"M%1 %2 L%6 %7 M%1 %7 L%6 %2\" fill=\"none\"/>\n")
                   .arg(s.x)
                   .arg(s.y)
                   .arg(s.w)
                   .arg(s.h)
                   .arg(s.fill.name())
                   .arg(s.x + s.w)
                   .arg(s.y + s.h);
    }
    return svg + "  </g>\n</svg>\n";
}
