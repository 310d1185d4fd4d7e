#include "ui/table/TableFeature.h"

#include "core/Globals.h"
#include "ui/PageCodes.h"
#include "ui/shared/FieldMarks.h"
#include "ui/table/TableModel.h"

#include "core/Csv.h"
#include "core/Import.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>

#include <algorithm>

namespace {
// Closes a cell's editor without storing what it holds, as Escape does.
void escapeEditor(QWidget* editor)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(editor, &press);
}

QSortFilterProxyModel* proxyOf(const QTableView* view)
{
    return static_cast<QSortFilterProxyModel*>(view->model());
}
}  // namespace

OrbTableModel* TableModelOf(const QTableView* view)
{
    return static_cast<OrbTableModel*>(proxyOf(view)->sourceModel());
}

TableFeature::TableFeature(FeatureHost& host) : Feature(host, "Table")
{
    TableItem = new QAction("&Table", host_.window());
    TableItem->setObjectName("TableItem");
    TableItem->setStatusTip("Every entry of the page's table at a glance, or back to the form");
    TableItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    TableItem->setCheckable(true);
    host_.addCommand(Menu::View, TableItem);
    connect(TableItem, &QAction::triggered, this, &TableFeature::toggleTable);
    // A table shown follows every change to the tables as it happens, and the marks.
    connect(&host_, &FeatureHost::tablesChanged, this, [this] {
        for (QTableView* t : tables_)
            if (t)
                TableModelOf(t)->refresh();
    });
    connect(&host_.marks(), &FieldMarks::changed, this, [this] {
        for (QTableView* t : tables_)
            if (t)
                TableModelOf(t)->setCompared(host_.marks().compared(), host_.marks().comparedLength());
    });
    connect(&host_, &FeatureHost::frontChanged, this, [this] { TableItem->setChecked(tableInFront() != nullptr); });
}

QTableView* TableFeature::tableInFront() const
{
    const std::optional<TableId> t = CurrentPage == pcLoad ? std::nullopt : std::optional(TableOfPage(CurrentPage));
    QTableView* view = t ? tables_[int(*t)] : nullptr;
    return view && !view->isHidden() ? view : nullptr;
}

bool TableFeature::owns(const QWidget* target) const
{
    QTableView* table = tableInFront();
    return table && table->isVisible() && (target == table || table->isAncestorOf(target));
}

int TableFeature::entryInFront() const
{
    QTableView* table = tableInFront();
    if (!table || !table->currentIndex().isValid())
        return 0;
    return proxyOf(table)->mapToSource(table->currentIndex()).row() + 1;
}

QTableView* TableFeature::build(TableId t)
{
    QWidget* page = host_.page(t);
    auto* view = new QTableView(page);
    view->setObjectName(t == TableId::Units ? "UnitTable" : t == TableId::Weapons ? "WeaponTable" : "FormationTable");
    view->setContextMenuPolicy(Qt::ActionsContextMenu);  // for the current row's entry
    view->addActions(host_.entryActions());
    auto* model = new OrbTableModel(t, view);
    auto* proxy = new OrbTableFilter(model, view);
    view->setModel(proxy);
    // The page's filter field filters the table too; what it cannot read is said under it.
    QLineEdit* filter = host_.filterEdit(t);
    auto* why = new QLabel(page);
    why->setObjectName(QString(filter->objectName()).replace("Edit", "Error"));
    why->setWordWrap(true);
    why->hide();
    auto apply = [proxy, why, view](const QString& text) {
        const QString error = proxy->setFilterText(text);
        why->setText(error);
        why->setVisible(!error.isEmpty() && view->isVisible());
    };
    connect(filter, &QLineEdit::textChanged, view, apply);
    apply(filter->text());
    view->setSortingEnabled(true);
    // Typing on a cell edits it, as in a spreadsheet.
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    view->sortByColumn(-1, Qt::AscendingOrder);  // entry order until a header is clicked
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    // Columns as wide as their header and the first 30 rows need, measured once: measuring all 249
    // rows of 60 columns again at each sort or change is what a person would wait for.
    view->horizontalHeader()->setResizeContentsPrecision(30);
    view->resizeColumnsToContents();
    view->setItemDelegate(new OrbTableDelegate(view));
    model->setCompared(host_.marks().compared(), host_.marks().comparedLength());
    // A column of its own, so that the filter field can stand above the table at its width.
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(view, 1);
    qobject_cast<QBoxLayout*>(page->layout())->addLayout(column);
    view->hide();
    // The row under the cursor stays shown through its own edit, whatever the filter then says
    // of it; moving to another row lets the filter have it again.
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view, [proxy](const QModelIndex& now) {
        if (proxy->keptRow() >= 0 && (!now.isValid() || proxy->mapToSource(now).row() != proxy->keptRow()))
            QTimer::singleShot(0, proxy, [proxy] { proxy->release(); });
    });
    model->mayChange = [this, view, proxy](const OrbData& after) {
        if (!host_.mayChange("this edit", after, true))
            return false;
        if (view->currentIndex().isValid())
            proxy->keepRow(proxy->mapToSource(view->currentIndex()).row());
        return true;
    };
    model->changed = [this](const QString& step, const OrbData& before, const QString& note) {
        host_.pushStep(step, DiffOrb(before, Orb));
        host_.showStoredNote(note);
    };
    filterErrors_[int(t)] = why;
    tableColumns_[int(t)] = column;
    return view;
}

