// Merging two mods of one stock file in the window, every conflict chosen by key, against an
// independent three-way rule and the command line's merge.
#include "CliRun.h"
#include "WindowFixture.h"

#include <QDockWidget>
#include <QMenu>
#include <QTreeView>

namespace {
// The stock file and two mods of it: what each changed, the conflicts they make, and a formation
// each added a different member to, in the same empty slot.
struct Mods {
    OrbData base = sampleOrb(12), ours = base, theirs = base;
    Mods()
    {
        ours.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 130, u.Crew = 5; });
        ours.edit<UnitRecord>(3, [](UnitRecord& u) { u.Name = "Ours Three"; });
        theirs.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 99, u.Speed = 44; });
        theirs.edit<UnitRecord>(3, [](UnitRecord& u) { u.Name = "Theirs Three"; });
        theirs.edit<WeaponRecord>(5, [](WeaponRecord& w) { w.Range = 77; });
        base.edit<FormationRecord>(20, [](FormationRecord& f) { f.Slot4 = f.Slot5 = f.Slot6 = f.Slot7 = f.Slot8 = f.Slot9 = f.Slot10 = 0; });
        ours.setFormation(20, base.formation(20));
        theirs.setFormation(20, base.formation(20));
        ours.edit<FormationRecord>(20, [](FormationRecord& f) { f.Slot4 = 101; });
        theirs.edit<FormationRecord>(20, [](FormationRecord& f) { f.Slot4 = 102; });
    }
};

QStringList linesOf(const QTreeView* list)
{
    QStringList out;
    const QAbstractItemModel* m = list->model();
    for (int row = 0; row < m->rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(row, c).data().toString();
        out << cells.join(" | ");
    }
    return out;
}
}  // namespace

class TestMerge : public WindowSuite {
    Q_OBJECT

    QString file12() const { return tmp.filePath("ORB12"); }
    Mods mods;

