// Inside the scripting module: one Lua state with its sandbox, its limits, and what the functions
// it offers scripts act on. Nothing here is seen by the front ends.
#pragma once

#include "script/Script.h"

#include <ctime>
#include <string>
#include <vector>

struct lua_State;

namespace orbscript {

// A rule as rule{...} declared it, with its check function kept in the registry.
struct StateRule {
    DeclaredRule declared;
    int check = 0;  // registry reference
};

// What a C function of the sandbox reaches through its state. Made and closed by the Engine.
struct StateData {
    std::string name;       // the script's name in messages: "SCRIPT:LINE: ..."
    std::string chunkName;  // the name Lua gives the chunk ("=" + name)
    ScriptLimits limits;
    std::size_t used = 0;   // bytes Lua holds
    std::clock_t started = 0;
    // Set once a limit is passed: the run fails whatever the script does next (a pcall that
    // caught the error included).
    std::string limitError;
    int limitLine = 0;
    // What the globals units, weapons and formations read and write; null while a rule file
    // loads, when there are no tables yet.
    OrbData* tables = nullptr;
    bool readOnly = false;  // a rule's check: it reads the tables only
    std::string output;     // print's
    std::vector<StateRule> rules;
    bool running = false;   // inside a protected call: where a refused allocation can find its line
    lua_State* L = nullptr;

    // What is left of the memory budget: the output counts, as the window holds it.
    bool withinBudget(std::size_t more) const { return used + output.size() + more <= limits.bytes; }
};

StateData& DataOf(lua_State* L);

// A fresh sandboxed state: only the safe libraries, the tables' globals and the functions of the
// interface. Closes its state when it goes.
class Engine {
public:
    Engine(const std::string& name, const ScriptLimits& limits, const ScriptFile& file,
           const std::vector<std::string>& args);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool ready() const { return L_ != nullptr; }
    lua_State* state() { return L_; }
    StateData& data() { return data_; }

    struct Outcome {
        bool ok = false;
        std::string error;  // "SCRIPT:LINE: message"
        int line = 0;
    };
    // Compiles and runs text as the script's main chunk.
    Outcome runChunk(const std::string& text);
    // Calls the function below its nargs arguments at the top of the stack, leaving nresults
    // results on success and nothing on failure. The time limit counts from the last call that
    // restarted the clock.
    Outcome call(int nargs, int nresults, bool restartClock = true);
    // Sets the global file to what a script sees of file.
    void setFile(const ScriptFile& file);

private:
    Outcome failure(bool errorOnStack);
    StateData data_;
    lua_State* L_ = nullptr;
};

// Raises "SCRIPT:LINE: text" from a C function (or a hook), the line that of the innermost call
// in the script itself.
[[noreturn]] void Raise(lua_State* L, const std::string& text);
// The line of the innermost frame that runs the script's own code, 0 when none does.
int ScriptLine(lua_State* L);

// Tables.cpp: the globals units, weapons and formations (and, through OpenFunctions, the rest).
void OpenTables(lua_State* L);
// The tables the state's script works on; raises, naming what, while a rule file loads.
OrbData& TablesOf(lua_State* L, const char* what);
// Whether the value at index is units, weapons or formations, and which.
bool TableProxy(lua_State* L, int index, TableId& t);
// Sets __metatable of the metatable at the top, so that getmetatable hands out no way in.
void LockMetatable(lua_State* L);
// Functions.cpp: names, refs, move and total_units.
void OpenFunctions(lua_State* L);
// Pushes entry n of table t, as units[n] gives it.
void PushEntry(lua_State* L, TableId t, int n);
// "units 005": an entry as messages name it.
std::string EntryText(TableId t, int n);

}  // namespace orbscript
