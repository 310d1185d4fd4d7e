#include "core/FormationTotals.h"

#include <algorithm>
#include <vector>

SlotMember MemberOfSlot(uint16_t value)
{
    if (value == 0)
        return {SlotKind::Empty, 0};
    if (value < FormationSlotBase)
        return value <= UnitCount ? SlotMember{SlotKind::Unit, value} : SlotMember{SlotKind::Nothing, value};
    int n = value - FormationSlotBase;
    return n >= 1 && n <= FormationCount ? SlotMember{SlotKind::Formation, n} : SlotMember{SlotKind::Nothing, n};
}

std::string SlotKindText(SlotKind kind)
{
    return kind == SlotKind::Unit ? "Unit" : kind == SlotKind::Formation ? "Formation" : "";
}

std::string SlotYears(const OrbData& orb, uint16_t value)
{
    SlotMember m = MemberOfSlot(value);
    if (m.kind == SlotKind::Unit)
    {
        const UnitRecord u = orb.unit(m.number);
        return std::to_string(u.YrAvail) + "/" + std::to_string(u.YrUnavail);
    }
    if (m.kind == SlotKind::Formation) {
        const FormationRecord f = orb.formation(m.number);
        return std::to_string(f.Avail) + "/" + std::to_string(f.Until);
    }
    return {};
}

namespace {
// Each formation is counted once and remembered: formations that share sub-formations (or a file
// made to nest them ten at a time) would otherwise take exponential time. Totals saturate far
// above anything a formation may bring.
constexpr long long kSaturated = 1000000;

struct Counter {
    const OrbData& orb;
    std::vector<int> state;  // 0 not seen, 1 on the way down, 2 counted
    std::vector<long long> memo;
    bool cycle = false;

    long long slots(const FormationRecord& f)
    {
        long long units = 0;
        for (int k = 1; k <= 10; ++k) {
            SlotMember m = MemberOfSlot(formationSlot(f, k));
            if (m.kind == SlotKind::Unit)
                ++units;
            else if (m.kind == SlotKind::Formation)
                units += formation(m.number);
            units = std::min(units, kSaturated);
        }
        return units;
    }
    long long formation(int n)
    {
        auto i = static_cast<std::size_t>(n);
        if (state[i] == 1) {
            cycle = true;
            return 0;
        }
        if (state[i] == 0) {
            state[i] = 1;
            memo[i] = slots(orb.formation(n));
            state[i] = 2;
        }
        return memo[i];
    }
};
}  // namespace

UnitTotal CountFormationUnits(const OrbData& orb, const FormationRecord& f, int number)
{
    Counter c{orb, std::vector<int>(FormationCount + 1, 0), std::vector<long long>(FormationCount + 1, 0)};
    if (number >= 1 && number <= FormationCount)
        c.state[static_cast<std::size_t>(number)] = 1;
    long long units = c.slots(f);
    return {static_cast<int>(units), c.cycle};
}
