#include "core/Renumber.h"

RenumberResult RenumberNation(OrbData& orb, uint8_t from, uint8_t to)
{
    RenumberResult r;
    r.from = from;
    r.to = to;
    if (from == to)
        return r;
    for (int n = 1; n <= UnitCount; ++n)
        if (orb.unit(n).Nation == from) {
            orb.edit<UnitRecord>(n, [&](UnitRecord& u) { u.Nation = to; });
            r.units.push_back(n);
        }
    for (int n = 1; n <= FormationCount; ++n)
        if (orb.formation(n).Nation == from) {
            orb.edit<FormationRecord>(n, [&](FormationRecord& f) { f.Nation = to; });
            r.formations.push_back(n);
        }
    return r;
}

