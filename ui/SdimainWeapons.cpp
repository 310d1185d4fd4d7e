// The Weapons page: its edits, ShowWeapon and SaveWeapon, and the weapon class picker.
#include "ui/Picker.h"
#include "ui/RecordPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>

namespace {
// One row per field, 24 pixels apart from top 48, in tab order.
std::vector<EditRow> weaponRows()
{
    struct Row {
        const char* control;
        const char* field;
        const char* caption;
        const char* hint;
    };
    static const Row rows[] = {
        {"WeaponClassEdit", "Class", "Weapon Class", nullptr},
        {"WeaponAccuracyEdit", "Accuracy", "Accuracy", nullptr},
        {"WeaponSizeEdit", "Size", "Weapon Size", nullptr},
        {"WarheadSizeEdit", "WarheadSize", "Warhead Size", nullptr},
        {"WeaponHEPenEdit", "HEPen", "HE Penetration", nullptr},
        {"WeaponHEKillEdit", "HEKill", "HE Kill", nullptr},
        {"WeaponAPPenEdit", "APPen", "AP Penetration",
         "222 is a special code for HEAT weapons used other than in slot 1 (eg LAW, ATGMs)"},
        {"WeaponAPKillEdit", "APKill", "AP Kill", nullptr},
        {"WeaponSabotPenEdit", "SabotPen", "Sabot Penetration", nullptr},
        {"WeaponsabotrangeEdit", "SabotRange", "Sabot Range", nullptr},
        {"WeaponHEATPenEdit", "HEATPen", "HEAT Penetration", nullptr},
        {"WeaponRangeEdit", "Range", "Weapon Range", nullptr},
        {"WeaponSoundEdit", nullptr, "Weapon Sound", nullptr},
    };
    std::vector<EditRow> out = {{"WeaponNameEdit", "Name", nullptr, 0, 15, 136, 24, 113, 0, nullptr}};
    int tab = 1;
    for (const Row& r : rows) {
        out.push_back({r.control, r.field, r.caption, 32, 3, 136, 48 + 24 * (tab - 1), 41, tab, r.hint});
        ++tab;
    }
    return out;
}
}  // namespace

void TSDIAppForm::buildWeaponsPage()
{
    QWidget* Panel5 = buildRecordPage(Weapons, "Panel4", 145, wpnlistbox, "wpnlistbox", WeaponFilterEdit,
                                      "WeaponFilterEdit", "Panel5", 4, TableId::Weapons);

    WeaponNumberLabel = valueLabel(Panel5, "WeaponNumberLabel", "Weapon 001", 32, 23, 100);
    weaponEdits = buildEdits(Panel5, WeaponFields(), weaponRows());
    QFont bold = WeaponNumberLabel->font();
    for (const auto& e : weaponEdits)
        e.edit->setFont(bold);
    QFont italic = bold;
    italic.setBold(false);
    italic.setItalic(true);
    weaponEdit("APKill")->setFont(italic);
    auto* sound = Panel5->findChild<QLineEdit*>("WeaponSoundEdit");
    sound->setEnabled(false);

    auto* classPick = pickButton(Panel5, "WpnClassPickbtn", 176, 48);
    WeaponClassLabel = valueLabel(Panel5, "WeaponClassLabel", "", 252, 48, 300);
    for (const auto& e : weaponEdits)
        connect(e.edit, &QLineEdit::textEdited, this, &TSDIAppForm::typedWeaponLabels);
    connect(classPick, &QToolButton::clicked, this, &TSDIAppForm::WpnClassPickbtnClick);
    bindPickKey(weaponEdit("Class"), [this](bool) { WpnClassPickbtnClick(); });

    auto note = [Panel5](const QString& text, int top, bool enabled = true) {
        auto* l = new QLabel(text, Panel5);
        l->move(192, top + 3);
        l->adjustSize();
        l->setEnabled(enabled);
        return l;
    };
    note("(Appears to be unused)", 216);
    note("(Also min range for some weapons - eg ATGM)", 264);
    note("(Currently unused)", 336, false);
    for (QLabel* l : Panel5->findChildren<QLabel*>())
        if (l->text() == "Weapon Sound")
            l->setEnabled(false);
    QLabel* ranges = caption(Panel5, "Ranges are in hexes of 50 metres; the game turns them into its 200 metre hexes",
                             32, 373);
    QFont f = ranges->font();
    f.setItalic(true);
    ranges->setFont(f);
    ranges->adjustSize();

    connect(wpnlistbox, &QListWidget::itemDoubleClicked, this, &TSDIAppForm::wpnlistboxDblClick);
    connect(EntryFilter::of(wpnlistbox), &EntryFilter::chosen, this, &TSDIAppForm::wpnlistboxDblClick);
}

QLineEdit* TSDIAppForm::weaponEdit(const char* field) const
{
    return editOf(weaponEdits, field);
}

void TSDIAppForm::showWeaponRecord(const WeaponRecord& w)
{
    WeaponNumberLabel->setText("Weapon " + threeDigits(CurrentWeapon));
    showFields(weaponEdits, w);
    shownWeapon_ = {CurrentWeapon, Orb.weapon(CurrentWeapon)};
    showWeaponLabels(w);
    if (formShown(pcWeapons))
        weaponEdit("Name")->setFocus();
    emit host_->frontChanged();  // the marks follow
}

void TSDIAppForm::showWeaponLabels(const WeaponRecord& w)
{
    WeaponClassLabel->setText(toQ(GetWeaponClassName(w.Class)));
}

void TSDIAppForm::typedWeaponLabels()
{
    WeaponRecord w = Orb.weapon(CurrentWeapon);
    readFields(weaponEdits, w);
    showWeaponLabels(w);
}

void TSDIAppForm::ShowWeapon()
{
    showWeaponRecord(Orb.weapon(CurrentWeapon));
}

void TSDIAppForm::SaveWeapon()
{
    Orb.edit<WeaponRecord>(CurrentWeapon, [this](WeaponRecord& w) { readFields(weaponEdits, w); });
    ShowWeapon();
}

void TSDIAppForm::WpnClassPickbtnClick()
{
    if (pickInto(pmWeaponClass, weaponEdit("Class")) >= 0)
        typedWeaponLabels();
}
