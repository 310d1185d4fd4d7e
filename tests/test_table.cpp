// The table view of the record pages through the real window, driven by keys.
#include "WindowFixture.h"

#include "core/Tables.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>
#include <QUndoStack>

class TestTable : public WindowSuite {
    Q_OBJECT


private slots:

    // A cell edit that would drop the form's typed edits asks first; the question, answered while
    // the cell's editor closes, stores the value once and leaves no editor half-closed.
    void aCellEditAsksAboutTypedEditsOnce()
    {
        QTest::failOnWarning(QRegularExpression("does not belong to this view"));
        e = std::make_unique<Editor>();
        e->loadLine(12);
        e->type(e->edit("UnitCostEdit"), "99");  // typed on the form, not committed
        e->key(Qt::Key_T, Qt::ControlModifier);
        QTableView* table = e->w->findChild<QTableView*>("UnitTable");
        const int crew = [table] {
            for (int c = 0; c < table->model()->columnCount(); ++c)
                if (table->model()->headerData(c, Qt::Horizontal).toString() == "Crew")
                    return c;
            return -1;
        }();
        table->setCurrentIndex(table->model()->index(0, crew));  // unit 1, which the form shows
        auto seen = std::make_shared<SeenMessage>();
        answerQuestion(QMessageBox::Discard, seen);
        QTest::keyClick(table, Qt::Key_7);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(int(Orb.unit(1).Crew), 7);
        QCOMPARE(seen->count, 1);
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, 1 entry"));
        e->w->UndoItem->trigger();
        QVERIFY(!e->w->UndoItem->isEnabled());  // one step, not two

        // Answered with Commit: the form's edit is stored, and the cell goes on top of it.
        e->key(Qt::Key_T, Qt::ControlModifier);
        e->type(e->edit("UnitCostEdit"), "44");
        e->key(Qt::Key_T, Qt::ControlModifier);
        table->setCurrentIndex(table->model()->index(0, crew));
        answerQuestion(QMessageBox::Save, seen);
        QTest::keyClick(table, Qt::Key_8);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(int(Orb.unit(1).Crew), 8);
        QCOMPARE(seen->count, 2);
        QCOMPARE(int(Orb.unit(1).Cost), 44);
    }

