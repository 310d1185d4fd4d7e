// Comparing the loaded tables with another data file: marks on the lists and edits, stepping from
// difference to difference, and taking entries and values back from the compared file.
#include "ui/CodeNames.h"
#include "ui/RecordPage.h"

#include "core/OrbDiff.h"
#include "core/OrbFile.h"
#include "ui/TableModel.h"

#include <QAction>
#include <QUndoStack>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <type_traits>

namespace {
// Marks the edits whose stored value differs from the compared entry: a background from the
// palette's highlight, and the compared value as a tooltip. With no compared entry, unmarks all.
// Whether entry n of a short compared file (length bytes) lacks any value of its own.
template <class R>
bool entryPastEnd(int n, std::size_t length)
{
    for (const auto& f : FieldsOf<R>())
        if (f.editable() && f.pastEnd(n, length))
            return true;
    return false;
}

// A value past the end of a short compared file is missing there, not a difference: it is not
// marked as one, cannot be taken, and its tooltip says so.
template <class R>
void markEdits(const std::vector<FieldEdit<R>>& edits, int n, const R& stored, const R* compared, const OrbData* other,
               std::size_t length)
{
    for (const auto& e : edits) {
        const bool missing = compared && e.field->pastEnd(n, length);
        if (missing) {
            e.edit->setProperty("differs", false);
            e.edit->setPalette(QPalette());
            e.edit->setToolTip("Compared file: missing (past its end)");
            continue;
        }
        const bool differs = compared && !SameField(stored, *compared, *e.field);
        if (!differs && !e.edit->property("differs").toBool() && e.edit->toolTip().isEmpty())
            continue;
        e.edit->setProperty("differs", differs);
        QPalette p;  // unmarked: the palette the edit inherits
        if (differs) {
            p = e.edit->parentWidget()->palette();
            p.setColor(QPalette::Base, CompareMark(p));
            const QString text = toQ(FieldText(*compared, *e.field));
            e.edit->setProperty("comparedValue", text);
            const QString name = e.field->width == FieldWidth::Text ? QString() : codeName(*e.field, e.field->number(*compared), *other);
            e.edit->setToolTip("Compared file: " + text + (name.isEmpty() ? QString() : " " + name));
        } else {
            e.edit->setToolTip(QString());
        }
        e.edit->setPalette(p);
    }
}

// Bold lines for the entries that differ, with the compared file's name as their tooltip.
void markList(QListWidget* list, const std::vector<int>& differing, const QString& other)
{
    std::vector<bool> marked(static_cast<std::size_t>(list->count()), false);
    for (int n : differing)
        if (n >= 1 && n <= list->count())
            marked[static_cast<std::size_t>(n - 1)] = true;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const bool is = marked[static_cast<std::size_t>(row)];
        if (item->font().bold() == is)
            continue;
        QFont f = item->font();
        f.setBold(is);
        item->setFont(f);
        item->setToolTip(is ? "Differs from " + other : QString());
    }
}
}  // namespace

