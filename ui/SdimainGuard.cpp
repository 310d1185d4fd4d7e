// Keeping work safe: undoable steps, typed edits that pages keep until their entry changes, the
// questions before work would be dropped, and the modified mark.
#include "ui/RecordPage.h"
#include "ui/UndoCommands.h"
#include "ui/table/TableFeature.h"

#include "core/OrbDiff.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>

#include <vector>

bool TSDIAppForm::confirmDrop()
{
    if (!FileLoaded)
        return true;
    table_->storeOpenCells();
    std::vector<uint8_t> typed;
    QStringList entries;
    for (uint8_t page : {pcUnits, pcWeapons, pcFormations})
        if (pageTyped(page)) {
            typed.push_back(page);
            entries << shownTitle(page);
        }
    if (!isWindowModified() && typed.empty())
        return true;
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), "Save changes to " + loadedName_ + "?",
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, isVisible() ? this : nullptr);
    box.setObjectName("SaveChangesBox");
    box.setDefaultButton(QMessageBox::Save);
    if (!typed.empty())
        box.setInformativeText(entries.join(", ") + (typed.size() == 1 ? " has" : " have") +
                               " edits that are not committed: Save commits them first.");
    switch (box.exec()) {
    case QMessageBox::Save:
        for (uint8_t page : typed)
            commitPage(page);
        return saveFile();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool TSDIAppForm::confirmTypedDrop(const QString& operation, const OrbData& after, bool offerCommit)
{
    table_->storeOpenCells();
    std::vector<uint8_t> pages;
    QStringList entries;
    for (uint8_t page : {pcUnits, pcWeapons, pcFormations})
        if (pageTyped(page) && changesShownEntry(page, after)) {
            pages.push_back(page);
            entries << shownTitle(page);
        }
    if (pages.empty())
        return true;
    QString text = entries.join(", ") + (pages.size() == 1 ? " has" : " have") + " edits that are not committed, and " +
                   operation + " changes " + (pages.size() == 1 ? "that entry." : "those entries.");
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Discard | QMessageBox::Cancel, isVisible() ? this : nullptr);
    box.setObjectName("TypedEditsBox");
    if (offerCommit) {
        box.addButton(QMessageBox::Save)->setText("Commit");
        box.setDefaultButton(QMessageBox::Save);
        box.setInformativeText("Commit stores the edits first; Discard drops them.");
    } else {
        box.setDefaultButton(QMessageBox::Cancel);
        box.setInformativeText("Discard drops the edits; Cancel leaves everything as it is.");
    }
    switch (box.exec()) {
    case QMessageBox::Save:
        for (uint8_t page : pages)
            commitPage(page);
        return true;
    case QMessageBox::Discard:
        // Dropped now, so that the next step does not ask about them again (the page may be
        // behind a table or another page until then).
        for (uint8_t page : pages)
            page == pcUnits ? ShowUnit() : page == pcWeapons ? ShowWeapon() : ShowFormation();
        return true;
    default:
        return false;
    }
}

std::size_t TSDIAppForm::recordStep(const QString& text, const OrbData& before)
{
    return pushStep(text, DiffOrb(before, Orb));
}

std::size_t TSDIAppForm::pushStep(const QString& text, OrbChanges changes)
{
    const std::size_t count = changes.count();
    if (!count)
        return 0;
    const unsigned tables = TableChange::TablesOf(changes);
    UndoStack->push(new OrbEditCommand(text, std::move(changes), [this](const OrbChanges& c) {
        announce({TableChange::Cause::Undo, TableChange::TablesOf(c)});
    }));
    announce({TableChange::Cause::Step, tables});
    return count;
}

void TSDIAppForm::announce(const TableChange& change)
{
    updateModified();
    followChange(change);  // the window's own lists and pages first: the features' marks go on them
    emit host_->tablesChanged(change);
}

void TSDIAppForm::followChange(const TableChange& c)
{
    // Each list follows its table: a commit rewrites a line, a load fills it anew.
    if (c.touches(TableId::Units))
        UnitlistboxInit(CurrentUnit);
    if (c.touches(TableId::Weapons))
        wpnlistboxInit(CurrentWeapon);
    if (c.touches(TableId::Formations))
        FormationlistboxInit(CurrentFormation);
    if (c.cause == TableChange::Cause::Undo) {
        // Undone or done again: the page of what changed comes to the front (entering it shows
        // its entry); a renumber's formations stay in front where they are.
        QWidget* page = c.touches(TableId::Units) ? Units : c.touches(TableId::Weapons) ? Weapons : Formations;
        const bool renumber = c.touches(TableId::Units) && c.touches(TableId::Formations) && !c.touches(TableId::Weapons);
        if (renumber && Viewer->currentWidget() == Formations)
            page = Formations;
        if (Viewer->currentWidget() != page) {
            Viewer->setCurrentWidget(page);
            return;
        }
    }
    // The page in front shows its entry anew where it changed; a view in place of its form
    // follows on its own, and the form when it comes back.
    if (CurrentPage != pcLoad && c.touches(TableOfPage(CurrentPage)) && formShown(CurrentPage))
        syncPage(CurrentPage);
}

