#include "script/ScriptRules.h"

#include "script/Engine.h"

#include <lua.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {
// A declared rule as the set holds it: its Rule (whose texts it owns) and where its check is.
struct OwnedRule {
    std::string code, about;
    Rule rule;
    orbscript::Engine* engine;
    orbscript::StateRule declared;
};

// "SCRIPT:LINE: message" taken apart.
RuleFileFailure failureOf(const std::string& path, const orbscript::Engine::Outcome& outcome)
{
    std::string message = outcome.error;
    const std::string prefix = path + (outcome.line ? ":" + std::to_string(outcome.line) : std::string()) + ": ";
    if (message.compare(0, prefix.size(), prefix) == 0)
        message.erase(0, prefix.size());
    return {path, outcome.line, message};
}

int placeOf(const Finding& f)
{
    return WithTable(f.table, [&](const auto& fields, auto) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (f.field == fields[i].name)
                return static_cast<int>(i);
        return -1;
    });
}
}  // namespace

struct ScriptRuleSet::Impl {
    std::string error;
    std::vector<RuleFileFailure> failures;
    std::vector<std::unique_ptr<orbscript::Engine>> engines;
    std::vector<std::unique_ptr<OwnedRule>> owned;
    std::vector<const Rule*> rules;
    std::string output;

    void load(const fs::path& file, const ScriptLimits& limits);
    // What the check of rule r made of entry n: nothing, a finding, or (false) a failure.
    bool checkEntry(OwnedRule& r, int n, std::vector<Finding>& out, bool reportFailure);
};

ScriptRuleSet::ScriptRuleSet() : impl_(std::make_unique<Impl>()) {}
ScriptRuleSet::~ScriptRuleSet() = default;
ScriptRuleSet::ScriptRuleSet(ScriptRuleSet&&) noexcept = default;
ScriptRuleSet& ScriptRuleSet::operator=(ScriptRuleSet&&) noexcept = default;

const Rule& ScriptRuleSet::FileRule()
{
    static const Rule rule{"rule-file", Severity::Error, true, "a rule file that fails to load, or a rule whose check fails"};
    return rule;
}

std::string RuleFileFailureText(const RuleFileFailure& f)
{
    return f.path + (f.line ? ":" + std::to_string(f.line) : std::string()) + ": " + f.message;
}

void ScriptRuleSet::Impl::load(const fs::path& file, const ScriptLimits& limits)
{
    const std::string path = file.u8string();
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        failures.push_back({path, 0, "cannot be read"});
        return;
    }
    auto engine = std::make_unique<orbscript::Engine>(path, limits, ScriptFile{}, std::vector<std::string>{});
    const orbscript::Engine::Outcome outcome = engine->runChunk(text);
    output += engine->data().output;
    engine->data().output.clear();
    if (!outcome.ok) {
        failures.push_back(failureOf(path, outcome));
        return;
    }
    // A code two files declare would make a finding, and an ignore, ambiguous.
    for (const orbscript::StateRule& r : engine->data().rules)
        for (const auto& other : owned)
            if (other->code == r.declared.code) {
                failures.push_back({path, r.declared.line, "rule '" + r.declared.code + "': " +
                                                               other->engine->data().name + " declares it too"});
                return;
            }
    for (const orbscript::StateRule& r : engine->data().rules) {
        auto o = std::make_unique<OwnedRule>(OwnedRule{r.declared.code, "declared in " + path, {}, engine.get(), r});
        o->rule = {o->code.c_str(), r.declared.severity, true, o->about.c_str()};
        rules.push_back(&o->rule);
        owned.push_back(std::move(o));
    }
    engines.push_back(std::move(engine));
}

ScriptRuleSet ScriptRuleSet::Load(const fs::path& folder, const ScriptLimits& limits)
{
    ScriptRuleSet set;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".lua" && it->is_regular_file(ec))
            files.push_back(it->path());
    if (ec) {
        set.impl_->error = "cannot read the folder '" + folder.u8string() + "': " + ec.message();
        return set;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files)
        set.impl_->load(f, limits);
    return set;
}

