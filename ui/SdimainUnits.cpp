// The Units page: its edits, ShowUnit and SaveUnit, and its pickers.
#include "ui/Picker.h"
#include "ui/RecordPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>

namespace {
const char* const kWeaponNames[4] = {"Wpn1", "Wpn2", "Wpn3", "Wpn4"};

std::vector<EditRow> unitRows()
{
    // Each row: control, field, caption, caption's left (-1: right-aligned beside the edit), most
    // characters typed, left, top, width, tab order, hint.
    std::vector<EditRow> rows = {
        {"UnitnameEdit", "Name", nullptr, 0, 15, 56, 16, 121, 0, nullptr},
        {"UnitClassEdit", "Class", nullptr, 0, 2, 320, 16, 24, 1, nullptr},
        {"UnitNationEdit", "Nation", "Nation", 8, 2, 56, 40, 24, 2, nullptr},
        {"UnitMCEdit", "MC", "Move Class", 248, 2, 320, 40, 24, 3, nullptr},
        {"UnitCostEdit", "Cost", "Cost", -1, 3, 56, 120, 33, 4, nullptr},
        {"UnitCrewEdit", "Crew", "Crew", -1, 3, 128, 120, 33, 5, nullptr},
        {"UnitSizeEdit", "Size", "Size", -1, 2, 200, 120, 33, 6, nullptr},
        {"UnitSpeedEdit", "Speed", "Speed", -1, 3, 56, 144, 33, 7, nullptr},
        {"UnitSwimEdit", "Swim", "Swim", -1, 3, 128, 144, 33, 8, nullptr},
        {"UnitIconEdit", "Icon", "Icon", -1, 5, 456, 144, 55, 9, nullptr},
        {"UnitLBMEdit", "LBM", "LBM", -1, 9, 456, 120, 99, 10, "2 different types for modern or WW2 - Pxx and Pmxx"},
        {"UnitYrAvailEdit", "YrAvail", "Avaiable", 8, 3, 200, 96, 33, 11, nullptr},
        {"UnitYrUnavailEdit", "YrUnavail", "Until", 248, 3, 288, 96, 33, 12, nullptr},
        {"UnitEWEdit", "EW", "EW", -1, 2, 200, 144, 33, 13, nullptr},
        {"UnitRadioEdit", "Radio", "Radio", -1, 2, 288, 144, 33, 14, nullptr},
        {"UnitCarryEdit", "Carry", "Carry", -1, 3, 288, 120, 33, 15, nullptr},
        {"UnitVisionEdit", "Vision", "Vision", -1, 3, 384, 144, 33, 16, nullptr},
        {"UnitWeightEdit", "Weight", "Weight", -1, 3, 384, 120, 33, 17, nullptr},
        {"UnitFCEdit", "FC", "Fire control", -1, 3, 488, 208, 33, 18, nullptr},
        {"UnitRFEdit", "RF", "Range Finder", -1, 3, 488, 232, 33, 19, nullptr},
        {"UnitStabiliserEdit", "Stabiliser", "Stabiliser", -1, 3, 488, 256, 33, 20, nullptr},
        {"UnitROFEdit", "ROF", "ROF", -1, 2, 560, 208, 30, 21, nullptr},
        {"UnitSDEdit", "SD", "S/D", -1, 2, 560, 232, 30, 22, nullptr},
        {"UnitHEATAmmoEdit", "HEATAmmo", nullptr, 0, 3, 360, 208, 36, 35, nullptr},
        {"UnitSabotAmmoEdit", "SabotAmmo", nullptr, 0, 3, 320, 208, 36, 36, nullptr},
        {"UnitMonthAvailEdit", "MonthAvail", "(WW2) Mo", 64, 3, 128, 96, 33, 58, "Only applies to orb 70 on"},
    };
    static const char* const wpnEdit[4] = {"UnitWpn1Edit", "UnitWpn2Edit", "UnitWpn3Edit", "UnitWpn4Edit"};
    static const char* const wpnCaption[4] = {"Weapon 1", "Weapon 2", "Weapon 3", "Weapon 4"};
    static const char* const heEdit[4] = {"UnitWpn1HEAmmoEdit", "UnitWpn2HEAmmoEdit", "UnitWpn3HEAmmoEdit",
                                          "UnitWpn4HEAmmoEdit"};
    static const char* const heField[4] = {"Wpn1HEAmmo", "Wpn2HEAmmo", "Wpn3HEAmmo", "Wpn4HEAmmo"};
    static const char* const apEdit[4] = {"UnitWpn1APAmmoEdit", "UnitWpn2APAmmoEdit", "UnitWpn3APAmmoEdit",
                                          "UnitWpn4APAmmoEdit"};
    static const char* const apField[4] = {"Wpn1APAmmo", "Wpn2APAmmo", "Wpn3APAmmo", "Wpn4APAmmo"};
    for (int k = 0; k < 4; ++k) {
        int top = 208 + 24 * k;
        rows.push_back({wpnEdit[k], kWeaponNames[k], wpnCaption[k], 8, 3, 80, top, 30, 23 + k, nullptr});
        rows.push_back({heEdit[k], heField[k], nullptr, 0, 3, 240, top, 36, 27 + k, nullptr});
        rows.push_back({apEdit[k], apField[k], nullptr, 0, 3, 280, top, 36, 31 + k, nullptr});
    }
    // Armour: three rows of seven faces (row, column) and their tab order. Two controls are named in
    // upper case, UNITHEATHREdit and UNITHEATTSEdit: their names are the ones given.
    struct Armour {
        const char* control;
        const char* field;
        int row, column, tab;
    };
    static const Armour armour[] = {
        {"UnitSteelHFEdit", "SteelHF", 0, 0, 37},   {"UnitSteelHSEdit", "SteelHS", 0, 1, 40},
        {"UnitSteelHREdit", "SteelHR", 0, 2, 41},   {"UnitSteelTFEdit", "SteelTF", 0, 3, 42},
        {"UnitSteelTSEdit", "SteelTS", 0, 4, 43},   {"UnitSteelTREdit", "SteelTR", 0, 5, 44},
        {"UnitSteelTopEdit", "SteelTop", 0, 6, 45}, {"UnitHEATHFEdit", "HEATHF", 1, 0, 38},
        {"UnitHEATHSEdit", "HEATHS", 1, 1, 46},     {"UNITHEATHREdit", "HEATHR", 1, 2, 48},
        {"UnitHEATTFEdit", "HEATTF", 1, 3, 49},     {"UNITHEATTSEdit", "HEATTS", 1, 4, 50},
        {"UnitHEATTREdit", "HEATTR", 1, 5, 51},     {"UnitHEATTopEdit", "HEATTop", 1, 6, 52},
        {"UnitERAHFEdit", "ERAHF", 2, 0, 39},       {"UnitERAHSEdit", "ERAHS", 2, 1, 57},
        {"UnitERAHREdit", "ERAHR", 2, 2, 53},       {"UnitERATFEdit", "ERATF", 2, 3, 54},
        {"UnitERATSEdit", "ERATS", 2, 4, 55},       {"UnitERATREdit", "ERATR", 2, 5, 56},
        {"UnitERATopEdit", "ERATop", 2, 6, 47},
    };
    static const int columnLeft[7] = {80, 120, 160, 208, 248, 288, 336};
    for (const Armour& a : armour)
        rows.push_back({a.control, a.field, nullptr, 0, 3, columnLeft[a.column], 336 + 24 * a.row, 36, a.tab, nullptr});
    return rows;
}
}  // namespace

