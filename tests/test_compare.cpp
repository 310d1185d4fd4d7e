// Comparing with another data file through the real window, driven by keys.
#include "WindowFixture.h"

#include <QFileDialog>
#include <QMenu>
#include <QTableView>

class TestCompare : public WindowSuite {
    Q_OBJECT

    // The entries F7 (or Shift+F7) visits from the current entry until it stops, as the pages'
    // titles say them ("Unit 003").
    QStringList visited(bool back)
    {
        QStringList seen;
        auto at = [this] { return EntryTitle(CurrentPage, e->current()); };
        for (QString was = at(); seen.size() < 300; was = at()) {
            e->key(Qt::Key_F7, back ? Qt::ShiftModifier : Qt::NoModifier);
            if (at() == was)
                break;
            seen << at();
        }
        return seen;
    }

private slots:
    void marksStepsAndTakesBack()
    {
        // The compared file: ORB12 with chosen changes, one a value a 2-digit edit cannot type.
        OrbData other = sampleOrb(12);
        other.edit<UnitRecord>(3, [](UnitRecord& u) { u.Cost = uint8_t(u.Cost + 1); });
        other.edit<UnitRecord>(9, [](UnitRecord& u) { u.Name = "Changed"; });
        other.edit<UnitRecord>(40, [](UnitRecord& u) { u.Class = 207; });
        other.edit<WeaponRecord>(2, [](WeaponRecord& w) { w.Range = uint8_t(w.Range + 3); });
        other.edit<FormationRecord>(150, [](FormationRecord& f) { f.Slot3 = 1001; });
        const QString path = tmp.filePath("compare/STOCK12");
        QDir().mkpath(tmp.filePath("compare"));
        writeAll(path, packedOver(sampleBytes(12), other));
        open(12);
        // What cannot be read says why and changes nothing.
        for (const QString& bad : {tmp.filePath("compare/none"), tmp.filePath("compare")}) {
            auto seen = answerBox();
            QVERIFY(!e->compare()->compareWith(bad));
            QCOMPARE(seen->title, QString("Compare Error"));
            QVERIFY(!e->compare()->comparing());
        }
        // The form keeps its place when marks come, and from page to page.
        auto formLeft = [this] { return e->edit("UnitCostEdit")->mapTo(e->w.get(), QPoint()).x(); };
        const int left = formLeft();
        typeIntoFileDialog(path);
        e->key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(e->compare()->comparing());
        QCOMPARE(formLeft(), left);
        for (QListWidget* other : {e->w->wpnlistbox, e->w->FormationListBox})
            QCOMPARE(other->parentWidget()->width(), e->w->UnitListBox->parentWidget()->width());
        QCOMPARE(e->status(), "Comparing with " + native(path) + ": 3 units, 1 weapons, 1 formations differ");
        QListWidget* list = e->w->UnitListBox;
        for (int row = 0; row < UnitCount; ++row) {
            QVERIFY2(list->item(row)->font().bold() == (row == 2 || row == 8 || row == 39), qPrintable(QString::number(row)));
            QVERIFY(list->sizeHintForIndex(list->model()->index(row, 0)).width() <= list->viewport()->width());  // bold lines whole
        }

        // F7 goes on from the last difference of a table to the next table's first.
        QCOMPARE(visited(false), QStringList({"Unit 003", "Unit 009", "Unit 040", "Weapon 002", "Formation 150"}));
        QCOMPARE(e->status(), QString("No further differences"));
        QCOMPARE(visited(true), QStringList({"Weapon 002", "Unit 040", "Unit 009", "Unit 003"}));
        QCOMPARE(e->status(), QString("No further differences"));
        QVERIFY(e->edit("UnitCostEdit")->property("differs").toBool());
        e->showEntry(40);
        QCOMPARE(e->edit("UnitClassEdit")->toolTip(), QString("Compared file: 207 Unknown Class"));
        QVERIFY(!e->edit("UnitCostEdit")->property("differs").toBool());
        e->type("UnitCostEdit", "9");
        e->key(Qt::Key_F12);  // a later step: the message no longer holds
        QVERIFY(e->status() != QString("No further differences"));
        e->w->UndoItem->trigger();

        // In the table view the differing cells are marked, and F7 walks them in the order shown.
        e->goTo(e->w->Units);
        e->key(Qt::Key_T, Qt::ControlModifier);
        auto* table = e->w->findChild<QTableView*>("UnitTable");
        QVERIFY(table && table->isVisible());
        table->setFocus();
        table->setCurrentIndex(table->model()->index(0, 0));
        QStringList cells;
        for (int guard = 0; guard < 10; ++guard) {
            e->key(Qt::Key_F7);
            const QModelIndex at = table->currentIndex();
            const QString cell = QString("%1 %2").arg(at.row() + 1).arg(table->model()->headerData(at.column(), Qt::Horizontal).toString());
            if (!cells.isEmpty() && cells.back() == cell)
                break;
            QVERIFY(at.data(Qt::BackgroundRole).isValid());
            cells << cell;
        }
        QCOMPARE(cells, QStringList({"3 Cost", "9 Name", "40 Class"}));
        QCOMPARE(e->status(), QString("No further differences"));
        QVERIFY(!table->model()->index(0, 0).data(Qt::BackgroundRole).isValid());
        e->key(Qt::Key_T, Qt::ControlModifier);

        // Every difference taken back and committed: the tables equal the compared file.
        const OrbData before = Orb;
        for (QWidget* page : {e->w->Units, e->w->Weapons, e->w->Formations}) {
            e->goTo(page);
            e->showEntry(1);  // which differs in no table
            for (int at = e->current(), guard = 0; guard < 5; ++guard, at = e->current()) {
                e->key(Qt::Key_F7);
                if (e->current() == at || e->w->Viewer->currentWidget() != page)
                    break;
                e->key(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
                e->key(Qt::Key_F12);
            }
        }
        QVERIFY(DiffOrb(other, Orb).empty());
        QCOMPARE(int(DiffOrb(before, Orb).count()), 5);
        // Marks follow Undo at once.
        e->w->UndoItem->trigger();
        QVERIFY2(e->status().endsWith(": 0 units, 0 weapons, 1 formations differ"), qPrintable(e->status()));

        // A marked edit's context menu sets that edit alone.
        e->w->UndoItem->trigger();
        e->w->UndoItem->trigger();  // unit 40 back to the stored class
        e->goTo(e->w->Units);
        e->showEntry(40);
        QLineEdit* cls = e->edit("UnitClassEdit");
        QTimer::singleShot(50, [] {  // the menu is a pop-up, open once the request runs
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu->findChild<QAction*>("TakeValueItem")->trigger();
                menu->close();
            }
        });
        emit cls->customContextMenuRequested(QPoint(2, 2));
        QCOMPARE(cls->text(), QString("207"));

        // Compared with the saved file: the two commits left after the undos, and nothing else.
        e->key(Qt::Key_F9);
        e->compare()->CompareSavedItem->trigger();
        QVERIFY2(e->status().endsWith(": 2 units, 0 weapons, 0 formations differ"), qPrintable(e->status()));
        // A Renumber 12 -> 5: every unit and formation of nation 12 now differs too.
        const OrbData saved = sampleOrb(12);
        int units = 0, formations = 0;
        for (int n = 1; n <= UnitCount; ++n)
            units += saved.unit(n).Nation == 12 || n == 3 || n == 9;
        for (int n = 1; n <= FormationCount; ++n)
            formations += saved.formation(n).Nation == 12;
        renumberWith(nullptr, "5");
        e->w->Renationalise1->trigger();
        QVERIFY2(e->status().startsWith("Renumbered"), qPrintable(e->status()));
        int bold = 0;  // the marks followed at once
        for (int row = 0; row < UnitCount; ++row)
            bold += e->w->UnitListBox->item(row)->font().bold();
        QCOMPARE(bold, units);
        e->compare()->CompareSavedItem->trigger();
        QVERIFY2(e->status().endsWith(QString(": %1 units, 0 weapons, %2 formations differ").arg(units).arg(formations)),
                 qPrintable(e->status()));
        // Saved, the comparison with the saved file follows it: nothing differs any more.
        e->key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(DiffOrb(orbOf(readAll(tmp.filePath("ORB12"))), Orb).empty());
        bold = 0;
        for (int row = 0; row < UnitCount; ++row)
            bold += e->w->UnitListBox->item(row)->font().bold();
        QCOMPARE(bold, 0);
        QCOMPARE(visited(false), QStringList());
        e->compare()->StopCompareItem->trigger();
        QVERIFY(!e->compare()->comparing() && !e->w->UnitListBox->item(39)->font().bold());
    }