const std::string& ScriptRuleSet::error() const { return impl_->error; }
const std::vector<RuleFileFailure>& ScriptRuleSet::failures() const { return impl_->failures; }
const std::vector<const Rule*>& ScriptRuleSet::rules() const { return impl_->rules; }

const Rule* ScriptRuleSet::find(const std::string& code) const
{
    if (code == FileRule().code)
        return &FileRule();
    for (const Rule* r : impl_->rules)
        if (code == r->code)
            return r;
    return nullptr;
}

bool ScriptRuleSet::Impl::checkEntry(OwnedRule& r, int n, std::vector<Finding>& out, bool reportFailure)
{
    orbscript::Engine& e = *r.engine;
    lua_State* L = e.state();
    const TableId t = r.declared.declared.table;
    lua_rawgeti(L, LUA_REGISTRYINDEX, r.declared.check);
    orbscript::PushEntry(L, t, n);
    lua_pushinteger(L, n);
    orbscript::Engine::Outcome outcome = e.call(2, 2, false);
    if (outcome.ok) {
        const int first = lua_type(L, -2), second = lua_type(L, -1);
        std::string field, message;
        if ((first == LUA_TNIL || (first == LUA_TBOOLEAN && !lua_toboolean(L, -2))) && second == LUA_TNIL) {
            lua_pop(L, 2);
            return true;
        }
        if (first == LUA_TSTRING && second == LUA_TNIL)
            message = lua_tostring(L, -2);
        else if (first == LUA_TSTRING && second == LUA_TSTRING)
            field = lua_tostring(L, -2), message = lua_tostring(L, -1);
        else
            outcome = {false, e.data().name + ": rule '" + r.code + "' returned " + luaL_typename(L, -2) +
                                  (second == LUA_TNIL ? "" : std::string(" and ") + luaL_typename(L, -1)) +
                                  ": a check returns nothing, a message, or a field and a message", 0};
        lua_pop(L, 2);
        if (!field.empty()) {
            const char* known = WithTable(t, [&](const auto& fields, auto) -> const char* {
                const auto* f = FindField(fields, field);
                return f ? f->name : nullptr;
            });
            if (known)
                field = known;
            else
                outcome = {false, e.data().name + ": rule '" + r.code + "' named the field '" + field + "', which " +
                                      TableName(t) + " do not have", 0};
        }
        if (outcome.ok) {
            out.push_back({&r.rule, t, n, field, message});
            return true;
        }
    }
    if (reportFailure)
        out.push_back({&FileRule(), t, n, "", "rule '" + r.code + "' failed: " + outcome.error});
    return false;
}

std::vector<Finding> ScriptRuleSet::check(const OrbData& orb, const ScriptFile& file, const RuleSelection& selection)
{
    std::vector<Finding> out;
    for (auto& engine : impl_->engines) {
        engine->setFile(file);
        // Rules read the tables and never write them: a write is refused before it is made.
        engine->data().tables = const_cast<OrbData*>(&orb);
        engine->data().readOnly = true;
    }
    const bool reportFailures = !selection.ignore.count(FileRule().code);
    for (auto& r : impl_->owned) {
        if (!selection.runs(r->rule))
            continue;
        orbscript::StateData& d = r->engine->data();
        lua_settop(r->engine->state(), 0);
        // Each rule has the limits on each file: one that ran out stopped only itself.
        d.started = std::clock();
        d.limitError.clear();
        for (int n = 1; n <= TableCount(r->declared.declared.table); ++n)
            if (!impl_->checkEntry(*r, n, out, reportFailures))
                break;
    }
    for (auto& engine : impl_->engines) {
        engine->data().tables = nullptr;
        impl_->output += engine->data().output;
        engine->data().output.clear();
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
        if (a.table != b.table)
            return static_cast<int>(a.table) < static_cast<int>(b.table);
        if (a.number != b.number)
            return a.number < b.number;
        return placeOf(a) < placeOf(b);
    });
    return out;
}

std::string ScriptRuleSet::takeOutput()
{
    std::string out;
    out.swap(impl_->output);
    return out;
}
