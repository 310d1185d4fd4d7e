#include "ui/Picker.h"

#include "core/Globals.h"
#include "ui/Text.h"

#include <QApplication>
#include <QDateTime>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TPickForm* PickForm = nullptr;

TPickForm::TPickForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("PickForm");
    setWindowTitle("Pick List");
    setFixedSize(352, 392);
    move(379, 151);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 0, 257, 385);
    ListBox1 = new QListWidget(Panel1);
    ListBox1->setUniformItemSizes(true);  // one line each: only the first is measured
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(ListBox1);

    OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(264, 16, 75, 25);
    OKBtn->setDefault(true);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(264, 48, 75, 25);

    connect(OKBtn, &QPushButton::clicked, this, &TPickForm::OKBtnClick);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TPickForm::ListBox1DblClick);
    ListBox1->installEventFilter(this);
}

int32_t TPickForm::ShowPickList(uint8_t mode, int32_t current)
{
    PickMode = mode;
    PickResult = -1;
    FillPickList();
    // The line of the current code: nations 70 and above follow 43 directly.
    int line = PickMode == pmNationality && current >= 70 ? current - 26 : current;
    if (PickMode == pmNationality && current > 43 && current < 70)
        line = 0;
    if (line < 0 || line >= ListBox1->count())
        line = 0;
    ListBox1->setCurrentRow(line);
    ListBox1->scrollToItem(ListBox1->item(line), QAbstractItemView::PositionAtCenter);
    typed_.clear();
    int result = exec() == QDialog::Accepted ? 1 : 2;
    PickResult = result;
    if (result == 2)
        PickResult = -2;
    else
        GetPickedCode();
    return PickResult;
}

namespace {
struct ModeInfo {
    const char* caption;
    int first, last;  // the codes listed
    std::string (*name)(int code);
    const char* none;  // the fixed text of line 0 in the entry lists
};

const ModeInfo& modeInfo(uint8_t mode)
{
    static const ModeInfo modes[] = {
        {"Pick List : Unit", 0, UnitCount, [](int n) { return std::string(Orb.name<UnitRecord>(n)); }, "NO UNIT"},
        {"Pick List : Formation", 0, FormationCount, [](int n) { return std::string(Orb.name<FormationRecord>(n)); }, "NO UNIT"},
        {"Pick List : Movement Class", 0, 9, [](int c) { return GetMovementClassName(uint8_t(c)); }, nullptr},
        {"Pick List : Formation Type", 0, 5, [](int c) { return GetFormationTypeName(uint8_t(c)); }, nullptr},
        {"Pick List : Nationality", 0, 91, [](int c) { return GetNationName(uint16_t(c)); }, nullptr},
        {"Pick List : Unit Class", 0, 69, [](int c) { return GetUnitClassName(uint8_t(c)); }, nullptr},
        {"Pick List : Unit Weapon", 0, WeaponCount, [](int n) { return std::string(Orb.name<WeaponRecord>(n)); }, "NO WEAPON IN SLOT"},
        {"Pick List : Weapon Class", 0, 19, [](int c) { return GetWeaponClassName(uint8_t(c)); }, nullptr},
        {"Pick List : Purchase Page", 0, 10, [](int c) { return GetPurchasePageName(uint8_t(c)); }, nullptr},
    };
    return modes[mode];
}
}  // namespace

void TPickForm::FillPickList()
{
    ListBox1->clear();
    if (PickMode > pmPurchasePage)
        return;
    const ModeInfo& m = modeInfo(PickMode);
    setWindowTitle(m.caption);
    QStringList lines;
    for (int code = m.first; code <= m.last; ++code) {
        if (PickMode == pmNationality && code >= 44 && code < 70)
            continue;  // no nation has these codes
        if (m.none) {
            lines << threeDigits(code) + " - " + (code == 0 ? QString(m.none) : toQ(m.name(code)));
        } else {
            lines << QString("%1").arg(code, 2, 10, QChar('0')) + " - " + toQ(m.name(code));
        }
    }
    ListBox1->addItems(lines);
    ListBox1->setCurrentRow(0);
}

void TPickForm::GetPickedCode()
{
    QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    int i = selected.isEmpty() ? -1 : ListBox1->row(selected.first());
    PickResult = (PickMode == pmNationality && i > 43) ? i + 26 : i;
}

void TPickForm::ListBox1DblClick()
{
    accept();
}

void TPickForm::OKBtnClick()
{
    accept();
}

void TPickForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ListBox1->setFocus();
    // Now that the list has its size, the current line can be brought to the middle.
    if (QListWidgetItem* current = ListBox1->currentItem())
        ListBox1->scrollToItem(current, QAbstractItemView::PositionAtCenter);
}

bool TPickForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != ListBox1 || e->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, e);
    auto* ke = static_cast<QKeyEvent*>(e);
    const QString text = ke->text();
    if (text.isEmpty() || !text[0].isLetter() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;  // digits and everything else as the list handles them: by line number
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool again = now - typedAt_ > QApplication::keyboardInputInterval();
    typed_ = again ? text : typed_ + text;
    typedAt_ = now;
    // A fresh search starts after the selected line, so that the same letter walks the matches.
    const int count = ListBox1->count();
    const int from = ListBox1->currentRow() + (again ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        int row = (std::max(from, 0) + i) % count;
        QString line = ListBox1->item(row)->text();
        QString name = line.mid(line.indexOf(" - ") + 3);
        if (name.startsWith(typed_, Qt::CaseInsensitive)) {
            ListBox1->setCurrentRow(row);
            ListBox1->scrollToItem(ListBox1->item(row));
            break;
        }
    }
    return true;
}
