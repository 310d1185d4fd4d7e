// The problems the rules find in the loaded tables: a panel under the pages, a count in the status
// bar, and the way from a problem to its entry and field; what names an entry, and moving one.
#include "ui/Sdimain.h"

#include "core/References.h"
#include "core/Rules.h"
#include "ui/RecordPage.h"

#include <QAction>
#include <QDockWidget>
#include <QFont>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTableView>
#include <QTabWidget>
#include <QTreeWidget>

namespace {
QString countText(int errors, int warnings)
{
    if (!errors && !warnings)
        return "No problems";
    auto part = [](int n, const char* one) { return QString("%1 %2%3").arg(n).arg(one).arg(n == 1 ? "" : "s"); };
    return part(errors, "error") + ", " + part(warnings, "warning");
}

// Where the problems a user ignored are kept: for each data file by its path, in the user's
// configuration folder (not the settings file beside the program, which the user edits).
QSettings ignoredSettings()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/ignored-problems.ini",
                     QSettings::IniFormat);
}
QString ignoreKeyOf(const QString& path)
{
    return "files/" + QString::fromLatin1(path.toUtf8().toHex());
}
QString findingKey(const Finding& f)
{
    return QString("%1|%2|%3|%4").arg(f.rule->code, TableName(f.table)).arg(f.number).arg(toQ(f.field));
}

// The list line's entry column: "units 017 Wpn2".
QString entryText(const Finding& f)
{
    return QString("%1 %2%3").arg(TableName(f.table), toQ(EntryNumberText(f.number)),
                                  f.field.empty() ? QString() : " " + toQ(f.field));
}
}  // namespace

void TSDIAppForm::buildProblemsPanel()
{
    auto* view = findChild<QMenu*>("ViewMenu");
    view->addSeparator();
    ProblemsItem = view->addAction("&Problems");
    ProblemsItem->setObjectName("ProblemsItem");
    ProblemsItem->setStatusTip("What the rules find in the file: references that name nothing, sizes, codes");
    ProblemsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    ProblemsItem->setCheckable(true);
    NextProblemItem = view->addAction("&Next Problem");
    NextProblemItem->setObjectName("NextProblemItem");
    NextProblemItem->setShortcut(QKeySequence(Qt::Key_F8));
    PrevProblemItem = view->addAction("P&revious Problem");
    PrevProblemItem->setObjectName("PrevProblemItem");
    PrevProblemItem->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    connect(ProblemsItem, &QAction::toggled, this, &TSDIAppForm::showProblemsPanel);
    connect(NextProblemItem, &QAction::triggered, this, [this] { stepToProblem(1); });
    connect(PrevProblemItem, &QAction::triggered, this, [this] { stepToProblem(-1); });

    ProblemsList = new QTreeWidget(this);
    ProblemsList->setObjectName("ProblemsList");
    ProblemsList->setRootIsDecorated(false);
    ProblemsList->setUniformRowHeights(true);
    ProblemsList->setHeaderLabels({"Severity", "Code", "Entry", "Message"});
    ProblemsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ProblemsList->header()->setStretchLastSection(true);
    ProblemsDock = host_->addDock("Problems", "ProblemsDock", ProblemsList);
    // Closed by its own button: the menu's check follows.
    connect(ProblemsDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && isVisible() && !isMinimized() && ProblemsItem->isChecked())
            ProblemsItem->setChecked(false);
    });
    // A problem the user knows of and keeps: ignored for this file, kept across runs, listed
    // greyed at the end, and taken back the same way.
    ProblemsList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ProblemsList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = ProblemsList->itemAt(at);
        if (!item)
            return;
        const bool ignored = item->data(3, Qt::UserRole).toBool();
        QMenu menu(this);
        QAction* act = menu.addAction(ignored ? "Stop Ignoring" : "Ignore in This File");
        act->setObjectName(ignored ? "UnignoreProblemItem" : "IgnoreProblemItem");
        connect(act, &QAction::triggered, this, [this, item, ignored] { setIgnored(item, !ignored); });
        menu.exec(ProblemsList->viewport()->mapToGlobal(at));
    });
    connect(ProblemsList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { goToProblem(ProblemsList->indexOfTopLevelItem(item)); });

    // What names an entry: a list in the same style, in a dock of its own.
    FindReferencesItem = findChild<QMenu*>("EditMenu")->addAction("Find &References");
    FindReferencesItem->setObjectName("FindReferencesItem");
    FindReferencesItem->setStatusTip("Every unit and formation slot that names this entry");
    FindReferencesItem->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
    connect(FindReferencesItem, &QAction::triggered, this, &TSDIAppForm::findReferences);
    MoveToItem = findChild<QMenu*>("Orbtool1")->addAction("&Move To...");
    MoveToItem->setObjectName("MoveToItem");
    MoveToItem->setStatusTip("Give this entry another number; every slot that names it follows");
    connect(MoveToItem, &QAction::triggered, this, &TSDIAppForm::moveTo);
    // The entry lists (and the tables) offer both for the entry shown.
    host_->addEntryAction(FindReferencesItem);
    host_->addEntryAction(MoveToItem);
    ReferencesList = new QTreeWidget(this);
    ReferencesList->setObjectName("ReferencesList");
    ReferencesList->setRootIsDecorated(false);
    ReferencesList->setHeaderLabels({"Entry", "Name"});
    ReferencesList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ReferencesDock = host_->addDock("References", "ReferencesDock", ReferencesList);
    connect(ReferencesList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        host_->goToField(static_cast<TableId>(item->data(0, Qt::UserRole).toInt()), item->data(1, Qt::UserRole).toInt(),
                  item->data(2, Qt::UserRole).toString());
    });
    // Closed by its own button: the window gives the height back.
    connect(ReferencesDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && isVisible() && !isMinimized())
            host_->showDock(ReferencesDock, false);
    });

    ProblemsCount = new QLabel(this);
    ProblemsCount->setObjectName("ProblemsCount");
    statusBar()->addPermanentWidget(ProblemsCount);
}

