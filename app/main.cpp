// Orbtool: the order-of-battle data file editor.
#include "ui/Application.h"
#include "ui/Emblem.h"
#include "ui/Sdimain.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The desktop entry's name, so that the desktop ties the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName("org.orbtool.Orbtool");
    QPixmap icon(256, 256);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        PaintEmblem(p, 256);
    }
    QApplication::setWindowIcon(QIcon(icon));
    std::unique_ptr<TSDIAppForm> window(CreateOrbtoolWindows());
    window->show();
    return app.exec();
}
