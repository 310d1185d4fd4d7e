// The functions around the tables: refs, move, total_units and the code names.
#include "script/Engine.h"

#include "core/FormationTotals.h"
#include "core/Globals.h"
#include "core/Latin1.h"
#include "core/References.h"

#include <lua.hpp>

#include <iterator>

namespace orbscript {

namespace {
// A table as refs and move take it: "units" (any letter case, singular too) or units itself.
TableId tableArg(lua_State* L, const char* function)
{
    TableId t = TableId::Units;
    if (TableProxy(L, 1, t))
        return t;
    if (lua_type(L, 1) == LUA_TSTRING)
        if (const auto named = ParseTable(lua_tostring(L, 1)))
            return *named;
    Raise(L, std::string(function) + ": the table is units, weapons or formations (or \"units\", ...)");
}

int entryArg(lua_State* L, int index, TableId t, const char* function)
{
    int whole = 0;
    const lua_Integer n = lua_tointegerx(L, index, &whole);
    if (!whole || n < 1 || n > TableCount(t))
        Raise(L, std::string(function) + ": " + TableName(t) + " has entries 1 to " + std::to_string(TableCount(t)) +
                     ", not " + luaL_tolstring(L, index, nullptr));
    return int(n);
}

// refs(table, n): {table=, n=, field=} for every field that names the entry.
int refs(lua_State* L)
{
    const TableId t = tableArg(L, "refs");
    const int n = entryArg(L, 2, t, "refs");
    const std::vector<Reference> found = FindReferences(TablesOf(L, "refs"), t, n);
    lua_createtable(L, int(found.size()), 0);
    for (std::size_t i = 0; i < found.size(); ++i) {
        lua_createtable(L, 0, 3);
        lua_pushstring(L, TableName(found[i].table));
        lua_setfield(L, -2, "table");
        lua_pushinteger(L, found[i].number);
        lua_setfield(L, -2, "n");
        lua_pushlstring(L, found[i].field.data(), found[i].field.size());
        lua_setfield(L, -2, "field");
        lua_rawseti(L, -2, lua_Integer(i + 1));
    }
    return 1;
}

// move(table, n, m [, swap]): as `orbtool-cli move`; the count of references that followed.
int move(lua_State* L)
{
    const TableId t = tableArg(L, "move");
    const int from = entryArg(L, 2, t, "move"), to = entryArg(L, 3, t, "move");
    if (DataOf(L).readOnly)
        Raise(L, "move: a rule's check cannot change the tables");
    const MoveResult moved = MoveEntry(TablesOf(L, "move"), t, from, to, lua_toboolean(L, 4));
    if (!moved.error.empty())
        Raise(L, "move: " + moved.error);
    lua_pushinteger(L, moved.references);
    return 1;
}

// total_units(n): the units formation n brings, as the Formations page counts them.
int totalUnits(lua_State* L)
{
    const int n = entryArg(L, 1, TableId::Formations, "total_units");
    const OrbData& orb = TablesOf(L, "total_units");
    lua_pushinteger(L, CountFormationUnits(orb, orb.formation(n), n).units);
    return 1;
}

std::string nationName(uint8_t code) { return GetNationName(code); }
struct CodeTable {
    const char* name;
    std::string (*text)(uint8_t);
};
const CodeTable kCodeTables[] = {{"nation", nationName},
                                 {"unitClass", GetUnitClassName},
                                 {"weaponClass", GetWeaponClassName},
                                 {"movementClass", GetMovementClassName},
                                 {"formationType", GetFormationTypeName},
                                 {"purchasePage", GetPurchasePageName}};

// names.nation[code]: the text the pages show for code 0..255, nil for anything else.
int codeName(lua_State* L)
{
    int whole = 0;
    const lua_Integer code = lua_tointegerx(L, 2, &whole);
    if (!whole || code < 0 || code > 255) {
        lua_pushnil(L);
        return 1;
    }
    const std::string text = Latin1ToUtf8(kCodeTables[lua_tointeger(L, lua_upvalueindex(1))].text(uint8_t(code)));
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

int namesRefused(lua_State* L)
{
    Raise(L, "names: the code tables cannot be changed");
}

void openNames(lua_State* L)
{
    lua_newtable(L);
    for (std::size_t i = 0; i < std::size(kCodeTables); ++i) {
        lua_newtable(L);
        lua_newtable(L);
        lua_pushinteger(L, lua_Integer(i));
        lua_pushcclosure(L, codeName, 1);
        lua_setfield(L, -2, "__index");
        lua_pushcfunction(L, namesRefused);
        lua_setfield(L, -2, "__newindex");
        LockMetatable(L);
        lua_setmetatable(L, -2);
        lua_setfield(L, -2, kCodeTables[i].name);
    }
    lua_newtable(L);
    lua_pushcfunction(L, namesRefused);
    lua_setfield(L, -2, "__newindex");
    LockMetatable(L);
    lua_setmetatable(L, -2);
    lua_setglobal(L, "names");
}
}  // namespace

void OpenFunctions(lua_State* L)
{
    openNames(L);
    lua_register(L, "refs", refs);
    lua_register(L, "move", move);
    lua_register(L, "total_units", totalUnits);
}

}  // namespace orbscript