    // The three files written and ours loaded (beforeMerge then runs, as a user's typing would),
    // and File > Merge With answered by typing the paths; next queues answers to what follows.
    void mergeThroughTheMenu(std::function<void()> beforeMerge = {}, std::function<void()> next = {})
    {
        const QByteArray stock = sampleBytes(12);
        writeAll(file12(), packedOver(stock, mods.ours));
        writeAll(tmp.filePath("THEIRS12"), packedOver(stock, mods.theirs));
        writeAll(tmp.filePath("BASE12"), packedOver(stock, mods.base));
        open(12);
        if (beforeMerge)
            beforeMerge();
        typeIntoFileDialog(tmp.filePath("THEIRS12"), [this, next] { typeIntoFileDialog(tmp.filePath("BASE12"), next); });
        e->key(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    }

    QString count() const { return e->merge()->ConflictsCount->text(); }

private slots:
    // What the merge takes at once, what it lists, and the keys that choose.
    void conflictsListedAndChosenByKey()
    {
        mergeThroughTheMenu();
        QCOMPARE(e->status(), QString("3 fields taken from theirs, 2 conflicts"));
        QCOMPARE(linesOf(e->merge()->ConflictsList),
                 (QStringList{QString("Unit 001 | Cost | %1 | 130 | 99").arg(mods.base.unit(1).Cost),
                              QString("Unit 003 | Name | \"%1\" | \"Ours Three\" | \"Theirs Three\"").arg(toQ(mods.base.unit(3).Name))}));
        QCOMPARE(linesOf(e->merge()->TakenList),
                 (QStringList{QString("Unit 001 | Speed | %1 | %1 | 44").arg(mods.base.unit(1).Speed),
                              QString("Weapon 005 | Range | %1 | %1 | 77").arg(mods.base.weapon(5).Range),
                              "Formation 020 | Slot5 | 0 | 0 | 102"}));
        QCOMPARE(count(), QString("2 conflicts left"));
        QVERIFY(e->merge()->ConflictsDock->isVisible() && e->marked());
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Merge With THEIRS12"));
        // Taken: theirs alone changed them, and the slot list took theirs' member beside ours'.
        QCOMPARE(int(Orb.unit(1).Speed), 44);
        QCOMPARE(int(Orb.weapon(5).Range), 77);
        QVERIFY(Orb.formation(20).Slot4 == 101 && Orb.formation(20).Slot5 == 102);
        // The first conflict is in front, its field focused.
        e->activate();
        QCOMPARE(QApplication::focusWidget(), e->edit("UnitCostEdit"));

        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            int cost;           // unit 1's cost afterwards
            const char* name;   // unit 3's name afterwards
            const char* left;
            const char* undo;   // the Undo item's text afterwards
            const char* said;   // the status bar's, where a choice says it
        };
        const QString base3 = toQ(mods.base.unit(3).Name);
        const Key keys[] = {
            {Qt::Key_2, Qt::ControlModifier, 99, "Ours Three", "1 conflict left", "Undo Take Theirs for Cost of Unit 001",
             "Took theirs for Cost of Unit 001: 1 conflict left"},
            {Qt::Key_Z, Qt::ControlModifier, 130, "Ours Three", "2 conflicts left", "Undo Merge With THEIRS12", nullptr},
            {Qt::Key_Y, Qt::ControlModifier, 99, "Ours Three", "1 conflict left", "Undo Take Theirs for Cost of Unit 001", nullptr},
            {Qt::Key_F7, {}, 99, "Ours Three", "1 conflict left", "Undo Take Theirs for Cost of Unit 001", nullptr},
            {Qt::Key_3, Qt::ControlModifier, 99, nullptr, "No conflicts left", "Undo Take Base for Name of Unit 003",
             "Took base for Name of Unit 003: No conflicts left"},
            {Qt::Key_Z, Qt::ControlModifier, 99, "Ours Three", "1 conflict left", "Undo Take Theirs for Cost of Unit 001", nullptr},
            {Qt::Key_1, Qt::ControlModifier, 99, "Ours Three", "No conflicts left", "Undo Keep Ours for Name of Unit 003",
             "Kept ours for Name of Unit 003: No conflicts left"},
            {Qt::Key_Z, Qt::ControlModifier, 99, "Ours Three", "1 conflict left", "Undo Take Theirs for Cost of Unit 001", nullptr},
        };
        for (const Key& k : keys) {
            e->key(k.key, k.mods);
            QCOMPARE(int(Orb.unit(1).Cost), k.cost);
            QCOMPARE(toQ(Orb.unit(3).Name), k.name ? QString(k.name) : base3);
            QCOMPARE(count(), QString(k.left));
            QCOMPARE(e->w->UndoItem->text(), QString(k.undo));
            if (k.said)
                QCOMPARE(e->status(), QString(k.said));
        }
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 003"));  // where F7 went

        // A value typed into the conflicted field resolves it by hand.
        e->type("UnitnameEdit", "Both Three");
        e->key(Qt::Key_F12);
        QCOMPARE(count(), QString("No conflicts left"));
        e->w->UndoItem->trigger();
        QCOMPARE(count(), QString("1 conflict left"));

        // A field taken from theirs, taken back from its list: one step of its own.
        auto* taken = e->merge()->TakenList;
        QTimer::singleShot(50, [] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                for (QAction* a : menu->actions())
                    if (a->objectName() == "UndoTakenItem")
                        a->trigger(), menu->close();
        });
        e->w->findChild<QTabWidget*>("MergeTabs")->setCurrentWidget(taken);
        const QRect line = taken->visualRect(taken->model()->index(0, 0));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, line.center(), taken->viewport()->mapToGlobal(line.center()));
        QApplication::sendEvent(taken->viewport(), &menuEvent);
        QTRY_COMPARE(int(Orb.unit(1).Speed), int(mods.ours.unit(1).Speed));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Undo Taken Speed of Unit 001"));
        e->w->UndoItem->trigger();
        QCOMPARE(int(Orb.unit(1).Speed), 44);
    }

    // Edits typed on an entry the merge changes: committed first, they stay, and the merge is
    // made from them.
    void typedEditsCommittedBeforeTheMerge()
    {
        std::shared_ptr<SeenMessage> asked;
        mergeThroughTheMenu([this] { e->type("UnitCrewEdit", "9"); },
                            [&asked] { asked = answerBox(QMessageBox::Save); });  // the question's Commit
        QVERIFY(asked && asked->count == 1);
        QCOMPARE(int(Orb.unit(1).Crew), 9);
        QCOMPARE(int(Orb.unit(1).Speed), 44);
        QCOMPARE(count(), QString("2 conflicts left"));
        e->w->UndoItem->trigger();  // the merge: back to the commit
        QVERIFY(Orb.unit(1).Crew == 9 && Orb.unit(1).Speed == mods.ours.unit(1).Speed);
    }

    // Theirs for a whole entry, and for all that is left; a save with conflicts left asks first.
    void theirsForAllAndSavingWithConflictsLeft()
    {
        mergeThroughTheMenu();
        e->merge()->TakeTheirsEntryItem->trigger();  // unit 1 is in front
        QVERIFY(int(Orb.unit(1).Cost) == 99 && Orb.unit(3).Name == "Ours Three");
        QCOMPARE(count(), QString("1 conflict left"));
        const QByteArray before = readAll(file12());
        auto asked = answerBox(QMessageBox::Cancel);
        e->save();
        QCOMPARE(asked->text, QString("1 conflict is unresolved: they keep ours' values"));
        QCOMPARE(readAll(file12()), before);
        e->merge()->TakeTheirsAllItem->trigger();
        QCOMPARE(Orb.unit(3).Name, std::string("Theirs Three"));
        QCOMPARE(count(), QString("No conflicts left"));
        e->save();
        QCOMPARE(int(orbOf(readAll(file12())).unit(3).Cost), int(mods.ours.unit(3).Cost));
        QCOMPARE(orbOf(readAll(file12())).unit(3).Name, std::string("Theirs Three"));
    }

    // Every conflict kept as ours and saved: the file an independent three-way rule gives, and the
    // one the command line's merge writes.
    void keptOursIsTheCommandLinesMerge()
    {
        mergeThroughTheMenu();
        e->key(Qt::Key_1, Qt::ControlModifier);
        e->key(Qt::Key_F7);
        e->key(Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(count(), QString("No conflicts left"));
        e->save();
        // The rule, field by field: theirs where only theirs changed, else ours; a formation's
        // member both added to one empty slot goes to the next empty one.
        OrbData want = mods.ours;
        want.edit<UnitRecord>(1, [](UnitRecord& u) { u.Speed = 44; });
        want.edit<WeaponRecord>(5, [](WeaponRecord& w) { w.Range = 77; });
        want.edit<FormationRecord>(20, [](FormationRecord& f) { f.Slot5 = 102; });
        QCOMPARE(changes(packedOver(sampleBytes(12), want), readAll(file12())), QStringList());
        const QString ours = tmp.filePath("OURS12");
        writeAll(ours, packedOver(sampleBytes(12), mods.ours));
        const Run merged = cli({"merge", tmp.filePath("BASE12"), ours, tmp.filePath("THEIRS12"), "-o", tmp.filePath("CLI12")});
        QCOMPARE(merged.status, 1);  // conflicts, kept ours'
        QCOMPARE(readAll(tmp.filePath("CLI12")), readAll(file12()));
    }
};

QTEST_MAIN(TestMerge)
#include "test_merge.moc"