void TSDIAppForm::undoStep(bool redo)
{
    const int index = UndoStack->index() - (redo ? 0 : 1);
    const auto* step = dynamic_cast<const OrbEditCommand*>(UndoStack->command(index));
    if (!step) {
        // A step that changes no value (a conflict kept as ours): nothing typed to ask about.
        if (UndoStack->command(index))
            redo ? UndoStack->redo() : UndoStack->undo();
        return;
    }
    OrbData after = Orb;
    redo ? ApplyAfter(after, step->changes()) : ApplyBefore(after, step->changes());
    if (!confirmTypedDrop(redo ? "Redo" : "Undo", after, false))
        return;
    redo ? UndoStack->redo() : UndoStack->undo();
}

namespace {
template <class R>
bool typedOver(const std::vector<FieldEdit<R>>& edits, const R& stored)
{
    R typed = stored;
    readFields(edits, typed);
    return !SameEntry(typed, stored);
}

template <class R>
bool outOfDate(const ShownEntry<R>& shown, int current)
{
    return shown.number != current || !SameEntry(shown.stored, Orb.get<R>(current));
}
}  // namespace

bool TSDIAppForm::pageTyped(uint8_t page) const
{
    switch (page) {
    case pcWeapons: return shownWeapon_.number && typedOver(weaponEdits, shownWeapon_.stored);
    case pcUnits: return shownUnit_.number && typedOver(unitEdits, shownUnit_.stored);
    case pcFormations: return shownFormation_.number && typedOver(formationEdits, shownFormation_.stored);
    default: return false;
    }
}

void TSDIAppForm::syncPage(uint8_t page)
{
    switch (page) {
    case pcWeapons:
        outOfDate(shownWeapon_, CurrentWeapon) ? ShowWeapon() : typedWeaponLabels();
        if (formShown(pcWeapons))
            weaponEdit("Name")->setFocus();
        break;
    case pcUnits:
        outOfDate(shownUnit_, CurrentUnit) ? ShowUnit() : typedUnitLabels();
        if (formShown(pcUnits))
            unitEdit("Name")->setFocus();
        break;
    case pcFormations:
        outOfDate(shownFormation_, CurrentFormation) ? ShowFormation() : typedFormationLabels();
        if (formShown(pcFormations))
            formationEdit("Name")->setFocus();
        break;
    default:
        break;
    }
}

QString TSDIAppForm::shownTitle(uint8_t page) const
{
    return EntryTitle(page, page == pcWeapons ? shownWeapon_.number
                            : page == pcUnits ? shownUnit_.number
                                              : shownFormation_.number);
}

bool TSDIAppForm::changesShownEntry(uint8_t page, const OrbData& after) const
{
    switch (page) {
    case pcWeapons: return !SameEntry(after.weapon(shownWeapon_.number), Orb.weapon(shownWeapon_.number));
    case pcUnits: return !SameEntry(after.unit(shownUnit_.number), Orb.unit(shownUnit_.number));
    case pcFormations:
        return !SameEntry(after.formation(shownFormation_.number), Orb.formation(shownFormation_.number));
    default: return false;
    }
}

void TSDIAppForm::forgetShown()
{
    shownUnit_.number = shownWeapon_.number = shownFormation_.number = 0;
}

void TSDIAppForm::noteSaved()
{
    savedImage_.assign(OrbImageSize, 0);
    PackImage(Orb, savedImage_.data());
    UndoStack->setClean();
}

void TSDIAppForm::updateModified()
{
    if (!FileLoaded) {
        setWindowModified(false);
        return;
    }
    std::vector<uint8_t> image(OrbImageSize);
    PackImage(Orb, image.data());
    // A short file's save keeps its length: values past its end stay unsaved however often the
    // user saves, and the mark says so.
    const bool unwritable =
        FileImage.bytesRead < OrbImageSize && !ValuesPastEnd(image.data(), FileImage.bytesRead).empty();
    setWindowModified(image != savedImage_ || unwritable);
    emit host_->workChanged(image, isWindowModified());
}
