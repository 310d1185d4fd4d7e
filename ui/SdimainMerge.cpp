// Merging another file into the loaded one: base, ours (the loaded tables) and theirs, the
// changes that do not conflict taken as one step, and each conflict chosen by the user.
#include "ui/RecordPage.h"
#include "ui/shared/FieldMarks.h"

#include "core/Merge.h"
#include "core/OrbDiff.h"
#include "core/OrbFile.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QGuiApplication>
#include <QTreeView>

#include <cstring>
#include <QUndoStack>

namespace {
// "Keep Ours" changes no value: a step of its own, so that Undo brings the conflict back.
class KeepOursCommand : public QUndoCommand {
public:
    KeepOursCommand(const QString& text, std::vector<bool>& kept, std::size_t index, std::function<void()> shown)
        : QUndoCommand(text), kept_(kept), index_(index), shown_(std::move(shown))
    {
    }
    void undo() override { set(false); }
    void redo() override { set(true); }

private:
    void set(bool on)
    {
        if (index_ < kept_.size())
            kept_[index_] = on;
        shown_();
    }
    std::vector<bool>& kept_;
    std::size_t index_;
    std::function<void()> shown_;
};

// "Unit 017": a merged field's entry, as undo steps name entries.
QString entryTitle(const MergeField& f)
{
    return (f.table == TableId::Units ? "Unit " : f.table == TableId::Weapons ? "Weapon " : "Formation ") +
           threeDigits(f.entry);
}

// Where a field of an entry lies in the image, found once: a merge of two files that differ
// everywhere lists thousands of conflicts, each looked at again after every step.
FieldSpot spotOf(const MergeField& m)
{
    return WithTable(m.table, [&](const auto& fields, auto) {
        const auto* f = FindField(fields, m.field);
        return f ? FieldSpot{std::size_t(f->at(m.entry)), f->size(), f->width == FieldWidth::Text} : FieldSpot{};
    });
}

// Whether a field holds the same value in a and b: a name up to its end, a number byte for byte.
bool sameValue(const FieldSpot& s, const OrbData& a, const OrbData& b)
{
    const auto* x = reinterpret_cast<const char*>(a.bytes()) + s.at;
    const auto* y = reinterpret_cast<const char*>(b.bytes()) + s.at;
    if (s.text) {
        const std::size_t lx = strnlen(x, std::size_t(s.size)), ly = strnlen(y, std::size_t(s.size));
        return lx == ly && std::memcmp(x, y, lx) == 0;
    }
    return std::memcmp(x, y, std::size_t(s.size)) == 0;
}

// A list of merged fields (the conflicts, or what was taken), each line read when shown; a
// line whose choice is made is greyed.
class MergeListModel : public QAbstractTableModel {
public:
    MergeListModel(QObject* parent, const std::vector<MergeField>& fields, std::function<bool(std::size_t)> done)
        : QAbstractTableModel(parent), fields_(fields), done_(std::move(done))
    {
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(fields_.size()); }
    int columnCount(const QModelIndex&) const override { return 5; }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        static const char* const names[] = {"Entry", "Field", "Base", "Ours", "Theirs"};
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 5)
            return QString(names[section]);
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const std::size_t row = std::size_t(index.row());
        if (row >= fields_.size())
            return {};
        const MergeField& f = fields_[row];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case 0: return entryTitle(f);
            case 1: return QString::fromStdString(f.field);
            case 2: return toQ(f.base);
            case 3: return toQ(f.ours);
            default: return toQ(f.theirs);
            }
        }
        if (role == Qt::ForegroundRole && done_(row))
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    }
    void refresh()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const std::vector<MergeField>& fields_;
    std::function<bool(std::size_t)> done_;
};

MergeListModel* modelOf(QTreeView* view)
{
    return static_cast<MergeListModel*>(view->model());
}

// Copies field `name` of entry n from `from` into `to`.
void copyValue(TableId t, int n, const std::string& name, const OrbData& from, OrbData& to)
{
    WithTable(t, [&](const auto& fields, auto entry) {
        const auto* f = FindField(fields, name);
        if (!f)
            return;
        auto r = entry(to, n);
        const auto source = entry(from, n);
        if (f->width == FieldWidth::Text)
            r.*(f->text) = source.*(f->text);
        else
            f->setNumber(r, f->number(source));
        entry.set(to, n, r);
    });
}
}  // namespace

