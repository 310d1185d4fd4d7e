// Rules that scripts declare: every .lua of a folder loaded once, each file in a state of its
// own, and their rules run over any tables, giving findings as the built-in rules do (their own
// codes and severities, selected and ignored by code alike).
#pragma once

#include "core/Rules.h"
#include "script/Script.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A rule file that could not be loaded: a syntax error, a rule declared wrongly, a code taken.
struct RuleFileFailure {
    std::string path;  // UTF-8, as the folder's path and the file's name make it
    int line;          // 0 when none
    std::string message;  // without the position: "'=' expected near 'x'"
};

class ScriptRuleSet {
public:
    ScriptRuleSet();
    ~ScriptRuleSet();
    ScriptRuleSet(ScriptRuleSet&&) noexcept;
    ScriptRuleSet& operator=(ScriptRuleSet&&) noexcept;

    // Loads every file of folder whose name ends in ".lua", in the order of their names. error()
    // says why when the folder cannot be read; a file that fails is one of failures().
    static ScriptRuleSet Load(const std::filesystem::path& folder, const ScriptLimits& limits = {});

    const std::string& error() const;
    const std::vector<RuleFileFailure>& failures() const;
    // The rules declared, in the order of their files and declarations. Each runs by default,
    // hints too: a rule file is there because its rules were asked for.
    const std::vector<const Rule*>& rules() const;
    const Rule* find(const std::string& code) const;
    // "rule-file": the code (an error) of a rule file that fails to load, and of a rule whose
    // check fails (raises, runs too long, returns what is not a message).
    static const Rule& FileRule();

    // The findings of the rules selected on orb, by table, entry and field. A rule whose check
    // fails on an entry is one "rule-file" finding at that entry, and checks no further entries.
    // The Findings point at rules this set holds.
    std::vector<Finding> check(const OrbData& orb, const ScriptFile& file = {}, const RuleSelection& selection = {});
    // What the rule files printed since the last call: while loading, and in their checks.
    std::string takeOutput();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// "bad.lua:3: '=' expected near 'x'"
std::string RuleFileFailureText(const RuleFileFailure& f);
