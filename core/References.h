// What names an entry, and moving an entry with everything that names it.
#pragma once

#include "core/Tables.h"

#include <string>
#include <vector>

// A field that names an entry: "units 017 Wpn2" names a weapon, a formation slot a unit or a
// formation.
struct Reference {
    TableId table;
    int number;
    std::string field;
};
// Every field of the file that names entry n of table t, in the order of the tables.
std::vector<Reference> FindReferences(const OrbData& orb, TableId t, int n);
// "formations 012 Slot3"
std::string ReferenceText(const Reference& r);

struct MoveResult {
    std::string error;   // why nothing was moved, or empty
    int references = 0;  // the fields that now name the entry where it went (and, in a swap, the other)
};
// Moves entry `from` of table t to number `to`, and every field that named it follows. The entry
// at `to` must be empty, or with swap the two change places; either way each one's references
// follow it (what named the empty entry names the empty one it leaves behind).
MoveResult MoveEntry(OrbData& orb, TableId t, int from, int to, bool swap);