void TSDIAppForm::buildCompareMenu()
{
    QAction* before = nullptr;
    for (QAction* a : FileMenu->actions())
        if (a->objectName() == "N2")
            before = a;
    auto item = [this, before](const char* name, const QString& caption, const QString& hint) {
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        a->setStatusTip(hint);
        FileMenu->insertAction(before, a);
        return a;
    };
    FileMenu->insertSeparator(before);
    CompareItem = item("CompareItem", "Compare &With...", "Mark what differs from another data file");
    CompareItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    CompareSavedItem = item("CompareSavedItem", "Compare With Sa&ved File",
                            "Mark what this session changed and has not saved");
    StopCompareItem = item("StopCompareItem", "Stop Co&mparing", "Take the marks away");
    CompareSavedItem->setEnabled(false);
    StopCompareItem->setEnabled(false);
    TakeEntryItem = new QAction("&Take Entry From Compared File", this);
    TakeEntryItem->setObjectName("TakeEntryItem");
    TakeEntryItem->setStatusTip("Put the compared file's entry on the page, to be committed");
    TakeEntryItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    TakeEntryItem->setEnabled(false);
    EditMenu->addAction(TakeEntryItem);

    connect(CompareItem, &QAction::triggered, this, [this] {
        QFileDialog dialog(this, "Compare With", QString::fromStdString(CurrentDirectory));
        dialog.setObjectName("CompareDialog");
        dialog.setOption(QFileDialog::DontUseNativeDialog);  // the same dialog, and keys, everywhere
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            compareWith(dialog.selectedFiles().first());
    });
    connect(CompareSavedItem, &QAction::triggered, this, [this] {
        compareWith(QDir(QString::fromStdString(CurrentDirectory)).filePath(loadedName_));
    });
    connect(StopCompareItem, &QAction::triggered, this, &TSDIAppForm::stopComparing);
    connect(TakeEntryItem, &QAction::triggered, this, &TSDIAppForm::takeComparedEntry);
    connect(UndoStack, &QUndoStack::indexChanged, this, &TSDIAppForm::updateMarks);

    // A marked edit's context menu takes the compared value into the edit alone.
    auto takeValue = [this](QLineEdit* edit, QContextMenuEvent* e) {
        std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        if (edit->property("differs").toBool()) {
            menu->addSeparator();
            QAction* take = menu->addAction("Take Compared &Value");
            take->setObjectName("TakeValueItem");
            connect(take, &QAction::triggered, edit,
                    [edit] { edit->setText(edit->property("comparedValue").toString()); });
        }
        menu->exec(e->globalPos());
    };
    auto hook = [takeValue](QLineEdit* edit) {
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QLineEdit::customContextMenuRequested, edit, [edit, takeValue](const QPoint& at) {
            QContextMenuEvent e(QContextMenuEvent::Keyboard, at, edit->mapToGlobal(at));
            takeValue(edit, &e);
        });
    };
    for (const auto& e : unitEdits)
        hook(e.edit);
    for (const auto& e : weaponEdits)
        hook(e.edit);
    for (const auto& e : formationEdits)
        hook(e.edit);
}

bool TSDIAppForm::compareWith(const QString& path)
{
    auto other = std::make_unique<OrbData>();
    OrbImage meta{{}, 0, {}, 0};
    IoResult read = ReadDataFile(path.toStdString(), *other, meta, false);
    if (!read.ok) {
        showMessage("Unable to compare with " + QDir::toNativeSeparators(path) + "\n" +
                        QString::fromStdString(read.error),
                    "Compare Error");
        return false;
    }
    compareWithTables(std::move(other), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), meta.bytesRead);
    return true;
}

void TSDIAppForm::compareWithTables(std::unique_ptr<OrbData> other, const QString& name, std::size_t length, bool mark)
{
    compared_ = std::move(other);
    comparedLength_ = length;
    comparedPath_ = name;
    StopCompareItem->setEnabled(true);
    if (mark)
        updateMarks();
}

void TSDIAppForm::stopComparing()
{
    compared_.reset();
    comparedPath_.clear();
    StopCompareItem->setEnabled(false);
    updateMarks();
    statusBar()->clearMessage();
}

void TSDIAppForm::updateMarks()
{
    if (!TakeEntryItem)
        return;  // still building
    for (auto& d : differing_)
        d.clear();
    CompareSavedItem->setEnabled(FileLoaded);
    TakeEntryItem->setEnabled(comparing() && FileLoaded);
    if (compared_ && FileLoaded) {
        // An entry differs where a value the compared file holds differs.
        int index = 0;
        for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations}) {
            WithTable(t, [&](const auto& fields, auto entry) {
                for (int n = 1; n <= TableCount(t); ++n) {
                    const auto a = entry(*compared_, n), b = entry(Orb, n);
                    for (const auto& f : fields)
                        if (!f.pastEnd(n, comparedLength_) && !SameField(a, b, f)) {
                            differing_[index].push_back(n);
                            break;
                        }
                }
            });
            ++index;
        }
        const QString shortNote = comparedLength_ < OrbImageSize
                                      ? QString(" (a short file: %1 of %2 bytes; values past its end are missing)")
                                            .arg(comparedLength_)
                                            .arg(OrbImageSize)
                                      : QString();
        statusBar()->showMessage(QString("Comparing with %1%5: %2 units, %3 weapons, %4 formations differ")
                                     .arg(comparedPath_)
                                     .arg(differing_[0].size())
                                     .arg(differing_[1].size())
                                     .arg(differing_[2].size())
                                     .arg(shortNote));
    }
    const QString other = QFileInfo(comparedPath_).fileName();
    for (QTableView* t : tables_)
        if (t)
            TableModelOf(t)->setCompared(compared_ && FileLoaded ? compared_.get() : nullptr, comparedLength_);
    // The lists are as wide as their lines in bold already: marks do not move the form.
    markList(UnitListBox, differing_[0], other);
    markList(wpnlistbox, differing_[1], other);
    markList(FormationListBox, differing_[2], other);
    markPage();
}

