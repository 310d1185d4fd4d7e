// The program's emblem: three stacked unit symbols, as on a map. The About box, the window icon
// and the installed icons all come from this one drawing.
#pragma once

#include <QString>

class QPainter;

// Paints the emblem into a square of side size, from its top-left corner.
void PaintEmblem(QPainter& p, double size);
// The same drawing as an SVG document.
QString EmblemSvg();
