// Pictures kept in a cache of QImages, made when missing. The style and the entry lists keep
// what they drew this way so that a repaint copies pixels instead of drawing them again.
#pragma once

#include <QCache>
#include <QImage>

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
