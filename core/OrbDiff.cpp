#include "core/OrbDiff.h"

#include <algorithm>
#include <cstring>

namespace {
// The entries whose bytes differ in some field: only they can differ as records. A whole column
// is compared at once, and entry by entry only where it differs: a file against itself with one
// value changed takes 3.2 us this way and 48 us entry by entry (bench_io, BM_DiffOneValue).
template <class R>
std::vector<bool> touchedEntries(const OrbData& a, const OrbData& b)
{
    std::vector<bool> touched(CountOf<R> + 1, false);
    for (const auto& f : FieldsOf<R>()) {
        const auto width = static_cast<std::size_t>(f.size());
        const std::size_t first = static_cast<std::size_t>(f.at(1)),
                          length = static_cast<std::size_t>(f.at(CountOf<R>)) + width - first;
        if (std::memcmp(a.bytes() + first, b.bytes() + first, length) == 0)
            continue;
        for (int n = 1; n <= CountOf<R>; ++n)
            if (std::memcmp(a.bytes() + f.at(n), b.bytes() + f.at(n), width) != 0)
                touched[static_cast<std::size_t>(n)] = true;
    }
    return touched;
}

template <class R>
void diffTable(const OrbData& before, const OrbData& after, std::vector<EntryChange<R>>& out)
{
    const std::vector<bool> touched = touchedEntries<R>(before, after);
    for (int n = 1; n <= CountOf<R>; ++n) {
        if (!touched[static_cast<std::size_t>(n)])
            continue;
        R a = before.get<R>(n), b = after.get<R>(n);
        if (!SameEntry(a, b))
            out.push_back({n, a, b});
    }
}

template <class R>
void apply(OrbData& orb, const std::vector<EntryChange<R>>& changes, bool after)
{
    for (const auto& c : changes)
        orb.set(c.number, after ? c.after : c.before);
}
}  // namespace

OrbChanges DiffOrb(const OrbData& before, const OrbData& after)
{
    OrbChanges c;
    diffTable(before, after, c.units);
    diffTable(before, after, c.weapons);
    diffTable(before, after, c.formations);
    return c;
}

void ApplyBefore(OrbData& orb, const OrbChanges& c)
{
    apply(orb, c.units, false);
    apply(orb, c.weapons, false);
    apply(orb, c.formations, false);
}

void ApplyAfter(OrbData& orb, const OrbChanges& c)
{
    apply(orb, c.units, true);
    apply(orb, c.weapons, true);
    apply(orb, c.formations, true);
}

namespace {
template <class R>
void diffFields(const char* table, const OrbData& a, const OrbData& b, std::vector<FieldDifference>& out)
{
    const std::vector<bool> touched = touchedEntries<R>(a, b);
    for (int n = 1; n <= CountOf<R>; ++n) {
        if (!touched[static_cast<std::size_t>(n)])
            continue;
        R ra = a.get<R>(n), rb = b.get<R>(n);
        for (const auto& f : FieldsOf<R>())
            if (!SameField(ra, rb, f))
                out.push_back({table, n, f.name, FieldValueText(ra, f), FieldValueText(rb, f)});
    }
}
}  // namespace

std::vector<FieldDifference> DiffFields(const OrbData& a, const OrbData& b, const std::vector<std::string>& tables)
{
    auto wanted = [&](const char* t) {
        return tables.empty() || std::find(tables.begin(), tables.end(), t) != tables.end();
    };
    std::vector<FieldDifference> out;
    if (wanted("units"))
        diffFields<UnitRecord>("units", a, b, out);
    if (wanted("weapons"))
        diffFields<WeaponRecord>("weapons", a, b, out);
    if (wanted("formations"))
        diffFields<FormationRecord>("formations", a, b, out);
    return out;
}
