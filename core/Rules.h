// The rules a data file should keep, each with a stable code and a severity, and what breaks
// them: one engine for the command line's check and the window's problems.
#pragma once

#include "core/Tables.h"

#include <set>
#include <string>
#include <vector>

enum class Severity { Error, Warning, Hint };
const char* SeverityName(Severity s);  // "error", "warning", "hint"

struct Rule {
    const char* code;  // "weapon-empty": stable, for --rules, --ignore and ignores kept in settings
    Severity severity;
    bool byDefault;    // hints are asked for by name
    const char* about;
};
const std::vector<Rule>& AllRules();
const Rule* FindRule(const std::string& code);

struct Finding {
    const Rule* rule;
    TableId table;
    int number;
    std::string field;  // empty when the entry as a whole is meant
    std::string message;
};

// Which rules run: those by default, or only those named; never those ignored.
struct RuleSelection {
    std::set<std::string> only, ignore;
    bool runs(const Rule& r) const
    {
        return !ignore.count(r.code) && (only.empty() ? r.byDefault : only.count(r.code) > 0);
    }
};

// Every finding of the rules selected, by table, entry and field, in the order of the tables.
std::vector<Finding> RunRules(const OrbData& orb, const RuleSelection& selection = {});
// "units 017 Wpn2: error weapon-empty: weapon 212 has no name and no values"
std::string FindingText(const Finding& f);

// Whether an entry holds nothing: no name and every value zero.
template <class R>
bool EntryIsEmpty(const R& r)
{
    for (const auto& f : FieldsOf<R>())
        if (f.width == FieldWidth::Text ? !std::string(r.*f.text).empty() : f.number(r) != 0)
            return false;
    return true;
}
