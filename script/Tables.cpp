// The tables as scripts see them: units, weapons and formations of entries whose fields read
// and store values as `set` does, with its bounds, names as UTF-8 stored as Latin-1.
#include "script/Engine.h"

#include "core/Latin1.h"

#include <lua.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace orbscript {

namespace {
// A field as the entries read and write it: its bytes in the image, and the largest value `set`
// keeps in it.
struct FieldInfo {
    const char* name;
    FieldWidth width;
    int base, stride, offset;
    uint32_t max;
    bool editable;
    std::size_t at(int n) const { return std::size_t(base + n * stride + offset); }
};
struct TableInfo {
    TableId id;
    std::vector<FieldInfo> fields;
};

TableInfo makeInfo(TableId t)
{
    return WithTable(t, [&](const auto& fields, auto) {
        TableInfo info{t, {}};
        for (const auto& f : fields)
            info.fields.push_back({f.name, f.width, f.base, f.stride, f.offset, StoredMaximum(f), f.editable()});
        return info;
    });
}

const TableInfo& infoOf(TableId t)
{
    static const TableInfo tables[] = {makeInfo(TableId::Units), makeInfo(TableId::Weapons), makeInfo(TableId::Formations)};
    return tables[static_cast<int>(t)];
}

// The metatables, by name in the registry.
const char* const kEntryMeta[] = {"orbscript.unit", "orbscript.weapon", "orbscript.formation"};
const char* const kTableMeta[] = {"orbscript.units", "orbscript.weapons", "orbscript.formations"};

struct Entry {
    TableId table;
    int n;
};
}  // namespace

OrbData& TablesOf(lua_State* L, const char* what)
{
    StateData& d = DataOf(L);
    if (!d.tables)
        Raise(L, std::string(what) + ": the tables are there in a rule's check, not while its file loads");
    return *d.tables;
}

bool TableProxy(lua_State* L, int index, TableId& t)
{
    for (int i = 0; i < 3; ++i)
        if (luaL_testudata(L, index, kTableMeta[i])) {
            t = TableId(i);
            return true;
        }
    return false;
}

void LockMetatable(lua_State* L)
{
    lua_pushliteral(L, "locked");
    lua_setfield(L, -2, "__metatable");
}

