// The table view of the record pages through the real window, driven by keys.
#include "WindowFixture.h"

#include "core/Tables.h"

#include <QClipboard>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTableView>

class TestTable : public WindowSuite {
    Q_OBJECT

    QTableView* table = nullptr;
    QStringList columns;

    // The units' table shown by its key.
    void showTable()
    {
        e->key(Qt::Key_T, Qt::ControlModifier);
        table = e->w->findChild<QTableView*>("UnitTable");
        columns.clear();
        for (int c = 0; c < table->model()->columnCount(); ++c)
            columns << table->model()->headerData(c, Qt::Horizontal).toString();
    }
    int column(const char* name) const { return int(columns.indexOf(name)); }
    // The row header's number ("017", or "017 *" for a row kept after it stopped matching).
    int entryAt(int row) const { return table->model()->headerData(row, Qt::Vertical).toString().left(3).toInt(); }
    QString cell(int row, const char* name) const
    {
        return table->model()->index(row, column(name)).data(Qt::EditRole).toString();
    }
    void clickCell(int row, const char* name)
    {
        const QModelIndex at = table->model()->index(row, column(name));
        table->scrollTo(at);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(at).center());
    }
    void clickHeader(const char* name)
    {
        QHeaderView* header = table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column(name)) + 5, header->height() / 2));
    }
    // Types text into the current cell and ends it with Enter (and the modifiers given).
    void typeIntoCell(const QString& text, Qt::KeyboardModifiers mods = {})
    {
        e->activate();  // after a question, the window active again
        QTest::keyClicks(table, text.left(1));  // the first key opens the cell's editor, the rest go there
        QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, mods);
    }