void TSDIAppForm::buildUnitsPage()
{
    QWidget* panel = buildRecordPage(Units, "Panel2", 161, UnitListBox, "UnitListBox", UnitFilterEdit, "UnitFilterEdit",
                                     "UnitPanel", 4, TableId::Units);

    UnitNumLabel = valueLabel(panel, "UnitNumLabel", "Unit 001", 8, 16, 48);
    caption(panel, "Unit Class", 248, 16, "UnitClassLbl");
    unitEdits = buildEdits(panel, UnitFields(), unitRows());
    for (const auto& e : unitEdits)
        connect(e.edit, &QLineEdit::textEdited, this, &TSDIAppForm::typedUnitLabels);

    auto* ucPick = pickButton(panel, "UnitPickUCBtn", 344, 16, "Select unit class (type)");
    UnitClassLabel = valueLabel(panel, "UnitClassLabel", "", 368, 16, 200);
    auto* nationPick = pickButton(panel, "UnitGetNationBtn", 80, 40, "Select nation ");
    UnitNationLabel = valueLabel(panel, "UnitNationLabel", "", 104, 40, 140);
    auto* mcPick = pickButton(panel, "UnitPickMCBtn", 344, 40,
                              "You can have a unit move other than its default for its class");
    UnitMCLabel = valueLabel(panel, "UnitMCLabel", "", 368, 40, 200);
    connect(ucPick, &QToolButton::clicked, this, &TSDIAppForm::UnitPickUCBtnClick);
    connect(nationPick, &QToolButton::clicked, this, &TSDIAppForm::UnitGetNationBtnClick);
    connect(mcPick, &QToolButton::clicked, this, &TSDIAppForm::UnitPickMCBtnClick);
    bindPickKey(unitEdit("Class"), [this](bool) { UnitPickUCBtnClick(); });
    bindPickKey(unitEdit("Nation"), [this](bool) { UnitGetNationBtnClick(); });
    bindPickKey(unitEdit("MC"), [this](bool) { UnitPickMCBtnClick(); });

    sectionCaption(panel, "Weapons", 8, 184);
    caption(panel, "HE", 248, 192);
    caption(panel, "AP", 288, 192);
    caption(panel, "Sabot", 320, 192);
    caption(panel, "HEAT", 360, 192);
    static const char* const pickNames[4] = {"UnitWpn1PickBtn", "UnitWpn2PickBtn", "UnitWpn3PickBtn", "UnitWpn4PickBtn"};
    static const char* const labelNames[4] = {"UnitWpn1NameLbl", "UnitWpn2NameLbl", "UnitWpn3NameLbl", "UnitWpn4NameLbl"};
    for (int k = 0; k < 4; ++k) {
        auto* pick = pickButton(panel, pickNames[k], 112, 208 + 24 * k, "Select weapon");
        UnitWpnNameLbl[k] = valueLabel(panel, labelNames[k], "No Weapon", 136, 208 + 24 * k, 100);
        connect(pick, &QToolButton::clicked, this, [this, k] { UnitWpnPickBtnClick(k + 1); });
        bindPickKey(unitEdit(kWeaponNames[k]), [this, k](bool) { UnitWpnPickBtnClick(k + 1); });
    }

    sectionCaption(panel, "Armour", 8, 312);
    static const char* const faces[7] = {"HF", "HS", "HR", "TF", "TS", "TR", "Top"};
    static const int columnLeft[7] = {80, 120, 160, 208, 248, 288, 336};
    for (int c = 0; c < 7; ++c)
        caption(panel, faces[c], columnLeft[c] + 8, 318);
    caption(panel, "Steel", 8, 336);
    caption(panel, "HEAT", 8, 360);
    caption(panel, "Reactive", 8, 384);

    connect(UnitListBox, &QListWidget::itemDoubleClicked, this, &TSDIAppForm::UnitListBoxDblClick);
    connect(EntryFilter::of(UnitListBox), &EntryFilter::chosen, this, &TSDIAppForm::UnitListBoxDblClick);
}

