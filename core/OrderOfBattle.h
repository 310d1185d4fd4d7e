// The order of battle as a hierarchy: each nation's formations that no other formation holds, and
// under each formation its members in slot order, sub-formations opened in turn. The tree view,
// the charts and the command line's tree walk it the same way.
#pragma once

#include "core/FormationTotals.h"
#include "data/Types.h"

#include <optional>
#include <vector>

// One member of a formation: the unit or sub-formation of one slot, with the slot's multiplier.
struct OobMember {
    SlotKind kind = SlotKind::Unit;  // Unit or Formation: slots that are empty or name nothing are left out
    int number = 0;
    int slot = 0;                    // 1..10
    int multiplier = 0;              // the slot's Code
    bool cycle = false;              // a formation already on the way down from the top: shown, not opened again
};

// Which entries the walk keeps: all, or those available in one year (the file's years, counted
// from 1900: 85 is 1985; a year given as 1985 or 85 means the same).
struct OobFilter {
    std::optional<int> year;
};
// Whether a span of the file's years (Avail..Until, YrAvail..YrUnavail) covers the filter's year.
bool AvailableIn(int from, int until, const OobFilter& filter);

// The nations that have formations (a formation's Nation), lowest first; empty entries (no
// name, every value 0) belong to none.
std::vector<int> OobNations(const OrbData& orb, const OobFilter& filter = {});
// A nation's top formations, lowest number first: those no other formation holds. A formation
// that only a loop of formations holds (A holds B, B holds A) would be reached from no top: the
// lowest-numbered of each such group is a top too, so that every formation shows somewhere.
std::vector<int> TopFormations(const OrbData& orb, int nation, const OobFilter& filter = {});
// Formation n's members in slot order. path is the formations above it, top first (n itself
// not included): a member formation on it, or n itself, is marked as a cycle.
std::vector<OobMember> FormationMembers(const OrbData& orb, int n, const std::vector<int>& path = {},
                                        const OobFilter& filter = {});
// Units and formations that no formation holds ("Unused"), in table order; empty entries left out.
struct UnusedEntries {
    std::vector<int> units, formations;
};
UnusedEntries FindUnused(const OrbData& orb);
