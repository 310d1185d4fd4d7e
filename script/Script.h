// Lua scripts that change, check and report on the tables: a run on a copy of the tables, all
// or nothing, in a sandbox that reaches nothing outside them. The command line and the window
// both run scripts through this, so that a script does the same in either.
//
// What a script sees (the interface users' scripts are written against):
//   units, weapons, formations   entries from 1 (#units == 249); fields by the names
//                                `orbtool-cli fields` lists: units[5].Cost, units[7].Name
//   file.name, file.path, file.number   the data file (number nil for another name)
//   names.nation[code], names.unitClass, names.weaponClass, names.movementClass,
//   names.formationType, names.purchasePage   the texts the pages show for a code
//   refs(table, n), move(table, n, m [, swap]), total_units(n)
//   print(...), rule{code=, severity=, table=, check=}, arg
// and of Lua only string, table, math, utf8, os.time/clock/date and the safe base functions.
#pragma once

#include "core/Rules.h"
#include "core/Tables.h"

#include <cstddef>
#include <string>
#include <vector>

struct ScriptLimits {
    double seconds = 10;                    // processor time
    std::size_t bytes = std::size_t(256) << 20;  // memory Lua holds, the script's output included
};

// The data file a script runs on, as file.name, file.path and file.number show it.
struct ScriptFile {
    std::string name, path;  // UTF-8
    int number = -1;         // -1: a name that is no data file's
};
// The file at path (UTF-8): its name, and its number when the name is a data file's (ORB05).
ScriptFile ScriptFileOf(const std::string& path);

// A rule a script declared with rule{...}.
struct DeclaredRule {
    std::string code;  // kebab-case
    Severity severity;
    TableId table;
    int line;  // where rule{...} was called
};

struct ScriptRun {
    bool ok = false;
    std::string output;  // what print wrote, also when the script failed
    OrbData tables;      // the tables as the script left them; as they were when it failed
    std::string error;   // "SCRIPT:LINE: units 005 Cost: 300 is above 255"
    int line = 0;        // the error's line in the script, 0 when it has none
    std::vector<DeclaredRule> rules;
};

// Runs text, named name in its messages, on a copy of orb. A script that fails, or passes the
// time or memory of limits, changes nothing.
ScriptRun RunScript(const std::string& name, const std::string& text, const OrbData& orb, const ScriptFile& file = {},
                    const std::vector<std::string>& args = {}, const ScriptLimits& limits = {});
