// What changed between two states of the tables, entry by entry: the steps of undo and redo,
// what bulk actions report, and the command line's diff.
#pragma once

#include "core/Latin1.h"
#include "data/Fields.h"
#include "data/Types.h"

#include <cstddef>
#include <string>
#include <vector>

// Whether two entries hold the same value in field f.
template <class R>
bool SameField(const R& a, const R& b, const FieldDef<R>& f)
{
    return f.width == FieldWidth::Text ? a.*f.text == b.*f.text : f.number(a) == f.number(b);
}

// Whether two entries hold the same value in every field that has a file column.
template <class R>
bool SameEntry(const R& a, const R& b)
{
    for (const auto& f : FieldsOf<R>())
        if (!SameField(a, b, f))
            return false;
    return true;
}

// Field f of r as text for people and scripts: a name as UTF-8, a number in decimal.
template <class R>
std::string FieldValueText(const R& r, const FieldDef<R>& f)
{
    return f.width == FieldWidth::Text ? Latin1ToUtf8(r.*f.text) : std::to_string(f.number(r));
}

template <class R>
struct EntryChange {
    int number;
    R before, after;
};

struct OrbChanges {
    std::vector<EntryChange<UnitRecord>> units;
    std::vector<EntryChange<WeaponRecord>> weapons;
    std::vector<EntryChange<FormationRecord>> formations;

    bool empty() const { return units.empty() && weapons.empty() && formations.empty(); }
    std::size_t count() const { return units.size() + weapons.size() + formations.size(); }
};

// The entries whose fields differ, with both whole records.
OrbChanges DiffOrb(const OrbData& before, const OrbData& after);
// Puts every changed entry back as it was before, or as it was after.
void ApplyBefore(OrbData& orb, const OrbChanges& changes);
void ApplyAfter(OrbData& orb, const OrbChanges& changes);

// One field that differs, with both values as text (names as UTF-8).
struct FieldDifference {
    const char* table;  // "units", "weapons", "formations"
    int number;
    const char* field;
    std::string before, after;
};
// Every field that differs between a and b, table by table, entry by entry, in field order.
// tables: which tables to compare (all three when empty).
std::vector<FieldDifference> DiffFields(const OrbData& a, const OrbData& b, const std::vector<std::string>& tables = {});
