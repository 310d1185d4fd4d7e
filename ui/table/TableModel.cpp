#include "ui/table/TableModel.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QRegularExpressionValidator>
#include <QTimer>

#include "core/EditRules.h"
#include "core/OrbDiff.h"
#include "core/Import.h"
#include "core/Globals.h"
#include "ui/CodeNames.h"
#include "ui/Widgets.h"

OrbTableModel::OrbTableModel(TableId table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    WithTable(table_, [this](const auto& fields, auto) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].editable())
                columns_.push_back(static_cast<int>(i));
    });
}

int OrbTableModel::digitsOf(int column) const
{
    return WithTable(table_, [&](const auto& fields, auto) {
        const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(column)])];
        return f.width == FieldWidth::Text ? 0 : static_cast<int>(std::to_string(f.bound).size());
    });
}

int OrbTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TableCount(table_);
}

int OrbTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

void OrbTableModel::setCompared(const OrbData* other, std::size_t length)
{
    compared_ = other;
    comparedLength_ = length;
    refresh();
}

bool OrbTableModel::differs(const QModelIndex& index) const
{
    if (!compared_ || !index.isValid())
        return false;
    return WithTable(table_, [&](const auto& fields, auto entry) {
        const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(index.column())])];
        const int n = index.row() + 1;
        return !f.pastEnd(n, comparedLength_) && !SameField(entry(Orb, n), entry(*compared_, n), f);
    });
}

QVariant OrbTableModel::data(const QModelIndex& index, int role) const
{
    if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && differs(index)) {
        if (role == Qt::ToolTipRole)
            return WithTable(table_, [&](const auto& fields, auto entry) {
                const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(index.column())])];
                return "Compared file: " + toQ(FieldText(entry(*compared_, index.row() + 1), f));
            });
        return CompareMark(QApplication::palette());
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != SortRole))
        return {};
    return WithTable(table_, [&](const auto& fields, auto entry) -> QVariant {
        const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(index.column())])];
        const auto r = entry(Orb, index.row() + 1);
        if (f.width == FieldWidth::Text)
            return toQ(std::string(r.*f.text));
        const uint32_t v = f.number(r);
        if (role == SortRole)
            return v;
        const QString name = role == Qt::DisplayRole ? codeName(f, v, Orb) : QString();
        return name.isEmpty() ? QString::number(v) : QString::number(v) + " " + name;
    });
}

QVariant OrbTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return threeDigits(section + 1);
    return WithTable(table_, [&](const auto& fields, auto) {
        return QString::fromLatin1(fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(section)])].name);
    });
}

Qt::ItemFlags OrbTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() && FileLoaded ? QAbstractTableModel::flags(index) | Qt::ItemIsEditable
                                         : QAbstractTableModel::flags(index);
}

bool OrbTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !FileLoaded)
        return false;
    // The delegate calls this with its editor still open. A question asked now (about typed edits
    // on a form) would run a nested event loop in which the editor loses the focus and is committed
    // and closed a second time, under the first commit: the value is stored once the delegate is done.
    QTimer::singleShot(0, this, [this, cell = QPersistentModelIndex(index), text = value.toString()] {
        if (!cell.isValid())
            return;
        storingTyped_ = true;
        setMany({cell}, {text});
        storingTyped_ = false;
    });
    return true;
}

bool OrbTableModel::setMany(const QModelIndexList& cells, const QStringList& texts)
{
    if (!FileLoaded || cells.isEmpty() || cells.size() != texts.size())
        return false;
    QStringList notes, fields;
    QList<int> entries;
    // The cells stored onto tables: what the edit would leave.
    auto edited = [&](OrbData after) {
        notes.clear(), fields.clear(), entries.clear();
        WithTable(table_, [&](const auto& all, auto entry) {
            for (int i = 0; i < cells.size(); ++i) {
                const auto& f = all[static_cast<std::size_t>(columns_[static_cast<std::size_t>(cells[i].column())])];
                const int n = cells[i].row() + 1;
                auto r = entry(after, n);
                const std::string typed = fromQ(texts[i]), was = FieldText(r, f);
                StoreFieldText(r, f, typed);
                const std::string stored = FieldText(r, f);
                if (!StoredAsTyped(f.width, typed, stored) && notes.size() < 3)
                    notes << QString::fromStdString(
                        StoredNote(f.name, f.width, texts[i].toStdString(), toQ(stored).toStdString()));
                entry.set(after, n, r);
                if (stored == was)
                    continue;  // the step's name counts what it changes
                if (!fields.contains(QString::fromLatin1(f.name)))
                    fields << QString::fromLatin1(f.name);
                if (!entries.contains(n))
                    entries << n;
            }
        });
        return after;
    };
    // A form showing a changed entry with edits of its own is asked about first. Its answer may
    // commit those edits (a step of their own): the cells then go onto the tables as committed,
    // not onto the tables as they were before the question.
    if (mayChange && !mayChange(edited(Orb)))
        return false;
    const OrbData before = Orb;
    OrbData after = edited(Orb);
    Orb = std::move(after);
    refresh();
    const QString kind = table_ == TableId::Units ? "Units" : table_ == TableId::Weapons ? "Weapons" : "Formations";
    const QString step = QString("Edit %1 %2, %3").arg(kind, fields.size() <= 2 ? fields.join(", ") : QString("%1 fields").arg(fields.size()),
                                                      entries.size() == 1 ? QString("1 entry") : QString("%1 entries").arg(entries.size()));
    if (changed)
        changed(step, before, notes.join("; "));
    return true;
}