QLineEdit* TSDIAppForm::unitEdit(const char* field) const
{
    return editOf(unitEdits, field);
}

namespace {
// The name beside a weapon slot: the weapon's name, or nothing for 0 and numbers past the table.
QString weaponName(int n)
{
    return n >= 1 && n <= WeaponCount ? toQ(std::string(Orb.name<WeaponRecord>(n))) : QString();
}
}  // namespace

void TSDIAppForm::showUnitRecord(const UnitRecord& u)
{
    UnitNumLabel->setText("Unit " + threeDigits(CurrentUnit));
    showFields(unitEdits, u);
    shownUnit_ = {CurrentUnit, Orb.unit(CurrentUnit)};
    showUnitLabels(u);
    if (formShown(pcUnits))
        unitEdit("Name")->setFocus();
    emit host_->frontChanged();  // the marks follow
}

void TSDIAppForm::showUnitLabels(const UnitRecord& u)
{
    UnitNationLabel->setText(toQ(GetNationName(u.Nation)));
    UnitClassLabel->setText(toQ(GetUnitClassName(u.Class)));
    UnitMCLabel->setText(toQ(GetMovementClassName(u.MC)));
    const uint8_t numbers[4] = {u.Wpn1, u.Wpn2, u.Wpn3, u.Wpn4};
    for (int k = 0; k < 4; ++k)
        UnitWpnNameLbl[k]->setText(weaponName(numbers[k]));
}

void TSDIAppForm::typedUnitLabels()
{
    UnitRecord u = Orb.unit(CurrentUnit);
    readFields(unitEdits, u);
    showUnitLabels(u);
}

void TSDIAppForm::ShowUnit()
{
    showUnitRecord(Orb.unit(CurrentUnit));
}

void TSDIAppForm::SaveUnit()
{
    Orb.edit<UnitRecord>(CurrentUnit, [this](UnitRecord& u) { readFields(unitEdits, u); });
    ShowUnit();
}

void TSDIAppForm::UnitGetNationBtnClick()
{
    if (pickInto(pmNationality, unitEdit("Nation")) >= 0)
        typedUnitLabels();
}

void TSDIAppForm::UnitPickUCBtnClick()
{
    if (pickInto(pmUnitClass, unitEdit("Class")) >= 0)
        typedUnitLabels();
}

void TSDIAppForm::UnitPickMCBtnClick()
{
    if (pickInto(pmMovementClass, unitEdit("MC")) >= 0)
        typedUnitLabels();
}

void TSDIAppForm::UnitWpnPickBtnClick(int slot)
{
    if (pickInto(pmUnitWeapon, unitEdit(kWeaponNames[slot - 1])) >= 0)
        typedUnitLabels();
}