void TSDIAppForm::buildMergeMenu()
{
    MergeItem = new QAction("&Merge With...", this);
    MergeItem->setObjectName("MergeItem");
    MergeItem->setStatusTip("Take another file's changes since a common base, and choose where both changed");
    MergeItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    host_->addCommand(Menu::File, MergeItem, true);  // above Compare With
    connect(MergeItem, &QAction::triggered, this, [this] {
        if (!FileLoaded)
            return showMessage("Please load a file first!!");
        auto pick = [this](const QString& title, const QString& name, const QString& preset) {
            QFileDialog dialog(this, title, QString::fromStdString(CurrentDirectory));
            dialog.setObjectName(name);
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setFileMode(QFileDialog::ExistingFile);
            if (!preset.isEmpty())
                dialog.selectFile(preset);
            return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                           : QString();
        };
        const QString theirs = pick("Merge With: Theirs", "MergeTheirsDialog", {});
        if (theirs.isEmpty())
            return;
        // The compared file is the usual base: the stock file both mods began from.
        const QString base = pick("Merge With: Base", "MergeBaseDialog",
                                  host_->marks().comparing() && QFileInfo(host_->marks().comparedPath()).isFile() ? host_->marks().comparedPath() : QString());
        if (!base.isEmpty())
            mergeWith(theirs, base);
    });

    auto add = [this](QAction*& a, const char* name, const QString& text, const QKeySequence& key) {
        a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setEnabled(false);
        EditMenu->addAction(a);
    };
    EditMenu->addSeparator();
    add(KeepOursItem, "KeepOursItem", "Keep &Ours", QKeySequence(Qt::CTRL | Qt::Key_1));
    add(TakeTheirsItem, "TakeTheirsItem", "Take T&heirs", QKeySequence(Qt::CTRL | Qt::Key_2));
    add(TakeBaseItem, "TakeBaseItem", "Take &Base", QKeySequence(Qt::CTRL | Qt::Key_3));
    add(TakeTheirsEntryItem, "TakeTheirsEntryItem", "Take Theirs for &Entry", {});
    add(TakeTheirsAllItem, "TakeTheirsAllItem", "Take Theirs for &All Conflicts", {});
    connect(KeepOursItem, &QAction::triggered, this, [this] { resolveConflicts(0, false); });
    connect(TakeTheirsItem, &QAction::triggered, this, [this] { resolveConflicts(1, false); });
    connect(TakeBaseItem, &QAction::triggered, this, [this] { resolveConflicts(2, false); });
    connect(TakeTheirsEntryItem, &QAction::triggered, this, [this] { resolveConflicts(1, true); });
    connect(TakeTheirsAllItem, &QAction::triggered, this, [this] {
        if (!mergeTheirs_)
            return;
        const OrbData before = Orb;
        for (std::size_t i = 0; i < conflicts_.size(); ++i)
            if (!conflictResolved(i))
                copyValue(conflicts_[i].table, conflicts_[i].entry, conflicts_[i].field, *mergeTheirs_, Orb);
        recordStep("Take Theirs for All Conflicts", before);
    });

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("MergeTabs");
    auto list = [tabs](const char* name, const QString& title, MergeListModel* model) {
        auto* l = new QTreeView(tabs);
        l->setObjectName(name);
        l->setRootIsDecorated(false);
        l->setUniformRowHeights(true);
        l->setModel(model);
        // Wide enough for what the columns hold, set once: measuring thousands of lines after
        // every step would cost more than the step.
        const QFontMetrics fm = l->fontMetrics();
        const int pad = 4 * fm.averageCharWidth();
        for (auto [column, widest] : {std::pair{0, "Formation 000"}, {1, "WarheadSize"}, {2, "\"Schuetzenpanzer\""},
                                      {3, "\"Schuetzenpanzer\""}})
            l->header()->resizeSection(column, fm.horizontalAdvance(widest) + pad);
        l->header()->setSectionResizeMode(QHeaderView::Interactive);
        l->header()->setStretchLastSection(true);
        tabs->addTab(l, title);
        return l;
    };
    ConflictsList = list("ConflictsList", "Conflicts",
                         new MergeListModel(this, conflicts_, [this](std::size_t i) { return conflictResolved(i); }));
    TakenList = list("TakenList", "Taken from Theirs", new MergeListModel(this, taken_, [this](std::size_t i) {
                         return i < takenSpots_.size() && mergeOurs_ && sameValue(takenSpots_[i], Orb, *mergeOurs_);
                     }));
    ConflictsDock = host_->addDock("Merge", "ConflictsDock", tabs);
    ConflictsCount = new QLabel(this);
    ConflictsCount->setObjectName("ConflictsCount");
    statusBar()->addPermanentWidget(ConflictsCount);
    ConflictsCount->hide();
    connect(ConflictsList, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const std::size_t i = std::size_t(index.row());
        if (i < conflicts_.size())
            host_->goToField(conflicts_[i].table, conflicts_[i].entry, QString::fromStdString(conflicts_[i].field));
    });
    connect(TakenList, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const std::size_t i = std::size_t(index.row());
        if (i < taken_.size())
            host_->goToField(taken_[i].table, taken_[i].entry, QString::fromStdString(taken_[i].field));
    });
    // What was taken at once, each to look at and, where it should not have been, to take back.
    TakenList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TakenList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = TakenList->indexAt(at);
        if (!index.isValid())
            return;
        QMenu menu(this);
        QAction* back = menu.addAction("Undo This Change");
        back->setObjectName("UndoTakenItem");
        const std::size_t row = std::size_t(index.row());
        connect(back, &QAction::triggered, this, [this, row] { undoTaken(row); });
        menu.exec(TakenList->viewport()->mapToGlobal(at));
    });
    connect(host_.get(), &FeatureHost::tablesChanged, this, &TSDIAppForm::refreshMerge);
}

