// Orbtool: the order-of-battle data file editor.
#include "ui/Application.h"
#include "ui/Icons.h"
#include "ui/Sdimain.h"
#include "ui/recovery/RecoveryFeature.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(ORBTOOL_VERSION);
    // As desktop programs take them: --help, --version, and a data file to open.
    QCommandLineParser options;
    options.setApplicationDescription("Orbtool: an editor for order-of-battle data files (ORB05, ORB12, ...).");
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument("FILE", "A data file to open, such as ORB12; its folder becomes the current one.",
                                  "[FILE]");
    options.process(app);
    // The desktop entry's name, so that the desktop ties the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName("org.orbtool.Orbtool");
    QApplication::setWindowIcon(EmblemIcon());
    std::unique_ptr<TSDIAppForm> window(CreateOrbtoolWindows());
    window->show();
    if (!options.positionalArguments().isEmpty())
        window->openPath(options.positionalArguments().front());
    // Work that a crash or a kill left unsaved, for files this window has not just opened.
    window->findChild<RecoveryFeature*>()->offerRecovery();
    return app.exec();
}
