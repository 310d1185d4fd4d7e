// The names of the codes fields hold, for the marks and the table view.
#pragma once

#include "core/Globals.h"
#include "data/Fields.h"
#include "ui/Text.h"

#include <QString>

#include <string>
#include <type_traits>

// The name of a code a field holds, where it has one ("Main Battle Tank"), in the tables given.
template <class R>
inline QString codeName(const FieldDef<R>& f, uint32_t v, const OrbData& orb)
{
    const std::string name = f.name;
    auto entryName = [&](auto tag, int n) -> QString {
        using E = decltype(tag);
        return n >= 1 && n <= CountOf<E> ? toQ(std::string(orb.name<E>(n))) : QString();
    };
    if (name == "Nation")
        return toQ(GetNationName(uint16_t(v)));
    if constexpr (std::is_same_v<R, UnitRecord>) {
        if (name == "Class")
            return toQ(GetUnitClassName(uint8_t(v)));
        if (name == "MC")
            return toQ(GetMovementClassName(uint8_t(v)));
        if (name.rfind("Wpn", 0) == 0 && name.size() == 4)
            return entryName(WeaponRecord{}, int(v));
    } else if constexpr (std::is_same_v<R, WeaponRecord>) {
        if (name == "Class")
            return toQ(GetWeaponClassName(uint8_t(v)));
    } else {
        if (name == "Page")
            return toQ(GetPurchasePageName(uint8_t(v)));
        if (name == "Type")
            return toQ(GetFormationTypeName(uint8_t(v)));
        if (name.rfind("Slot", 0) == 0)
            return v > FormationSlotBase ? entryName(FormationRecord{}, int(v - FormationSlotBase))
                                         : entryName(UnitRecord{}, int(v));
    }
    return QString();
}

