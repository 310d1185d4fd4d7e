// The three tables by name, for code that takes a table from the user (the command line, import).
#pragma once

#include "data/Fields.h"
#include "data/Types.h"

#include <algorithm>
#include <optional>
#include <string>

enum class TableId { Units, Weapons, Formations };

// "units", "Weapons", "FORMATION": any letter case, singular or plural.
std::optional<TableId> ParseTable(const std::string& name);
const char* TableName(TableId t);  // "units", "weapons", "formations"
int TableCount(TableId t);         // 249, 249, 199

// Reads and writes entries of one table, for code written once for all three.
template <class R>
struct EntryAccess {
    const R operator()(const OrbData& o, int n) const { return o.get<R>(n); }
    void set(OrbData& o, int n, const R& r) const { o.set(n, r); }
};

// Calls fn(fields, entry) with the table's field list and its EntryAccess.
template <class Fn>
decltype(auto) WithTable(TableId t, Fn&& fn)
{
    switch (t) {
    case TableId::Units:
        return fn(UnitFields(), EntryAccess<UnitRecord>{});
    case TableId::Weapons:
        return fn(WeaponFields(), EntryAccess<WeaponRecord>{});
    default:
        return fn(FormationFields(), EntryAccess<FormationRecord>{});
    }
}

// Text as scripts write numbers: decimal digits and nothing else, at most maxDigits of them
// after any leading zeros.
bool PlainDigits(const std::string& text, std::size_t maxDigits);
// An entry number as three digits, "017", as lines about entries show it.
std::string EntryNumberText(int n);

// The largest value a field can store: its commit bound, within what its width holds.
template <class R>
uint32_t StoredMaximum(const FieldDef<R>& f)
{
    uint32_t widthMax = f.width == FieldWidth::U16 ? 65535u : 255u;
    return f.bound == 0 ? widthMax : std::min(f.bound, widthMax);
}

// What a Copy, a Paste and a Commit carry from one entry to another: every field a page edits.
// Fields no page edits (a unit's HiddenByte) keep the target's value, as a single paste does.
template <class R>
void CopyPageFields(const R& from, R& to)
{
    for (const auto& f : FieldsOf<R>()) {
        if (!f.editable())
            continue;
        if (f.width == FieldWidth::Text)
            to.*f.text = from.*f.text;
        else
            f.setNumber(to, f.number(from));
    }
}
