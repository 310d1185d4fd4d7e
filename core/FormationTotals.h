// What a formation's slots name and how many units it brings, for the formation page and the
// command line's check.
#pragma once

#include "data/Types.h"

#include <string>

enum class SlotKind { Empty, Unit, Formation, Nothing };  // Nothing: a number that names no entry

struct SlotMember {
    SlotKind kind = SlotKind::Empty;
    int number = 0;  // the unit or formation number
};
// Slot value 0 is empty; 1..249 a unit; 1001..1199 formation value - 1000; anything else names nothing.
SlotMember MemberOfSlot(uint16_t value);

// "Unit", "Formation", or empty for an empty slot or one that names nothing.
std::string SlotKindText(SlotKind kind);
// The member's years as the file stores them, "60/117" (a unit's YrAvail/YrUnavail, a
// formation's Avail/Until); empty for an empty slot or one that names nothing.
std::string SlotYears(const OrbData& orb, uint16_t value);

// The most units a formation may bring.
constexpr int MaxFormationUnits = 60;

struct UnitTotal {
    int units = 0;
    bool cycle = false;  // a sub-formation leads back to a formation on the way (counted once)
};
// The units formation f brings: each unit slot counts once (the multiplier is left aside: it sets
// how the game draws the unit, not how many come), and each sub-formation brings its own units,
// counted the same way. A sub-formation already on the way down is not counted again. The count
// stops growing at a million.
UnitTotal CountFormationUnits(const OrbData& orb, const FormationRecord& f, int number);
