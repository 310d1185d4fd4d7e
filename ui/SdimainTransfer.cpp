// Copy and paste through the transfer buffers, and renationalising.
#include "ui/Picker.h"
#include "ui/RecordPage.h"
#include "ui/paster.h"
#include "ui/renationalise.h"

#include "core/OrbDiff.h"
#include "core/PasteBuffers.h"

#include <QStatusBar>
#include <QStringList>

namespace {
// A nation code as the file list writes it: "05", "12".
QString nationCode(int c)
{
    return QString("%1").arg(c, 2, 10, QChar('0'));
}
}  // namespace

void TSDIAppForm::InitPasteBuffers()
{
    MarkPasteBuffersUnused();
}

// A copy takes the page as typed, with the same conversions a commit applies; fields no edit
// shows keep what the transfer record held.
void TSDIAppForm::FillXferBufferUnit()
{
    UnitXferBuffer.SourceFile = CurrentFileNumber;
    readFields(unitEdits, UnitXferBuffer.Entry);
}

void TSDIAppForm::FillXferBufferWpn()
{
    WeaponXferBuffer.SourceFile = CurrentFileNumber;
    readFields(weaponEdits, WeaponXferBuffer.Entry);
}

void TSDIAppForm::FillXferBufferFormation()
{
    FormationXferBuffer.SourceFile = CurrentFileNumber;
    readFields(formationEdits, FormationXferBuffer.Entry);
}

// A paste shows the transfer record under the current entry number; it reaches Orb on Commit.
void TSDIAppForm::PasteToUnit()
{
    showUnitRecord(UnitXferBuffer.Entry);
}

void TSDIAppForm::PasteToWeapon()
{
    showWeaponRecord(WeaponXferBuffer.Entry);
}

void TSDIAppForm::PasteToFormation()
{
    showFormationRecord(FormationXferBuffer.Entry);
}

void TSDIAppForm::CopyButtonClick()
{
    switch (CurrentPage) {
    case pcWeapons:
        FillXferBufferWpn();
        PasterDlg->SelectWeaponBuffer(xaCopy, WeaponXferBuffer);
        break;
    case pcUnits:
        FillXferBufferUnit();
        PasterDlg->SelectUnitBuffer(xaCopy, UnitXferBuffer);
        break;
    case pcFormations:
        FillXferBufferFormation();
        PasterDlg->SelectFormationBuffer(xaCopy, FormationXferBuffer);
        break;
    default:
        return;
    }
    PasterDlg->exec();
}

void TSDIAppForm::PasteButtonClick()
{
    OrbData before = Orb;  // All pastes into the table from inside the dialog
    PasterDlg->beforePasteAll = [this, &before] {
        // A trial on a copy tells whether the entry the page shows would change.
        OrbData kept = Orb;
        PasteBuffersToTable(CurrentPage == pcWeapons ? xkWeapon : CurrentPage == pcUnits ? xkUnit : xkFormation);
        OrbData after = std::move(Orb);
        Orb = std::move(kept);
        bool go = confirmTypedDrop("Paste All", after, true);
        before = Orb;  // a Commit asked for here is a step of its own
        return go;
    };
    switch (CurrentPage) {
    case pcWeapons:
        PasterDlg->SelectWeaponBuffer(xaPaste, WeaponXferBuffer);
        break;
    case pcUnits:
        PasterDlg->SelectUnitBuffer(xaPaste, UnitXferBuffer);
        break;
    case pcFormations:
        PasterDlg->SelectFormationBuffer(xaPaste, FormationXferBuffer);
        break;
    default:
        return;
    }
    int result = PasterDlg->exec();
    PasterDlg->beforePasteAll = nullptr;
    if (result == TPasterDlg::mrOk) {
        switch (CurrentPage) {
        case pcWeapons: PasteToWeapon(); break;
        case pcUnits: PasteToUnit(); break;
        default: PasteToFormation(); break;
        }
    } else if (result == TPasterDlg::mrAll) {
        // The page and its list follow the step.
        const QString kind = CurrentPage == pcWeapons ? "Weapons" : CurrentPage == pcUnits ? "Units" : "Formations";
        std::size_t changed = recordStep("Paste All " + kind, before);
        statusBar()->showMessage(QString("Pasted all %1: %2 entries changed").arg(kind.toLower()).arg(changed));
    }
}

void TSDIAppForm::Renationalise1Click()
{
    if (!FileLoaded) {
        showMessage("Please load a file first!!");
        return;
    }
    connect(RenatDlg, &TRenatDlg::renumbered, this, &TSDIAppForm::renumberDone, Qt::UniqueConnection);
    RenatDlg->init(static_cast<uint8_t>(CurrentFileNumber));
    RenatDlg->beforeRenumber = [this](uint8_t from, uint8_t to) {
        OrbData after = Orb;
        RenumberNation(after, from, to);
        return confirmTypedDrop("Renumber", after, true);
    };
    RenatDlg->exec();
    RenatDlg->beforeRenumber = nullptr;
    if (!RenatDlg->Presses.empty()) {
        // The page in front followed each press's step: it shows no old code, which a Commit
        // would write back; pages whose entry did not change keep what was typed.
        // What each press did; a press that changed nothing is worth a word only when none did.
        QStringList done;
        for (const RenumberResult& r : RenatDlg->Presses)
            if (r.changed())
                done << RenumberSummary(r);
        if (done.isEmpty())
            done << RenumberSummary(RenatDlg->Presses.back());
        statusBar()->showMessage(done.join("; "));
    }
}

QString RenumberSummary(const RenumberResult& r)
{
    return QString("Renumbered %1 units and %2 formations from %3 to %4")
        .arg(r.changed() ? r.units.size() : 0)
        .arg(r.changed() ? r.formations.size() : 0)
        .arg(nationCode(r.from), nationCode(r.to));
}

// Each Renumber press that changed something is one undoable step.
void TSDIAppForm::renumberDone(const RenumberResult& r)
{
    OrbChanges changes;
    for (int n : r.units) {
        UnitRecord before = Orb.unit(n);
        before.Nation = r.from;
        changes.units.push_back({n, before, Orb.unit(n)});
    }
    for (int n : r.formations) {
        FormationRecord before = Orb.formation(n);
        before.Nation = r.from;
        changes.formations.push_back({n, before, Orb.formation(n)});
    }
    pushStep(QString("Renumber %1 \u2192 %2").arg(nationCode(r.from), nationCode(r.to)), std::move(changes));
}