namespace {
// "a string", "nil": what a value is, in a message.
std::string kindOf(lua_State* L, int index)
{
    return lua_isnil(L, index) ? "nil" : std::string("a ") + luaL_typename(L, index);
}

// "units 005 Cost": where a message about a value begins.
std::string fieldText(const Entry& e, const FieldInfo& f)
{
    return EntryText(e.table, e.n) + " " + f.name;
}

// The index of the field key names in the entry's table. The upvalue maps each name seen before
// to its index; a name in another letter case is found by a search and then mapped too.
int fieldIndex(lua_State* L, const Entry& e, bool storing)
{
    lua_pushvalue(L, 2);
    if (lua_rawget(L, lua_upvalueindex(1)) == LUA_TNUMBER) {
        const int i = int(lua_tointeger(L, -1));
        lua_pop(L, 1);
        return i;
    }
    lua_pop(L, 1);
    const std::string name = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : luaL_tolstring(L, 2, nullptr);
    const std::vector<FieldInfo>& fields = infoOf(e.table).fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (lua_type(L, 2) == LUA_TSTRING && SameNameIgnoringCase(name, fields[i].name)) {
            lua_pushvalue(L, 2);
            lua_pushinteger(L, lua_Integer(i));
            lua_rawset(L, lua_upvalueindex(1));
            return int(i);
        }
    if (storing && IsWorkingField(name))
        Raise(L, EntryText(e.table, e.n) + " " + name + ": cannot be set: no page of the editor edits it");
    Raise(L, EntryText(e.table, e.n) + ": no field is called '" + name + "'");
}

int readField(lua_State* L)
{
    const Entry& e = *static_cast<const Entry*>(lua_touserdata(L, 1));
    const FieldInfo& f = infoOf(e.table).fields[std::size_t(fieldIndex(L, e, false))];
    const uint8_t* at = TablesOf(L, TableName(e.table)).bytes() + f.at(e.n);
    if (f.width == FieldWidth::U8) {
        lua_pushinteger(L, at[0]);
    } else if (f.width == FieldWidth::U16) {
        lua_pushinteger(L, at[0] | at[1] << 8);
    } else {
        // Latin-1 to UTF-8: a byte becomes one or two.
        char text[2 * NameLength];
        std::size_t size = 0;
        for (int i = 0; i < NameLength && at[i]; ++i) {
            if (at[i] < 0x80) {
                text[size++] = char(at[i]);
            } else {
                text[size++] = char(0xc0 | at[i] >> 6);
                text[size++] = char(0x80 | (at[i] & 0x3f));
            }
        }
        lua_pushlstring(L, text, size);
    }
    return 1;
}

// value (at index 3) as the name to store, or an error as `set` words it.
OrbName nameToStore(lua_State* L, const Entry& e, const FieldInfo& f)
{
    const std::string what = fieldText(e, f);
    if (lua_type(L, 3) != LUA_TSTRING)
        Raise(L, what + ": a name is a string, not " + kindOf(L, 3));
    std::size_t size = 0;
    const char* text = lua_tolstring(L, 3, &size);
    const Latin1Result latin1 = Utf8ToLatin1(std::string(text, size));
    if (!latin1.ok && latin1.refused.rfind("byte ", 0) == 0)  // "byte 255 (not UTF-8)"
        Raise(L, what + ": " + latin1.refused.substr(0, latin1.refused.find(' ', 5)) + " is not UTF-8");
    if (!latin1.ok)
        Raise(L, what + ": '" + latin1.refused + "' cannot be stored in a name (Latin-1 characters only)");
    if (HasControlCharacter(latin1.text))
        Raise(L, what + ": a name cannot hold control characters (line ends, tabs)");
    if (latin1.text.size() > std::size_t(NameLength))
        Raise(L, what + ": '" + std::string(text, size) + "' is longer than " + std::to_string(NameLength) + " characters");
    return OrbName(latin1.text);
}

// value (at index 3) as the number to store in f, or an error saying why it cannot be.
uint32_t numberToStore(lua_State* L, const Entry& e, const FieldInfo& f)
{
    int whole = 0;
    const lua_Integer v = lua_tointegerx(L, 3, &whole);
    if (whole && v >= 0 && v <= lua_Integer(f.max) && lua_type(L, 3) == LUA_TNUMBER)
        return uint32_t(v);
    const std::string what = fieldText(e, f);
    if (lua_type(L, 3) != LUA_TNUMBER)
        Raise(L, what + ": a number is needed, not " + kindOf(L, 3));
    const lua_Number x = lua_tonumber(L, 3);
    const std::string shown = luaL_tolstring(L, 3, nullptr);
    if (!whole && (std::isnan(x) || std::floor(x) != x))
        Raise(L, what + ": " + shown + " is not a whole number");
    if (x < 0)
        Raise(L, what + ": " + shown + " is below 0");
    Raise(L, what + ": " + shown + " is above " + std::to_string(f.max));
}

int storeField(lua_State* L)
{
    const Entry& e = *static_cast<const Entry*>(lua_touserdata(L, 1));
    const FieldInfo& f = infoOf(e.table).fields[std::size_t(fieldIndex(L, e, true))];
    const StateData& d = DataOf(L);
    if (!f.editable)
        Raise(L, fieldText(e, f) + ": cannot be set: no page of the editor edits it");
    if (d.readOnly)
        Raise(L, fieldText(e, f) + ": a rule's check cannot change the tables");
    uint8_t* at = TablesOf(L, TableName(e.table)).bytes() + f.at(e.n);
    if (f.width == FieldWidth::Text) {
        const OrbName name = nameToStore(L, e, f);
        std::memcpy(at, name.data(), NameLength);  // zero-padded, as a save writes names
        return 0;
    }
    const uint32_t v = numberToStore(L, e, f);
    at[0] = uint8_t(v);
    if (f.width == FieldWidth::U16)
        at[1] = uint8_t(v >> 8);
    return 0;
}

int entryText(lua_State* L)
{
    const Entry& e = *static_cast<const Entry*>(lua_touserdata(L, 1));
    const std::string text = EntryText(e.table, e.n);
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

// Pushes entry n of the table whose proxy is at index proxy, or nil past its end. Each entry is
// made once and kept in the proxy's cache, so that units[5] == units[5].
void pushEntry(lua_State* L, int proxy, lua_Integer n)
{
    const TableId t = *static_cast<const TableId*>(lua_touserdata(L, proxy));
    if (n < 1 || n > TableCount(t)) {
        lua_pushnil(L);
        return;
    }
    lua_getiuservalue(L, proxy, 1);
    if (lua_rawgeti(L, -1, n) == LUA_TNIL) {
        lua_pop(L, 1);
        auto* e = static_cast<Entry*>(lua_newuserdatauv(L, sizeof(Entry), 0));
        *e = {t, int(n)};
        luaL_setmetatable(L, kEntryMeta[static_cast<int>(t)]);
        lua_pushvalue(L, -1);
        lua_rawseti(L, -3, n);
    }
    lua_remove(L, -2);
}

// units[n]
int tableEntry(lua_State* L)
{
    int whole = 0;
    const lua_Integer n = lua_tointegerx(L, 2, &whole);
    pushEntry(L, 1, whole ? n : 0);
    return 1;
}

int tableLength(lua_State* L)
{
    lua_pushinteger(L, TableCount(*static_cast<const TableId*>(lua_touserdata(L, 1))));
    return 1;
}

int tableRefused(lua_State* L)
{
    Raise(L, std::string(TableName(*static_cast<const TableId*>(lua_touserdata(L, 1)))) +
                 ": an entry cannot be replaced; set its fields (units[5].Cost = 10)");
}

int tableNext(lua_State* L)
{
    const lua_Integer n = luaL_checkinteger(L, 2) + 1;
    lua_settop(L, 1);
    lua_pushinteger(L, n);
    pushEntry(L, 1, n);
    return lua_isnil(L, -1) ? 1 : 2;
}

int tablePairs(lua_State* L)
{
    lua_pushcfunction(L, tableNext);
    lua_pushvalue(L, 1);
    lua_pushinteger(L, 0);
    return 3;
}

int tableText(lua_State* L)
{
    lua_pushstring(L, TableName(*static_cast<const TableId*>(lua_touserdata(L, 1))));
    return 1;
}

void openTable(lua_State* L, TableId t)
{
    const int i = static_cast<int>(t);
    luaL_newmetatable(L, kEntryMeta[i]);
    lua_pushstring(L, (std::string(TableName(t)) + " entry").c_str());  // what messages call it
    lua_setfield(L, -2, "__name");
    lua_newtable(L);  // field names to their indexes, seeded with the names as written
    for (std::size_t k = 0; k < infoOf(t).fields.size(); ++k) {
        lua_pushinteger(L, lua_Integer(k));
        lua_setfield(L, -2, infoOf(t).fields[k].name);
    }
    lua_pushvalue(L, -1);
    lua_pushcclosure(L, readField, 1);
    lua_setfield(L, -3, "__index");
    lua_pushcclosure(L, storeField, 1);
    lua_setfield(L, -2, "__newindex");
    lua_pushcfunction(L, entryText);
    lua_setfield(L, -2, "__tostring");
    LockMetatable(L);
    lua_pop(L, 1);

    auto* id = static_cast<TableId*>(lua_newuserdatauv(L, sizeof(TableId), 1));
    *id = t;
    lua_createtable(L, TableCount(t), 0);
    lua_setiuservalue(L, -2, 1);
    luaL_newmetatable(L, kTableMeta[i]);
    const luaL_Reg methods[] = {{"__index", tableEntry}, {"__len", tableLength},  {"__newindex", tableRefused},
                                {"__pairs", tablePairs}, {"__tostring", tableText}, {nullptr, nullptr}};
    luaL_setfuncs(L, methods, 0);
    lua_pushstring(L, TableName(t));
    lua_setfield(L, -2, "__name");
    LockMetatable(L);
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kTableMeta[i]);  // for PushEntry, whatever the script does to its globals
    lua_setglobal(L, TableName(t));
}

}  // namespace

void PushEntry(lua_State* L, TableId t, int n)
{
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kTableMeta[static_cast<int>(t)]);
    pushEntry(L, lua_gettop(L), n);
    lua_remove(L, -2);
}

std::string EntryText(TableId t, int n)
{
    return std::string(TableName(t)) + " " + EntryNumberText(n);
}

void OpenTables(lua_State* L)
{
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        openTable(L, t);
    OpenFunctions(L);
}

}  // namespace orbscript
