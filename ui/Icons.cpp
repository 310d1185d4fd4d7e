#include "ui/Icons.h"

#include <QImage>

// The resource lives in a static library: nothing else would pull its registration into a program.
// (Outside any namespace: the macro declares the registering function where it stands.)
static void useIcons()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

QIcon EmblemIcon()
{
    useIcons();
    QIcon icon;
    for (int size : {48, 256})
        icon.addFile(QString(":/icons/orbtool-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap EmblemPixmap(qreal devicePixelRatio)
{
    useIcons();
    QPixmap pm(devicePixelRatio > 1 ? ":/icons/orbtool-128.png" : ":/icons/orbtool-64.png");
    pm.setDevicePixelRatio(pm.width() / 64.0);
    return pm;
}

// The glyph files are drawn in three tones of a light palette, each pixel exactly one of them or
// a colour of its own (the clipboard's); at load each tone becomes the palette's colour for its
// role, so that the glyphs show on a dark palette as on a light one.
QIcon GlyphIcon(const QString& name, const QPalette& palette)
{
    useIcons();
    const std::pair<QRgb, QPalette::ColorRole> tones[] = {
        {qRgb(0, 0, 0), QPalette::ButtonText}, {qRgb(255, 255, 255), QPalette::Base}, {qRgb(239, 239, 239), QPalette::Button}};
    QIcon icon;
    for (const char* scale : {"", "@2x"}) {
        QImage image = QImage(":/icons/" + name + scale + ".png").convertToFormat(QImage::Format_ARGB32);
        image.setDevicePixelRatio(1);  // both sizes to the icon, which picks one for the screen
        for (int y = 0; y < image.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                for (const auto& [tone, role] : tones)
                    if (line[x] == tone)
                        line[x] = palette.color(role).rgb();
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