bool TSDIAppForm::mergeWith(const QString& theirsPath, const QString& basePath)
{
    auto read = [this](const QString& path, OrbData& orb, OrbImage& meta) {
        const IoResult r = ReadDataFile(path.toStdString(), orb, meta, false);
        if (!r.ok)
            showMessage("Unable to merge with " + QDir::toNativeSeparators(path) + "\n" + QString::fromStdString(r.error),
                        "Merge Error");
        return r.ok;
    };
    auto theirs = std::make_unique<OrbData>(), base = std::make_unique<OrbData>();
    OrbImage theirsMeta{{}, 0, {}, 0}, baseMeta{{}, 0, {}, 0};
    if (!read(theirsPath, *theirs, theirsMeta) || !read(basePath, *base, baseMeta))
        return false;
    auto merge = [&] {
        return MergeOrb(*base, Orb, *theirs, {baseMeta.bytesRead, FileImage.bytesRead, theirsMeta.bytesRead});
    };
    MergeResult m = merge();
    // Typed edits on entries the merge changes are asked about first. Committed, they are ours
    // too: the merge is made again from them, or it would take them back.
    OrbData after = Orb;
    ApplyAfter(after, DiffOrb(Orb, m.merged));
    const int stepsBefore = UndoStack->index();
    if (!confirmTypedDrop("Merge With", after, true)) {
        endMerge();
        return false;
    }
    if (UndoStack->index() != stepsBefore)
        m = merge();
    endMerge();  // the last merge's lists go first
    mergeOurs_ = std::make_unique<OrbData>(Orb);
    mergeBase_ = std::move(base);
    mergeTheirs_ = std::move(theirs);
    mergeTheirsName_ = QFileInfo(theirsPath).fileName();
    conflicts_ = m.conflictFields;
    keptOurs_.assign(conflicts_.size(), false);
    taken_ = m.taken;
    conflictSpots_.clear();
    takenSpots_.clear();
    for (const MergeField& f : conflicts_)
        conflictSpots_.push_back(spotOf(f));
    for (const MergeField& f : taken_)
        takenSpots_.push_back(spotOf(f));
    // Entry by entry: the bytes no field holds stay ours (the command line's merge takes them).
    OrbChanges merged = DiffOrb(Orb, m.merged);
    ApplyAfter(Orb, merged);
    // The pages mark what differs from theirs, with theirs' value beside ours; the step's own
    // refresh of the marks then counts against theirs.
    auto marks = std::make_unique<OrbData>(*mergeTheirs_);
    host_->marks().compareWith(std::move(marks), QDir::toNativeSeparators(QFileInfo(theirsPath).absoluteFilePath()),
                               theirsMeta.bytesRead, false);
    if (pushStep("Merge With " + mergeTheirsName_, std::move(merged)) == 0) {
        host_->marks().update();  // no step to do it: nothing was taken
        refreshMerge();
    }
    if (!ConflictsDock->isVisible())
        host_->showDock(ConflictsDock, true);
    const std::size_t others = OtherBytesDiffering(*mergeBase_, *mergeTheirs_);
    QString said = QString("%1 taken from theirs, %2")
                       .arg(m.taken.size() == 1 ? QString("1 field") : QString("%1 fields").arg(m.taken.size()))
                       .arg(conflicts_.size() == 1 ? QString("1 conflict") : QString("%1 conflicts").arg(conflicts_.size()));
    if (others)
        said += QString("; %1 that no field holds changed in theirs and stayed ours").arg(
            others == 1 ? QString("1 byte") : QString("%1 bytes").arg(others));
    statusBar()->showMessage(said);
    if (!conflicts_.empty())
        host_->goToField(conflicts_[0].table, conflicts_[0].entry, QString::fromStdString(conflicts_[0].field));
    return true;
}

