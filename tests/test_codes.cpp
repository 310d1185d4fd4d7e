// The core's rules: code names, the lenient number reading, the file list lines, CSV, import and
// the reference checks.
#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/References.h"
#include "core/Rules.h"
#include "core/Csv.h"
#include "core/Import.h"
#include "core/OrbDiff.h"
#include "core/Filter.h"
#include "core/Patch.h"
#include "core/Tables.h"
#include "core/Renumber.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QTest>

#include <functional>
#include <map>
#include <random>
#include <set>

class TestCodes : public QObject {
    Q_OBJECT

private slots:
    // Codes past the ends of the game's lists, and the holes in them, have the fallback names.
    void namesOfCodesOutsideTheLists()
    {
        const std::pair<std::string, std::string> cases[] = {
            {GetWeaponClassName(19), "Unknown Class"}, {GetMovementClassName(255), "UNKNOWN"},
            {GetMovementClassName(5), "UNKNOWN"},      {GetNationName(44), "Unknown"},
            {GetNationName(69), "Unknown"},            {GetNationName(92), "Unknown"},
            {GetNationName(65535), "Unknown"},         {GetNationName(80), GetNationName(2)},
            {GetUnitClassName(69), "Unknown Class"},   {GetUnitClassName(255), "Unknown Class"},
            {GetPurchasePageName(5), "Unknown"},       {GetPurchasePageName(11), "Unknown"},
            {GetFormationTypeName(0), "Unknown"},      {GetFormationTypeName(6), "Unknown"},
        };
        for (const auto& [name, expected] : cases)
            QCOMPARE(name, expected);
    }

    // Typed text to a stored value: digits only, capped at the bound and the width, however long.
    void commitConversions()
    {
        struct Typed {
            uint32_t bound;
            FieldWidth width;
            const char* typed;
            uint32_t stored;
            bool same;  // whether Commit stays silent about it
        };
        const Typed cases[] = {
            {255, FieldWidth::U8, "", 0, true},          {255, FieldWidth::U8, "abc", 0, false},
            {255, FieldWidth::U8, "-12", 12, false},      {255, FieldWidth::U8, " 1 2 3 ", 123, false},
            {255, FieldWidth::U8, "007", 7, true},        {255, FieldWidth::U8, "000", 0, true},
            {255, FieldWidth::U8, "1a5", 15, false},      {255, FieldWidth::U8, "300", 255, false},
            {255, FieldWidth::U8, "\xb2\xb3", 0, false},  // superscript digits are not digits
            {99999, FieldWidth::U16, "65535", 65535, true}, {99999, FieldWidth::U16, "70000", 65535, false},
            {1200, FieldWidth::U16, "5000", 1200, false}, {249, FieldWidth::U8, "250", 249, false},
            {249, FieldWidth::U8, "99999999999999999999", 249, false},
            {249, FieldWidth::U8, "00000000000000000017", 17, true},
        };
        for (const Typed& t : cases) {
            const uint32_t v = NumberFromText(t.bound, t.width, t.typed);
            QVERIFY2(v == t.stored, t.typed);
            QVERIFY2(StoredAsTyped(t.width, t.typed, std::to_string(v)) == t.same, t.typed);
        }
        QVERIFY(!StoredAsTyped(FieldWidth::Text, "007", "7") && StoredAsTyped(FieldWidth::Text, "Tiger", "Tiger"));
        QCOMPARE(NameFromText("ABCDEFGHIJKLMNOPQ"), std::string("ABCDEFGHIJKLMNO"));
        QCOMPARE(NameFromText(" J\xe4ger "), std::string(" J\xe4ger "));
        QCOMPARE(NameFromText(std::string("A\0B", 3)), std::string("AB"));

        UnitRecord u;
        u.HiddenByte = 77;
        StoreFieldText(u, *FindField(UnitFields(), "icon"), "70000");
        QCOMPARE(FieldText(u, *FindField(UnitFields(), "Icon")), std::string("65535"));
        QCOMPARE(u.HiddenByte, uint8_t(77));
        QVERIFY(!FindField(UnitFields(), "HiddenByte")->editable());
        QVERIFY(FindField(WeaponFields(), "Spare") == nullptr);
        QVERIFY(IsWorkingField("spare") && IsWorkingField("SlotBytes") && !IsWorkingField("Slot1"));
    }

    // Missing files are listed too, marked " ? ": 66 lines, numbers 44 to 69 and past 91 left out;
    // the first present file is the line chosen. (Lines as shown: test_window, test_cli.)
    void fileListLines()
    {
        std::array<bool, 100> some{};
        QVERIFY(OrbListLines(some).empty());
        QCOMPARE(FirstExistingListLine(some), -1);
        some[71] = some[76] = true;
        const auto lines = OrbListLines(some);
        QCOMPARE(int(lines.size()), 66);
        QCOMPARE(lines[0], std::string(" ? Orb00 - MOD - West Germany"));
        QCOMPARE(lines[44], std::string(" ? Orb70 - WW2 - Nazi Germany"));
        QCOMPARE(lines[65], std::string(" ? Orb91 - WW2 - France 2"));
        QCOMPARE(FirstExistingListLine(some), 45);
        QVERIFY(FileNumberOfListLine(50) == 76 && ListLineOfFileNumber(76) == 50 && ListLineOfFileNumber(50) == -1);
    }

