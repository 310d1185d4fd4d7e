// The Formations page: its edits, ShowFormation and SaveFormation, and its pickers.
#include "ui/Picker.h"
#include "ui/RecordPage.h"

#include "core/FormationTotals.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>

namespace {
// Positions on this page count from the page's left edge, list panel included.
constexpr int kListWidth = 153;
const char* const kSlotFields[10] = {"Slot1", "Slot2", "Slot3", "Slot4", "Slot5",
                                     "Slot6", "Slot7", "Slot8", "Slot9", "Slot10"};

std::vector<EditRow> formationRows()
{
    std::vector<EditRow> rows = {
        {"FormNameEdit", "Name", nullptr, 0, 15, 280, 16, 121, 0, nullptr},
        {"FormNationEdit", "Nation", "Nation", 440, 2, 536, 16, 41, 1, nullptr},
        {"FormAvailEdit", "Avail", "Available from", 176, 3, 280, 40, 41, 2,
         "(if there is a 100 before the number, the formation is made unavailable - to the AI)"},
        {"FormUntilEdit", "Until", "Until", 328, 3, 360, 40, 41, 3, nullptr},
        {"FormPageEdit", "Page", "Purchase screen", 440, 2, 536, 40, 41, 4, nullptr},
        {"FormTypeEdit", "Type", "Formation Type", 440, 2, 536, 64, 41, 5, nullptr},
        {"FormMonthAvailEdit", "MonthAvail", "WW2 + 1st Month", 176, 3, 280, 64, 41, 26, "Only applies to orbs 70 on"},
        {"FormSpecialEdit", "Special", "Special Code", 440, 3, 536, 88, 41, 27, "Affects recce, fast response arty etc"},
    };
    static const char* const slotEdit[10] = {"FormSlot1Edit", "FormSlot2Edit", "FormSlot3Edit", "FormSlot4Edit",
                                             "FormSlot5Edit", "FormSlot6Edit", "FormSlot7Edit", "FormSlot8Edit",
                                             "FormSlot9Edit", "FormSlot10Edit"};
    static const char* const slotCaption[10] = {"Unit 1",           "Unit/Formation 2", "Unit/Formation 3",
                                                "Unit/Formation 4", "Unit/Formation 5", "Unit/Formation 6",
                                                "Unit/Formation 7", "Unit/Formation 8", "Unit/Formation 9",
                                                "Unit/Formation 10"};
    static const char* const codeEdit[10] = {"Form01CodeEdit", "Form02CodeEdit", "Form03CodeEdit", "Form04CodeEdit",
                                             "Form05CodeEdit", "Form06CodeEdit", "Form07CodeEdit", "Form08CodeEdit",
                                             "Form09CodeEdit", "Form10CodeEdit"};
    static const char* const codeField[10] = {"Code1", "Code2", "Code3", "Code4", "Code5",
                                              "Code6", "Code7", "Code8", "Code9", "Code10"};
    // The multiplier edits are visited in this slot order by the Tab key.
    static const int codeTab[10] = {16, 17, 18, 19, 21, 23, 24, 22, 25, 20};
    static const char* const slotHint[10] = {"MUST be a unit", "Formation = 1000 + subformation number"};
    for (int k = 0; k < 10; ++k) {
        int top = 152 + 24 * k;
        rows.push_back({slotEdit[k], kSlotFields[k], slotCaption[k], 176, 4, 280, top, 41, 6 + k, slotHint[k]});
        rows.push_back({codeEdit[k], codeField[k], nullptr, 0, 3, 480, top, 41, codeTab[k],
                        k == 0 ? "Only affects units (icons)" : nullptr});
    }
    for (EditRow& r : rows) {
        r.left -= kListWidth;
        if (r.captionLeft >= 0)
            r.captionLeft -= kListWidth;
    }
    return rows;
}
}  // namespace

