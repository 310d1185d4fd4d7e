#include "core/OrbDiff.h"

#include <algorithm>

namespace {
template <class R>
void diffTable(const OrbData& before, const OrbData& after, std::vector<EntryChange<R>>& out)
{
    for (int n = 1; n <= CountOf<R>; ++n) {
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
    for (int n = 1; n <= CountOf<R>; ++n) {
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
