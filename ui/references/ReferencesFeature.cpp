#include "ui/references/ReferencesFeature.h"

#include "core/Globals.h"
#include "core/References.h"
#include "ui/PageCodes.h"
#include "ui/Text.h"

#include <QAction>
#include <QDockWidget>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QTreeWidget>

ReferencesFeature::ReferencesFeature(FeatureHost& host) : Feature(host, "References")
{
    // What names an entry: a list in the same style, in a dock of its own.
    FindReferencesItem = new QAction("Find &References", host_.window());
    host_.addCommand(Menu::Edit, FindReferencesItem);
    FindReferencesItem->setObjectName("FindReferencesItem");
    FindReferencesItem->setStatusTip("Every unit and formation slot that names this entry");
    FindReferencesItem->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
    connect(FindReferencesItem, &QAction::triggered, this, &ReferencesFeature::findReferences);
    MoveToItem = new QAction("&Move To...", host_.window());
    host_.addCommand(Menu::Orbtool, MoveToItem);
    MoveToItem->setObjectName("MoveToItem");
    MoveToItem->setStatusTip("Give this entry another number; every slot that names it follows");
    connect(MoveToItem, &QAction::triggered, this, &ReferencesFeature::moveTo);
    // The entry lists (and the tables) offer both for the entry shown.
    host_.addEntryAction(FindReferencesItem);
    host_.addEntryAction(MoveToItem);
    ReferencesList = new QTreeWidget(host_.window());
    ReferencesList->setObjectName("ReferencesList");
    ReferencesList->setRootIsDecorated(false);
    ReferencesList->setHeaderLabels({"Entry", "Name"});
    ReferencesList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ReferencesDock = host_.addDock("References", "ReferencesDock", ReferencesList);
    connect(ReferencesList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        host_.goToField(static_cast<TableId>(item->data(0, Qt::UserRole).toInt()), item->data(1, Qt::UserRole).toInt(),
                  item->data(2, Qt::UserRole).toString());
    });
    // Closed by its own button: the window gives the height back.
    connect(ReferencesDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && host_.window()->isVisible() && !host_.window()->isMinimized())
            host_.showDock(ReferencesDock, false);
    });
}

namespace {
QString entryTitle(TableId t, int n)
{
    return QString("%1 %2").arg(TableName(t), toQ(EntryNumberText(n)));
}
}  // namespace

void ReferencesFeature::findReferences()
{
    const std::optional<TableId> front = host_.tableInFront();
    if (!front)
        return;
    const TableId t = *front;
    const int n = host_.entryInFront();
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
    host_.showDock(ReferencesDock, true);
    host_.showStatus(refs.empty() ? QString("Nothing names %1").arg(entryTitle(t, n))
                                          : QString("%1 fields name %2").arg(refs.size()).arg(entryTitle(t, n)));
}

void ReferencesFeature::moveTo()
{
    const std::optional<TableId> front = host_.tableInFront();
    if (!front) {
        host_.showMessage("Please load a file first!!");
        return;
    }
    const TableId t = *front;
    const int from = host_.entryInFront();
    if (from != CurrentEntryOf(t))
        host_.showEntry(t, from);  // the page follows the table's row
    if (from != CurrentEntryOf(t))
        return;  // the user kept typed edits there instead
    bool ok = false;
    const int to = QInputDialog::getInt(host_.window(), "Move To", QString("Move %1 to number:").arg(entryTitle(t, from)), from, 1,
                                        TableCount(t), 1, &ok);
    if (!ok || to == from)
        return;
    OrbData after = Orb;
    MoveResult moved = MoveEntry(after, t, from, to, false);
    bool swap = false;
    if (!moved.error.empty()) {
        const auto answer = QMessageBox::question(host_.window(), "Move To",
                                                  QString("%1 is not empty. Swap the two?").arg(entryTitle(t, to)),
                                                  QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return;
        after = Orb;
        moved = MoveEntry(after, t, from, to, swap = true);
    }
    if (!host_.mayChange("Move To", after, true))
        return;
    const OrbData before = Orb;
    Orb = after;
    // The lists and the page follow the step.
    host_.pushStep(QString("%1 %2 \u2192 %3").arg(swap ? "Swap" : "Move", entryTitle(t, from), toQ(EntryNumberText(to))),
                   DiffOrb(before, Orb));
    if (to != CurrentEntryOf(t))
        host_.showEntry(t, to);  // the entry where it went
    host_.showStatus(QString("%1 %2 to %3: %4 %5")
                                 .arg(swap ? "Swapped" : "Moved", entryTitle(t, from), toQ(EntryNumberText(to)))
                                 .arg(moved.references)
                                 .arg(moved.references == 1 ? "reference follows" : "references follow"));
}
