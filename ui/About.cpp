#include "ui/About.h"

#include "ui/Icons.h"

#include <QLabel>
#include <QPushButton>

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutBox");
    setWindowTitle("About Orbtool");
    setFixedSize(298, 180);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setPixmap(EmblemPixmap(devicePixelRatioF()));
    ProgramIcon->setGeometry(16, 16, 64, 64);
    auto* product = new QLabel("Orbtool", this);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    product->setFont(big);
    product->setGeometry(96, 20, 190, 24);
    Version = new QLabel("Version 1.00 BETA 03", this);
    Version->setObjectName("Version");
    Version->setGeometry(96, 52, 190, 20);
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(111, 136, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}
