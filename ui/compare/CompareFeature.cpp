#include "ui/compare/CompareFeature.h"

#include "core/Globals.h"
#include "ui/PageCodes.h"
#include "ui/shared/FieldMarks.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

namespace {
// Whether entry n of a short compared file (length bytes) lacks any value of its own.
template <class R>
bool entryPastEnd(int n, std::size_t length)
{
    for (const auto& f : FieldsOf<R>())
        if (f.editable() && f.pastEnd(n, length))
            return true;
    return false;
}

bool pastEnd(TableId t, int n, std::size_t length)
{
    return t == TableId::Units     ? entryPastEnd<UnitRecord>(n, length)
           : t == TableId::Weapons ? entryPastEnd<WeaponRecord>(n, length)
                                   : entryPastEnd<FormationRecord>(n, length);
}
}  // namespace

CompareFeature::CompareFeature(FeatureHost& host) : Feature(host, "Compare")
{
    auto item = [this](const char* name, const QString& caption, const QString& hint) {
        auto* a = new QAction(caption, host_.window());
        a->setObjectName(name);
        a->setStatusTip(hint);
        host_.addCommand(Menu::File, a);
        return a;
    };
    CompareItem = item("CompareItem", "Compare &With...", "Mark what differs from another data file");
    CompareItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    CompareSavedItem = item("CompareSavedItem", "Compare With Sa&ved File",
                            "Mark what this session changed and has not saved");
    StopCompareItem = item("StopCompareItem", "Stop Co&mparing", "Take the marks away");
    CompareSavedItem->setEnabled(false);
    StopCompareItem->setEnabled(false);
    TakeEntryItem = new QAction("&Take Entry From Compared File", host_.window());
    TakeEntryItem->setObjectName("TakeEntryItem");
    TakeEntryItem->setStatusTip("Put the compared file's entry on the page, to be committed");
    TakeEntryItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    TakeEntryItem->setEnabled(false);
    host_.addCommand(Menu::Edit, TakeEntryItem);

    connect(CompareItem, &QAction::triggered, this, [this] {
        QFileDialog dialog(host_.window(), "Compare With", QString::fromStdString(CurrentDirectory));
        dialog.setObjectName("CompareDialog");
        dialog.setOption(QFileDialog::DontUseNativeDialog);  // the same dialog, and keys, everywhere
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            compareWith(dialog.selectedFiles().first());
    });
    connect(CompareSavedItem, &QAction::triggered, this, [this] { compareWith(host_.savePath()); });
    connect(StopCompareItem, &QAction::triggered, this, &CompareFeature::stopComparing);
    connect(TakeEntryItem, &QAction::triggered, this, &CompareFeature::takeComparedEntry);
    connect(&host_.marks(), &FieldMarks::changed, this, [this] {
        StopCompareItem->setEnabled(comparing());
        CompareSavedItem->setEnabled(FileLoaded);
        TakeEntryItem->setEnabled(comparing() && FileLoaded);
    });
    offerComparedValues();
}

void CompareFeature::offerComparedValues()
{
    auto takeValue = [](QLineEdit* edit, QContextMenuEvent* e) {
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
    const RecordEdits edits = host_.edits();
    for (const auto& e : edits.units)
        hook(e.edit);
    for (const auto& e : edits.weapons)
        hook(e.edit);
    for (const auto& e : edits.formations)
        hook(e.edit);
}

bool CompareFeature::compareWith(const QString& path)
{
    return host_.marks().compareWithFile(path);
}

void CompareFeature::stopComparing()
{
    host_.marks().stop();
}

bool CompareFeature::comparing() const
{
    return host_.marks().comparing();
}

void CompareFeature::stepToDifference(int direction)
{
    const std::optional<TableId> front = host_.tableInFront();
    if (!comparing() || !front)
        return;
    const FieldMarks& marks = host_.marks();
    const std::vector<int>& d = marks.differing(*front);
    const int current = CurrentEntryOf(*front);
    int next = 0;
    if (direction > 0) {
        auto it = std::upper_bound(d.begin(), d.end(), current);
        next = it == d.end() ? 0 : *it;
    } else {
        auto it = std::lower_bound(d.begin(), d.end(), current);
        next = it == d.begin() ? 0 : *(it - 1);
    }
    if (next) {
        host_.showEntry(*front, next);
        return;
    }
    // On to the next table that has a difference (Units, Weapons, Formations, as the tabs
    // stand), at its first one, or back to the previous table's last.
    for (int t = int(*front) + direction; t >= 0 && t < 3; t += direction) {
        const std::vector<int>& there = marks.differing(TableId(t));
        if (!there.empty()) {
            host_.showEntry(TableId(t), direction > 0 ? there.front() : there.back());
            return;
        }
    }
    host_.showStatus(NoFurtherDifferences);
}

void CompareFeature::takeComparedEntry()
{
    const FieldMarks& marks = host_.marks();
    const std::optional<TableId> front = host_.tableInFront();
    if (!marks.compared() || !front)
        return;
    // Values the compared file does not hold are not taken as zeros.
    if (pastEnd(*front, CurrentEntryOf(*front), marks.comparedLength())) {
        host_.showStatus(QString("Nothing taken: the compared file is %1 bytes long, and this entry's values lie "
                                 "past its end")
                             .arg(marks.comparedLength()));
        return;
    }
    // As a paste: the page shows the entry, a Commit stores it; a unit keeps its hidden byte,
    // which no edit shows.
    host_.showUncommitted(*marks.compared());
}
