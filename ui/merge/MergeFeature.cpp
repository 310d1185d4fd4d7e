#include "ui/merge/MergeFeature.h"

#include "core/Globals.h"
#include "core/MergeSession.h"
#include "core/OrbFile.h"
#include "ui/PageCodes.h"
#include "ui/Text.h"
#include "ui/shared/FieldMarks.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTreeView>
#include <QUndoCommand>

#include <functional>

namespace {
// "Keep Ours" changes no value: a step of its own, so that Undo brings the conflict back. It
// holds its merge weakly: once that merge is over, undoing it changes nothing.
class KeepOursCommand : public QUndoCommand {
public:
    KeepOursCommand(const QString& text, std::weak_ptr<MergeSession> session, std::size_t index,
                    std::function<void()> shown)
        : QUndoCommand(text), session_(std::move(session)), index_(index), shown_(std::move(shown))
    {
    }
    void undo() override { set(false); }
    void redo() override { set(true); }

private:
    void set(bool on)
    {
        if (auto session = session_.lock())
            session->keepOurs(index_, on);
        shown_();
    }
    std::weak_ptr<MergeSession> session_;
    std::size_t index_;
    std::function<void()> shown_;
};

QString entryTitle(const MergeField& f)
{
    return EntryTitle(f.table, f.entry);
}

// A list of merged fields (the conflicts, or what was taken), each line read when shown; a
// line whose choice is made is greyed.
class MergeListModel : public QAbstractTableModel {
public:
    MergeListModel(QObject* parent, std::function<const std::vector<MergeField>*()> fields,
                   std::function<bool(std::size_t)> done)
        : QAbstractTableModel(parent), fields_(std::move(fields)), done_(std::move(done))
    {
    }
    int rowCount(const QModelIndex& parent) const override
    {
        const std::vector<MergeField>* f = fields_();
        return parent.isValid() || !f ? 0 : int(f->size());
    }
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
        const std::vector<MergeField>* fields = fields_();
        const std::size_t row = std::size_t(index.row());
        if (!fields || row >= fields->size())
            return {};
        const MergeField& f = (*fields)[row];
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
    std::function<const std::vector<MergeField>*()> fields_;
    std::function<bool(std::size_t)> done_;
};

MergeListModel* modelOf(QTreeView* view)
{
    return static_cast<MergeListModel*>(view->model());
}

QString count(std::size_t n, const char* one, const char* many)
{
    return n == 1 ? QString("1 ") + one : QString("%1 %2").arg(n).arg(many);
}
}  // namespace

MergeFeature::MergeFeature(FeatureHost& host) : Feature(host, "Merge")
{
    QWidget* window = host_.window();
    MergeItem = new QAction("&Merge With...", window);
    MergeItem->setObjectName("MergeItem");
    MergeItem->setStatusTip("Take another file's changes since a common base, and choose where both changed");
    MergeItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    host_.addCommand(Menu::File, MergeItem, true);  // above Compare With
    connect(MergeItem, &QAction::triggered, this, [this] {
        if (!FileLoaded)
            return host_.showMessage("Please load a file first!!");
        auto pick = [this](const QString& title, const QString& name, const QString& preset) {
            QFileDialog dialog(host_.window(), title, QString::fromStdString(CurrentDirectory));
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
        const FieldMarks& marks = host_.marks();
        const QString base = pick("Merge With: Base", "MergeBaseDialog",
                                  marks.comparing() && QFileInfo(marks.comparedPath()).isFile() ? marks.comparedPath()
                                                                                                 : QString());
        if (!base.isEmpty())
            mergeWith(theirs, base);
    });

    auto add = [this, window](QAction*& a, const char* name, const QString& text, const QKeySequence& key) {
        a = new QAction(text, window);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setEnabled(false);
        host_.addCommand(Menu::Edit, a);
    };
    auto* separator = new QAction(window);
    separator->setSeparator(true);
    host_.addCommand(Menu::Edit, separator);
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
        if (session_)
            takeStep(QString(), "Take Theirs for All Conflicts", session_->theirsForAll(Orb));
    });
    buildDock();
    // The lists and the count follow every change to the tables; a file loaded ends the merge.
    connect(&host_, &FeatureHost::tablesChanged, this, [this](const TableChange& change) {
        if (change.cause == TableChange::Cause::Load)
            endMerge();
        else
            refreshMerge();
    });
}

MergeFeature::~MergeFeature()
{
    delete ConflictsDock;  // its lists read the session, which goes with this
}