    // Beside the program first; then the user's configuration folder ($XDG_CONFIG_HOME, or
    // ~/.config; on Windows %APPDATA%), each only when the file is there.
    void settingsFileLookupOrder()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path();
        for (const char* dir : {"bin", "xdg/orbtool", "home/.config/orbtool", "appdata/Orbtool"})
            QDir(root).mkpath(dir);
        const std::string program = (root + "/bin/").toStdString();
        const std::string xdg = (root + "/xdg").toStdString(), home = (root + "/home").toStdString();
        const std::string appData = (root + "/appdata").toStdString();
        struct Step {
            const char* created;  // the settings file made before the lookup, if any
            const char *xdgHome, *home, *appData;
            const char* found;
        };
        const Step steps[] = {
            {nullptr, xdg.c_str(), home.c_str(), appData.c_str(), "bin/Orbtool.ini"},  // none: beside
            {"home/.config/orbtool/Orbtool.ini", nullptr, home.c_str(), nullptr, "home/.config/orbtool/Orbtool.ini"},
            {nullptr, "relative/dir", home.c_str(), nullptr, "home/.config/orbtool/Orbtool.ini"},
            {nullptr, xdg.c_str(), home.c_str(), nullptr, "bin/Orbtool.ini"},  // the named folder has none
            {nullptr, nullptr, nullptr, appData.c_str(), "bin/Orbtool.ini"},
            {"appdata/Orbtool/Orbtool.ini", nullptr, nullptr, appData.c_str(), "appdata/Orbtool/Orbtool.ini"},
            {"xdg/orbtool/Orbtool.ini", xdg.c_str(), home.c_str(), appData.c_str(), "xdg/orbtool/Orbtool.ini"},
            {"bin/Orbtool.ini", xdg.c_str(), home.c_str(), appData.c_str(), "bin/Orbtool.ini"},
        };
        for (const Step& step : steps) {
            if (step.created)
                writeAll(root + "/" + step.created, "[Orbtool]\n");
            const QString found = QString::fromStdString(FindSettingsFile(program, step.xdgHome, step.home, step.appData));
            QCOMPARE(QDir::fromNativeSeparators(found), root + "/" + step.found);
        }
    }

    void programDirectoryRule()
    {
        QCOMPARE(ProgramDirectoryOf("C:\\Games\\Orb\\Orbtool.exe", true), std::string("C:\\GAMES\\ORB\\"));
        QCOMPARE(ProgramDirectoryOf("D:\\orbtool.exe", true), std::string("D:\\"));
        QCOMPARE(ProgramDirectoryOf("C:\\Tools\\editor.exe", true), std::string("C:\\TOOLS\\EDITOR.EXE"));
        QCOMPARE(ProgramDirectoryOf("/usr/bin/orbtool", false), std::string("/usr/bin/"));
        // A relative DefaultDir is the folder beside the settings file, as one clean path.
        const QString settings = QDir::rootPath() + "games/orb/Orbtool.ini";
        QCOMPARE(QString::fromStdString(ResolveDefaultDir("data/../reldata/.", settings.toStdString())),
                 QDir::toNativeSeparators(QDir::rootPath() + "games/orb/reldata"));
    }

    void csvAsSpreadsheetsWriteIt()
    {
        // A byte order mark, CRLF and LF, quoted commas, doubled quotes and a line break in a cell.
        CsvTable t = ReadCsv("\xef\xbb\xbfnumber,Name\r\n1,\"a, \"\"b\"\"\"\n2,\"two\nlines\"\r\n3,\n");
        QCOMPARE(t.error, std::string());
        QCOMPARE(int(t.rows.size()), 4);  // the final line break ends the last row
        QCOMPARE(t.rows[0].cells[0], std::string("number"));
        QCOMPARE(t.rows[1].cells[1], std::string("a, \"b\""));
        QCOMPARE(t.rows[2].cells[1], std::string("two\nlines"));
        QCOMPARE(t.rows[3].line, 5);  // the row after a cell of two lines
        QCOMPARE(t.rows[3].cells[1], std::string());
        QVERIFY(!ReadCsv("a,\"open\n").error.empty());
        for (const char* cell : {"plain", "a,b", "say \"hi\"", "two\nlines", " spaced "})
            QCOMPARE(ReadCsv(CsvCell(cell) + "\n").rows.at(0).cells.at(0), std::string(cell));
    }

    // Every mistake is named with its line and column, and nothing is imported.
    void importRefusesWithLineAndColumn()
    {
        struct Bad {
            const char* csv;
            const char* error;  // the first error's text, after "line L, column C: "
            int line, column;
        };
        const Bad bad[] = {
            {"number,Cost\n1,256\n", "Cost: 256 is above 255", 2, 2},
            {"number,Nation\n1,250\n", "Nation: 250 is above 249", 2, 2},
            {"number,Cost\n1,1e3\n", "Cost: '1e3' is not a plain decimal number", 2, 2},
            {"number,Cost\n1,-5\n", "Cost: '-5' is not a plain decimal number", 2, 2},
            {"number,Cost\n1,\n", "Cost: '' is not a plain decimal number", 2, 2},
            {"number,Cost\n0,1\n", "'0' is no entry number (1 to 249)", 2, 1},
            {"number,Cost\n250,1\n", "'250' is no entry number (1 to 249)", 2, 1},
            {"number,Cost\n3,1\n3,2\n", "entry 3 comes twice", 3, 1},
            {"number,Cost\n3,1,7\n", "3 cells where the header has 2", 2, 0},
            {"number,Colour\n3,1\n", "no field of units is called 'Colour'", 1, 2},
            {"number,Class name,Nation names\n3,x,y\n", "no field of units is called 'Nation names'", 1, 3},
            {"Cost\n3\n", "no 'number' column names the entries", 1, 0},
            {"number,HiddenByte\n3,999\n", "HiddenByte is edited by no page: it may only repeat the stored", 2, 2},
            {"number,Name\n3,ABCDEFGHIJKLMNOP\n", "a name holds at most 15 characters", 2, 2},
            {"number,Name\n3,Tiger \xe2\x82\xac\n", "'\xe2\x82\xac' cannot be stored in a name (Latin-1 only)", 2, 2},
            {"number,Name\n3,\"a\tb\"\n", "a name cannot hold control characters (line ends, tabs)", 2, 2},
            {"number,Name\n3,a\"b\n", "a quote inside an unquoted cell", 2, 2},
            {"number,Cost,Name\n3,1,\"x\"y\n", "text after a quoted cell", 2, 3},
            {"number,Name\n3,\"open\n4,x\n", "a quoted cell is never closed", 2, 2},
        };
        const OrbData sample = sampleOrb(12);
        for (const Bad& b : bad) {
            OrbData orb = sample;
            ImportResult r = ImportCsv(orb, TableId::Units, b.csv);
            QVERIFY2(!r.errors.empty(), b.csv);
            QVERIFY2(r.errors[0].message.rfind(b.error, 0) == 0, r.errors[0].message.c_str());
            QCOMPARE(QString::fromStdString(r.errors[0].where),
                     QString("line %1").arg(b.line) + (b.column ? QString(", column %1").arg(b.column) : QString()));
            QVERIFY(sameImage(orb, sample));
        }
        std::string many = "number,Cost\n";
        for (int n = 1; n <= 60; ++n)
            many += std::to_string(n) + ",999\n";
        OrbData orb = sample;
        ImportResult r = ImportCsv(orb, TableId::Units, many);
        QCOMPARE(int(r.errors.size()), 50);
        QVERIFY(r.moreErrors);
    }

    // A CSV as spreadsheets write it, with its separator found from the header: each gives
    // exactly the changes listed, whatever blank lines, empty rows and name columns it holds.
    void importTakesWhatSpreadsheetsWrite()
    {
        const OrbData sample = sampleOrb(12);
        const struct {
            const char* csv;
            char separator;
            QStringList changed;  // "003 Cost=77"
        } cases[] = {
            {"number,Cost\r\n3,77\r\n", ',', {"003 Cost=77"}},
            {"number;Cost;Name\n3;77;K\xc3\xb6ln\n\n", ';', {"003 Name=K\xc3\xb6ln", "003 Cost=77"}},
            {"number\tCost\n\n3\t77\n\t\n", '\t', {"003 Cost=77"}},
            {"\n\nnumber,Cost,Nation name,Class name\n3,77,Nowhere,\n", ',', {"003 Cost=77"}},
            {"number;Name\n3;\"a;b\"\n249;\"x\"\"y\"\n", ';', {"003 Name=a;b", "249 Name=x\"y"}},
            {"\"a,b\";number;Cost\n", ';', {}},  // a comma inside quotes does not count
            {"number,Cost;x\n", ',', {}},
        };
        for (const auto& c : cases) {
            QCOMPARE(CsvSeparator(c.csv), c.separator);
            if (c.changed.isEmpty())
                continue;
            OrbData orb = sample;
            const ImportResult r = ImportCsv(orb, TableId::Units, c.csv, c.separator);
            QVERIFY2(r.errors.empty(), r.errors.empty() ? "" : r.errors[0].message.c_str());
            QStringList got;
            for (const FieldDifference& d : DiffFields(sample, orb))
                got << QString("%1 %2=%3").arg(d.number, 3, 10, QChar('0')).arg(QString(d.field), QString::fromStdString(d.after));
            QCOMPARE(got, c.changed);
            QCOMPARE(r.fields, int(c.changed.size()));
        }
    }

    // Where a source says what a cell is (a workbook, JSON), a name must be text and no value a
    // formula: a spreadsheet that turned a name into a number is refused, not stored.
    void importChecksWhatEachCellIs()
    {
        const OrbData sample = sampleOrb(12);
        auto where = [](const ImportRow& row, int column) { return std::to_string(row.line) + ":" + std::to_string(column); };
        using K = CellKind;
        const struct {
            const char* cell;
            const char* field;
            CellKind kind;
            const char* error;  // empty: stored
        } cases[] = {
            {"0012", "Name", K::Text, ""},
            {"12", "Name", K::Number, "Name: the number 12 where a name belongs; a spreadsheet turns names such as 0012 into numbers: format the cell as text"},
            {"2", "Name", K::Formula, "Name: a formula, not a value (import takes values)"},
            {"2", "Cost", K::Formula, "Cost: a formula, not a value (import takes values)"},
            {"77", "Cost", K::Text, ""},
            {"77", "Cost", K::Number, ""},
            {"", "Cost", K::Missing, "Cost: no value"},
            {"true", "Cost", K::Other, "Cost: 'true' is neither a number nor text"},
            {"45658", "Cost", K::Number, "Cost: 45658 is above 255"},  // a date, as a workbook stores one
        };
        for (const auto& c : cases) {
            OrbData orb = sample;
            ImportSheet sheet{TableId::Units,
                              {{1, {"number", c.field}, {K::Text, K::Text}}, {2, {"3", c.cell}, {K::Number, c.kind}}},
                              where};
            const ImportResult r = ImportSheets(orb, {sheet});
            if (*c.error) {
                QCOMPARE(int(r.errors.size()), 1);
                QCOMPARE(QString::fromStdString(r.errors[0].where + " " + r.errors[0].message), QString("2:2 ") + c.error);
                QVERIFY(sameImage(orb, sample));
            } else {
                QVERIFY2(r.errors.empty(), c.cell);
                QCOMPARE(QString::fromStdString(FieldText(orb.unit(3), *FindField(UnitFields(), c.field))), QString(c.cell));
            }
        }
        // Sheets of two tables are one import: an error in either changes neither.
        OrbData orb = sample;
        const ImportSheet units{TableId::Units, {{1, {"number", "Cost"}, {}}, {2, {"3", "77"}, {}}}, where};
        const ImportSheet weapons{TableId::Weapons, {{1, {"number", "Cost"}, {}}, {2, {"3", "x"}, {}}}, where};
        QCOMPARE(int(ImportSheets(orb, {units, weapons}).errors.size()), 1);
        QVERIFY(sameImage(orb, sample));
        const ImportResult both = ImportSheets(orb, {units, ImportSheet{TableId::Weapons, {{1, {"number", "Name"}, {}}, {2, {"249", "Gun"}, {}}}, where}});
        QVERIFY(both.errors.empty() && both.entries == 2 && both.fields == 2);
        QVERIFY(orb.unit(3).Cost == 77 && orb.weapon(249).Name == "Gun");
    }

    // Each rule, alone, on a sample file that keeps them all: a planted fault is found exactly
    // (entry, field, message), and its near miss is not. Fields and ends of ranges as the game has them.
    void rulesFindWhatBreaksThemAndNothingElse()
    {
        using Edit = std::function<void(OrbData&)>;
        auto unit = [](int n, std::function<void(UnitRecord&)> f) { return Edit([=](OrbData& o) { o.edit<UnitRecord>(n, f); }); };
        auto weapon = [](int n, std::function<void(WeaponRecord&)> f) { return Edit([=](OrbData& o) { o.edit<WeaponRecord>(n, f); }); };
        auto formation = [](int n, std::function<void(FormationRecord&)> f) {
            return Edit([=](OrbData& o) { o.edit<FormationRecord>(n, f); });
        };
        auto both = [](Edit a, Edit b) { return Edit([=](OrbData& o) { a(o), b(o); }); };
        auto members = [](std::vector<uint16_t> values) {
            return [values](FormationRecord& f) {
                f = FormationRecord{};
                f.Name = "Made";
                for (std::size_t k = 0; k < values.size(); ++k)
                    formationSlot(f, int(k) + 1) = values[k];
            };
        };
        const Edit emptyWeapon200 = weapon(200, [](WeaponRecord& w) { w = WeaponRecord{}; });
        const Edit emptyUnit240 = unit(240, [](UnitRecord& u) { u = UnitRecord{}; });
        const Edit sixUnits197 = formation(197, members({1, 2, 3, 4, 5, 6}));  // the last ones: no formation holds them
        const struct {
            const char* rule;
            Edit edit;
            QStringList found;  // with only this rule run
        } cases[] = {
            {"weapon-missing", unit(2, [](UnitRecord& u) { u.Wpn3 = 250; }), {"units 002 Wpn3: error weapon-missing: weapon 250 does not exist"}},
            {"weapon-missing", unit(2, [](UnitRecord& u) { u.Wpn3 = 249; }), {}},
            {"weapon-missing", unit(249, [](UnitRecord& u) { u.Wpn4 = 255; }), {"units 249 Wpn4: error weapon-missing: weapon 255 does not exist"}},
            {"weapon-empty", both(emptyWeapon200, unit(4, [](UnitRecord& u) { u.Wpn1 = 200; })),
             {"units 004 Wpn1: error weapon-empty: weapon 200 has no name and no values"}},
            {"weapon-empty", both(emptyWeapon200, unit(4, [](UnitRecord& u) { u.Wpn1 = 0; })), {}},
            {"weapon-unnamed", both(weapon(48, [](WeaponRecord& w) { w.Name = ""; }), unit(4, [](UnitRecord& u) { u.Wpn4 = 48; })),
             {"units 004 Wpn4: warning weapon-unnamed: weapon 48 has no name"}},  // 48: carried by no other unit
            {"weapon-unnamed", unit(4, [](UnitRecord& u) { u.Wpn4 = 48; }), {}},
            {"slot-missing", formation(5, members({1, 1000, 250, 1200, 999})),
             {"formations 005 Slot2: error slot-missing: formation 0 does not exist",
              "formations 005 Slot3: error slot-missing: unit 250 does not exist",
              "formations 005 Slot4: error slot-missing: formation 200 does not exist",
              "formations 005 Slot5: error slot-missing: unit 999 does not exist"}},
            {"slot-missing", formation(5, members({249, 1001, 1199})), {}},
            {"slot-missing", formation(199, members({1, 2, 3, 4, 5, 6, 7, 8, 9, 300})),
             {"formations 199 Slot10: error slot-missing: unit 300 does not exist"}},
            {"slot-self", formation(6, members({1, 1006})), {"formations 006 Slot2: error slot-self: names the formation itself"}},
            {"slot-self", formation(6, members({1, 1007})), {}},
            {"slot-empty", both(emptyUnit240, formation(5, members({240}))),
             {"formations 005 Slot1: error slot-empty: unit 240 has no name and no values"}},
            {"slot-empty", both(emptyUnit240, formation(5, members({1, 1001}))), {}},  // unit 1 and formation 1 hold values
            {"slot-unnamed", both(unit(140, [](UnitRecord& u) { u.Name = ""; }), formation(5, members({1, 140}))),
             {"formations 005 Slot2: warning slot-unnamed: unit 140 has no name"}},
            {"slot-unnamed", formation(5, members({1, 140})), {}},
            {"formation-cycle", both(formation(7, members({1, 1008})), formation(8, members({1, 1007}))),
             {"formations 007: error formation-cycle: its sub-formations lead back to it",
              "formations 008: error formation-cycle: its sub-formations lead back to it"}},
            {"formation-cycle", both(formation(7, members({1, 1008})), formation(8, members({1, 1009}))), {}},
            {"formation-size", both(sixUnits197, formation(198, members({1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197}))), {}},
            {"formation-size", both(both(sixUnits197, formation(198, members({1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197, 1197}))),
                                    formation(199, members({1198, 7}))),
             {"formations 199: error formation-size: brings 61 units, more than 60"}},
            {"code-unknown", both(unit(3, [](UnitRecord& u) { u.Nation = 44, u.MC = 1; }), weapon(3, [](WeaponRecord& w) { w.Class = 19; })),
             {"units 003 Nation: warning code-unknown: code 44 names no nation",
              "units 003 MC: warning code-unknown: code 1 names no movement class",
              "weapons 003 Class: warning code-unknown: code 19 names no weapon class"}},
            {"code-unknown", both(formation(3, [](FormationRecord& f) { f.Type = 3, f.Page = 5, f.Nation = 92; }),
                                  unit(3, [](UnitRecord& u) { u.Nation = 69, u.Class = 69; })),
             {"units 003 Class: warning code-unknown: code 69 names no unit class",
              "units 003 Nation: warning code-unknown: code 69 names no nation",
              "formations 003 Nation: warning code-unknown: code 92 names no nation",
              "formations 003 Page: warning code-unknown: code 5 names no purchase page",
              "formations 003 Type: warning code-unknown: code 3 names no formation type"}},
            {"code-unknown", both(formation(3, [](FormationRecord& f) { f.Type = 5, f.Page = 10, f.Nation = 91; }),
                                  unit(3, [](UnitRecord& u) { u.Nation = 70, u.Class = 68, u.MC = 7; })), {}},
            {"code-unknown", emptyUnit240, {}},  // an empty entry's zeros are no codes
            {"above-bound", both(unit(3, [](UnitRecord& u) { u.Nation = 250; }), formation(4, [](FormationRecord& f) { f.Slot2 = 1201; })),
             {"units 003 Nation: warning above-bound: holds 250, above the 249 a Commit stores: a Commit would change it",
              "formations 004 Slot2: warning above-bound: holds 1201, above the 1200 a Commit stores: a Commit would change it"}},
            {"above-bound", both(unit(3, [](UnitRecord& u) { u.Nation = 249; }), formation(4, [](FormationRecord& f) { f.Slot2 = 1200; })), {}},
            {"years-reversed", both(unit(3, [](UnitRecord& u) { u.YrAvail = 90, u.YrUnavail = 89; }),
                                    formation(4, [](FormationRecord& f) { f.Avail = 60, f.Until = 59; })),
             {"units 003 YrUnavail: warning years-reversed: until 89 lies before available 90",
              "formations 004 Until: warning years-reversed: until 59 lies before available 60"}},
            {"years-reversed", both(unit(3, [](UnitRecord& u) { u.YrAvail = 90, u.YrUnavail = 0; }),
                                    formation(4, [](FormationRecord& f) { f.Avail = 60, f.Until = 60; })), {}},
        };
        for (const OrbData& sample : {sampleOrb(5), sampleOrb(12), sampleOrb(70), sampleOrb(81)})
            QCOMPARE(int(RunRules(sample).size()), 0);
        // Nor on one whose other values are random within what a Commit stores: only references,
        // codes and years say anything.
        OrbData random = sampleOrb(70);
        std::mt19937 dice(70);
        const std::set<std::string> kept = {"Wpn1", "Wpn2", "Wpn3", "Wpn4", "Nation", "Class", "MC", "Page", "Type",
                                            "YrAvail", "YrUnavail", "Avail", "Until"};
        for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
            WithTable(t, [&](const auto& fields, auto entry) {
                for (int n = 1; n <= TableCount(t); ++n) {
                    auto r = entry(random, n);
                    if (EntryIsEmpty(r))
                        continue;
                    for (const auto& f : fields)
                        if (f.editable() && f.width != FieldWidth::Text && !kept.count(f.name) &&
                            std::string(f.name).rfind("Slot", 0) != 0)
                            f.setNumber(r, dice() % (StoredMaximum(f) + 1));
                    entry.set(random, n, r);
                }
            });
        QVERIFY(!sameImage(random, sampleOrb(70)));
        QCOMPARE(int(RunRules(random).size()), 0);
        for (const auto& c : cases) {
            OrbData orb = sampleOrb(12);
            c.edit(orb);
            QStringList found;
            for (const Finding& f : RunRules(orb, {{c.rule}, {}}))
                found << QString::fromStdString(FindingText(f));
            QVERIFY2(found == c.found, qPrintable(QString(c.rule) + ": " + found.join("; ")));
            if (!c.found.isEmpty())  // the default set runs it too, and an ignore takes it out
                QVERIFY(RunRules(orb).size() >= std::size_t(c.found.size()) &&
                        RunRules(orb, {{c.rule}, {c.rule}}).empty());
        }
    }

    // What names each entry, counted here field by field; a move takes exactly those fields along.
    void referencesAndMovesCarryEveryField()
    {
        const OrbData orb = sampleOrb(12);
        // Every field naming something, as "table entry field" -> the value, read straight off the records.
        auto naming = [](const OrbData& o) {
            std::map<QString, int> out;
            for (int n = 1; n <= UnitCount; ++n) {
                const UnitRecord u = o.unit(n);
                const int w[4] = {u.Wpn1, u.Wpn2, u.Wpn3, u.Wpn4};
                for (int k = 0; k < 4; ++k)
                    if (w[k])
                        out[QString("units %1 Wpn%2").arg(n, 3, 10, QChar('0')).arg(k + 1)] = 10000 + w[k];
            }
            for (int n = 1; n <= FormationCount; ++n)
                for (int k = 1; k <= 10; ++k)
                    if (const int v = formationSlot(o.formation(n), k))
                        out[QString("formations %1 Slot%2").arg(n, 3, 10, QChar('0')).arg(k)] = v;
            return out;
        };
        const std::map<QString, int> all = naming(orb);
        auto valueOf = [](TableId t, int n) { return t == TableId::Weapons ? 10000 + n : t == TableId::Formations ? 1000 + n : n; };
        int total = 0;
        for (TableId t : {TableId::Weapons, TableId::Units, TableId::Formations})
            for (int n = 1; n <= TableCount(t); ++n) {
                QStringList found, want;
                for (const Reference& r : FindReferences(orb, t, n))
                    found << QString::fromStdString(ReferenceText(r));
                for (const auto& [field, v] : all)
                    if (v == valueOf(t, n))
                        want << field;
                QCOMPARE(found, want);
                total += int(found.size());
            }
        QCOMPARE(total, int(all.size()));  // every naming field found once

        const struct {
            TableId table;
            int from, to;
            bool swap;
            const char* error;
        } moves[] = {
            {TableId::Units, 17, 249, false, ""},  // 249: empty in the sample
            {TableId::Weapons, 5, 249, false, ""},
            {TableId::Formations, 1, 199, true, ""},
            {TableId::Units, 1, 2, true, ""},
            {TableId::Units, 1, 2, false, "units 002 is not empty: swap the two, or choose an empty one"},
            {TableId::Units, 3, 3, true, "the entry is already number 3"},
            {TableId::Formations, 1, 200, true, "entries are numbered 1 to 199"},
        };
        for (const auto& m : moves) {
            OrbData moved = orb;
            const MoveResult r = MoveEntry(moved, m.table, m.from, m.to, m.swap);
            QCOMPARE(QString::fromStdString(r.error), QString(m.error));
            if (*m.error) {
                QVERIFY(sameImage(moved, orb));
                continue;
            }
            // The two records change places, then the fields that named either name the other.
            OrbData swapped = orb;
            WithTable(m.table, [&](const auto&, auto entry) {
                const auto a = entry(orb, m.from), b = entry(orb, m.to);
                entry.set(swapped, m.to, a), entry.set(swapped, m.from, b);
            });
            std::map<QString, int> want = naming(swapped);
            int follow = 0;
            for (auto& [field, v] : want)
                if (v == valueOf(m.table, m.from) || v == valueOf(m.table, m.to))
                    v = v == valueOf(m.table, m.from) ? valueOf(m.table, m.to) : valueOf(m.table, m.from), ++follow;
            QVERIFY(naming(moved) == want);
            QCOMPARE(r.references, follow);
            WithTable(m.table, [&](const auto&, auto entry) {
                QVERIFY(SameEntry(entry(moved, m.to), entry(orb, m.from)) && SameEntry(entry(moved, m.from), entry(orb, m.to)));
            });
        }
    }

    // The hints, asked for by name, on a file that holds only what each case makes.
    void hintsAreAskedFor()
    {
        OrbData orb;
        orb.edit<UnitRecord>(1, [](UnitRecord& u) { u.Name = "Tiger", u.Nation = 5, u.Wpn1 = 4; });
        orb.edit<UnitRecord>(2, [](UnitRecord& u) { u.Name = "Tiger", u.Nation = 6; });
        orb.edit<UnitRecord>(9, [](UnitRecord& u) { u.Name = "Tiger", u.Nation = 5; });
        orb.edit<WeaponRecord>(3, [](WeaponRecord& w) { w.Name = "Spare"; });
        orb.edit<WeaponRecord>(4, [](WeaponRecord& w) { w.Name = "Carried"; });
        orb.edit<FormationRecord>(1, [](FormationRecord& f) { f.Name = "Holds", f.Slot1 = 2, f.Slot2 = 9; });
        QStringList found;
        for (const Finding& f : RunRules(orb, {{"name-duplicate", "unused"}, {}}))
            found << QString::fromStdString(FindingText(f));
        QCOMPARE(found, (QStringList{"units 001: hint unused: no formation holds it",
                                     "units 009 Name: hint name-duplicate: the same name as unit 1 of nation 5",
                                     "weapons 003: hint unused: no unit carries it"}));
        for (const Finding& f : RunRules(orb))  // hints are not run unless asked for
            QVERIFY2(f.rule->severity != Severity::Hint, FindingText(f).c_str());
    }

    // Small names at their ends: the list line of the last file of each era, a patch's quoting of
    // the characters around DEL, and the table names a user may type.
    void namesAtTheirEnds()
    {
        const std::pair<int, const char*> lines[] = {{0, "Orb00 - MOD - "}, {43, "Orb43 - MOD - "},
                                                     {70, "Orb70 - WW2 - "}, {91, "Orb91 - WW2 - "}};
        for (const auto& [n, start] : lines)
            QVERIFY2(OrbListLine(n, true).rfind(start, 0) == 0, OrbListLine(n, true).c_str());
        QCOMPARE(QuotedName("a\x1f\x7e\x7f\x9f\xa0\"\\"), std::string("\"a\\x1f~\\x7f\\x9f\xc2\xa0\\\"\\\\\""));
        const std::pair<const char*, std::optional<TableId>> tables[] = {
            {"units", TableId::Units}, {"Unit", TableId::Units}, {"WEAPON", TableId::Weapons},
            {"weapons", TableId::Weapons}, {"formation", TableId::Formations}, {"Formations", TableId::Formations},
            {"unitz", std::nullopt}, {"", std::nullopt}};
        for (const auto& [name, table] : tables)
            QVERIFY2(ParseTable(name) == table, name);
    }

    // A Renumber moves every unit and formation of the nation, the first and the last included.
    void renumberReachesBothEnds()
    {
        OrbData orb;
        for (int n : {1, 100, UnitCount})
            orb.edit<UnitRecord>(n, [](UnitRecord& u) { u.Nation = 5; });
        orb.edit<UnitRecord>(2, [](UnitRecord& u) { u.Nation = 6; });
        for (int n : {1, FormationCount})
            orb.edit<FormationRecord>(n, [](FormationRecord& f) { f.Nation = 5; });
        const RenumberResult r = RenumberNation(orb, 5, 12);
        QCOMPARE(r.units, (std::vector<int>{1, 100, UnitCount}));
        QCOMPARE(r.formations, (std::vector<int>{1, FormationCount}));
        QVERIFY(orb.unit(UnitCount).Nation == 12 && orb.formation(FormationCount).Nation == 12);
        QVERIFY(orb.unit(2).Nation == 6 && orb.unit(3).Nation == 0 && orb.formation(2).Nation == 0);
        QVERIFY(!RenumberNation(orb, 12, 12).changed());
    }

    // Filter expressions: what matches, and what is refused with a reason.
    void filterExpressions()
    {
        OrbData orb;
        orb.edit<UnitRecord>(1, [](UnitRecord& u) { u.Name = "Tiger I", u.Nation = 12, u.Class = 13, u.Cost = 150; });
        orb.edit<UnitRecord>(2, [](UnitRecord& u) { u.Name = "Rifle Sqd", u.Nation = 12, u.Class = 1, u.Cost = 20; });
        orb.edit<UnitRecord>(3, [](UnitRecord& u) { u.Name = "J\xe4ger", u.Nation = 5, u.Class = 13, u.Cost = 100; });
        orb.edit<UnitRecord>(4, [](UnitRecord& u) { u.Name = "O'Brien's", u.Nation = 7; });
        orb.edit<UnitRecord>(5, [](UnitRecord& u) { u.Name = "M\xf7", u.Nation = 7, u.Cost = 99; });  // a division sign
        struct Case {
            const char* filter;
            std::vector<int> matches;  // among units 1 to 5
        };
        const Case cases[] = {
            {"Nation=12", {1, 2}},
            {"nation=12 CLASS=13", {1}},
            {"Cost>100", {1}},
            {"Cost>=100", {1, 3}},
            {"Cost<100 Nation!=5", {2, 4, 5}},
            {"Cost<100", {2, 4, 5}},
            {"Cost<99", {2, 4}},
            {"Cost<=20", {2, 4}},
            {"Name~TIGER", {1}},
            {"Name~\"le s\"", {2}},
            {"Name=\"Rifle Sqd\"", {2}},
            {"Name!=\"Rifle Sqd\"", {1, 3, 4, 5}},
            {"Name~\xc3\x97", {}},  // the multiplication sign is no capital of the division sign
            {"name~J\xc3\x84G", {3}},  // any letter case, Latin-1 letters too
            {"tiger", {1}},              // a plain word: in the number or the name
            {"003", {3}},
            {"", {1, 2, 3, 4, 5}},
            // Single quotes as a shell user writes them inside double quotes; within a name, a character.
            {"Name='Rifle Sqd'", {2}},
            {"Name~'le s' Cost<100", {2}},
            {"Nation='12'", {1, 2}},
            {"Name~O'Brien", {4}},
            {"Name=\"O'Brien's\"", {4}},
            {"Name~'n's'", {4}},
        };
        for (const Case& c : cases) {
            FieldFilter f = ParseFieldFilter(TableId::Units, c.filter);
            QVERIFY2(f.error.empty(), f.error.c_str());
            std::vector<int> got;
            for (int n = 1; n <= 5; ++n)
                if (FilterMatches(f, orb, TableId::Units, n))
                    got.push_back(n);
            QVERIFY2(got == c.matches, c.filter);
        }
        for (const char* bad : {"Colour=3", "Cost>abc", "Cost=", "Cost~3", "Name<b", "Nation=12 Crew>x"}) {
            FieldFilter f = ParseFieldFilter(TableId::Units, bad);
            QVERIFY2(!f.error.empty(), bad);
            QVERIFY(!FilterMatches(f, orb, TableId::Units, 1));
        }
        QCOMPARE(ParseFieldFilter(TableId::Units, "Colour=3").error, std::string("'Colour=3': no field of units is called 'Colour'"));
        QCOMPARE(ParseFieldFilter(TableId::Units, "Cost>abc").error, std::string("'Cost>abc': Cost needs a number"));
    }
};

QTEST_GUILESS_MAIN(TestCodes)
#include "test_codes.moc"
