// One table of the loaded file as rows of entries and columns of the fields a page shows, for
// the table view of a record page. The model is the only place the view reads and writes entries.
#pragma once

#include "core/Tables.h"

#include "core/Filter.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

#include <functional>

class QLineEdit;
struct ImportSheet;

class OrbTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The role a sort reads: numbers as numbers, names as their bytes.
    static constexpr int SortRole = Qt::UserRole;

    OrbTableModel(TableId table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores text as a Commit converts it; changed() then reports the step.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Stores texts[i] in cells[i] (indexes of this model) as one step, converted as a Commit
    // converts typed text; false when mayChange said no.
    bool setMany(const QModelIndexList& cells, const QStringList& texts);

    // Stores the rows of block (tab-separated lines read as a CSV) where place(row, column) puts
    // each cell, checked as strictly as an import: any error ("line 2, column 3: ...") and nothing
    // changes. place's row and column count in block; it returns the model index shown there, or
    // an invalid one past the table's end.
    QString paste(const ImportSheet& block, const std::function<QModelIndex(int row, int column)>& place);

    TableId table() const { return table_; }
    // The compared file (none: nullptr) and how many bytes it holds: cells that differ from it
    // are marked as the form's edits are, with its value as their tooltip.
    void setCompared(const OrbData* other, std::size_t length);
    // Whether a cell holds another value than the compared file's (a value past a short file's
    // end is missing there, not different).
    bool differs(const QModelIndex& index) const;
    // True while a cell's typed value is being stored: its editor is still closing then.
    bool storingTyped() const { return storingTyped_; }
    // How many digits a number column's editor takes (its bound's), or 0 for a name column.
    int digitsOf(int column) const;
    // The tables changed elsewhere (a commit, an undo, a load): every cell is read again.
    void refresh();
    // Called after each edit with the step's name ("Edit Units Crew, 1 entry"), the tables as
    // they were, and what was stored otherwise than typed ("Crew: 'abc' stored as 0"), if anything.
    std::function<void(const QString& step, const OrbData& before, const QString& note)> changed;
    // Asked with the tables as an edit would leave them; false leaves them as they are.
    std::function<bool(const OrbData& after)> mayChange;

private:
    TableId table_;
    const OrbData* compared_ = nullptr;
    std::size_t comparedLength_ = 0;
    bool storingTyped_ = false;
    std::vector<int> columns_;  // indices into the table's fields: the ones a page edits
};

// The table as the view shows it: sorted by stored value, and filtered by the page's filter field
// (conditions on fields, "Nation=12 Cost>100", and words in the number or name).
class OrbTableFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit OrbTableFilter(OrbTableModel* source, QObject* parent = nullptr);
    // Filters by text; a text that is not a filter filters nothing, and its error is returned.
    QString setFilterText(const QString& text);

    // Keeps a row of the source shown, whatever the filter says of it, until release(): an edited
    // row that stops matching stays under the cursor, marked, so that the next typing goes into
    // the same entry. Another filter text releases it too.
    void keepRow(int sourceRow);
    void release();
    int keptRow() const { return kept_; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    bool matches(int sourceRow) const;
    // Whether proxy row `row` is only shown because it is kept.
    bool keptOnly(int row) const;

    TableId table_;
    FieldFilter filter_;
    int kept_ = -1;
};

// A cell's editor takes what its field can hold: digits only in a number column, up to its
// bound's count, so that a word typed into the wrong column is not stored as 0; a name's bytes
// as the form's name edit takes them.
class OrbTableDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // An empty number cell (letters typed and refused, or the text deleted) stores nothing.
    static bool storesNothing(const QLineEdit* editor);
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};