void MergeFeature::buildDock()
{
    auto* tabs = new QTabWidget(host_.window());
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
                         new MergeListModel(
                             this, [this] { return session_ ? &session_->conflicts() : nullptr; },
                             [this](std::size_t i) { return session_ && session_->resolved(i, Orb); }));
    TakenList = list("TakenList", "Taken from Theirs",
                     new MergeListModel(
                         this, [this] { return session_ ? &session_->taken() : nullptr; },
                         [this](std::size_t i) { return session_ && session_->takenBack(i, Orb); }));
    ConflictsDock = host_.addDock("Merge", "ConflictsDock", tabs);
    ConflictsCount = new QLabel(host_.window());
    ConflictsCount->setObjectName("ConflictsCount");
    host_.addStatusWidget(ConflictsCount);
    ConflictsCount->hide();
    auto goTo = [this](const std::vector<MergeField>& fields, std::size_t i) {
        if (i < fields.size())
            host_.goToField(fields[i].table, fields[i].entry, QString::fromStdString(fields[i].field));
    };
    connect(ConflictsList, &QTreeView::activated, this, [this, goTo](const QModelIndex& index) {
        if (session_)
            goTo(session_->conflicts(), std::size_t(index.row()));
    });
    connect(TakenList, &QTreeView::activated, this, [this, goTo](const QModelIndex& index) {
        if (session_)
            goTo(session_->taken(), std::size_t(index.row()));
    });
    // What was taken at once, each to look at and, where it should not have been, to take back.
    TakenList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TakenList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = TakenList->indexAt(at);
        if (!index.isValid())
            return;
        QMenu menu(host_.window());
        QAction* back = menu.addAction("Undo This Change");
        back->setObjectName("UndoTakenItem");
        const std::size_t row = std::size_t(index.row());
        connect(back, &QAction::triggered, this, [this, row] { undoTaken(row); });
        menu.exec(TakenList->viewport()->mapToGlobal(at));
    });
}


bool MergeFeature::mergeWith(const QString& theirsPath, const QString& basePath)
{
    auto read = [this](const QString& path, OrbData& orb, OrbImage& meta) {
        const IoResult r = ReadDataFile(path.toStdString(), orb, meta, false);
        if (!r.ok)
            host_.showMessage("Unable to merge with " + QDir::toNativeSeparators(path) + "\n" +
                                  QString::fromStdString(r.error),
                              "Merge Error");
        return r.ok;
    };
    OrbData theirs, base;
    OrbImage theirsMeta{{}, 0, {}, 0}, baseMeta{{}, 0, {}, 0};
    if (!read(theirsPath, theirs, theirsMeta) || !read(basePath, base, baseMeta))
        return false;
    const MergeLengths lengths{baseMeta.bytesRead, FileImage.bytesRead, theirsMeta.bytesRead};
    auto session = std::make_shared<MergeSession>(base, Orb, theirs, lengths);
    // Typed edits on entries the merge changes are asked about first. Committed, they are ours
    // too: the merge is made again from them, or it would take them back.
    const int stepsBefore = host_.stepCount();
    if (!host_.mayChange("Merge With", session->merged(), true)) {
        endMerge();
        return false;
    }
    if (host_.stepCount() != stepsBefore)
        session = std::make_shared<MergeSession>(base, Orb, theirs, lengths);
    endMerge();  // the last merge's lists go first
    session_ = std::move(session);
    OrbChanges merged = DiffOrb(Orb, session_->merged());
    ApplyAfter(Orb, merged);
    // The pages mark what differs from theirs, with theirs' value beside ours; the step's own
    // refresh of the marks then counts against theirs.
    host_.marks().compareWith(std::make_unique<OrbData>(session_->theirs()),
                              QDir::toNativeSeparators(QFileInfo(theirsPath).absoluteFilePath()), theirsMeta.bytesRead,
                              false);
    if (host_.pushStep("Merge With " + QFileInfo(theirsPath).fileName(), std::move(merged)) == 0) {
        host_.marks().update();  // no step to do it: nothing was taken
        refreshMerge();
    }
    if (!ConflictsDock->isVisible())
        host_.showDock(ConflictsDock, true);
    const std::vector<MergeField>& conflicts = session_->conflicts();
    QString said = QString("%1 taken from theirs, %2")
                       .arg(count(session_->taken().size(), "field", "fields"), count(conflicts.size(), "conflict", "conflicts"));
    if (const std::size_t others = session_->otherBytesChanged())
        said += QString("; %1 that no field holds changed in theirs and stayed ours").arg(count(others, "byte", "bytes"));
    host_.showStatus(said);
    if (!conflicts.empty())
        host_.goToField(conflicts[0].table, conflicts[0].entry, QString::fromStdString(conflicts[0].field));
    return true;
}

void MergeFeature::endMerge()
{
    session_.reset();
    refreshMerge();  // the lists empty before the dock goes, which lays them out
    if (ConflictsDock->isVisible())
        host_.showDock(ConflictsDock, false);
}

