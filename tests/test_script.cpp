// Lua scripts on the tables: orbtool-cli run and check --rules-from as a user runs them, and the
// scripting module the window runs them through.
#include "CliRun.h"
#include "TestFiles.h"

#include "core/References.h"

#include "script/Script.h"
#include "script/ScriptRules.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

class TestScript : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    // Runs orbtool-cli in the test's folder, so that a script is named as written ("s.lua").
    Run tool(const QStringList& args) { return run(cliPath(), args, {}, tmp.path()); }
    QString script(const QString& name, const QByteArray& text)
    {
        writeAll(tmp.filePath(name), text);
        return name;
    }
    // Every file below the folder with its bytes and where the system keeps it: what a refused
    // command must leave as it was.
    std::map<QString, QByteArray> files() const { return FilesBelow(tmp.path()); }
    static QByteArray latin1(const std::string& name) { return QString::fromLatin1(name.c_str()).toUtf8(); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // A change made by a script gives the very file the same change made with set gives, and
    // prints each changed field as diff does.
    void runGivesTheFileSetGives()
    {
        const OrbData orb = sampleOrb(12);
        const QByteArray cost5 = QByteArray::number(orb.unit(5).Cost), slot = QByteArray::number(orb.formation(3).Slot1);
        const struct {
            QStringList set;  // after FILE
            QByteArray script, out;
        } cases[] = {
            {{"units", "5", "Cost=17"}, "units[5].Cost = 17", "units 005 Cost: " + cost5 + " -> 17\n"},
            {{"units", "5", "cost=17"}, "units[5].cost = 17.0", "units 005 Cost: " + cost5 + " -> 17\n"},
            {{"units", "7", QString::fromUtf8("Name=J\u00e4ger \u00bd")}, "units[7].Name = 'J\xc3\xa4ger \xc2\xbd'",
             "units 007 Name: " + latin1(orb.unit(7).Name) + " -> J\xc3\xa4ger \xc2\xbd\n"},
            {{"units", "9", "Icon=65535", "LBM=1234"}, "units[9].Icon = 65535 units[9].LBM = 1234", ""},
            {{"formations", "3", "Slot1=1199"}, "formations[3].Slot1 = 1199", "formations 003 Slot1: " + slot + " -> 1199\n"},
            {{"weapons", "29", "Name="}, "weapons[29].Name = ''", "weapons 029 Name: " + latin1(orb.weapon(29).Name) + " -> \n"},
            {{"units", "Cost=250", "--where", "Nation=12 Class=13"},
             "for n, u in ipairs(units) do if u.Nation == 12 and u.Class == 13 then u.Cost = 250 end end", ""},
            {{"units", "5", "Cost=" + QString::number(orb.unit(5).Cost)}, "units[5].Cost = units[5].Cost", ""},
            {{"formations", "199", "Special=0"}, "formations[199].Special = 0", ""},
        };
        for (const auto& c : cases) {
            const QString bySet = putSample(tmp.path(), 12, "BYSET"), byRun = putSample(tmp.path(), 12, "BYRUN");
            QCOMPARE(tool(QStringList{"set", bySet} + c.set).status, 0);
            const Run r = tool({"run", script("s.lua", c.script), "BYRUN"});
            QVERIFY2(r.status == 0 && r.err.isEmpty(), c.script + ": " + r.err);
            QVERIFY2(readAll(byRun) == readAll(bySet), c.script.constData());
            QCOMPARE(r.out, c.out.isEmpty() ? diffLines(sampleBytes(12), readAll(bySet)) : c.out);
        }
    }
    // What diff prints of two images: "units 017 Cost: 73 -> 120".
    static QByteArray diffLines(const QByteArray& a, const QByteArray& b)
    {
        QByteArray out;
        for (const FieldDifference& d : DiffFields(orbOf(a), orbOf(b)))
            out += QByteArray(d.table) + " " + QByteArray::number(d.number).rightJustified(3, '0') + " " + d.field + ": " +
                   d.before.c_str() + " -> " + d.after.c_str() + "\n";
        return out;
    }

    // A script that fails, or that asks for what a value cannot hold, stops with its line and
    // changes nothing; what it printed before is printed.
    void refusedScriptsChangeNothing()
    {
        const struct {
            QByteArray script, err;
        } cases[] = {
            {"units[1].Cost = 255\nunits[5].Cost = 300", "s.lua:3: units 005 Cost: 300 is above 255"},
            {"\n\nunits[1].Cost = -1", "s.lua:4: units 001 Cost: -1 is below 0"},
            {"units[1].Cost = 2.5", "s.lua:2: units 001 Cost: 2.5 is not a whole number"},
            {"units[1].Cost = 0/0", "s.lua:2: units 001 Cost: -nan is not a whole number"},
            {"units[1].Cost = math.huge", "s.lua:2: units 001 Cost: inf is above 255"},
            {"units[1].Cost = 2^63", "s.lua:2: units 001 Cost: 9.2233720368548e+18 is above 255"},
            {"units[1].Cost = '12'", "s.lua:2: units 001 Cost: a number is needed, not a string"},
            {"units[1].Cost = nil", "s.lua:2: units 001 Cost: a number is needed, not nil"},
            {"units[1].Nation = 250", "s.lua:2: units 001 Nation: 250 is above 249"},
            {"units[1].Wpn4 = 250", "s.lua:2: units 001 Wpn4: 250 is above 249"},
            {"units[1].Icon = 65536", "s.lua:2: units 001 Icon: 65536 is above 65535"},
            {"formations[199].Slot10 = 1201", "s.lua:2: formations 199 Slot10: 1201 is above 1200"},
            {"units[1].HiddenByte = 0", "s.lua:2: units 001 HiddenByte: cannot be set: no page of the editor edits it"},
            {"weapons[1].Spare = 0", "s.lua:2: weapons 001 Spare: cannot be set: no page of the editor edits it"},
            {"units[1].Colour = 3", "s.lua:2: units 001: no field is called 'Colour'"},
            {"print(units[1].Colour)", "s.lua:2: units 001: no field is called 'Colour'"},
            {"units[1].Name = 'Tiger \xe2\x82\xac'", "s.lua:2: units 001 Name: '\xe2\x82\xac' cannot be stored in a name (Latin-1 characters only)"},
            {"units[1].Name = 'a\\tb'", "s.lua:2: units 001 Name: a name cannot hold control characters (line ends, tabs)"},
            {"units[1].Name = 'a\\0b'", "s.lua:2: units 001 Name: a name cannot hold control characters (line ends, tabs)"},
            {"units[1].Name = '\\255'", "s.lua:2: units 001 Name: byte 255 is not UTF-8"},
            {"units[1].Name = '1234567890123456'", "s.lua:2: units 001 Name: '1234567890123456' is longer than 15 characters"},
            {"units[1].Name = 5", "s.lua:2: units 001 Name: a name is a string, not a number"},
            {"units[5] = {}", "s.lua:2: units: an entry cannot be replaced; set its fields (units[5].Cost = 10)"},
            {"move(units, 1, 2)", "s.lua:2: move: units 002 is not empty: swap the two, or choose an empty one"},
            {"move('tanks', 1, 2)", "s.lua:2: move: the table is units, weapons or formations (or \"units\", ...)"},
            {"refs(units, 250)", "s.lua:2: refs: units has entries 1 to 249, not 250"},
            {"total_units(0)", "s.lua:2: total_units: formations has entries 1 to 199, not 0"},
            {"units[1].Cost = 1\nerror('given up')", "s.lua:3: given up"},
            {"units[1].Cost = 1\nerror('no place', 0)", "s.lua:3: no place"},
            {"units[1].Cost = 1\nerror({})", "s.lua:3: error object is a table value"},
            {"units[1].Cost = 1\nlocal x = nil + 1", "s.lua:3: attempt to perform arithmetic on a nil value"},
            {"units[1].Cost = 1\nlocal f = load('return nil + 1')\nf()",
             "s.lua:4: [string \"return nil + 1\"]:1: attempt to perform arithmetic on a nil value"},
            {"units[1].Cost = 1\nx = = 2", "s.lua:3: unexpected symbol near '='"},
            {"units[1].Cost = 1\nassert(not pcall(error, 'caught'))\nunits[1].Cost = 256", "s.lua:4: units 001 Cost: 256 is above 255"},
            {"rule{code = 'Cost Cap'}", "s.lua:2: rule: code must be a name in kebab-case, such as \"cost-cap\""},
        };
        const QString data = putSample(tmp.path(), 12, "DATA");
        for (const auto& c : cases) {
            script("s.lua", "print('before')\n" + c.script);
            const auto before = files();
            const Run r = tool({"run", "s.lua", "DATA"});
            const QByteArray what = c.script + ": " + r.out + r.err;
            QVERIFY2(r.status == 2, what.constData());
            // A script that does not compile does not run at all.
            QCOMPARE(r.out, QByteArray(c.err.contains("unexpected symbol") ? "" : "before\n"));
            QCOMPARE(r.err, c.err + "\n");  // the print above is line 1
            QVERIFY2(files() == before, what.constData());
        }
    }

    // No script reaches the file system, other processes or the network, nor runs or grows
    // without end: each attempt fails or finds nothing, and the file stays as it was.
    void theSandboxHoldsScriptsIn()
    {
        const QString canary = tmp.filePath("canary");
        const struct {
            QByteArray script;
            int status;
            QByteArray out, err;
        } cases[] = {
            {"os.execute('touch canary')", 2, "", "s.lua:1: attempt to call a nil value (field 'execute')"},
            {"io.open('canary', 'w')", 2, "", "s.lua:1: attempt to index a nil value (global 'io')"},
            {"require('socket')", 2, "", "s.lua:1: attempt to call a nil value (global 'require')"},
            {"dofile('/etc/passwd')", 2, "", "s.lua:1: attempt to call a nil value (global 'dofile')"},
            {"loadfile('/etc/passwd')", 2, "", "s.lua:1: attempt to call a nil value (global 'loadfile')"},
            {"debug.sethook()", 2, "", "s.lua:1: attempt to index a nil value (global 'debug')"},
            {"string.dump(print)", 2, "", "s.lua:1: attempt to call a nil value (field 'dump')"},
            {"('').dump(print)", 2, "", "s.lua:1: attempt to call a nil value (field 'dump')"},
            {"print(load('\\27LuaT\\0'))", 0, "nil\tattempt to load a binary chunk (mode is 't')\n", ""},
            {"print(load('\\27LuaT\\0', 'x', 'b'))", 0, "nil\tattempt to load a binary chunk (mode is 't')\n", ""},
            {"local once = '\\27Lua'\nprint(load(function() local s = once once = nil return s end))", 0,
             "nil\tattempt to load a binary chunk (mode is 't')\n", ""},
            {"print(load('return io', 't', 't', {io = 1})(), load('return io')())", 0, "1\tnil\n", ""},
            {"print(package, coroutine, collectgarbage, os.getenv, os.remove, os.exit, os.tmpname)", 0,
             "nil\tnil\tnil\tnil\tnil\tnil\tnil\n", ""},
            {"print(type(os.time()), type(os.clock()), os.date('!%Y', 0))", 0, "number\tnumber\t1970\n", ""},
            {"print(getmetatable(''), getmetatable(units), getmetatable(units[1]), getmetatable(names.nation))", 0,
             "locked\tlocked\tlocked\tlocked\n", ""},
            {"getmetatable('').__index.rep = nil", 2, "", "s.lua:1: attempt to index a nil value (field '__index')"},
            {"setmetatable(units[1], {})", 2, "", "s.lua:1: bad argument #1 to 'setmetatable' (table expected, got units entry)"},
            {"rawset(units, 1, {})", 2, "", "s.lua:1: bad argument #1 to 'rawset' (table expected, got units)"},
            {"names.nation[12] = 'x'", 2, "", "s.lua:1: names: the code tables cannot be changed"},
            {"local s = string.rep('x', 1 << 30)", 2, "", "s.lua:1: stopped: it needed more than 256 MB of memory"},
            {"local t = {}\nfor i = 1, 1e9 do t[i] = string.rep('x', 1 << 20) .. i end", 2, "",
             "s.lua:2: stopped: it needed more than 256 MB of memory"},
            {"print(pcall(string.rep, 'x', 1 << 30))\nunits[1].Cost = 1", 2, "false\tnot enough memory\n",
             "s.lua:1: stopped: it needed more than 256 MB of memory"},
            {"local s = string.rep('x', 1 << 20) while true do print(s) end", 2, "",
             "s.lua:1: stopped: it needed more than 256 MB of memory"},
            {"units[1].Cost = 1\nwhile true do end", 2, "", "s.lua:2: stopped: it ran for more than 0.5 s of processor time"},
            {"while true do pcall(function() while true do end end) end", 2, "",
             "s.lua:1: stopped: it ran for more than 0.5 s of processor time"},
            {"local function f() return 1 + f() end\nf()", 2, "", "s.lua:1: stack overflow"},
            {"local t = setmetatable({}, {__index = function(t, k) return t[k + 1] end})\nprint(t[1])", 2, "",
             "s.lua:1: C stack overflow"},
            // One call of the library that runs on between the instructions the limit looks at:
            // the system's limit on processor time stops the process.
            {"print(string.find(string.rep('a', 40), string.rep('a-', 30) .. 'b'))", 2, "",
             "s.lua: stopped: it ran for more than 0.5 s of processor time"},
        };
        const QString data = putSample(tmp.path(), 12, "DATA");
        for (const auto& c : cases) {
            script("s.lua", c.script);
            const auto before = files();
            // The cases about memory are given time to reach its limit, also in a sanitizer's
            // slower build; the others stop at half a second.
            const QString limit = QByteArray(c.err).contains("MB of memory") ? "30" : "0.5";
            const Run r = tool({"run", "s.lua", "DATA", "--time-limit", limit});
            const QByteArray what = c.script + ": " + r.out + r.err;
            QVERIFY2(r.status == c.status, what.constData());
            QVERIFY2(r.out.left(c.out.size()) == c.out && (c.status == 2 || r.out == c.out), what.constData());
            QVERIFY2(r.err == (c.err.isEmpty() ? QByteArray() : c.err + "\n"), what.constData());
            QVERIFY2(files() == before && !QFile::exists(canary), what.constData());
        }
    }

    // The globals as the interface has them, on ORB12 and on a file with another name.
    void theInterfaceShowsTheTables()
    {
        const OrbData orb = sampleOrb(12);
        putSample(tmp.path(), 12);
        writeAll(tmp.filePath("mine.dat"), sampleBytes(12));
        const int weapon = orb.unit(1).Wpn1;
        QByteArray refs;
        for (const Reference& r : FindReferences(orb, TableId::Weapons, weapon))
            refs += QByteArray(TableName(r.table)) + " " + QByteArray::number(r.number) + " " + r.field.c_str() + "\n";
        const struct {
            QString file;
            QByteArray script, out;
        } cases[] = {
            {"ORB12", "print(#units, #weapons, #formations, units[250], units[0], units.x)", "249\t249\t199\tnil\tnil\tnil\n"},
            {"ORB12", "print(units[5].Cost, units[5].cost, units[5].Name, units[5], formations[2])",
             QByteArray::number(orb.unit(5).Cost) + "\t" + QByteArray::number(orb.unit(5).Cost) + "\t" +
                 latin1(orb.unit(5).Name) + "\tunits 005\tformations 002\n"},
            {"ORB12", "print(formations[3].Slot1, weapons[29].Name, units[5] == units[5], units[5] == units[6])",
             QByteArray::number(orb.formation(3).Slot1) + "\t" + latin1(orb.weapon(29).Name) + "\ttrue\tfalse\n"},
            {"ORB12", "local n = 0 for i, u in pairs(formations) do n = n + i end\n"
                      "local m = 0 for i, w in ipairs(weapons) do m = m + 1 end print(n, m)",
             "19900\t249\n"},
            {"ORB12", "print(file.name, file.path, file.number)", "ORB12\tORB12\t12\n"},
            {"mine.dat", "print(file.name, file.number)", "mine.dat\tnil\n"},
            {"ORB12", "print(names.nation[12], names.nation[70], names.nation[60], names.unitClass[13])",
             "USA\tNazi Germany\tUnknown\tMain Battle Tank\n"},
            {"ORB12", "print(names.weaponClass[13], names.movementClass[4], names.formationType[2], names.purchasePage[10])",
             "Anti Tank Missile\tTrack\tBattalion\tBattalion HQ.\n"},
            {"ORB12", "print(names.nation[256], names.nation[-1], names.nation[1.5], names.nation.x)", "nil\tnil\tnil\tnil\n"},
            {"ORB12", "print(#arg, arg[0], arg[1], arg[2])", "2\ts.lua\t-x\ttwo words\n"},
            {"ORB12", "for _, r in ipairs(refs('weapons', units[1].Wpn1)) do print(r.table, r.n, r.field) end", refs.replace(' ', '\t')},
            {"ORB12", "print(#refs(weapons, units[1].Wpn1) == #refs('Weapon', units[1].Wpn1))", "true\n"},
            // Each unit slot counts once; a sub-formation brings its own.
            {"ORB12", "for k = 1, 10 do formations[2]['Slot' .. k] = 0 formations[3]['Slot' .. k] = 0 end\n"
                      "formations[2].Slot1, formations[2].Slot2, formations[2].Slot3 = 5, 5, 1003\n"
                      "formations[3].Slot1, formations[3].Slot2 = 7, 8\n"
                      "print(total_units(2), total_units(3))\nerror('done', 0)",
             "4\t2\n"},
        };
        for (const auto& c : cases) {
            const Run r = tool({"run", script("s.lua", c.script), c.file, "--", "-x", "two words"});
            QVERIFY2(r.status == (c.script.contains("error(") ? 2 : 0), c.script + ": " + r.err);
            QCOMPARE(r.out, c.out);
        }
        QCOMPARE(readAll(tmp.filePath("ORB12")), sampleBytes(12));
        // move: as orbtool-cli move, the references following, each changed field a line.
        const QString a = putSample(tmp.path(), 12, "A"), b = putSample(tmp.path(), 12, "B");
        const Run moved = tool({"run", script("s.lua", "print(move(units, 1, 2, true))"), "A"});
        QCOMPARE(tool({"move", "B", "units", "1", "2", "--swap"}).status, 0);
        QCOMPARE(moved.status, 0);
        QVERIFY(readAll(a) == readAll(b) && readAll(a) != sampleBytes(12));
        QVERIFY(moved.out.startsWith(QByteArray::number(FindReferences(orb, TableId::Units, 1).size() +
                                                        FindReferences(orb, TableId::Units, 2).size()) + "\nunits 001 Name: "));
    }

    // A folder: each data file run on in turn, each all or nothing; --dry-run and -o.
    void foldersDryRunsAndOutputFiles()
    {
        QDir().mkdir(tmp.filePath("mod"));
        for (int n : {5, 12, 70})
            putSample(tmp.filePath("mod"), n);
        writeAll(tmp.filePath("mod/notes.txt"), "not a data file");
        const QByteArray cost = "units[1].Cost = file.number == 12 and 300 or 7\nprint(file.name)";
        const auto before = files();
        const Run r = tool({"run", script("s.lua", cost), "mod"});
        QCOMPARE(r.status, 2);
        QByteArray out;
        for (int n : {5, 70})
            out += "ORB" + QByteArray::number(n).rightJustified(2, '0') + "\nmod/ORB" +
                   QByteArray::number(n).rightJustified(2, '0') + ": units 001 Cost: " +
                   QByteArray::number(sampleOrb(n).unit(1).Cost) + " -> 7\n";
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, QByteArray("mod/ORB12: s.lua:1: units 001 Cost: 300 is above 255\n"));
        QCOMPARE(readAll(tmp.filePath("mod/ORB12")), sampleBytes(12));
        for (int n : {5, 70}) {
            OrbData want = sampleOrb(n);
            want.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 7; });
            QCOMPARE(readAll(tmp.filePath(QString("mod/ORB%1").arg(n, 2, 10, QChar('0')))), packedOver(sampleBytes(n), want));
        }
        QVERIFY(files() != before);

        // --dry-run prints the same and writes nothing; -o writes OUT and leaves FILE; a run
        // that changes nothing leaves the file as it was.
        const QString data = putSample(tmp.path(), 12, "DATA");
        script("s.lua", "units[2].Cost = 9");
        const QByteArray line = "units 002 Cost: " + QByteArray::number(sampleOrb(12).unit(2).Cost) + " -> 9\n";
        const auto unchanged = files();
        const Run dry = tool({"run", "s.lua", "DATA", "--dry-run"});
        QVERIFY(dry.status == 0 && dry.out == line && files() == unchanged);
        QCOMPARE(tool({"run", script("n.lua", "units[2].Cost = units[2].Cost"), "DATA"}).out, QByteArray());
        QCOMPARE(tool({"run", "s.lua", "DATA", "-o", "OUT"}).out, line);
        QCOMPARE(readAll(data), sampleBytes(12));
        OrbData want = sampleOrb(12);
        want.edit<UnitRecord>(2, [](UnitRecord& u) { u.Cost = 9; });
        QCOMPARE(readAll(tmp.filePath("OUT")), packedOver(sampleBytes(12), want));

        const struct {
            QStringList args;
            QByteArray err;
        } refused[] = {
            {{"run", "s.lua", "mod", "-o", "OUT"}, "orbtool-cli: -o names the file to write for one data file, not for a folder\n"},
            {{"run", "none.lua", "DATA"}, "orbtool-cli: cannot read 'none.lua': it does not exist\n"},
            {{"run", "s.lua", "NONE"}, "orbtool-cli: 'NONE' does not exist\n"},
            {{"run", "s.lua", "DATA", "--time-limit", "0"}, "orbtool-cli: --time-limit takes a number of seconds above 0\n"},
        };
        for (const auto& c : refused) {
            const auto now = files();
            const Run r = tool(c.args);
            QVERIFY2(r.status == 2 && r.err == c.err, r.err.constData());
            QVERIFY(files() == now);
        }
    }

    // check --rules-from: the rules of every .lua of a folder beside the built-in ones, with
    // their own codes and severities, selected and ignored alike; a file that fails is one line.
    void rulesFromAFolder()
    {
        const OrbData orb = sampleOrb(12);
        putSample(tmp.path(), 12);
        QDir().mkdir(tmp.filePath("rules"));
        writeAll(tmp.filePath("rules/a-cost.lua"),
                 "local cap = 240\nprint('cost rules')\n"
                 "rule{code = 'cost-cap', severity = 'warning', table = 'units', check = function(u, n)\n"
                 "  if u.Cost > cap then return 'cost', 'costs ' .. u.Cost end end}\n"
                 "rule{code = 'first-weapon', severity = 'hint', table = 'weapons', check = function(w, n)\n"
                 "  if n == 1 then return w.Name end end}\n");
        writeAll(tmp.filePath("rules/b-broken.lua"), "rule{code = 'x' severity = 'error'}\n");
        writeAll(tmp.filePath("rules/c-fails.lua"),
                 "rule{code = 'fails-at-3', severity = 'error', table = 'formations', check = function(f, n)\n"
                 "  if n == 3 then return f.Nope end end}\n"
                 "rule{code = 'writes', severity = 'error', table = 'units', check = function(u, n) u.Cost = 1 end}\n"
                 "rule{code = 'odd-field', severity = 'error', table = 'units', check = function(u, n)\n"
                 "  if n == 2 then return 'Colour', 'x' end end}\n"
                 "rule{code = 'returns-number', severity = 'error', table = 'weapons', check = function() return 5 end}\n");
        writeAll(tmp.filePath("rules/d-taken.lua"), "rule{code = 'cost-cap', severity = 'error', table = 'units', check = print}\n");
        writeAll(tmp.filePath("rules/e-builtin.lua"), "rule{code = 'weapon-empty', severity = 'error', table = 'units', check = print}\n");
        writeAll(tmp.filePath("rules/f-tables.lua"), "local c = units[1].Cost\n");
        writeAll(tmp.filePath("rules/g-keys.lua"), "rule{code = 'k', severity = 'bad', table = 'units', check = print}\n");
        writeAll(tmp.filePath("rules/notes.txt"), "rule{");  // not a .lua: not loaded
        QByteArray costly;
        for (int n = 1; n <= UnitCount; ++n)
            if (orb.unit(n).Cost > 240)
                costly += "ORB12:units:" + QByteArray::number(n) + ":Cost: warning cost-cap: costs " +
                          QByteArray::number(orb.unit(n).Cost) + "\n";
        QVERIFY(!costly.isEmpty());
        const QByteArray failures =
            "rules/b-broken.lua:rules:1:: error rule-file: '}' expected near 'severity'\n"
            "rules/d-taken.lua:rules:1:: error rule-file: rule 'cost-cap': rules/a-cost.lua declares it too\n"
            "rules/e-builtin.lua:rules:1:: error rule-file: rule 'weapon-empty': a built-in rule has that code\n"
            "rules/f-tables.lua:rules:1:: error rule-file: units: the tables are there in a rule's check, not while its file loads\n"
            "rules/g-keys.lua:rules:1:: error rule-file: rule 'k': severity must be \"error\", \"warning\" or \"hint\"\n";
        const QByteArray first = "ORB12:weapons:1:: hint first-weapon: " + latin1(orb.weapon(1).Name) + "\n";
        const QByteArray failed =
            "ORB12:units:1:: error rule-file: rule 'writes' failed: rules/c-fails.lua:3: units 001 Cost: a rule's check cannot change the tables\n"
            "ORB12:units:2:: error rule-file: rule 'odd-field' failed: rules/c-fails.lua: rule 'odd-field' named the field 'Colour', which units do not have\n";
        const QByteArray failedAt3 =
            "ORB12:formations:3:: error rule-file: rule 'fails-at-3' failed: rules/c-fails.lua:2: formations 003: no field is called 'Nope'\n";
        const struct {
            QStringList args;
            int status;
            QByteArray out;
        } cases[] = {
            {{"--rules", "cost-cap"}, 1, failures + costly},
            {{"--rules", "cost-cap,first-weapon", "--ignore", "rule-file"}, 0, costly + first},
            {{"--ignore", "rule-file,cost-cap,first-weapon"}, 0, ""},
            {{"--rules", "fails-at-3,writes,odd-field", "--ignore", "rule-file"}, 0, ""},
            {{"--rules", "fails-at-3,writes,odd-field,weapon-empty"}, 1, failures + failed + failedAt3},
            {{"--ignore", "cost-cap,first-weapon,fails-at-3,writes,odd-field"}, 1,
             failures + "ORB12:weapons:1:: error rule-file: rule 'returns-number' failed: rules/c-fails.lua: rule "
                        "'returns-number' returned number: a check returns nothing, a message, or a field and a message\n"},
        };
        for (const auto& c : cases) {
            const Run r = tool(QStringList{"check", "ORB12", "--rules-from", "rules"} + c.args);
            QVERIFY2(r.status == c.status, r.out + r.err);
            QCOMPARE(r.out, c.out);
            QCOMPARE(r.err, QByteArray("cost rules\n"));
        }
        const Run list = tool({"check", "--list-rules", "--rules-from", "rules"});
        QVERIFY(list.out.endsWith("cost-cap  warning  declared in rules/a-cost.lua\n"
                                  "first-weapon  hint  declared in rules/a-cost.lua\n"
                                  "fails-at-3  error  declared in rules/c-fails.lua\n"
                                  "writes  error  declared in rules/c-fails.lua\n"
                                  "odd-field  error  declared in rules/c-fails.lua\n"
                                  "returns-number  error  declared in rules/c-fails.lua\n"));
        QCOMPARE(tool({"check", "ORB12", "--ignore", "cost-cap"}).err,
                 QByteArray("orbtool-cli: no rule is called 'cost-cap' (orbtool-cli check --list-rules names them)\n"));
        QCOMPARE(tool({"check", "ORB12", "--rules-from", "nowhere"}).err,
                 QByteArray("orbtool-cli: --rules-from: 'nowhere' is not a folder\n"));
    }

    // The module as the window uses it: the error's line apart, the rules a run declared, the
    // findings printed as the built-in ones are, and limits of its own.
    void theModuleDirectly()
    {
        const OrbData orb = sampleOrb(12);
        const std::string longName = std::string(70, 'd') + "/cost.lua";  // longer than Lua keeps of a name
        const struct {
            std::string name, text;
            ScriptLimits limits;
            bool ok;
            std::string error;
            int line;
        } cases[] = {
            {"s", "units[1].Cost = 1\n\nunits[2].Cost = 256", {}, false, "s:3: units 002 Cost: 256 is above 255", 3},
            {longName, "\nlocal x = nil + 1", {}, false, longName + ":2: attempt to perform arithmetic on a nil value", 2},
            {longName, "units[1].Cost = 300", {}, false, longName + ":1: units 001 Cost: 300 is above 255", 1},
            {"s", "error('x', 0)", {}, false, "s:1: x", 1},
            {"s", "local t = {} for i = 1, 1e6 do t[i] = i end", {10, 1 << 20}, false, "s:1: stopped: it needed more than 1 MB of memory", 1},
            {"s", "\nwhile true do end", {0.2, 1 << 28}, false, "s:2: stopped: it ran for more than 0.2 s of processor time", 2},
            {"s", "units[1].Cost = (units[1].Cost + 1) % 256", {}, true, "", 0},
        };
        for (const auto& c : cases) {
            const ScriptRun r = RunScript(c.name, c.text, orb, {}, {}, c.limits);
            QCOMPARE(r.ok, c.ok);
            QCOMPARE(QString::fromStdString(r.error), QString::fromStdString(c.error));
            QCOMPARE(r.line, c.line);
            QVERIFY(sameImage(r.tables, orb) != c.ok);
        }
        const ScriptRun declared = RunScript("s", "\nrule{code = 'a-b', severity = 'hint', table = 'weapons', check = print}", orb);
        QVERIFY(declared.rules.size() == 1 && declared.rules[0].code == "a-b" && declared.rules[0].severity == Severity::Hint &&
                declared.rules[0].table == TableId::Weapons && declared.rules[0].line == 2);

        // Findings of script rules print as the built-in ones do, and check each OrbData given.
        QTemporaryDir rules;
        writeAll(rules.filePath("r.lua"), "rule{code = 'named', severity = 'error', table = 'units', check = function(u, n)\n"
                                          "  if u.Name == 'Tiger' then return 'Name', 'a Tiger in ' .. file.name end end}\n");
        ScriptRuleSet set = ScriptRuleSet::Load(pathOf(rules.path()));
        QVERIFY(set.error().empty() && set.failures().empty() && set.rules().size() == 1);
        OrbData tigers = orb;
        for (int n : {17, 200})
            tigers.edit<UnitRecord>(n, [](UnitRecord& u) { u.Name = "Tiger"; });
        QVERIFY(set.check(orb).empty());
        QStringList found;
        for (const Finding& f : set.check(tigers, ScriptFileOf("x/ORB12")))
            found << QString::fromStdString(FindingText(f));
        QCOMPARE(found, QStringList({"units 017 Name: error named: a Tiger in ORB12", "units 200 Name: error named: a Tiger in ORB12"}));
        QVERIFY(set.check(tigers, {}, RuleSelection{{}, {"named"}}).empty());
        QCOMPARE(ScriptRuleSet::Load(pathOf(rules.filePath("none"))).error().rfind("cannot read the folder '", 0), 0u);

        // Each rule has the time limit on each file; one that runs out fails alone, and the next
        // check starts afresh.
        writeAll(rules.filePath("s.lua"), "rule{code = 'slow', severity = 'hint', table = 'weapons', check = function(w, n)\n"
                                          "  while n == 2 do end end}\n");
        ScriptRuleSet slow = ScriptRuleSet::Load(pathOf(rules.path()), {0.2, 1 << 28});
        for (int round = 0; round < 2; ++round) {
            found.clear();
            for (const Finding& f : slow.check(tigers))
                found << QString::fromStdString(FindingText(f));
            QCOMPARE(found, QStringList({"units 017 Name: error named: a Tiger in ",
                                         "units 200 Name: error named: a Tiger in ",
                                         "weapons 002: error rule-file: rule 'slow' failed: " +
                                             QString::fromStdString(pathOf(rules.filePath("s.lua")).u8string()) +
                                             ":2: stopped: it ran for more than 0.2 s of processor time"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestScript)
#include "test_script.moc"
