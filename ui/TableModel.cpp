#include "ui/TableModel.h"

#include "core/EditRules.h"
#include "core/Globals.h"
#include "ui/CodeNames.h"

OrbTableModel::OrbTableModel(TableId table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    WithTable(table_, [this](const auto& fields, auto) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].editable())
                columns_.push_back(static_cast<int>(i));
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

QVariant OrbTableModel::data(const QModelIndex& index, int role) const
{
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
    const OrbData before = Orb;
    OrbData after = Orb;
    QString note;
    const QString field = WithTable(table_, [&](const auto& fields, auto entry) {
        const auto& f = fields[static_cast<std::size_t>(columns_[static_cast<std::size_t>(index.column())])];
        auto r = entry(after, index.row() + 1);
        const std::string typed = fromQ(value.toString());
        StoreFieldText(r, f, typed);
        const std::string stored = FieldText(r, f);
        if (!StoredAsTyped(f.width, typed, stored))
            note = QString("%1: '%2' stored as %3")
                       .arg(QString::fromLatin1(f.name), value.toString(),
                            f.width == FieldWidth::Text ? "'" + toQ(stored) + "'" : toQ(stored));
        entry.set(after, index.row() + 1, r);
        return QString::fromLatin1(f.name);
    });
    // A form showing this entry with edits of its own is asked about first.
    if (mayChange && !mayChange(after))
        return false;
    Orb = std::move(after);
    emit dataChanged(index, index);
    const QString kind = table_ == TableId::Units ? "Units" : table_ == TableId::Weapons ? "Weapons" : "Formations";
    if (changed)
        changed("Edit " + kind + " " + field + ", 1 entry", before, note);
    return true;
}

void OrbTableModel::refresh()
{
    if (rowCount() && columnCount())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}