void TSDIAppForm::buildFormationsPage()
{
    QWidget* panel = buildRecordPage(Formations, "Panel6", kListWidth, FormationListBox, "FormationListBox", FormationFilterEdit,
                                     "FormationFilterEdit",
                                     "FormationPanel", 0, TableId::Formations);
    const int x = -kListWidth;

    FormNamelabel = valueLabel(panel, "FormNamelabel", "Formation 001", 176 + x, 16, 100);
    formationEdits = buildEdits(panel, FormationFields(), formationRows());
    for (const auto& e : formationEdits)
        connect(e.edit, &QLineEdit::textEdited, this, &TSDIAppForm::typedFormationLabels);

    auto* nationPick = pickButton(panel, "FormPickNationBtn", 576 + x, 16, "Choose which nation");
    FormNationLabel = valueLabel(panel, "FormNationLabel", "Nobody", 600 + x, 16, 140);
    auto* pagePick = pickButton(panel, "FormCatPickBtn", 576 + x, 40,
                                "Default (0) lets the game choose the purchase screen from the type of unit in slot 1");
    FormCatLabel = valueLabel(panel, "FormCatLabel", "None", 600 + x, 40, 140);
    auto* typePick = pickButton(panel, "FormTypePickBtn", 576 + x, 64);
    FormTypeLabel = valueLabel(panel, "FormTypeLabel", "None", 600 + x, 64, 140);
    pickButton(panel, "SpeedButton7", 576 + x, 88)->setEnabled(false);
    valueLabel(panel, "SpecialLabel", "", 600 + x, 88, 140);
    connect(nationPick, &QToolButton::clicked, this, &TSDIAppForm::FormPickNationBtnClick);
    connect(pagePick, &QToolButton::clicked, this, &TSDIAppForm::FormCatPickBtnClick);
    connect(typePick, &QToolButton::clicked, this, &TSDIAppForm::FormTypePickBtnClick);
    bindPickKey(formationEdit("Nation"), [this](bool) { FormPickNationBtnClick(); });
    bindPickKey(formationEdit("Page"), [this](bool) { FormCatPickBtnClick(); });
    bindPickKey(formationEdit("Type"), [this](bool) { FormTypePickBtnClick(); });

    caption(panel, "U/F", 320 + x, 128);
    caption(panel, "Multiplier", 480 + x, 128);
    caption(panel, "Availability", 536 + x, 128);
    caption(panel, "Formation Type", 608 + x, 128);
    for (int k = 1; k <= 10; ++k) {
        int top = 152 + 24 * (k - 1);
        QString pickName = k == 6 ? "FormSlot6Btn" : QString("FormSlot%1PickBtn").arg(k);
        auto* pick = pickButton(panel, qPrintable(pickName), 320 + x, top,
                                k == 1 ? "slot 1 MUST be a unit - NOT a formation" : "Right click to pick formation");
        FormslotLabel[k - 1] = valueLabel(panel, qPrintable(QString("Formslot%1Label").arg(k)), "Its Name etc",
                                          352 + x, top, 124);
        FormSlotDateLabel[k - 1] = valueLabel(panel, qPrintable(QString("Form%1DateLabel").arg(k, 2, 10, QChar('0'))),
                                              "1900/99", 536 + x, top, 64);
        FormSlotKindLabel[k - 1] = valueLabel(panel, qPrintable(QString("Form%1TypeLabel").arg(k, 2, 10, QChar('0'))),
                                              "Unit", 608 + x, top, 64);
        connect(pick, &QToolButton::clicked, this, [this, k] { FormSlotPickBtnClick(k); });
        if (k > 1)
            onMouseDown(pick, [this, k](Qt::MouseButton b) { FormSlotPickBtnMouseDown(k, b); });
        // F4 as the left button, Shift+F4 as the right one (which slot 1 does not take).
        bindPickKey(formationEdit(kSlotFields[k - 1]), [this, k](bool shift) {
            if (!shift)
                FormSlotPickBtnClick(k);
            else if (k > 1)
                FormSlotPickBtnMouseDown(k, Qt::RightButton);
        });
    }
    FormTotalsCaption = caption(panel, "Total Units :", 176 + x, 400, "FormTotalsCaption");
    FormTotalsCaption->setEnabled(false);
    FormTotalsLabel = valueLabel(panel, "FormTotalsLabel", "0", 288 + x, 400, 40);
    FormTotalsLabel->setEnabled(false);
    caption(panel, "(Max is 60)", 352 + x, 400);

    connect(FormationListBox, &QListWidget::itemDoubleClicked, this, &TSDIAppForm::FormationListBoxDblClick);
    connect(EntryFilter::of(FormationListBox), &EntryFilter::chosen, this, &TSDIAppForm::FormationListBoxDblClick);
}

