#include "ui/paster.h"

#include "core/Globals.h"
#include "ui/Text.h"
#include "ui/Widgets.h"

#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TPasterDlg* PasterDlg = nullptr;

TPasterDlg::TPasterDlg(QWidget* parent) : QDialog(parent)
{
    setUpDialog(this, "PasterDlg", "Copy/Paste Dialogue", 492, 407, 256, 104);

    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName("LabelStatus");
    LabelStatus->setGeometry(8, 8, 393, 16);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(8, 28, 393, 370);
    ListBox1 = new QListWidget(Panel1);
    ListBox1->setUniformItemSizes(true);  // one line each: only the first is measured
    ListBox1->setObjectName("ListBox1");
    // Fixed pitch, so that the source and nation columns line up under each other.
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(ListBox1);

    auto button = [this](const char* name, const QString& text, QStyle::StandardPixmap icon, int top) {
        auto* b = new QPushButton(style()->standardIcon(icon), text, this);
        b->setObjectName(name);
        b->setGeometry(408, top, 75, 25);
        return b;
    };
    OKBtn = button("OKBtn", "OK", QStyle::SP_DialogOkButton, 32);
    OKBtn->setDefault(true);
    CancelBtn = button("CancelBtn", "Cancel", QStyle::SP_DialogCancelButton, 72);
    CopyAllBtn = button("CopyAllBtn", "All", QStyle::SP_DialogYesToAllButton, 168);
    setHint(CopyAllBtn, "Copy all OR Paste all");
    BitBtn2 = button("BitBtn2", "Import", QStyle::SP_ArrowDown, 232);
    setHint(BitBtn2, "Import all paste buffer data as .csv");
    BitBtn2->setEnabled(false);
    BitBtn1 = button("BitBtn1", "Export", QStyle::SP_ArrowUp, 264);
    setHint(BitBtn1, "Export all paste buffer data as .csv");
    BitBtn1->setEnabled(false);
    setTabOrder(ListBox1, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, CopyAllBtn);

    connect(OKBtn, &QPushButton::clicked, this, &TPasterDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(CopyAllBtn, &QPushButton::clicked, this, &TPasterDlg::CopyAllBtnClick);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TPasterDlg::ListBox1DblClick);
}

void TPasterDlg::SelectUnitBuffer(uint8_t action, PasteBufferSlot<UnitRecord>& xfer)
{
    BufferAction = action;
    UnitXfer = &xfer;
    BufferKind = xkUnit;
    RefreshBufferList();
}

void TPasterDlg::SelectWeaponBuffer(uint8_t action, PasteBufferSlot<WeaponRecord>& xfer)
{
    BufferAction = action;
    WeaponXfer = &xfer;
    BufferKind = xkWeapon;
    RefreshBufferList();
}

void TPasterDlg::SelectFormationBuffer(uint8_t action, PasteBufferSlot<FormationRecord>& xfer)
{
    BufferAction = action;
    FormationXfer = &xfer;
    BufferKind = xkFormation;
    RefreshBufferList();
}

void TPasterDlg::RefreshBufferList()
{
    ClearBufferList();
    FillBufferList();
}

void TPasterDlg::ClearBufferList()
{
    ListBox1->clear();
}

void TPasterDlg::SetBufferPrompt()
{
    const char* kind = BufferKind == xkWeapon ? "weapon buffer " : BufferKind == xkUnit ? "unit buffer" : "formation buffer ";
    const char* action = BufferAction == xaPaste ? " to PASTE from" : " to COPY to";
    LabelStatus->setText(QString("Select ") + kind + action);
}

QString BufferLine(int n, const std::string& name, bool used, int32_t sourceFile)
{
    QString line = threeDigits(n) + ": ";
    line += (used ? toQ(name) : QString("*Unused*")).leftJustified(16, ' ');
    if (used)
        line += " [" + QString("%1").arg(sourceFile, 2, 10, QChar('0')) + "] " + " " +
                toQ(GetNationName(static_cast<uint16_t>(sourceFile)));
    else
        line += " [..]  ...";
    return line;
}

void TPasterDlg::FillBufferList()
{
    SetBufferPrompt();
    QStringList lines;
    auto add = [&lines](const auto& table) {
        int n = 1;
        for (const auto& slot : table) {
            lines << BufferLine(n, slot.Entry.Name, slot.Used, slot.SourceFile);
            ++n;
        }
    };
    if (BufferKind == xkWeapon)
        add(WeaponPasteBuffers);
    else if (BufferKind == xkUnit)
        add(UnitPasteBuffers);
    else
        add(FormationPasteBuffers);
    ListBox1->addItems(lines);
    ListBox1->setCurrentRow(0);
}

void TPasterDlg::OKBtnClick()
{
    QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (!selected.isEmpty()) {
        int n = ListBox1->row(selected.first()) + 1;
        bool copy = BufferAction == xaCopy;
        switch (BufferKind) {
        case xkWeapon: copy ? StoreWeaponSlot(n) : LoadWeaponSlot(n); break;
        case xkUnit: copy ? StoreUnitSlot(n) : LoadUnitSlot(n); break;
        default: copy ? StoreFormationSlot(n) : LoadFormationSlot(n); break;
        }
    }
    done(mrOk);
}

void TPasterDlg::ListBox1DblClick()
{
    OKBtnClick();
}

void TPasterDlg::CopyAllBtnClick()
{
    if (BufferAction == xaCopy) {
        CopyTableToBuffers(static_cast<XferKind>(BufferKind));
    } else {
        if (beforePasteAll && !beforePasteAll())
            return;
        PasteBuffersToTable(static_cast<XferKind>(BufferKind));
    }
    done(mrAll);
}

void TPasterDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ListBox1->setFocus();
}