void TSDIAppForm::endMerge()
{
    mergeOurs_.reset();
    mergeBase_.reset();
    mergeTheirs_.reset();
    conflicts_.clear();
    keptOurs_.clear();
    taken_.clear();
    conflictSpots_.clear();
    takenSpots_.clear();
    refreshMerge();  // the lists empty before the dock goes, which lays them out
    if (ConflictsDock && ConflictsDock->isVisible())
        host_->showDock(ConflictsDock, false);
}

bool TSDIAppForm::conflictResolved(std::size_t i) const
{
    // Kept as ours by choice, or given another value: taken from theirs or base, or typed.
    if (!mergeOurs_ || i >= keptOurs_.size() || i >= conflictSpots_.size())
        return false;  // asked by a view between a change of the merge and its refresh
    return keptOurs_[i] || !sameValue(conflictSpots_[i], Orb, *mergeOurs_);
}

std::size_t TSDIAppForm::conflictsLeft() const
{
    std::size_t left = 0;
    for (std::size_t i = 0; mergeOurs_ && i < conflicts_.size(); ++i)
        left += !conflictResolved(i);
    return left;
}

void TSDIAppForm::refreshMerge()
{
    if (!ConflictsList)
        return;
    const bool merging = mergeOurs_ != nullptr;
    const std::size_t left = conflictsLeft();
    for (QAction* a : {KeepOursItem, TakeTheirsItem, TakeBaseItem, TakeTheirsEntryItem, TakeTheirsAllItem})
        a->setEnabled(merging && left > 0);
    modelOf(ConflictsList)->refresh();
    modelOf(TakenList)->refresh();
    ConflictsCount->setVisible(merging);
    if (!merging)
        return;
    ConflictsCount->setText(left == 0 ? QString("No conflicts left")
                                      : left == 1 ? QString("1 conflict left") : QString("%1 conflicts left").arg(left));
}

// The conflict the page in front shows: the one of its entry whose field has the focus, else the
// entry's first one left; conflicts_.size() when the entry has none.
std::size_t TSDIAppForm::conflictInFront() const
{
    const TableId t = TableOfPage(CurrentPage);
    const int n = host_->entryInFront();
    QWidget* focus = focusWidget();
    std::size_t first = conflicts_.size();
    for (std::size_t i = 0; i < conflicts_.size(); ++i) {
        const MergeField& c = conflicts_[i];
        if (c.table != t || c.entry != n || conflictResolved(i))
            continue;
        const std::string name = c.field;
        QLineEdit* edit = t == TableId::Units     ? editOf(unitEdits, name.c_str())
                          : t == TableId::Weapons ? editOf(weaponEdits, name.c_str())
                                                  : editOf(formationEdits, name.c_str());
        if (edit && edit == focus)
            return i;
        if (first == conflicts_.size())
            first = i;
    }
    return first;
}

