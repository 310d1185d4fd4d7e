// Conditions on the fields of a table's entries, as the filter field and the command line take
// them: "Nation=12 Class=3 Cost>100 Name~tank". All must hold.
#pragma once

#include "core/Tables.h"
#include "data/Types.h"

#include <cstdint>
#include <string>
#include <vector>

struct Condition {
    enum Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, Contains };
    std::string field;  // as the field table spells it
    Op op = Equal;
    uint32_t number = 0;  // for a number field
    std::string text;     // for a name (Latin-1 bytes)
};

struct FieldFilter {
    std::vector<Condition> conditions;
    std::vector<std::string> words;  // words with no operator: each in the entry's number or name
    std::string error;               // why the text is not a filter; then it filters nothing
};

// Reads a filter for table t. Field names in any letter case; `=`, `!=`, `<`, `<=`, `>`, `>=` on
// numbers, `=`, `!=` and `~` (contains, in any letter case) on names; a value may be quoted
// ("Rifle Sqd"). Text is UTF-8; names compare as their Latin-1 bytes.
FieldFilter ParseFieldFilter(TableId t, const std::string& text);
// Whether entry n of table t holds every condition and word (a filter with an error: none do).
bool FilterMatches(const FieldFilter& f, const OrbData& orb, TableId t, int n);
