// The program's touches on the platform's style: how long a hint waits, edit frames drawn
// without antialiasing, and what it draws kept as pictures.
#pragma once

#include <QColor>

// While one lives, the text the program's style draws lies on a plain background of this colour
// (a caption on its panel), so that the style may keep it as a picture.
class PlainBackdrop {
public:
    explicit PlainBackdrop(const QColor& colour);
    ~PlainBackdrop();
    PlainBackdrop(const PlainBackdrop&) = delete;
    PlainBackdrop& operator=(const PlainBackdrop&) = delete;

private:
    QColor colour_;
    const QColor* outer_;
};

class QLineEdit;
class QRect;
// Where the panel of an edit at rest is one plain colour, as the program's style draws it: text
// there may be drawn from a picture on that colour. Empty when the style draws it otherwise.
QRect PlainEditArea(const QLineEdit* edit);

// Installs the program's style over the application's current one (once) and the hint colours.
void InstallOrbtoolStyle();