void TSDIAppForm::resolveConflicts(int choice, bool wholeEntry)
{
    if (!mergeOurs_ || CurrentPage == pcLoad)
        return;
    const std::size_t at = conflictInFront();
    if (at == conflicts_.size()) {
        statusBar()->showMessage("No conflict left in " + EntryTitle(CurrentPage, host_->entryInFront()));
        return;
    }
    const MergeField c = conflicts_[at];
    const QString what = QString::fromStdString(c.field) + " of " + entryTitle(c);
    if (choice == 0) {
        UndoStack->push(new KeepOursCommand("Keep Ours for " + what, keptOurs_, at, [this] { refreshMerge(); }));
        statusBar()->showMessage("Kept ours for " + what + ": " + ConflictsCount->text());
        return;
    }
    // Typed edits on the entry go first: the choice is a commit of its own.
    const OrbData before = Orb;
    const OrbData& source = choice == 1 ? *mergeTheirs_ : *mergeBase_;
    for (std::size_t i = 0; i < conflicts_.size(); ++i) {
        const MergeField& d = conflicts_[i];
        if ((i == at || (wholeEntry && d.table == c.table && d.entry == c.entry)) && !conflictResolved(i))
            copyValue(d.table, d.entry, d.field, source, Orb);
    }
    OrbData after = Orb;
    Orb = before;
    if (!confirmTypedDrop(choice == 1 ? "Take Theirs" : "Take Base", after, false))
        return;
    Orb = after;
    const QString taken = wholeEntry ? entryTitle(c) : what;
    recordStep((choice == 1 ? "Take Theirs for " : "Take Base for ") + taken, before);
    // Said after the marks' own count of differences, which the step wrote there.
    statusBar()->showMessage((choice == 1 ? "Took theirs for " : "Took base for ") + taken + ": " + ConflictsCount->text());
}

void TSDIAppForm::undoTaken(std::size_t i)
{
    if (!mergeOurs_ || i >= taken_.size())
        return;
    const MergeField& f = taken_[i];
    const OrbData before = Orb;
    copyValue(f.table, f.entry, f.field, *mergeOurs_, Orb);
    recordStep("Undo Taken " + QString::fromStdString(f.field) + " of " + entryTitle(f), before);
}


void TSDIAppForm::stepToConflict(int direction)
{
    const std::size_t left = conflictsLeft();
    if (left == 0)
        return;
    // The conflicts in their order, from the one after (or before) the entry in front.
    const TableId t = TableOfPage(CurrentPage);
    auto key = [](TableId table, int entry) { return int(table) * 1000 + entry; };
    const int here = key(t, host_->entryInFront());
    std::size_t pick = conflicts_.size();
    for (std::size_t k = 0; k < conflicts_.size(); ++k) {
        const std::size_t i = direction > 0 ? k : conflicts_.size() - 1 - k;
        if (conflictResolved(i))
            continue;
        const int at = key(conflicts_[i].table, conflicts_[i].entry);
        if (direction > 0 ? at > here : at < here) {
            pick = i;
            break;
        }
    }
    if (pick == conflicts_.size()) {
        statusBar()->showMessage(direction > 0 ? "No further conflicts" : "No earlier conflicts");
        return;
    }
    host_->goToField(conflicts_[pick].table, conflicts_[pick].entry, QString::fromStdString(conflicts_[pick].field));
}

bool TSDIAppForm::confirmUnresolved()
{
    const std::size_t left = conflictsLeft();
    if (left == 0)
        return true;
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                    QString("%1 unresolved: they keep ours' values")
                        .arg(left == 1 ? QString("1 conflict is") : QString("%1 conflicts are").arg(left)),
                    QMessageBox::Save | QMessageBox::Cancel, isVisible() ? this : nullptr);
    box.setObjectName("UnresolvedBox");
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Save;
}