private slots:
    // A cell edit that would drop the form's typed edits asks first; the question, answered while
    // the cell's editor closes, stores the value once and leaves no editor half-closed.
    void aCellEditAsksAboutTypedEditsOnce()
    {
        QTest::failOnWarning(QRegularExpression("does not belong to this view"));
        open(12);
        auto seen = std::make_shared<SeenMessage>();
        struct Answer {
            QMessageBox::StandardButton button;
            int crew, cost;  // unit 1 afterwards: Save commits the form's edit, and the cell goes on top
        };
        for (const Answer& a : {Answer{QMessageBox::Discard, 7, 17}, Answer{QMessageBox::Save, 8, 44}}) {
            e->type("UnitCostEdit", "44");  // typed on the form, not committed
            showTable();
            table->setCurrentIndex(table->model()->index(0, column("Crew")));  // unit 1, which the form shows
            answerBox(a.button, seen);
            typeIntoCell(QString::number(a.crew));
            QTRY_COMPARE(int(Orb.unit(1).Crew), a.crew);
            QCOMPARE(int(Orb.unit(1).Cost), a.cost);
            e->key(Qt::Key_T, Qt::ControlModifier);
        }
        QCOMPARE(seen->count, 2);
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, 1 entry"));
        int steps = 0;  // each cell and the commit one step, no more
        for (; e->w->UndoItem->isEnabled() && steps < 10; ++steps)
            e->w->UndoItem->trigger();
        QCOMPARE(steps, 3);
    }

    // A paste goes into the selected cells in the order shown, a single value into each of
    // them; a block larger than the selection is refused; the pasted cells stay selected, also
    // when the sort then moves their rows.
    void pasteFillsTheSelection()
    {
        open(12);
        showTable();
        clickHeader("Cost");  // rows no longer in entry order
        const OrbData loaded = Orb;
        auto selectRows = [&](int first, int last, const char* name) {
            clickCell(first, name);
            const QModelIndex at = table->model()->index(last, column(name));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ShiftModifier, table->visualRect(at).center());
        };
        auto selectedEntries = [&] {
            QList<int> out;
            for (const QModelIndex& i : table->selectionModel()->selectedIndexes())
                out << entryAt(i.row());
            std::sort(out.begin(), out.end());
            return out;
        };
        struct Case {
            const char* clip;
            const char* field;
            QList<uint32_t> values;  // of the three selected rows afterwards, in view order; empty: refused
        } cases[] = {
            {"1\n2\n3\n", "Crew", {1, 2, 3}},
            {"9", "Crew", {9, 9, 9}},
            {"4\n5\n", "Crew", {4, 5, 9}},  // a smaller block fills the selection's first cells
            {"1\n2\n3\n4\n", "Crew", {}},
            {"1\t2\n", "Crew", {}},
            {"250\n251\n252\n", "Cost", {250, 251, 252}},  // the sorted column: the rows move
        };
        QList<int> entries;
        for (int row = 3; row <= 5; ++row)
            entries << entryAt(row);
        for (const Case& c : cases) {
            selectRows(3, 5, c.field);
            const OrbData before = Orb;
            QApplication::clipboard()->setText(c.clip);
            auto seen = c.values.isEmpty() ? answerBox() : std::make_shared<SeenMessage>();
            e->key(Qt::Key_V, Qt::ControlModifier);
            const auto* f = FindField(UnitFields(), c.field);
            if (c.values.isEmpty()) {
                QCOMPARE(seen->title, QString("Paste Error"));
                QVERIFY2(seen->text.contains("more than the selected cells take"), qPrintable(seen->text));
                QVERIFY(sameImage(Orb, before));
                continue;
            }
            for (int i = 0; i < 3; ++i)
                QCOMPARE(f->number(Orb.unit(entries[i])), c.values[i]);
            QList<int> want = entries.mid(0, QString(c.clip).count('\n') == 2 ? 2 : 3);  // the pasted cells
            std::sort(want.begin(), want.end());
            QCOMPARE(selectedEntries(), want);
        }
        // Nothing but the selected entries changed.
        QStringList got = changes(packedOver(sampleBytes(12), loaded), packedOver(sampleBytes(12), Orb)), want;
        for (int n : entries)
            for (const char* name : {"Cost", "Crew"})
                if (FindField(UnitFields(), name)->number(loaded.unit(n)) != FindField(UnitFields(), name)->number(Orb.unit(n)))
                    want << QString("units %1 %2").arg(threeDigits(n), name);
        got.sort(), want.sort();
        QCOMPARE(got, want);
    }

    // A cell being typed in is work as the form's typing is: closing the window asks about it;
    // an edited row that leaves the filter stays under the cursor until the user moves.
    void typedCellsAreWorkAndStayInPlace()
    {
        open(12);
        showTable();
        table->setCurrentIndex(table->model()->index(0, column("Crew")));
        QTest::keyClicks(table, "4");
        QTest::keyClicks(QApplication::focusWidget(), "2");  // the editor open, nothing stored yet
        auto seen = answerBox(QMessageBox::Cancel);
        e->w->ExitItem->trigger();
        QCOMPARE(seen->text, QString("Save changes to ORB12?"));
        QVERIFY(e->w->isVisible());
        QCOMPARE(int(Orb.unit(1).Crew), 42);
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, 1 entry"));
        // Ctrl+Z takes the step back, as the Edit menu does: from the table, and from the filter
        // field once it has no typing of its own to undo (the soak's seed 1430459965 ended there
        // with every Ctrl+Z swallowed).
        for (const char* from : {"table", "filter"}) {
            table->setFocus();
            table->setCurrentIndex(table->model()->index(0, column("Crew")));
            typeIntoCell("42");
            QTRY_COMPARE(int(Orb.unit(1).Crew), 42);
            if (QByteArray(from) == "filter")
                e->key(Qt::Key_F, Qt::ControlModifier);
            else
                table->setFocus();
            e->key(Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(int(Orb.unit(1).Crew) == int(sampleOrb(12).unit(1).Crew), from);
        }

        // Letters do not reach a number cell: the editor opens on the first digit only.
        table->setFocus();
        table->setCurrentIndex(table->model()->index(1, column("Crew")));
        typeIntoCell("abc");
        QTest::qWait(0);
        QCOMPARE(int(Orb.unit(2).Crew), int(sampleOrb(12).unit(2).Crew));

        QLineEdit* find = e->edit("UnitFilterEdit");
        const int crew = Orb.unit(5).Crew;
        e->key(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find, QString("Crew=%1").arg(crew));
        const int matching = table->model()->rowCount();
        int row = 0;
        while (entryAt(row) != 5)
            ++row;
        table->setFocus();
        table->setCurrentIndex(table->model()->index(row, column("Crew")));
        typeIntoCell(QString::number(crew + 1));
        QTRY_COMPARE(int(Orb.unit(5).Crew), crew + 1);
        QTest::qWait(0);
        QCOMPARE(entryAt(table->currentIndex().row()), 5);  // still under the cursor, marked
        QCOMPARE(table->model()->rowCount(), matching);
        QCOMPARE(table->model()->headerData(table->currentIndex().row(), Qt::Vertical).toString(), threeDigits(5) + " *");
        typeIntoCell(QString::number(crew + 2));  // the next typing goes into the same entry
        QTRY_COMPARE(int(Orb.unit(5).Crew), crew + 2);
        QTest::keyClick(table, Qt::Key_Down);  // a move lets the filter have the row
        QTRY_COMPARE(table->model()->rowCount(), matching - 1);
        answerBox(QMessageBox::Discard);
        QVERIFY(e->w->close());
    }

    void sortEditAndBackToTheForm()
    {
        open(12);
        showTable();
        QVERIFY(table->isVisible() && !e->w->UnitListBox->isVisible());
        QCOMPARE(table->model()->rowCount(), UnitCount);
        // The columns: the fields a page edits, in the order of the CSV dump; codes with their names.
        QStringList edited;
        for (const auto& f : UnitFields())
            if (f.editable())
                edited << f.name;
        QCOMPARE(columns, edited);
        QCOMPARE(table->model()->index(16, column("Class")).data().toString(),
                 QString("%1 %2").arg(Orb.unit(17).Class).arg(toQ(GetUnitClassName(Orb.unit(17).Class))));

        // A click on a header sorts by its stored value, a second reverses; a code column sorts by
        // the code, not by its name; the row headers keep the numbers.
        const OrbData before12 = Orb;
        auto sorted = [&](const char* field, bool up) {
            const auto* f = FindField(UnitFields(), field);
            for (int row = 1; row < UnitCount; ++row) {
                const uint32_t a = f->number(Orb.unit(entryAt(row - 1))), b = f->number(Orb.unit(entryAt(row)));
                if (up ? a > b : a < b)
                    return false;
            }
            return true;
        };
        const std::pair<const char*, bool> clicks[] = {{"Cost", true}, {"Cost", false}, {"Class", true}, {"Cost", true}, {"Cost", false}};
        for (const auto& [field, up] : clicks) {
            clickHeader(field);
            QVERIFY2(sorted(field, up), field);
        }
        QCOMPARE(cell(0, "Cost").toInt(), int(Orb.unit(entryAt(0)).Cost));

        // Typing into a cell stores it as a Commit would, as one undoable step; a number cell
        // takes no letters, so a word typed into the wrong column is no 0.
        const int entry = entryAt(0), was = Orb.unit(entry).Cost;
        table->setCurrentIndex(table->model()->index(0, column("Cost")));
        typeIntoCell("3a00");
        QTRY_COMPARE(int(Orb.unit(entry).Cost), 255);  // stored from the event loop, once the editor is closed
        QCOMPARE(e->status(), QString("Cost: '300' stored as 255"));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Cost, 1 entry"));
        QVERIFY(e->marked());
        e->w->UndoItem->trigger();
        QCOMPARE(int(Orb.unit(entry).Cost), was);

        // Several cells: one value into all with Ctrl+Enter, fill down with Ctrl+D, copy with Ctrl+C,
        // the column with Ctrl+Space; each change one undoable step.
        table->setCurrentIndex(table->model()->index(0, column("Crew")));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        typeIntoCell("7", Qt::ControlModifier);
        for (int row = 0; row < 6; ++row)
            QCOMPARE(int(Orb.unit(entryAt(row)).Crew), row < 5 ? 7 : int(before12.unit(entryAt(row)).Crew));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, 5 entries"));
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("7\n7\n7\n7\n7\n"));
        // (Columns other than the sorted one, so that the rows stay where they are.)
        clickCell(10, "Crew");
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table, Qt::Key_Right, Qt::ShiftModifier);  // two columns: each fills from its own top
        const QString topCrew = cell(10, "Crew"), topWpn1 = cell(10, "Wpn1");
        QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
        for (int row = 10; row < 14; ++row)
            QVERIFY(cell(row, "Crew") == topCrew && cell(row, "Wpn1") == topWpn1);
        QCOMPARE(cell(14, "Crew"), QString::number(before12.unit(entryAt(14)).Crew));
        // The step's name counts the entries and fields it changed, not the cells it was given.
        QStringList filledFields;
        int filledEntries = 0;
        for (int row = 11; row < 14; ++row) {
            bool any = false;
            for (const char* name : {"Crew", "Wpn1"})
                if (FindField(UnitFields(), name)->number(before12.unit(entryAt(row))) !=
                    FindField(UnitFields(), name)->number(before12.unit(entryAt(10)))) {
                    any = true;
                    if (!filledFields.contains(name))
                        filledFields << name;
                }
            filledEntries += any;
        }
        std::sort(filledFields.begin(), filledFields.end());
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units %1, %2").arg(filledFields.join(", "),
                 filledEntries == 1 ? QString("1 entry") : QString("%1 entries").arg(filledEntries)));
        e->w->UndoItem->trigger();
        e->w->UndoItem->trigger();
        QCOMPARE(packedOver(sampleBytes(12), Orb), packedOver(sampleBytes(12), before12));
        QTest::keyClick(table, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), UnitCount);

        // A range pasted from a spreadsheet, checked as strictly as an import; a refused one changes nothing.
        clickCell(20, "Crew");
        QApplication::clipboard()->setText("1\t2\r\n3\t4\r\n");
        QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(20, "Crew") + cell(20, "Wpn1") + cell(21, "Crew") + cell(21, "Wpn1"), QString("1234"));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Edit Units Crew, Wpn1, 2 entries"));
        const QByteArray pasted = packedOver(sampleBytes(12), Orb);
        for (const QString& bad : {QString("5\tabc\n"), QString("5\t300\n"), QString("1\t").repeated(60) + "\n",
                                   QString("5\t\"7\n")}) {
            QApplication::clipboard()->setText(bad);
            auto seen = answerBox();
            clickCell(20, "Crew");  // one cell: the block goes from there
            e->key(Qt::Key_V, Qt::ControlModifier);  // the window active again after the last message
            QCOMPARE(seen->title, QString("Paste Error"));
            QVERIFY2(seen->text.contains("line 1, column "), qPrintable(seen->text));
            QCOMPARE(packedOver(sampleBytes(12), Orb), pasted);
        }
        // Saved, the file changes in exactly the pasted cells (the other changes were undone).
        e->key(Qt::Key_S, Qt::ControlModifier);
        QStringList want, got = changes(sampleBytes(12), readAll(tmp.filePath("ORB12")));
        const std::tuple<int, const char*, uint32_t> pastedCells[] = {{20, "Crew", 1}, {20, "Wpn1", 2}, {21, "Crew", 3}, {21, "Wpn1", 4}};
        for (auto [row, name, value] : pastedCells)
            if (FindField(UnitFields(), name)->number(before12.unit(entryAt(row))) != value)
                want << QString("units %1 %2").arg(threeDigits(entryAt(row)), name);
        want.sort(), got.sort();
        QVERIFY(!want.isEmpty());
        QCOMPARE(got, want);
        e->w->UndoItem->trigger();  // the paste, one step
        QCOMPARE(packedOver(sampleBytes(12), Orb), packedOver(sampleBytes(12), before12));
        // A cell a spreadsheet quotes (a quote, a tab or a line break in it) pastes as one cell,
        // and is copied quoted again.
        clickCell(20, "Name");
        QApplication::clipboard()->setText("\"Say \"\"hi\"\"\"\r\n");
        QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(20, "Name"), QString("Say \"hi\""));
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("\"Say \"\"hi\"\"\"\n"));
        e->w->UndoItem->trigger();

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
        table->setCurrentIndex(table->model()->index(0, column("Crew")));
        e->key(Qt::Key_Space, Qt::ControlModifier);  // the column's visible cells only
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), expected);
        QLabel* why = e->w->findChild<QLabel*>("UnitFilterError");
        QVERIFY(why && !why->isVisible());
        find->selectAll();
        QTest::keyClicks(find, "Colour=3");
        QVERIFY(why->isVisible() && why->text().contains("no field of units is called 'Colour'"));
        QCOMPARE(table->model()->rowCount(), UnitCount);
        find->clear();

        // Ctrl+Tab goes to the next page from the table, as from the form.
        table->setFocus();
        e->key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(e->w->Viewer->currentWidget(), e->w->Weapons);
        e->key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e->w->Viewer->currentWidget(), e->w->Units);

        // Back to the form: it shows the entry of the table's current row.
        table->setFocus();
        table->setCurrentIndex(table->model()->index(5, column("Cost")));
        e->key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!table->isVisible() && e->w->UnitListBox->isVisible());
        QCOMPARE(e->w->UnitNumLabel->text(), "Unit " + threeDigits(entryAt(5)));

        // The form keeps its size; a table may grow the window, which takes that size back with
        // the next table, and the table takes the width.
        const QSize form = e->w->size();
        e->key(Qt::Key_T, Qt::ControlModifier);
        e->w->resize(form.width() + 400, form.height() + 200);
        QTRY_COMPARE(e->w->size(), QSize(form.width() + 400, form.height() + 200));
        QVERIFY(table->width() > form.width());
        // The filter field stands above the table at its width, not over an empty column beside it.
        QLineEdit* filter = e->w->UnitFilterEdit;
        const QRect field(filter->mapTo(e->w.get(), QPoint()), filter->size()), cells(table->mapTo(e->w.get(), QPoint()), table->size());
        QVERIFY(filter->isVisible() && field.bottom() < cells.top());
        QCOMPARE(field.left(), cells.left());
        QCOMPARE(field.width(), cells.width());
        e->key(Qt::Key_T, Qt::ControlModifier);
        QTRY_COMPARE(e->w->size(), form);
        // And back above the list, with the form's every edit inside the page.
        QCOMPARE(filter->parentWidget(), e->w->UnitListBox->parentWidget());
        QCOMPARE(filter->mapTo(e->w->UnitListBox->parentWidget(), QPoint()).y(), 0);
        QWidget* editing = e->w->findChild<QWidget*>("UnitPanel");
        QVERIFY(editing->childrenRect().right() < editing->width());
        e->goTo(e->w->Weapons);
        e->key(Qt::Key_T, Qt::ControlModifier);
        QTRY_COMPARE(e->w->size(), QSize(form.width() + 400, form.height() + 200));
        e->goTo(e->w->Units);  // its form in front: the form's size
        QTRY_COMPARE(e->w->size(), form);
    }
};

QTEST_MAIN(TestTable)
#include "test_table.moc"
