// The program's icons, kept as image files in a Qt resource (ui/icons/icons.qrc): the emblem, also
// installed as the desktop's icon, and the tool bar glyphs the style has no standard icon for.
#pragma once

#include <QIcon>
#include <QPalette>
#include <QPixmap>

// The emblem at 48 and 256 pixels, for the window's icon.
QIcon EmblemIcon();
// The emblem at 64 pixels (128 on a screen of twice the density), for the About box.
QPixmap EmblemPixmap(qreal devicePixelRatio);
// A tool bar glyph ("copy", "paste", "print") at 1x and 2x, in the tones of palette.
QIcon GlyphIcon(const QString& name, const QPalette& palette);
