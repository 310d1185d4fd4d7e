#include "core/Check.h"

#include "core/FormationTotals.h"
#include "core/Tables.h"

std::vector<Problem> CheckOrb(const OrbData& orb)
{
    std::vector<Problem> out;
    for (int n = 1; n <= UnitCount; ++n) {
        const UnitRecord u = orb.unit(n);
        const uint8_t weapons[4] = {u.Wpn1, u.Wpn2, u.Wpn3, u.Wpn4};
        for (int k = 0; k < 4; ++k) {
            std::string field = "Wpn" + std::to_string(k + 1);
            int w = weapons[k];
            if (w > WeaponCount)
                out.push_back({"units", n, field, "weapon " + std::to_string(w) + " does not exist"});
            else if (w != 0 && orb.name<WeaponRecord>(w).empty())
                out.push_back({"units", n, field, "weapon " + std::to_string(w) + " has no name"});
        }
    }
    for (int n = 1; n <= FormationCount; ++n) {
        const FormationRecord f = orb.formation(n);
        bool namesItself = false;
        for (int k = 1; k <= 10; ++k) {
            uint16_t value = formationSlot(f, k);
            if (value == 0)
                continue;
            std::string field = "Slot" + std::to_string(k);
            SlotMember m = MemberOfSlot(value);
            bool isFormation = value >= FormationSlotBase;
            std::string what = (isFormation ? "formation " : "unit ") + std::to_string(m.number);
            if (m.kind == SlotKind::Nothing)
                out.push_back({"formations", n, field, what + " does not exist"});
            else if (m.kind == SlotKind::Formation && m.number == n)
                out.push_back({"formations", n, field, "names the formation itself"}), namesItself = true;
            else if ((m.kind == SlotKind::Unit ? orb.name<UnitRecord>(m.number) : orb.name<FormationRecord>(m.number)).empty())
                out.push_back({"formations", n, field, what + " has no name"});
        }
        UnitTotal total = CountFormationUnits(orb, f, n);
        if (total.cycle && !namesItself)  // that one fault is said once
            out.push_back({"formations", n, "", "its sub-formations lead back to a formation on the way"});
        if (total.units > MaxFormationUnits)
            out.push_back({"formations", n, "",
                           "brings " + std::to_string(total.units) + " units, more than " +
                               std::to_string(MaxFormationUnits)});
    }
    return out;
}

std::string ProblemText(const Problem& p)
{
    return std::string(p.table) + " " + EntryNumberText(p.number) + (p.field.empty() ? "" : " " + p.field) + ": " + p.message;
}
