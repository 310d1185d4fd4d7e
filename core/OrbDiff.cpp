#include "core/OrbDiff.h"

#include <algorithm>

namespace {
template <class R, std::size_t N>
void diffTable(const std::array<R, N>& before, const std::array<R, N>& after, std::vector<EntryChange<R>>& out)
{
    for (std::size_t i = 0; i < N; ++i)
        if (!SameEntry(before[i], after[i]))
            out.push_back({static_cast<int>(i + 1), before[i], after[i]});
}

template <class R, std::size_t N>
void apply(std::array<R, N>& table, const std::vector<EntryChange<R>>& changes, bool after)
{
    for (const auto& c : changes)
        table[static_cast<std::size_t>(c.number - 1)] = after ? c.after : c.before;
}
}  // namespace

OrbChanges DiffOrb(const OrbData& before, const OrbData& after)
{
    OrbChanges c;
    diffTable(before.Units, after.Units, c.units);
    diffTable(before.Weapons, after.Weapons, c.weapons);
    diffTable(before.Formations, after.Formations, c.formations);
    return c;
}

void ApplyBefore(OrbData& orb, const OrbChanges& c)
{
    apply(orb.Units, c.units, false);
    apply(orb.Weapons, c.weapons, false);
    apply(orb.Formations, c.formations, false);
}

void ApplyAfter(OrbData& orb, const OrbChanges& c)
{
    apply(orb.Units, c.units, true);
    apply(orb.Weapons, c.weapons, true);
    apply(orb.Formations, c.formations, true);
}

namespace {
template <class R, std::size_t N>
void diffFields(const char* table, const std::array<R, N>& a, const std::array<R, N>& b,
                std::vector<FieldDifference>& out)
{
    for (std::size_t i = 0; i < N; ++i)
        for (const auto& f : FieldsOf<R>())
            if (!SameField(a[i], b[i], f))
                out.push_back({table, static_cast<int>(i + 1), f.name, FieldValueText(a[i], f), FieldValueText(b[i], f)});
}
}  // namespace

std::vector<FieldDifference> DiffFields(const OrbData& a, const OrbData& b, const std::vector<std::string>& tables)
{
    auto wanted = [&](const char* t) {
        return tables.empty() || std::find(tables.begin(), tables.end(), t) != tables.end();
    };
    std::vector<FieldDifference> out;
    if (wanted("units"))
        diffFields("units", a.Units, b.Units, out);
    if (wanted("weapons"))
        diffFields("weapons", a.Weapons, b.Weapons, out);
    if (wanted("formations"))
        diffFields("formations", a.Formations, b.Formations, out);
    return out;
}
