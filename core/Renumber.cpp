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
            orb.unit(n).Nation = to;
            r.units.push_back(n);
        }
    for (int n = 1; n <= FormationCount; ++n)
        if (orb.formation(n).Nation == from) {
            orb.formation(n).Nation = to;
            r.formations.push_back(n);
        }
    return r;
}

void UndoRenumber(OrbData& orb, const RenumberResult& r)
{
    for (int n : r.units)
        orb.unit(n).Nation = r.from;
    for (int n : r.formations)
        orb.formation(n).Nation = r.from;
}