void TableFeature::toggleTable()
{
    const std::optional<TableId> t = host_.tableInFront();
    if (!t) {
        TableItem->setChecked(false);
        return;
    }
    const int index = int(*t);
    QTableView*& view = tables_[index];
    if (!view)
        view = build(*t);
    const bool toTable = view->isHidden();
    // The table takes the place of the list and the form, and the whole width; the filter field
    // (and what it cannot read) moves above the table and back above the list.
    QLineEdit* filter = host_.filterEdit(*t);
    QLabel* why = filterErrors_[index];
    auto* listStrip = qobject_cast<QBoxLayout*>(host_.entryList(*t)->parentWidget()->layout());
    QBoxLayout* strip = toTable ? tableColumns_[index] : listStrip;
    for (QBoxLayout* l : {listStrip, tableColumns_[index]}) {
        l->removeWidget(filter);
        l->removeWidget(why);
    }
    strip->insertWidget(0, filter);
    strip->insertWidget(1, why);
    filter->show();
    why->setVisible(toTable && !why->text().isEmpty());
    QLayout* layout = host_.page(*t)->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (QWidget* w = layout->itemAt(i)->widget())
            w->setVisible(!toTable);  // the list's panel and the form
    view->setVisible(toTable);
    TableItem->setChecked(toTable);
    auto* proxy = proxyOf(view);
    uint8_t& current = CurrentEntryOf(*t);
    if (toTable) {
        host_.formToggled();
        TableModelOf(view)->refresh();
        const QModelIndex at = proxy->mapFromSource(TableModelOf(view)->index(current - 1, 0));
        view->setCurrentIndex(at);
        view->scrollTo(at);
        view->setFocus();
        return;
    }
    const QModelIndex at = view->currentIndex();
    if (at.isValid())
        current = static_cast<uint8_t>(proxy->mapToSource(at).row() + 1);
    host_.formToggled();  // the form shows that entry
}