void TSDIAppForm::showProblemsPanel(bool shown)
{
    host_->showDock(ProblemsDock, shown);
    if (shown)
        refreshProblems();
}


void TSDIAppForm::refreshProblems()
{
    if (!ProblemsList)
        return;  // still building
    if (!FileLoaded) {
        ProblemsList->clear();
        ProblemsCount->clear();
        return;
    }
    std::vector<Finding> findings = RunRules(Orb);
    // The ignored ones last, and out of the count.
    std::stable_partition(findings.begin(), findings.end(),
                          [this](const Finding& f) { return !ignoredProblems_.contains(findingKey(f)); });
    int errors = 0, warnings = 0;
    for (const Finding& f : findings)
        if (!ignoredProblems_.contains(findingKey(f)))
            (f.rule->severity == Severity::Error ? errors : warnings) += 1;
    ProblemsCount->setText(countText(errors, warnings));
    if (!ProblemsDock->property("grown").toBool()) {
        ProblemsList->clear();  // filled when shown
        return;
    }
    // Rebuilt whole, keeping the line the user stood on where it still is.
    const int row = ProblemsList->currentItem() ? ProblemsList->indexOfTopLevelItem(ProblemsList->currentItem()) : -1;
    ProblemsList->setUpdatesEnabled(false);
    ProblemsList->clear();
    QList<QTreeWidgetItem*> items;
    for (const Finding& f : findings) {
        auto* item = new QTreeWidgetItem({SeverityName(f.rule->severity), f.rule->code, entryText(f), toQ(f.message)});
        item->setIcon(0, style()->standardIcon(f.rule->severity == Severity::Error     ? QStyle::SP_MessageBoxCritical
                                               : f.rule->severity == Severity::Warning ? QStyle::SP_MessageBoxWarning
                                                                                       : QStyle::SP_MessageBoxInformation));
        item->setData(0, Qt::UserRole, static_cast<int>(f.table));
        item->setData(1, Qt::UserRole, f.number);
        item->setData(2, Qt::UserRole, toQ(f.field));
        item->setData(1, Qt::UserRole + 1, findingKey(f));
        if (ignoredProblems_.contains(findingKey(f))) {
            item->setData(3, Qt::UserRole, true);
            item->setText(0, item->text(0) + " (ignored)");
            for (int c = 0; c < 4; ++c)
                item->setForeground(c, ProblemsList->palette().brush(QPalette::Disabled, QPalette::Text));
        }
        items << item;
    }
    ProblemsList->addTopLevelItems(items);
    if (row >= 0 && row < ProblemsList->topLevelItemCount())
        ProblemsList->setCurrentItem(ProblemsList->topLevelItem(row));
    ProblemsList->setUpdatesEnabled(true);
}

void TSDIAppForm::goToProblem(int row)
{
    QTreeWidgetItem* item = ProblemsList->topLevelItem(row);
    if (!item || !FileLoaded)
        return;
    ProblemsList->setCurrentItem(item);
    host_->goToField(static_cast<TableId>(item->data(0, Qt::UserRole).toInt()), item->data(1, Qt::UserRole).toInt(),
              item->data(2, Qt::UserRole).toString());
}


void TSDIAppForm::stepToProblem(int direction)
{
    if (!FileLoaded)
        return;
    if (!ProblemsItem->isChecked())
        ProblemsItem->setChecked(true);
    const int count = ProblemsList->topLevelItemCount();
    if (!count) {
        statusBar()->showMessage("No problems");
        return;
    }
    // The ignored problems stand last and are passed over.
    int shown = 0;
    while (shown < count && !ProblemsList->topLevelItem(shown)->data(3, Qt::UserRole).toBool())
        ++shown;
    if (!shown) {
        statusBar()->showMessage("No problems");
        return;
    }
    QTreeWidgetItem* current = ProblemsList->currentItem();
    int at = current ? ProblemsList->indexOfTopLevelItem(current) : (direction > 0 ? -1 : shown);
    at = std::min(at, shown);
    goToProblem(((at + direction) % shown + shown) % shown);
}