QString OrbTableModel::paste(const ImportSheet& block, const std::function<QModelIndex(int, int)>& place)
{
    QModelIndexList cells;
    QStringList texts;
    QString why;
    OrbData trial = Orb;
    WithTable(table_, [&](const auto& fields, auto entry) {
        for (std::size_t i = 0; i < block.rows.size() && why.isEmpty(); ++i) {
            const ImportRow& row = block.rows[i];
            for (std::size_t j = 0; j < row.cells.size() && why.isEmpty(); ++j) {
                const QModelIndex at = place(static_cast<int>(i), static_cast<int>(j));
                const QString where = QString::fromStdString(block.where(row, static_cast<int>(j) + 1) + ": ");
                if (!at.isValid()) {
                    why = where + "past the table's last row or column";
                    break;
                }
                const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(at.column())])];
                auto r = entry(trial, at.row() + 1);
                const std::string error = StoreStrictly(f, r, row.cells[j]);
                if (!error.empty())
                    why = where + QString::fromStdString(error);
                entry.set(trial, at.row() + 1, r);
                cells << at;
                texts << toQ(FieldText(r, f));
            }
        }
    });
    if (!why.isEmpty() || cells.isEmpty())
        return why.isEmpty() ? QString("the clipboard holds no cells") : why;
    setMany(cells, texts);
    return {};
}

void OrbTableModel::refresh()
{
    if (rowCount() && columnCount())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

OrbTableFilter::OrbTableFilter(OrbTableModel* source, QObject* parent) : QSortFilterProxyModel(parent), table_(source->table())
{
    setSourceModel(source);
    setSortRole(OrbTableModel::SortRole);
}

QString OrbTableFilter::setFilterText(const QString& text)
{
    FieldFilter f = ParseFieldFilter(table_, text.toStdString());
    const QString error = QString::fromStdString(f.error);
    filter_ = error.isEmpty() ? std::move(f) : FieldFilter{};
    kept_ = -1;
    invalidateFilter();
    return error;
}

bool OrbTableFilter::matches(int sourceRow) const
{
    return (filter_.conditions.empty() && filter_.words.empty()) || FilterMatches(filter_, Orb, table_, sourceRow + 1);
}

bool OrbTableFilter::filterAcceptsRow(int row, const QModelIndex&) const
{
    return row == kept_ || matches(row);
}

void OrbTableFilter::keepRow(int sourceRow)
{
    kept_ = sourceRow;
}

void OrbTableFilter::release()
{
    if (kept_ < 0)
        return;
    kept_ = -1;
    invalidateFilter();
}

bool OrbTableFilter::keptOnly(int row) const
{
    const QModelIndex source = mapToSource(index(row, 0));
    return kept_ >= 0 && source.row() == kept_ && !matches(kept_);
}

QVariant OrbTableFilter::data(const QModelIndex& index, int role) const
{
    if ((role == Qt::FontRole || role == Qt::ToolTipRole) && index.isValid() && keptOnly(index.row())) {
        if (role == Qt::ToolTipRole)
            return QString("No longer matches the filter");
        QFont font;
        font.setItalic(true);
        return font;
    }
    return QSortFilterProxyModel::data(index, role);
}

QVariant OrbTableFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section < rowCount() && keptOnly(section))
        return QSortFilterProxyModel::headerData(section, orientation, role).toString() + " *";
    if (orientation == Qt::Vertical && role == Qt::ToolTipRole && section < rowCount() && keptOnly(section))
        return QString("No longer matches the filter");
    return QSortFilterProxyModel::headerData(section, orientation, role);
}

QWidget* OrbTableDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const auto* proxy = qobject_cast<const QSortFilterProxyModel*>(index.model());
    const auto* model = qobject_cast<const OrbTableModel*>(proxy ? proxy->sourceModel() : index.model());
    const int digits = model ? model->digitsOf(index.column()) : 0;
    if (digits == 0)
        return new LimitedEdit(parent, NameLength, true);
    auto* edit = new QLineEdit(parent);
    PassUndoKeysOn(edit);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QString("[0-9]{0,%1}").arg(digits)), edit));
    return edit;
}

void OrbTableDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // The tables are read again after every step (an earlier cell stored, an undo): what the user
    // has typed into an open cell stays.
    if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && edit->isModified())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
}

bool OrbTableDelegate::storesNothing(const QLineEdit* editor)
{
    return editor && !qobject_cast<const LimitedEdit*>(editor) && editor->text().isEmpty();
}

void OrbTableDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (storesNothing(qobject_cast<QLineEdit*>(editor)))
        return;
    QStyledItemDelegate::setModelData(editor, model, index);
}
