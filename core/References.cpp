#include "core/References.h"

#include "core/Rules.h"

#include <type_traits>

namespace {
// The value a field holds when it names entry n of table t: a weapon or unit by its number, a
// formation by 1000 and its number.
uint16_t slotValue(TableId t, int n)
{
    return static_cast<uint16_t>(t == TableId::Formations ? FormationSlotBase + n : n);
}

// Calls fn(table, entry, field name, value&) for every field that can name an entry of table t;
// where fn returns true it changed the value, which is stored (into a file that is not const).
template <class Orb, class Fn>
void eachNamingField(Orb& orb, TableId t, Fn&& fn)
{
    constexpr bool writes = !std::is_const_v<Orb>;
    if (t == TableId::Weapons) {
        for (int n = 1; n <= UnitCount; ++n) {
            UnitRecord u = orb.unit(n);
            uint8_t* weapons[4] = {&u.Wpn1, &u.Wpn2, &u.Wpn3, &u.Wpn4};
            bool changed = false;
            for (int k = 0; k < 4; ++k) {
                uint16_t v = *weapons[k];
                if (fn(TableId::Units, n, "Wpn" + std::to_string(k + 1), v)) {
                    *weapons[k] = static_cast<uint8_t>(v);
                    changed = true;
                }
            }
            if constexpr (writes)
                if (changed)
                    orb.setUnit(n, u);
        }
        return;
    }
    for (int n = 1; n <= FormationCount; ++n) {
        FormationRecord f = orb.formation(n);
        bool changed = false;
        for (int k = 1; k <= 10; ++k)
            changed = fn(TableId::Formations, n, "Slot" + std::to_string(k), formationSlot(f, k)) || changed;
        if constexpr (writes)
            if (changed)
                orb.setFormation(n, f);
    }
}

bool isEmpty(const OrbData& orb, TableId t, int n)
{
    return WithTable(t, [&](const auto&, auto entry) { return EntryIsEmpty(entry(orb, n)); });
}
}  // namespace

std::vector<Reference> FindReferences(const OrbData& orb, TableId t, int n)
{
    std::vector<Reference> out;
    const uint16_t named = slotValue(t, n);
    eachNamingField(orb, t, [&](TableId table, int entry, const std::string& field, uint16_t& v) {
        if (v == named)
            out.push_back({table, entry, field});
        return false;
    });
    return out;
}

std::string ReferenceText(const Reference& r)
{
    return std::string(TableName(r.table)) + " " + EntryNumberText(r.number) + " " + r.field;
}

MoveResult MoveEntry(OrbData& orb, TableId t, int from, int to, bool swap)
{
    MoveResult r;
    const int count = TableCount(t);
    if (from < 1 || from > count || to < 1 || to > count)
        return {"entries are numbered 1 to " + std::to_string(count), 0};
    if (from == to)
        return {"the entry is already number " + std::to_string(to), 0};
    if (!swap && !isEmpty(orb, t, to))
        return {std::string(TableName(t)) + " " + EntryNumberText(to) + " is not empty: swap the two, or choose an empty one", 0};
    const uint16_t a = slotValue(t, from), b = slotValue(t, to);
    // Whatever named the empty entry at `to` follows it too, to `from`: it goes on naming nothing.
    eachNamingField(orb, t, [&](TableId, int, const std::string&, uint16_t& v) {
        if (v != a && v != b)
            return false;
        v = v == a ? b : a;
        ++r.references;
        return true;
    });
    WithTable(t, [&](const auto&, auto entry) {
        const auto moving = entry(orb, from), there = entry(orb, to);
        entry.set(orb, to, moving);
        entry.set(orb, from, there);
    });
    return r;
}