    void sortEditAndBackToTheForm()
    {
        e = std::make_unique<Editor>();
        e->loadLine(12);
        e->key(Qt::Key_T, Qt::ControlModifier);
        QTableView* table = e->w->findChild<QTableView*>("UnitTable");
        QVERIFY(table && table->isVisible() && !e->w->UnitListBox->isVisible());
        QCOMPARE(table->model()->rowCount(), UnitCount);
        // The columns: the fields a page edits, in the order of the CSV dump.
        QStringList edited;
        for (const auto& f : UnitFields())
            if (f.editable())
                edited << f.name;
        QStringList columns;
        for (int c = 0; c < table->model()->columnCount(); ++c)
            columns << table->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(columns, edited);
        QVERIFY(!columns.contains("HiddenByte"));
        const int cost = int(columns.indexOf("Cost")), cls = int(columns.indexOf("Class"));
        QCOMPARE(table->model()->index(16, cls).data().toString(),
                 QString("%1 %2").arg(Orb.unit(17).Class).arg(toQ(GetUnitClassName(Orb.unit(17).Class))));

        // A click on the Cost header sorts by cost, a second reverses; the row headers keep the numbers.
        const OrbData before12 = Orb;
        QHeaderView* header = table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(cost) + 5, header->height() / 2));
        auto costAt = [&](int row) { return table->model()->index(row, cost).data().toInt(); };
        for (int row = 1; row < UnitCount; ++row)
            QVERIFY(costAt(row - 1) <= costAt(row));
        const int cheapest = table->model()->headerData(0, Qt::Vertical).toInt();
        QCOMPARE(int(Orb.unit(cheapest).Cost), costAt(0));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(cost) + 5, header->height() / 2));
        QVERIFY(costAt(0) >= costAt(UnitCount - 1));
        // A code column sorts by the code, not by its name.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(cls) + 5, header->height() / 2));
        for (int row = 1; row < UnitCount; ++row)
            QVERIFY(Orb.unit(table->model()->headerData(row - 1, Qt::Vertical).toInt()).Class <=
                    Orb.unit(table->model()->headerData(row, Qt::Vertical).toInt()).Class);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(cost) + 5, header->height() / 2));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(cost) + 5, header->height() / 2));
        QVERIFY(costAt(0) >= costAt(UnitCount - 1));  // by cost, descending, again

        // Typing into a cell stores it as a Commit would, as one undoable step.
        const QModelIndex at = table->model()->index(0, cost);
        const int entry = table->model()->headerData(0, Qt::Vertical).toInt();
        const int was = Orb.unit(entry).Cost;
        table->setCurrentIndex(at);
        QTest::keyClick(table, Qt::Key_1);  // the first key opens the cell's editor, the rest go there
        QTest::keyClicks(QApplication::focusWidget(), "a2");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(int(Orb.unit(entry).Cost), 12);  // stored from the event loop, once the editor is closed
        QCOMPARE(e->status(), QString("Cost: '1a2' stored as 12"));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Cost, 1 entry"));
        QVERIFY(e->caption().endsWith("*"));
        e->w->UndoItem->trigger();
        QCOMPARE(int(Orb.unit(entry).Cost), was);

        // Several cells: one value into all with Ctrl+Enter, fill down with Ctrl+D, copy with Ctrl+C,
        // the column with Ctrl+Space; each change one undoable step.
        const int crew = int(columns.indexOf("Crew"));
        auto entryAt = [&](int row) { return table->model()->headerData(row, Qt::Vertical).toInt(); };
        table->setCurrentIndex(table->model()->index(0, crew));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table, Qt::Key_7);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        for (int row = 0; row < 5; ++row)
            QCOMPARE(int(Orb.unit(entryAt(row)).Crew), 7);
        QCOMPARE(int(Orb.unit(entryAt(5)).Crew), int(Orb.unit(entryAt(5)).Crew));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, 5 entries"));
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("7\n7\n7\n7\n7\n"));

        // (Columns other than the sorted one, so that the rows stay where they are.)
        auto cell = [&](int row, int column) { return table->model()->index(row, column).data(Qt::EditRole).toString(); };
        const QModelIndex first = table->model()->index(10, crew);
        table->scrollTo(first);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(first).center());
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table, Qt::Key_Right, Qt::ShiftModifier);  // two columns: each fills from its own top
        const QString topCrew = cell(10, crew), topNext = cell(10, crew + 1);
        QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
        for (int row = 10; row < 14; ++row)
            QVERIFY(cell(row, crew) == topCrew && cell(row, crew + 1) == topNext);
        QVERIFY(cell(14, crew) == QString::number(before12.unit(entryAt(14)).Crew));
        e->w->UndoItem->trigger();
        e->w->UndoItem->trigger();
        QCOMPARE(int(Orb.unit(entryAt(1)).Crew), int(before12.unit(entryAt(1)).Crew));
        QTest::keyClick(table, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), UnitCount);

        // A range pasted from a spreadsheet, checked as strictly as an import; a refused one changes nothing.
        const QModelIndex at20 = table->model()->index(20, crew);
        table->scrollTo(at20);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(at20).center());
        QApplication::clipboard()->setText("1\t2\r\n3\t4\r\n");
        QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(20, crew) + cell(20, crew + 1) + cell(21, crew) + cell(21, crew + 1), QString("1234"));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, Wpn1, 2 entries"));
        const OrbData pasted = Orb;
        for (const char* bad : {"5\tabc\n", "5\t300\n", "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t20"
                                                        "\t21\t22\t23\t24\t25\t26\t27\t28\t29\t30\t31\t32\t33\t34\t35\t36\t37\t38\t39\t40"
                                                        "\t41\t42\t43\t44\t45\t46\t47\t48\t49\t50\t51\t52\t53\t54\t55\t56\t57\t58\t59\t60\n"}) {
            QApplication::clipboard()->setText(bad);
            auto seen = std::make_shared<SeenMessage>();
            acceptMessage(seen);
            table->setFocus();
            e->key(Qt::Key_V, Qt::ControlModifier);  // the window active again after the last message
            QCOMPARE(seen->title, QString("Paste Error"));
            QVERIFY2(seen->text.contains("line 1, column "), qPrintable(seen->text));
            QVERIFY(std::equal(Orb.bytes(), Orb.bytes() + OrbImageSize, pasted.bytes()));
        }
        // Saved, the file changes in exactly the pasted cells (the other changes were undone).
        e->key(Qt::Key_S, Qt::ControlModifier);
        const QList<int> changed = changedOffsets(sampleBytes(12), readAll(tmp.filePath("ORB12")));
        QVERIFY(!changed.isEmpty());
        for (int off : changed) {
            bool pastedCell = false;
            for (int row : {20, 21})
                for (const char* name : {"Crew", "Wpn1"}) {
                    const auto* f = FindField(UnitFields(), name);
                    pastedCell |= off >= f->at(entryAt(row)) && off < f->at(entryAt(row)) + f->size();
                }
            QVERIFY2(pastedCell, qPrintable(QString("byte %1").arg(off)));
        }
        e->w->UndoItem->trigger();  // the paste, one step
        QVERIFY(std::equal(Orb.bytes(), Orb.bytes() + OrbImageSize, before12.bytes()));

        // The page's filter field filters the table, conditions on fields included; one it cannot
        // read is said under it and filters nothing.
        QLineEdit* find = e->edit("UnitFilterEdit");
        QVERIFY(find->isVisible());
        e->key(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find, "class=13 Cost>100");
        int expected = 0;
        for (int n = 1; n <= UnitCount; ++n)
            expected += Orb.unit(n).Class == 13 && Orb.unit(n).Cost > 100;
        QCOMPARE(table->model()->rowCount(), expected);
        int listed = 0;  // the form's list takes the same conditions
        for (int row = 0; row < UnitCount; ++row)
            listed += !e->w->UnitListBox->isRowHidden(row);
        QCOMPARE(listed, expected);
        table->setFocus();
        table->setCurrentIndex(table->model()->index(0, crew));
        e->key(Qt::Key_Space, Qt::ControlModifier);  // the column's visible cells only
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), expected);
        find->setFocus();
        QLabel* why = e->w->findChild<QLabel*>("UnitFilterError");
        QVERIFY(why && !why->isVisible());
        find->selectAll();
        QTest::keyClicks(find, "Colour=3");
        QVERIFY(why->isVisible() && why->text().contains("no field of units is called 'Colour'"));
        QCOMPARE(table->model()->rowCount(), UnitCount);
        find->clear();
        table->setFocus();

        // Back to the form: it shows the entry of the table's current row.
        table->setCurrentIndex(table->model()->index(5, cost));
        const int chosen = table->model()->headerData(5, Qt::Vertical).toInt();
        e->key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!table->isVisible() && e->w->UnitListBox->isVisible());
        QCOMPARE(int(CurrentUnit), chosen);
        QCOMPARE(e->w->UnitNumLabel->text(), "Unit " + threeDigits(chosen));
    }
};

QTEST_MAIN(TestTable)
#include "test_table.moc"