bool TableFeature::key(QWidget* target, int key, Qt::KeyboardModifiers mods)
{
    QTableView* table = tableInFront();
    const bool ctrl = mods & Qt::ControlModifier;
    auto* proxy = proxyOf(table);
    // The selected cells, in the order the table shows them (row by row, left to right).
    QModelIndexList shown = table->selectionModel()->selectedIndexes();
    std::sort(shown.begin(), shown.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QModelIndexList cells;
    for (const QModelIndex& i : shown)
        cells << proxy->mapToSource(i);
    if (ctrl && (key == Qt::Key_Return || key == Qt::Key_Enter) && target != table) {
        // One value into every selected cell: the text being typed, the cell's editor closed
        // without storing it alone.
        auto* editor = qobject_cast<QLineEdit*>(target);
        if (!editor || cells.isEmpty())
            return false;
        const QString text = editor->text();
        const bool nothing = OrbTableDelegate::storesNothing(editor);
        escapeEditor(editor);
        if (!nothing)
            TableModelOf(table)->setMany(cells, QStringList(QList<QString>(cells.size(), text)));
        table->setFocus();
        return true;
    }
    if (key == Qt::Key_F7 && target == table && host_.marks().comparing()) {
        stepToCellDifference(table, (mods & Qt::ShiftModifier) ? -1 : 1);
        return true;
    }
    if (ctrl && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        // Ctrl+Tab goes to the next page from the table too, as it does from the form.
        host_.turnPage(key == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
        return true;
    }
    if (target != table || !ctrl)
        return false;
    if (key == Qt::Key_D) {
        // Fill down: each column's top selected cell into the cells below it.
        QModelIndexList into;
        QStringList texts;
        QHash<int, QString> top;
        for (int i = 0; i < shown.size(); ++i) {
            const int column = shown[i].column();
            if (!top.contains(column)) {
                top[column] = shown[i].data(Qt::EditRole).toString();
                continue;
            }
            into << cells[i];
            texts << top[column];
        }
        if (!into.isEmpty())
            TableModelOf(table)->setMany(into, texts);
        return true;
    }
    if (key == Qt::Key_Space) {
        // The current column's cells that the table shows (selectColumn would toggle, with Ctrl held).
        const int column = table->currentIndex().column();
        if (column >= 0 && proxy->rowCount() > 0)
            table->selectionModel()->select(QItemSelection(proxy->index(0, column), proxy->index(proxy->rowCount() - 1, column)),
                                            QItemSelectionModel::ClearAndSelect);
        return true;
    }
    if (key == Qt::Key_V) {
        pasteIntoTable(table, shown);
        return true;
    }
    if (key == Qt::Key_C) {
        // Tab-separated lines, as spreadsheets paste them (and as a paste reads them back).
        QString text;
        int row = -1;
        for (const QModelIndex& i : shown) {
            if (row >= 0)
                text += i.row() == row ? "\t" : "\n";
            row = i.row();
            text += QString::fromStdString(CsvCell(i.data(Qt::EditRole).toString().toStdString(), '\t'));
        }
        QApplication::clipboard()->setText(text + (shown.isEmpty() ? "" : "\n"));
        return true;
    }
    return false;
}

void TableFeature::pasteIntoTable(QTableView* table, const QModelIndexList& shown)
{
    auto* proxy = proxyOf(table);
    const QModelIndex top = table->currentIndex();
    // Tab-separated lines read as import reads a CSV: a cell a spreadsheet quotes (a tab, a quote
    // or a line break in it) is one cell.
    CsvTable csv = ReadCsv(QApplication::clipboard()->text().toStdString(), '\t');
    if (!csv.error.empty()) {
        host_.showMessage("Nothing was pasted:\n" + QString::fromStdString(CsvPlace(csv.errorLine, csv.errorColumn) + ": " + csv.error),
                    "Paste Error");
        return;
    }
    ImportSheet block = CsvSheet(TableModelOf(table)->table(), std::move(csv));
    // The selected cells by the rows the table shows them in, each row's left to right.
    QList<QModelIndexList> rows;
    for (const QModelIndex& i : shown) {
        if (rows.isEmpty() || rows.back().front().row() != i.row())
            rows.append(QModelIndexList());
        rows.back() << i;
    }
    const bool intoSelection = shown.size() > 1;
    const int lines = static_cast<int>(block.rows.size());
    if (intoSelection && lines == 1 && block.rows.front().cells.size() == 1) {
        // One value over a selection fills every selected cell, as spreadsheets do.
        const std::string value = block.rows.front().cells.front();
        block.rows.clear();
        for (int i = 0; i < rows.size(); ++i)
            block.rows.push_back({i + 1, std::vector<std::string>(static_cast<std::size_t>(rows[i].size()), value), {}});
    } else if (intoSelection) {
        bool fits = lines <= rows.size();
        int widest = 0;
        for (int i = 0; i < lines; ++i) {
            const int values = static_cast<int>(block.rows[static_cast<std::size_t>(i)].cells.size());
            widest = std::max(widest, values);
            fits = fits && values <= rows[i].size();
        }
        if (!fits) {
            host_.showMessage(QString("Nothing was pasted:\nthe clipboard holds %1 %2 of up to %3 %4, more than the selected "
                                "cells take. Select one cell to paste from there, or as many cells as the clipboard holds.")
                            .arg(lines)
                            .arg(lines == 1 ? "line" : "lines")
                            .arg(widest)
                            .arg(widest == 1 ? "value" : "values"),
                        "Paste Error");
            return;
        }
    } else if (!top.isValid()) {
        return;
    }
    // Held as persistent indexes: a sort after the paste moves them with their entries.
    QList<QPersistentModelIndex> pasted;
    const QString why = TableModelOf(table)->paste(block, [&](int row, int column) {
        // Into the selected cells in the order shown, or from the current cell right and down.
        const QModelIndex at = intoSelection ? rows[row][column] : proxy->index(top.row() + row, top.column() + column);
        if (!at.isValid())
            return QModelIndex();
        pasted << at;
        return proxy->mapToSource(at);
    });
    if (!why.isEmpty()) {
        host_.showMessage("Nothing was pasted:\n" + why, "Paste Error");
        return;
    }
    // What was pasted stays selected, so that the user sees where it went.
    QItemSelection selection;
    for (const QPersistentModelIndex& i : pasted)
        if (i.isValid())
            selection.select(i, i);
    table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TableFeature::storeOpenCells()
{
    for (QTableView* table : tables_) {
        if (!table || TableModelOf(table)->storingTyped())
            continue;
        // A cell's editor is a child of the table's viewport while it is open.
        for (auto* editor : table->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
            const QModelIndex at = table->currentIndex();
            if (editor->isHidden() || !at.isValid())
                continue;
            const QString text = editor->text();
            const bool nothing = OrbTableDelegate::storesNothing(editor);
            escapeEditor(editor);
            if (!nothing)
                TableModelOf(table)->setMany({proxyOf(table)->mapToSource(at)}, {text});
        }
    }
}

void TableFeature::stepToCellDifference(QTableView* table, int direction)
{
    // Row by row in the order shown, left to right: the next cell that differs.
    auto* proxy = proxyOf(table);
    const int rows = proxy->rowCount(), columns = proxy->columnCount();
    const QModelIndex at = table->currentIndex();
    int i = at.isValid() ? at.row() * columns + at.column() : (direction > 0 ? -1 : rows * columns);
    for (i += direction; i >= 0 && i < rows * columns; i += direction) {
        const QModelIndex cell = proxy->index(i / columns, i % columns);
        if (TableModelOf(table)->differs(proxy->mapToSource(cell))) {
            table->setCurrentIndex(cell);
            table->scrollTo(cell);
            return;
        }
    }
    host_.showStatus(NoFurtherDifferences);
}