std::size_t MergeFeature::conflictsLeft() const
{
    return session_ ? session_->left(Orb) : 0;
}

void MergeFeature::refreshMerge()
{
    const bool merging = session_ != nullptr;
    const std::size_t left = conflictsLeft();
    for (QAction* a : {KeepOursItem, TakeTheirsItem, TakeBaseItem, TakeTheirsEntryItem, TakeTheirsAllItem})
        a->setEnabled(merging && left > 0);
    modelOf(ConflictsList)->refresh();
    modelOf(TakenList)->refresh();
    ConflictsCount->setVisible(merging);
    if (merging)
        ConflictsCount->setText(left == 0 ? QString("No conflicts left") : count(left, "conflict left", "conflicts left"));
}

std::size_t MergeFeature::conflictInFront() const
{
    const std::vector<MergeField>& conflicts = session_->conflicts();
    const TableId t = TableOfPage(CurrentPage);
    const int n = host_.entryInFront();
    QWidget* focus = host_.window()->focusWidget();
    const RecordEdits edits = host_.edits();
    std::size_t first = conflicts.size();
    for (std::size_t i = 0; i < conflicts.size(); ++i) {
        const MergeField& c = conflicts[i];
        if (c.table != t || c.entry != n || session_->resolved(i, Orb))
            continue;
        if (QLineEdit* edit = EditOf(edits, t, c.field); edit && edit == focus)
            return i;
        if (first == conflicts.size())
            first = i;
    }
    return first;
}

void MergeFeature::resolveConflicts(int choice, bool wholeEntry)
{
    if (!session_ || CurrentPage == pcLoad)
        return;
    const std::size_t at = conflictInFront();
    if (at == session_->conflicts().size()) {
        host_.showStatus("No conflict left in " + EntryTitle(TableOfPage(CurrentPage), host_.entryInFront()));
        return;
    }
    const MergeField c = session_->conflicts()[at];
    const QString what = QString::fromStdString(c.field) + " of " + entryTitle(c);
    if (choice == 0) {
        host_.pushChoice(new KeepOursCommand("Keep Ours for " + what, session_, at, [this] { refreshMerge(); }));
        host_.showStatus("Kept ours for " + what + ": " + ConflictsCount->text());
        return;
    }
    const bool theirs = choice == 1;
    const QString taken = wholeEntry ? entryTitle(c) : what;
    const OrbData after =
        session_->choose(Orb, at, theirs ? MergeSession::Source::Theirs : MergeSession::Source::Base, wholeEntry);
    if (!takeStep(theirs ? "Take Theirs" : "Take Base", (theirs ? "Take Theirs for " : "Take Base for ") + taken, after))
        return;
    // Said after the marks' own count of differences, which the step wrote there.
    host_.showStatus((theirs ? "Took theirs for " : "Took base for ") + taken + ": " + ConflictsCount->text());
}

bool MergeFeature::takeStep(const QString& operation, const QString& text, const OrbData& after)
{
    // Typed edits on the entries a choice changes go first: the choice is a step of its own.
    if (!operation.isEmpty() && !host_.mayChange(operation, after, false))
        return false;
    OrbChanges changes = DiffOrb(Orb, after);
    ApplyAfter(Orb, changes);
    host_.pushStep(text, std::move(changes));
    return true;
}

void MergeFeature::undoTaken(std::size_t i)
{
    if (!session_ || i >= session_->taken().size())
        return;
    const MergeField& f = session_->taken()[i];
    takeStep({}, "Undo Taken " + QString::fromStdString(f.field) + " of " + entryTitle(f), session_->takeBack(Orb, i));
}

void MergeFeature::stepToConflict(int direction)
{
    if (conflictsLeft() == 0)
        return;
    // The conflicts in their order, from the one after (or before) the entry in front.
    const std::size_t pick = session_->next(TableOfPage(CurrentPage), host_.entryInFront(), direction, Orb);
    if (pick == session_->conflicts().size()) {
        host_.showStatus(direction > 0 ? "No further conflicts" : "No earlier conflicts");
        return;
    }
    const MergeField& c = session_->conflicts()[pick];
    host_.goToField(c.table, c.entry, QString::fromStdString(c.field));
}

bool MergeFeature::confirmUnresolved()
{
    const std::size_t left = conflictsLeft();
    if (left == 0)
        return true;
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                    QString("%1 unresolved: they keep ours' values")
                        .arg(left == 1 ? QString("1 conflict is") : QString("%1 conflicts are").arg(left)),
                    QMessageBox::Save | QMessageBox::Cancel, host_.dialogParent());
    box.setObjectName("UnresolvedBox");
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Save;
}
