#include "ui/Application.h"

#include "core/PasteBuffers.h"
#include "ui/About.h"
#include "ui/Picker.h"
#include "ui/Sdimain.h"
#include "ui/paster.h"
#include "ui/renationalise.h"

#include <QCoreApplication>

TSDIAppForm* CreateOrbtoolWindows()
{
    QCoreApplication::setApplicationName("Orbtool");
    ClearPasteBuffers();
    auto* main = new TSDIAppForm;
    AboutBox = new TAboutBox(main);
    PickForm = new TPickForm(main);
    PasterDlg = new TPasterDlg(main);
    RenatDlg = new TRenatDlg(main);
    QObject::connect(main, &QObject::destroyed, [] {
        AboutBox = nullptr;
        PickForm = nullptr;
        PasterDlg = nullptr;
        RenatDlg = nullptr;
    });
    return main;
}
