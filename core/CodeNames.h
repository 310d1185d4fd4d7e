// The names of the codes fields hold: a nation, a class, a weapon or a formation member.
#pragma once

#include "core/Globals.h"
#include "data/Fields.h"

#include <string>
#include <type_traits>

// Whether field f holds a code that has a name.
template <class R>
bool HasCodeName(const FieldDef<R>& f)
{
    const std::string name = f.name;
    if (name == "Nation")
        return true;
    if constexpr (std::is_same_v<R, UnitRecord>)
        return name == "Class" || name == "MC" || (name.rfind("Wpn", 0) == 0 && name.size() == 4);
    else if constexpr (std::is_same_v<R, WeaponRecord>)
        return name == "Class";
    else
        return name == "Page" || name == "Type" || name.rfind("Slot", 0) == 0;
}

// The name of code v in field f (Latin-1 bytes), "" where it has none; entries named from orb.
template <class R>
std::string CodeName(const FieldDef<R>& f, uint32_t v, const OrbData& orb)
{
    const std::string name = f.name;
    auto entryName = [&](auto tag, int n) -> std::string {
        using E = decltype(tag);
        return n >= 1 && n <= CountOf<E> ? std::string(orb.name<E>(n)) : std::string();
    };
    if (!HasCodeName(f))
        return {};
    if (name == "Nation")
        return GetNationName(uint16_t(v));
    if constexpr (std::is_same_v<R, UnitRecord>) {
        if (name == "Class")
            return GetUnitClassName(uint8_t(v));
        if (name == "MC")
            return GetMovementClassName(uint8_t(v));
        return entryName(WeaponRecord{}, int(v));
    } else if constexpr (std::is_same_v<R, WeaponRecord>) {
        return GetWeaponClassName(uint8_t(v));
    } else {
        if (name == "Page")
            return GetPurchasePageName(uint8_t(v));
        if (name == "Type")
            return GetFormationTypeName(uint8_t(v));
        return v > FormationSlotBase ? entryName(FormationRecord{}, int(v - FormationSlotBase))
                                     : entryName(UnitRecord{}, int(v));
    }
}

// The heading of the column of names a workbook shows beside a code column: "Nation name".
// Import passes over such a column.
template <class R>
std::string CodeNameColumn(const FieldDef<R>& f)
{
    return std::string(f.name) + " name";
}
