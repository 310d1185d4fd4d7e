// A sandboxed Lua state: what a script may call, how long it may run and how much memory it may
// hold, and its errors as "SCRIPT:LINE: message".
#include "script/Engine.h"

#include <lua.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orbscript {

StateData& DataOf(lua_State* L)
{
    return **static_cast<StateData**>(lua_getextraspace(L));
}

namespace {
// Instructions between two looks at the clock: a look costs a system call, and 10000 instructions
// take some 50 microseconds, so the limit holds to well within a hundredth of a second.
constexpr int kCountBetweenLooks = 10000;

std::string limitText(const StateData& d, bool memory)
{
    char text[128];
    if (memory)
        std::snprintf(text, sizeof text, "stopped: it needed more than %zu MB of memory", d.limits.bytes >> 20);
    else
        std::snprintf(text, sizeof text, "stopped: it ran for more than %g s of processor time", d.limits.seconds);
    return text;
}

// Every allocation Lua makes, counted against the limit. Only growth is ever refused: Lua counts
// on a block that shrinks or is freed never failing.
void* allocate(void* ud, void* block, std::size_t oldSize, std::size_t newSize)
{
    StateData& d = *static_cast<StateData*>(ud);
    const std::size_t old = block ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        d.used -= old;
        return nullptr;
    }
    if (newSize > old && !d.withinBudget(newSize - old)) {
        if (d.limitError.empty()) {
            // Lua raises its memory error without a position: the line is taken here, where the
            // stack still shows it. (Looking at the stack allocates nothing.)
            d.limitLine = d.running && d.L ? ScriptLine(d.L) : 0;
            d.limitError = limitText(d, true);
        }
        return nullptr;
    }
    void* grown = std::realloc(block, newSize);
    if (!grown)
        return newSize <= old ? block : nullptr;
    d.used = d.used - old + newSize;
    return grown;
}

void watchClock(lua_State* L, lua_Debug*)
{
    StateData& d = DataOf(L);
    if (d.limitError.empty()) {
        if (double(std::clock() - d.started) <= d.limits.seconds * CLOCKS_PER_SEC)
            return;
        d.limitLine = ScriptLine(L);
        d.limitError = limitText(d, false);
    }
    // Past a limit every instruction raises, so that no pcall can keep the script going.
    lua_sethook(L, watchClock, LUA_MASKCOUNT, 1);
    Raise(L, d.limitError);
}

// print(...): the values as tostring gives them, separated by tabs, a line.
int print(lua_State* L)
{
    StateData& d = DataOf(L);
    const int n = lua_gettop(L);
    for (int i = 1; i <= n; ++i) {
        std::size_t size = 0;
        const char* text = luaL_tolstring(L, i, &size);
        if (!d.withinBudget(size + 1)) {
            d.limitLine = ScriptLine(L);
            d.limitError = limitText(d, true);
            Raise(L, d.limitError);
        }
        if (i > 1)
            d.output += '\t';
        d.output.append(text, size);
        lua_pop(L, 1);
    }
    d.output += '\n';
    return 0;
}

