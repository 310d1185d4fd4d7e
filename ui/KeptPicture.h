// Pictures kept in a cache of QImages, made when missing. The style and the entry lists keep
// what they drew this way so that a repaint copies pixels instead of drawing them again.
#pragma once

#include <QCache>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <QWidget>
#include <QtMath>

// The picture kept under key, made by make() and kept when there is none. The copy returned
// shares its pixels with the kept one and stays valid whatever the cache later drops.
template <class Key, class Make>
QImage KeptPicture(QCache<Key, QImage>& cache, const Key& key, Make make)
{
    if (const QImage* kept = cache.object(key))
        return *kept;
    QImage made = make();
    cache.insert(key, new QImage(made), int(made.sizeInBytes() / 1024) + 1);  // costs in KiB
    return made;
}

// A kept picture of a laid-out text: its layout, where within the picture the text starts (in
// 64ths of a pixel), its colour and its background's. Whoever drops a layout drops the pictures
// kept under it too.
struct TextPictureKey {
    const QTextLayout* laid;
    int x, y;
    QRgb ink, back;
    bool operator==(const TextPictureKey& o) const
    {
        return laid == o.laid && x == o.x && y == o.y && ink == o.ink && back == o.back;
    }
};
inline size_t qHash(const TextPictureKey& k, size_t seed = 0)
{
    return qHashMulti(seed, quintptr(k.laid), k.x, k.y, k.ink, k.back);
}

// Where the picture of a text laid out at `at`, width by height, lies: a few pixels past the text
// for letters that overhang.
inline QRect TextPictureRect(const QPointF& at, qreal width, qreal height)
{
    constexpr int overhang = 3;
    return {qFloor(at.x()) - overhang, qFloor(at.y()), qCeil(width) + 2 * overhang + 1, qCeil(height) + 1};
}

// Draws laid at `at` in the painter's pen through a picture of it on the plain backdrop it lies
// on: drawing letters costs several times copying a picture of them.
inline void DrawTextPicture(QCache<TextPictureKey, QImage>& cache, QPainter* painter, const QTextLayout& laid,
                            const QPointF& at, qreal width, qreal height, const QColor& backdrop)
{
    if (painter->device()->devicePixelRatio() != 1)
        return laid.draw(painter, at);
    const QRect place = TextPictureRect(at, width, height);
    const QPointF within = at - place.topLeft();  // keeps the fraction of a pixel the letters start at
    const TextPictureKey key{&laid, qRound(within.x() * 64), qRound(within.y() * 64), painter->pen().color().rgba(),
                             backdrop.rgba()};
    painter->drawImage(place.topLeft(), KeptPicture(cache, key, [&] {
        QImage picture(place.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(backdrop);
        QPainter p(&picture);
        p.setPen(painter->pen());
        laid.draw(&p, within);
        p.end();
        return picture;
    }));
}

// What a hidden stand-in, made like the widget shown, paints over the plain background the shown
// widget stands on. The stand-in gets the shown widget's size and its current colours in every
// colour group, since it knows no active window of its own. busy is set while it paints, so that
// it paints itself instead of going to its kept pictures.
inline QImage StandInPicture(QWidget* standIn, const QWidget* shown, const QColor& background, bool& busy)
{
    const QPalette::ColorGroup group = shown->palette().currentColorGroup();
    QPalette colours = shown->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        colours.setColor(QPalette::All, QPalette::ColorRole(role),
                         shown->palette().color(group, QPalette::ColorRole(role)));
    standIn->setPalette(colours);
    standIn->resize(shown->size());
    QImage picture(shown->size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(background);
    busy = true;
    standIn->render(&picture, QPoint(), QRegion(), {});
    busy = false;
    return picture;
}