void TSDIAppForm::markPage()
{
    const OrbData* other = compared_ && FileLoaded ? compared_.get() : nullptr;
    switch (CurrentPage) {
    case pcUnits: {
        const UnitRecord c = other ? other->unit(CurrentUnit) : UnitRecord{};
        markEdits(unitEdits, CurrentUnit, Orb.unit(CurrentUnit), other ? &c : nullptr, other, comparedLength_);
        break;
    }
    case pcWeapons: {
        const WeaponRecord c = other ? other->weapon(CurrentWeapon) : WeaponRecord{};
        markEdits(weaponEdits, CurrentWeapon, Orb.weapon(CurrentWeapon), other ? &c : nullptr, other, comparedLength_);
        break;
    }
    case pcFormations: {
        const FormationRecord c = other ? other->formation(CurrentFormation) : FormationRecord{};
        markEdits(formationEdits, CurrentFormation, Orb.formation(CurrentFormation), other ? &c : nullptr, other,
                  comparedLength_);
        break;
    }
    default:
        break;
    }
}

void TSDIAppForm::stepToDifference(int direction)
{
    if (!comparing() || !FileLoaded || CurrentPage == pcLoad)
        return;
    const std::vector<int>& d = differing_[TableIndexOfPage(CurrentPage)];
    const int current = CurrentEntryOf(CurrentPage);
    int next = 0;
    if (direction > 0) {
        auto it = std::upper_bound(d.begin(), d.end(), current);
        next = it == d.end() ? 0 : *it;
    } else {
        auto it = std::lower_bound(d.begin(), d.end(), current);
        next = it == d.begin() ? 0 : *(it - 1);
    }
    if (!next) {
        // On to the next table that has a difference (Units, Weapons, Formations, as the tabs
        // stand), at its first one, or back to the previous table's last.
        QWidget* pages[] = {Units, Weapons, Formations};
        for (int t = TableIndexOfPage(CurrentPage) + direction; t >= 0 && t < 3; t += direction) {
            if (differing_[t].empty())
                continue;
            Viewer->setCurrentWidget(pages[t]);
            const int to = direction > 0 ? differing_[t].front() : differing_[t].back();
            if (to != CurrentEntryOf(CurrentPage))
                stepBy(to - CurrentEntryOf(CurrentPage));
            return;
        }
        statusBar()->showMessage(NoFurtherDifferences);
        return;
    }
    stepBy(next - current);
}

void TSDIAppForm::takeComparedEntry()
{
    if (!comparing() || !FileLoaded)
        return;
    // Values the compared file does not hold are not taken as zeros.
    const bool missing = CurrentPage == pcUnits     ? entryPastEnd<UnitRecord>(CurrentUnit, comparedLength_)
                         : CurrentPage == pcWeapons ? entryPastEnd<WeaponRecord>(CurrentWeapon, comparedLength_)
                                                    : entryPastEnd<FormationRecord>(CurrentFormation, comparedLength_);
    if (CurrentPage != pcLoad && missing) {
        statusBar()->showMessage(QString("Nothing taken: the compared file is %1 bytes long, and this entry's values "
                                         "lie past its end")
                                     .arg(comparedLength_));
        return;
    }
    // As a paste: the page shows the entry, a Commit stores it; a unit keeps its hidden byte,
    // which no edit shows.
    switch (CurrentPage) {
    case pcUnits: showUnitRecord(compared_->unit(CurrentUnit)); break;
    case pcWeapons: showWeaponRecord(compared_->weapon(CurrentWeapon)); break;
    case pcFormations: showFormationRecord(compared_->formation(CurrentFormation)); break;
    default: break;
    }
}
