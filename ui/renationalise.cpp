#include "ui/renationalise.h"

#include "core/EditRules.h"
#include "core/Globals.h"
#include "ui/Picker.h"
#include "ui/Text.h"
#include "ui/Widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

TRenatDlg* RenatDlg = nullptr;

TRenatDlg::TRenatDlg(QWidget* parent) : QDialog(parent)
{
    setUpDialog(this, "RenatDlg", "Renationalise Dialogue", 330, 142, 449, 306);
    auto label = [this](const char* name, const QString& text, int left, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->move(left, top);
        l->resize(220, l->sizeHint().height());
        return l;
    };
    Label1 = label("Label1", "Current Orb :", 24, 16);
    Label2 = label("Label2", "Change any", 24, 50);
    Label2->resize(70, Label2->height());
    Label4 = label("Label4", "", 144, 50);
    Label3 = label("Label3", "To", 72, 74);
    Label3->resize(20, Label3->height());
    Label5 = label("Label5", "", 144, 74);
    RenatFromEdit = lineEdit(this, "RenatFromEdit", 2, 96, 48, 22);
    RenatToEdit = lineEdit(this, "RenatToEdit", 2, 96, 72, 22);
    UnitWpn1PickBtn = pickButton(this, "UnitWpn1PickBtn", 120, 47);
    SpeedButton1 = pickButton(this, "SpeedButton1", 120, 71);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), "Renumber", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(72, 104, 97, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(248, 16, 75, 25);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, RenatFromEdit);
    setTabOrder(RenatFromEdit, RenatToEdit);

    // The nation names follow the codes as they are typed or picked.
    auto follow = [](QLineEdit* edit, QLabel* label) {
        connect(edit, &QLineEdit::textChanged, label, [edit, label] {
            label->setText(toQ(GetNationName(NumberFromText(99, FieldWidth::U8, fromQ(edit->text())))));
        });
    };
    follow(RenatFromEdit, Label4);
    follow(RenatToEdit, Label5);
    connect(BitBtn1, &QPushButton::clicked, this, &TRenatDlg::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(UnitWpn1PickBtn, &QToolButton::clicked, this, &TRenatDlg::UnitWpn1PickBtnClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TRenatDlg::SpeedButton1Click);
}

void TRenatDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    BitBtn1->setFocus();
}

void TRenatDlg::init(uint8_t n)
{
    RenatFileNumber = n;
    Presses.clear();
    Label1->setText("Current Orb : " + QString("%1").arg(n, 2, 10, QChar('0')) + " - " + toQ(GetNationName(n)));
    RenatFromEdit->setText(QString::number(n));
    RenatToEdit->setText(QString::number(n));
}

void TRenatDlg::BitBtn1Click()
{
    auto code = [](QLineEdit* e) { return static_cast<uint8_t>(NumberFromText(99, FieldWidth::U8, fromQ(e->text()))); };
    const uint8_t from = code(RenatFromEdit), to = code(RenatToEdit);
    if (beforeRenumber && !beforeRenumber(from, to))
        return;
    Presses.push_back(RenumberNation(Orb, from, to));
    if (Presses.back().changed())
        emit renumbered(Presses.back());
}

void TRenatDlg::UnitWpn1PickBtnClick()
{
    pickInto(pmNationality, RenatFromEdit);
}

void TRenatDlg::SpeedButton1Click()
{
    pickInto(pmNationality, RenatToEdit);
}

void TRenatDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F4 && RenatFromEdit->hasFocus())
        UnitWpn1PickBtnClick();
    else if (e->key() == Qt::Key_F4 && RenatToEdit->hasFocus())
        SpeedButton1Click();
    else
        QDialog::keyPressEvent(e);
}