    // A short compared file holds no values past its end: they are missing there, neither
    // differences nor zeros to take.
    void aShortComparedFileLacksItsTail()
    {
        // 20000 bytes: every weapon whole, every unit cut (unit 1's Cost lies at byte 24751).
        const QString path = tmp.filePath("SHORT12");
        writeAll(path, sampleBytes(12).left(20000));
        open(12);
        QVERIFY(e->compare()->compareWith(path));
        QCOMPARE(e->status(), "Comparing with " + native(path) +
                                  " (a short file: 20000 of 44500 bytes; values past its end are missing): "
                                  "0 units, 0 weapons, 0 formations differ");
        const int cost = Orb.unit(1).Cost;
        QLineEdit* costEdit = e->edit("UnitCostEdit");
        QCOMPARE(costEdit->toolTip(), QString("Compared file: missing (past its end)"));
        QVERIFY(!costEdit->property("differs").toBool());
        e->key(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY2(e->status().startsWith("Nothing taken: the compared file is 20000 bytes long"), qPrintable(e->status()));
        QCOMPARE(costEdit->text(), QString::number(cost));
        // A weapon lies whole inside it: taken as from any file.
        e->goTo(e->w->Weapons);
        e->type("WeaponNameEdit", "Typed");
        e->key(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e->edit("WeaponNameEdit")->text(), toQ(Orb.weapon(1).Name));
    }
};

QTEST_MAIN(TestCompare)
#include "test_compare.moc"
