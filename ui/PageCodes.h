// The record pages' codes (CurrentPage) and the tables they show, converted in one place.
#pragma once

#include "core/Globals.h"
#include "core/Tables.h"

#include <type_traits>

// A record page's table (by page code) as an index, units 0, weapons 1, formations 2; as a
// TableId; and its current entry number.
inline int TableIndexOfPage(uint8_t page)
{
    return page == pcUnits ? 0 : page == pcWeapons ? 1 : 2;
}
inline TableId TableOfPage(uint8_t page)
{
    return page == pcUnits ? TableId::Units : page == pcWeapons ? TableId::Weapons : TableId::Formations;
}
inline uint8_t PageOfTable(TableId t)
{
    return t == TableId::Units ? pcUnits : t == TableId::Weapons ? pcWeapons : pcFormations;
}
inline uint8_t& CurrentEntryOf(uint8_t page)
{
    return page == pcUnits ? CurrentUnit : page == pcWeapons ? CurrentWeapon : CurrentFormation;
}
inline uint8_t& CurrentEntryOf(TableId t)
{
    return CurrentEntryOf(PageOfTable(t));
}

// The table entries of type R are held in.
template <class R>
inline constexpr TableId TableOfRecord = std::is_same_v<R, UnitRecord>     ? TableId::Units
                                         : std::is_same_v<R, WeaponRecord> ? TableId::Weapons
                                                                           : TableId::Formations;