QLineEdit* TSDIAppForm::formationEdit(const char* field) const
{
    return editOf(formationEdits, field);
}

namespace {
// The name of a slot's member: a formation for 1001..1199, a unit for 1..249, nothing otherwise
// (empty slots and numbers that name no entry).
QString memberName(int v)
{
    if (v >= FormationSlotBase + 1 && v <= FormationSlotBase + FormationCount)
        return toQ(std::string(Orb.name<FormationRecord>(v - FormationSlotBase)));
    if (v >= 1 && v <= UnitCount)
        return toQ(std::string(Orb.name<UnitRecord>(v)));
    return QString();
}
}  // namespace

void TSDIAppForm::showFormationRecord(const FormationRecord& f)
{
    FormNamelabel->setText("Formation " + threeDigits(CurrentFormation));
    showFields(formationEdits, f);
    shownFormation_ = {CurrentFormation, Orb.formation(CurrentFormation)};
    showFormationLabels(f);
    if (formShown(pcFormations))
        formationEdit("Name")->setFocus();
    emit host_->frontChanged();  // the marks follow
}

void TSDIAppForm::typedFormationLabels()
{
    FormationRecord f = Orb.formation(CurrentFormation);
    readFields(formationEdits, f);
    showFormationLabels(f);
}

void TSDIAppForm::showFormationLabels(const FormationRecord& f)
{
    FormNationLabel->setText(toQ(GetNationName(f.Nation)));
    FormCatLabel->setText(toQ(GetPurchasePageName(f.Page)));
    FormTypeLabel->setText(toQ(GetFormationTypeName(f.Type)));
    for (int k = 1; k <= 10; ++k) {
        uint16_t value = formationSlot(f, k);
        FormslotLabel[k - 1]->setText(memberName(value));
        FormSlotDateLabel[k - 1]->setText(QString::fromStdString(SlotYears(Orb, value)));
        FormSlotKindLabel[k - 1]->setText(QString::fromStdString(SlotKindText(MemberOfSlot(value).kind)));
    }
    // The units the formation brings, sub-formations included; red above what the game allows.
    UnitTotal total = CountFormationUnits(Orb, f, CurrentFormation);
    bool over = total.units > MaxFormationUnits;
    FormTotalsLabel->setText(QString::number(total.units));
    FormTotalsLabel->setToolTip(total.cycle ? "Its sub-formations lead back to a formation on the way: "
                                              "that one is counted once"
                                            : QString());
    for (QLabel* l : {FormTotalsLabel, FormTotalsCaption}) {
        l->setStyleSheet(over ? "color: red" : "");
        l->setEnabled(over);
    }
}

void TSDIAppForm::ShowFormation()
{
    showFormationRecord(Orb.formation(CurrentFormation));
}

void TSDIAppForm::SaveFormation()
{
    Orb.edit<FormationRecord>(CurrentFormation, [this](FormationRecord& f) { readFields(formationEdits, f); });
    ShowFormation();
}

void TSDIAppForm::FormPickNationBtnClick()
{
    if (pickInto(pmNationality, formationEdit("Nation")) >= 0)
        typedFormationLabels();
}

void TSDIAppForm::FormCatPickBtnClick()
{
    if (pickInto(pmPurchasePage, formationEdit("Page")) >= 0)
        typedFormationLabels();
}

void TSDIAppForm::FormTypePickBtnClick()
{
    if (pickInto(pmFormationType, formationEdit("Type")) >= 0)
        typedFormationLabels();
}

void TSDIAppForm::FormSlotPickBtnClick(int slot)
{
    if (pickInto(pmUnit, formationEdit(kSlotFields[slot - 1])) >= 0)
        typedFormationLabels();
}

void TSDIAppForm::FormSlotPickBtnMouseDown(int slot, Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    int held = formationEdit(kSlotFields[slot - 1])->text().toInt();
    int r = PickForm->ShowPickList(pmFormation, held > FormationSlotBase ? held - FormationSlotBase : 0);
    if (r < 0)
        return;
    int value = r == 0 ? 0 : r + FormationSlotBase;
    formationEdit(kSlotFields[slot - 1])->setText(QString::number(value));
    typedFormationLabels();
}
