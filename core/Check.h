// References that name nothing and limits that are broken, for the command line's check.
#pragma once

#include "data/Types.h"

#include <string>
#include <vector>

struct Problem {
    const char* table;  // "units" or "formations"
    int number;
    std::string field;  // empty when the entry as a whole is meant
    std::string message;
};

// Unit weapon slots naming a weapon above 249, or a weapon with no name; formation slots naming a
// unit or formation that does not exist or has no name, or the formation itself; sub-formations
// that lead back round; formations that bring more units than the game allows.
std::vector<Problem> CheckOrb(const OrbData& orb);
// "formations 003 Slot4: unit 300 does not exist"
std::string ProblemText(const Problem& p);