// load(chunk [, name [, mode [, env]]]): text only, never precompiled chunks, which can break
// out of any sandbox.
int loadText(lua_State* L)
{
    lua_settop(L, 4);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_pushliteral(L, "t");
    lua_replace(L, 4);
    if (lua_isnil(L, 5))
        lua_pop(L, 1);  // no env given: the script's own globals
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// Whether message begins "PREFIX:" and a digit, as Lua's positions do.
bool startsWithPosition(const std::string& message, const std::string& prefix)
{
    return message.size() > prefix.size() + 1 && message.compare(0, prefix.size(), prefix) == 0 &&
           message[prefix.size()] == ':' && message[prefix.size() + 1] >= '0' && message[prefix.size() + 1] <= '9';
}

// message as "SCRIPT:LINE: message": Lua's own position of the script's code with the script's
// whole name (Lua keeps LUA_IDSIZE - 1 bytes of it), else line's, else none.
std::string positioned(const StateData& d, const std::string& message, int line)
{
    const std::string shortName = d.name.substr(0, LUA_IDSIZE - 1);
    if (startsWithPosition(message, d.name))
        return message;
    if (startsWithPosition(message, shortName))
        return d.name + message.substr(shortName.size());
    return d.name + (line ? ":" + std::to_string(line) : std::string()) + ": " + message;
}

// The message handler of every call: the error with the script's position, taken while the stack
// still shows where it was raised.
int withPosition(lua_State* L)
{
    StateData& d = DataOf(L);
    const char* text = lua_tostring(L, 1);
    const std::string message = text ? text : std::string("error object is a ") + luaL_typename(L, 1) + " value";
    const std::string full = positioned(d, message, ScriptLine(L));
    lua_pushlstring(L, full.data(), full.size());
    return 1;
}

void keep(lua_State* L, const char* library, const std::vector<const char*>& names)
{
    lua_getglobal(L, library);
    lua_newtable(L);
    for (const char* name : names) {
        lua_getfield(L, -2, name);
        lua_setfield(L, -2, name);
    }
    lua_setglobal(L, library);
    lua_pop(L, 1);
}

// rule{code=, severity=, table=, check=}: declares a rule, which check runs.
int declareRule(lua_State* L)
{
    StateData& d = DataOf(L);
    luaL_checktype(L, 1, LUA_TTABLE);
    lua_getfield(L, 1, "code");
    const std::string name = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
    bool kebab = !name.empty() && name.front() != '-' && name.back() != '-' && name.find("--") == std::string::npos;
    for (char c : name)
        kebab = kebab && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-');
    if (!kebab)
        Raise(L, "rule: code must be a name in kebab-case, such as \"cost-cap\"");
    const std::string what = "rule '" + name + "': ";
    if (FindRule(name))
        Raise(L, what + "a built-in rule has that code");
    for (const StateRule& r : d.rules)
        if (r.declared.code == name)
            Raise(L, what + "declared twice");
    for (lua_pushnil(L); lua_next(L, 1); lua_pop(L, 1)) {
        const std::string key = luaL_tolstring(L, -2, nullptr);
        lua_pop(L, 1);
        if (key != "code" && key != "severity" && key != "table" && key != "check")
            Raise(L, what + "unknown key '" + key + "' (code, severity, table, check)");
    }
    lua_getfield(L, 1, "severity");
    const std::string severity = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
    Severity level = Severity::Error;
    if (severity == "warning" || severity == "hint")
        level = severity == "hint" ? Severity::Hint : Severity::Warning;
    else if (severity != "error")
        Raise(L, what + "severity must be \"error\", \"warning\" or \"hint\"");
    lua_getfield(L, 1, "table");
    const std::string table = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
    if (table != "units" && table != "weapons" && table != "formations")
        Raise(L, what + "table must be \"units\", \"weapons\" or \"formations\"");
    lua_getfield(L, 1, "check");
    if (!lua_isfunction(L, -1))
        Raise(L, what + "check must be a function");
    const int check = luaL_ref(L, LUA_REGISTRYINDEX);
    d.rules.push_back({{name, level, *ParseTable(table), ScriptLine(L)}, check});
    return 0;
}

void openSandbox(lua_State* L)
{
    for (const luaL_Reg& lib : {luaL_Reg{LUA_GNAME, luaopen_base}, luaL_Reg{LUA_STRLIBNAME, luaopen_string},
                                luaL_Reg{LUA_TABLIBNAME, luaopen_table}, luaL_Reg{LUA_MATHLIBNAME, luaopen_math},
                                luaL_Reg{LUA_UTF8LIBNAME, luaopen_utf8}, luaL_Reg{LUA_OSLIBNAME, luaopen_os}}) {
        luaL_requiref(L, lib.name, lib.func, 1);
        lua_pop(L, 1);
    }
    keep(L, LUA_OSLIBNAME, {"time", "clock", "date"});
    // Precompiled chunks can break out of the sandbox: string.dump makes them, load takes text only.
    lua_getglobal(L, LUA_STRLIBNAME);
    lua_pushnil(L);
    lua_setfield(L, -2, "dump");
    lua_pop(L, 1);
    for (const char* gone : {"dofile", "loadfile", "require", "package", "debug", "io", "collectgarbage"}) {
        lua_pushnil(L);
        lua_setglobal(L, gone);
    }
    lua_getglobal(L, "load");
    lua_pushcclosure(L, loadText, 1);
    lua_setglobal(L, "load");
    lua_register(L, "print", print);
    lua_register(L, "rule", declareRule);
    // Strings share one metatable, whose __index is the string library: getmetatable("") must not
    // hand it out to be changed.
    lua_pushliteral(L, "");
    lua_getmetatable(L, -1);
    lua_pushliteral(L, "locked");
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 2);
}

int setFileGlobal(lua_State* L)
{
    const ScriptFile& file = *static_cast<const ScriptFile*>(lua_touserdata(L, 1));
    lua_newtable(L);
    lua_pushlstring(L, file.name.data(), file.name.size());
    lua_setfield(L, -2, "name");
    lua_pushlstring(L, file.path.data(), file.path.size());
    lua_setfield(L, -2, "path");
    if (file.number >= 0) {
        lua_pushinteger(L, file.number);
        lua_setfield(L, -2, "number");
    }
    lua_setglobal(L, "file");
    return 0;
}
}  // namespace

