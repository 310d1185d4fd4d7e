// Moving every unit and formation of one nation code to another.
#pragma once

#include "data/Types.h"

#include <cstdint>
#include <vector>

// The entries a renumbering changed, so that it can be reported.
struct RenumberResult {
    uint8_t from = 0, to = 0;
    std::vector<int> units;       // unit numbers whose Nation was `from`
    std::vector<int> formations;  // formation numbers whose Nation was `from`
    bool changed() const { return from != to && (!units.empty() || !formations.empty()); }
};

// Gives every unit and formation of nation `from` the nation `to`. Weapons carry no nation.
RenumberResult RenumberNation(OrbData& orb, uint8_t from, uint8_t to);
