#include "core/OrderOfBattle.h"

#include "core/Rules.h"

#include <algorithm>
#include <set>

namespace {
bool isEmpty(const OrbData& orb, int n) { return EntryIsEmpty(orb.formation(n)); }

bool keeps(const OrbData& orb, int n, const OobFilter& filter)
{
    const FormationRecord f = orb.formation(n);
    return !EntryIsEmpty(f) && AvailableIn(f.Avail, f.Until, filter);
}

// Calls fn(n, member) for every slot of every non-empty formation n that names an entry.
template <class Fn>
void forEachMember(const OrbData& orb, Fn&& fn)
{
    for (int n = 1; n <= FormationCount; ++n) {
        if (isEmpty(orb, n))
            continue;
        const FormationRecord f = orb.formation(n);
        for (int k = 1; k <= 10; ++k)
            fn(n, MemberOfSlot(formationSlot(f, k)));
    }
}

// Which formations each formation holds, and which are held by any (non-empty) formation.
std::vector<std::vector<int>> heldBy(const OrbData& orb, std::vector<bool>& held)
{
    std::vector<std::vector<int>> holds(FormationCount + 1);
    held.assign(FormationCount + 1, false);
    forEachMember(orb, [&](int n, const SlotMember& m) {
        if (m.kind == SlotKind::Formation && m.number != n) {
            holds[static_cast<std::size_t>(n)].push_back(m.number);
            held[static_cast<std::size_t>(m.number)] = true;
        }
    });
    return holds;
}

void reach(const std::vector<std::vector<int>>& holds, int n, std::vector<bool>& reached)
{
    std::vector<int> todo{n};
    while (!todo.empty()) {
        const int at = todo.back();
        todo.pop_back();
        if (reached[static_cast<std::size_t>(at)])
            continue;
        reached[static_cast<std::size_t>(at)] = true;
        for (int next : holds[static_cast<std::size_t>(at)])
            todo.push_back(next);
    }
}
}  // namespace

bool AvailableIn(int from, int until, const OobFilter& filter)
{
    if (!filter.year)
        return true;
    const int year = *filter.year >= 1900 ? *filter.year - 1900 : *filter.year;
    return from <= year && year <= until;
}

std::vector<int> OobNations(const OrbData& orb, const OobFilter& filter)
{
    std::set<int> nations;
    for (int n = 1; n <= FormationCount; ++n)
        if (keeps(orb, n, filter))
            nations.insert(orb.formation(n).Nation);
    return {nations.begin(), nations.end()};
}

std::vector<int> TopFormations(const OrbData& orb, int nation, const OobFilter& filter)
{
    std::vector<bool> held;
    const auto holds = heldBy(orb, held);
    std::vector<int> tops;
    std::vector<bool> reached(FormationCount + 1, false);
    auto ofNation = [&](int n) { return !isEmpty(orb, n) && orb.formation(n).Nation == nation; };
    for (int n = 1; n <= FormationCount; ++n)
        if (ofNation(n) && !held[static_cast<std::size_t>(n)]) {
            tops.push_back(n);
            reach(holds, n, reached);
        }
    // Every formation held only through a loop: its group is reached from none of the tops.
    for (int n = 1; n <= FormationCount; ++n)
        if (ofNation(n) && !reached[static_cast<std::size_t>(n)]) {
            tops.push_back(n);
            reach(holds, n, reached);
        }
    std::sort(tops.begin(), tops.end());
    tops.erase(std::remove_if(tops.begin(), tops.end(), [&](int n) { return !keeps(orb, n, filter); }), tops.end());
    return tops;
}

std::vector<OobMember> FormationMembers(const OrbData& orb, int n, const std::vector<int>& path, const OobFilter& filter)
{
    std::vector<OobMember> members;
    if (n < 1 || n > FormationCount)
        return members;
    const FormationRecord f = orb.formation(n);
    for (int k = 1; k <= 10; ++k) {
        const SlotMember m = MemberOfSlot(formationSlot(f, k));
        OobMember member{m.kind, m.number, k, formationCode(f, k), false};
        if (m.kind == SlotKind::Unit) {
            const UnitRecord u = orb.unit(m.number);
            if (!AvailableIn(u.YrAvail, u.YrUnavail, filter))
                continue;
        } else if (m.kind == SlotKind::Formation) {
            const FormationRecord sub = orb.formation(m.number);
            if (!AvailableIn(sub.Avail, sub.Until, filter))
                continue;
            member.cycle = m.number == n || std::find(path.begin(), path.end(), m.number) != path.end();
        } else {
            continue;
        }
        members.push_back(member);
    }
    return members;
}

UnusedEntries FindUnused(const OrbData& orb)
{
    std::vector<bool> unitHeld(UnitCount + 1, false), formationHeld;
    heldBy(orb, formationHeld);
    forEachMember(orb, [&](int, const SlotMember& m) {
        if (m.kind == SlotKind::Unit)
            unitHeld[static_cast<std::size_t>(m.number)] = true;
    });
    UnusedEntries unused;
    for (int n = 1; n <= UnitCount; ++n)
        if (!unitHeld[static_cast<std::size_t>(n)] && !EntryIsEmpty(orb.unit(n)))
            unused.units.push_back(n);
    for (int n = 1; n <= FormationCount; ++n)
        if (!formationHeld[static_cast<std::size_t>(n)] && !isEmpty(orb, n))
            unused.formations.push_back(n);
    return unused;
}
