// The table view of each record page: every entry of the table at a glance in place of the
// list and the form, sortable and editable cell by cell, over one model of the loaded tables.
#pragma once

#include "ui/shared/FeatureHost.h"

#include <QModelIndexList>

class QAction;
class QBoxLayout;
class QLabel;
class QTableView;
class OrbTableModel;

class TableFeature : public Feature {
    Q_OBJECT

public:
    explicit TableFeature(FeatureHost& host);

    QAction* TableItem = nullptr;  // View > Table, Ctrl+T

    // Switches the record page in front between its form and a table of every entry; back on the
    // form, the page shows the entry of the table's current row.
    void toggleTable();
    // The table view of table t's page, or nullptr before it was first shown.
    QTableView* tableView(TableId t) const { return tables_[int(t)]; }
    // Whether target is the table in front or in it (a cell's editor): its keys are the table's.
    bool owns(const QWidget* target) const;
    // The table's own keys: Ctrl+Enter (one value into every selected cell), Ctrl+D (fill down),
    // Ctrl+Space (the column), Ctrl+C and Ctrl+V (tab-separated lines), F7 (the next cell that
    // differs), Ctrl+Tab (the next page). True when the key was used.
    bool key(QWidget* target, int key, Qt::KeyboardModifiers mods);
    // The entry of the current row of the table in front; 0 where there is none.
    int entryInFront() const;
    // A table cell being typed in is stored now, as its own step, before a question about work.
    void storeOpenCells();

private:
    QTableView* build(TableId t);
    // Ctrl+V: tab-separated lines into the selected cells (shown, in view order), or from the
    // current cell when one is selected; a single value fills every selected cell.
    void pasteIntoTable(QTableView* table, const QModelIndexList& shown);
    // F7: the next (direction 1) or previous (-1) cell that differs from the compared file.
    void stepToCellDifference(QTableView* table, int direction);
    // The table of the page in front while it shows, else nullptr.
    QTableView* tableInFront() const;

    QTableView* tables_[3] = {};        // units, weapons, formations; made when first shown
    QLabel* filterErrors_[3] = {};      // what each table's filter cannot read
    QBoxLayout* tableColumns_[3] = {};  // where each table and, while it is shown, its filter stand
};

// The model of the loaded tables under a table view.
OrbTableModel* TableModelOf(const QTableView* view);
