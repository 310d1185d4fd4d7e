// Writes the program's icons from the emblem the About box draws: orbicon DIR writes
// orbtool.svg, orbtool-48.png and orbtool-256.png into DIR.
#include "ui/Emblem.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orbicon DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int size : {48, 256}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        PaintEmblem(p, size);
        p.end();
        if (!image.save(QString("%1/orbtool-%2.png").arg(dir).arg(size)))
            return 2;
    }
    QFile svg(dir + "/orbtool.svg");
    if (!svg.open(QIODevice::WriteOnly) || svg.write(EmblemSvg().toUtf8()) < 0)
        return 2;
    return 0;
}