int ScriptLine(lua_State* L)
{
    const StateData& d = DataOf(L);
    lua_Debug ar;
    for (int level = 0; lua_getstack(L, level, &ar); ++level)
        if (lua_getinfo(L, "Sl", &ar) && ar.currentline > 0 && d.chunkName == ar.source)
            return ar.currentline;
    return 0;
}

void Raise(lua_State* L, const std::string& text)
{
    const StateData& d = DataOf(L);
    const int line = ScriptLine(L);
    const std::string message = d.name + (line ? ":" + std::to_string(line) : std::string()) + ": " + text;
    lua_pushlstring(L, message.data(), message.size());
    lua_error(L);
    std::abort();  // lua_error does not return
}

Engine::Engine(const std::string& name, const ScriptLimits& limits, const ScriptFile& file,
               const std::vector<std::string>& args)
{
    data_.name = name;
    data_.chunkName = "=" + name;
    data_.limits = limits;
    L_ = lua_newstate(allocate, &data_);
    if (!L_)
        return;
    data_.L = L_;
    *static_cast<StateData**>(lua_getextraspace(L_)) = &data_;
    auto setUp = [](lua_State* L) {
        const auto* a = static_cast<const std::pair<const ScriptFile*, const std::vector<std::string>*>*>(lua_touserdata(L, 1));
        openSandbox(L);
        OpenTables(L);
        lua_pushcfunction(L, setFileGlobal);
        lua_pushlightuserdata(L, const_cast<ScriptFile*>(a->first));
        lua_call(L, 1, 0);
        lua_createtable(L, int(a->second->size()), 1);
        lua_pushlstring(L, DataOf(L).name.data(), DataOf(L).name.size());
        lua_rawseti(L, -2, 0);
        for (std::size_t i = 0; i < a->second->size(); ++i) {
            lua_pushlstring(L, (*a->second)[i].data(), (*a->second)[i].size());
            lua_rawseti(L, -2, lua_Integer(i + 1));
        }
        lua_setglobal(L, "arg");
        return 0;
    };
    std::pair<const ScriptFile*, const std::vector<std::string>*> given{&file, &args};
    lua_pushcfunction(L_, setUp);
    lua_pushlightuserdata(L_, &given);
    if (lua_pcall(L_, 1, 0, 0) != LUA_OK) {  // only memory can run out here
        lua_close(L_);
        L_ = nullptr;
    }
}

void Engine::setFile(const ScriptFile& file)
{
    lua_pushcfunction(L_, setFileGlobal);
    lua_pushlightuserdata(L_, const_cast<ScriptFile*>(&file));
    call(1, 0);
}

Engine::~Engine()
{
    if (L_)
        lua_close(L_);
}

Engine::Outcome Engine::failure(bool errorOnStack)
{
    Outcome out;
    if (data_.limitError.empty() && errorOnStack) {
        const char* text = lua_tostring(L_, -1);
        out.error = positioned(data_, text ? text : "the script failed", 0);
    } else {
        out.error = positioned(data_, data_.limitError.empty() ? "the script failed" : data_.limitError, data_.limitLine);
    }
    if (errorOnStack)
        lua_pop(L_, 1);
    // The line as a number of its own, for an editor to go to.
    if (startsWithPosition(out.error, data_.name))
        out.line = std::atoi(out.error.c_str() + data_.name.size() + 1);
    return out;
}

Engine::Outcome Engine::runChunk(const std::string& text)
{
    if (!L_)
        return {false, data_.name + ": " + limitText(data_, true), 0};  // not even the state fit
    data_.started = std::clock();
    const int status = luaL_loadbufferx(L_, text.data(), text.size(), data_.chunkName.c_str(), "t");
    if (status != LUA_OK)
        return failure(true);
    return call(0, 0);
}

Engine::Outcome Engine::call(int nargs, int nresults, bool restartClock)
{
    lua_pushcfunction(L_, withPosition);
    lua_insert(L_, -nargs - 2);
    const int handler = lua_gettop(L_) - nargs - 1;
    if (restartClock)
        data_.started = std::clock();
    lua_sethook(L_, watchClock, LUA_MASKCOUNT, kCountBetweenLooks);
    data_.running = true;
    const int status = lua_pcall(L_, nargs, nresults, handler);
    data_.running = false;
    lua_sethook(L_, nullptr, 0, 0);
    lua_remove(L_, handler);
    if (status == LUA_OK && !data_.limitError.empty())
        lua_pop(L_, nresults);  // it went on past a limit: it fails all the same
    if (status != LUA_OK || !data_.limitError.empty())
        return failure(status != LUA_OK);
    return {true, {}, 0};
}

}  // namespace orbscript
