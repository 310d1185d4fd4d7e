// Orbtool: the order-of-battle data file editor.
#include "ui/Application.h"
#include "ui/Sdimain.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<TSDIAppForm> window(CreateOrbtoolWindows());
    window->show();
    return app.exec();
}