void TSDIAppForm::loadIgnoredProblems()
{
    ignoredProblems_ = ignoredSettings().value(ignoreKeyOf(loadedPath_)).toStringList();
}

void TSDIAppForm::setIgnored(QTreeWidgetItem* item, bool ignored)
{
    const QString key = item->data(1, Qt::UserRole + 1).toString();
    if (ignored && !ignoredProblems_.contains(key))
        ignoredProblems_ << key;
    if (!ignored)
        ignoredProblems_.removeAll(key);
    QSettings settings = ignoredSettings();
    if (ignoredProblems_.isEmpty())
        settings.remove(ignoreKeyOf(loadedPath_));
    else
        settings.setValue(ignoreKeyOf(loadedPath_), ignoredProblems_);
    settings.sync();
    refreshProblems();
    statusBar()->showMessage(ignored ? "Ignored in " + loadedName_ + ": " + key.section('|', 0, 0)
                                     : "No longer ignored: " + key.section('|', 0, 0));
}

namespace {
QString entryTitle(TableId t, int n)
{
    return QString("%1 %2").arg(TableName(t), toQ(EntryNumberText(n)));
}
}  // namespace


void TSDIAppForm::findReferences()
{
    if (!FileLoaded || CurrentPage == pcLoad)
        return;
    const TableId t = TableOfPage(CurrentPage);
    const int n = host_->entryInFront();
    const std::vector<Reference> refs = FindReferences(Orb, t, n);
    ReferencesList->clear();
    for (const Reference& r : refs) {
        const std::string name = r.table == TableId::Units ? std::string(Orb.unit(r.number).Name)
                                                           : std::string(Orb.formation(r.number).Name);
        auto* item = new QTreeWidgetItem({entryTitle(r.table, r.number) + " " + toQ(r.field), toQ(name)});
        item->setData(0, Qt::UserRole, static_cast<int>(r.table));
        item->setData(1, Qt::UserRole, r.number);
        item->setData(2, Qt::UserRole, toQ(r.field));
        ReferencesList->addTopLevelItem(item);
    }
    ReferencesDock->setWindowTitle(QString("References to %1: %2").arg(entryTitle(t, n)).arg(refs.size()));
    host_->showDock(ReferencesDock, true);
    statusBar()->showMessage(refs.empty() ? QString("Nothing names %1").arg(entryTitle(t, n))
                                          : QString("%1 fields name %2").arg(refs.size()).arg(entryTitle(t, n)));
}

void TSDIAppForm::moveTo()
{
    if (!FileLoaded || CurrentPage == pcLoad) {
        showMessage("Please load a file first!!");
        return;
    }
    const TableId t = TableOfPage(CurrentPage);
    const int from = host_->entryInFront();
    if (from != CurrentEntryOf(CurrentPage))
        stepBy(from - CurrentEntryOf(CurrentPage));  // the page follows the table's row
    if (from != CurrentEntryOf(CurrentPage))
        return;  // the user kept typed edits there instead
    bool ok = false;
    const int to = QInputDialog::getInt(this, "Move To", QString("Move %1 to number:").arg(entryTitle(t, from)), from, 1,
                                        TableCount(t), 1, &ok);
    if (!ok || to == from)
        return;
    OrbData after = Orb;
    MoveResult moved = MoveEntry(after, t, from, to, false);
    bool swap = false;
    if (!moved.error.empty()) {
        const auto answer = QMessageBox::question(this, "Move To",
                                                  QString("%1 is not empty. Swap the two?").arg(entryTitle(t, to)),
                                                  QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return;
        after = Orb;
        moved = MoveEntry(after, t, from, to, swap = true);
    }
    if (!confirmTypedDrop("Move To", after, true))
        return;
    const OrbData before = Orb;
    Orb = after;
    recordStep(QString("%1 %2 \u2192 %3").arg(swap ? "Swap" : "Move", entryTitle(t, from), toQ(EntryNumberText(to))), before);
    syncPage(CurrentPage);
    if (to != CurrentEntryOf(CurrentPage))
        stepBy(to - CurrentEntryOf(CurrentPage));  // the entry where it went
    statusBar()->showMessage(QString("%1 %2 to %3: %4 %5")
                                 .arg(swap ? "Swapped" : "Moved", entryTitle(t, from), toQ(EntryNumberText(to)))
                                 .arg(moved.references)
                                 .arg(moved.references == 1 ? "reference follows" : "references follow"));
}
