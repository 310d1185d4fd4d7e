// The core's rules: code names, the lenient number reading, the file list lines, CSV and import.
// (The rules a file should keep, references and moves: test_rules.)
#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/Globals.h"
#include "core/Settings.h"
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
        // Each cell comes back as one with either separator; tab-separated, a comma needs no quotes.
        for (const char* cell : {"plain", "a,b", "say \"hi\"", "two\nlines", " spaced ", "a\tb"})
            for (char separator : {',', '\t'})
                QCOMPARE(ReadCsv(CsvCell(cell, separator) + separator + "x\n", separator).rows.at(0).cells,
                         (std::vector<std::string>{cell, "x"}));
        QCOMPARE(CsvCell("a,b", '\t'), std::string("a,b"));
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
            {"number,Cost\n1,-5\n", "Cost: '-5' is a negative number, and no field holds one", 2, 2},
            {"number,Cost\n1,-0\n", "Cost: '-0' is a negative number, and no field holds one", 2, 2},
            {"number,Cost\n1,- 5\n", "Cost: '- 5' is not a plain decimal number", 2, 2},
            {"number,Cost\n1,1234567890\n", "Cost: 1234567890 is above 255", 2, 2},
            {"number,Cost\n1,00000000000000000000255\n3,0000000000000000000256\n", "Cost: 0000000000000000000256 is above 255", 3, 2},
            {"number,HiddenByte\n3,99999999999999999999\n", "HiddenByte is edited by no page: it may only repeat the stored", 2, 2},
            {"number,Cost\n1,\n", "Cost: '' is not a plain decimal number", 2, 2},
            {"number,Cost\n0,1\n", "'0' is no entry number (1 to 249)", 2, 1},
            {"number,Cost\n250,1\n", "'250' is no entry number (1 to 249)", 2, 1},
            {"number,Cost\n3,1\n3,2\n", "entry 3 comes twice", 3, 1},
            {"number,Cost\n3,1,7\n", "3 cells where the header has 2", 2, 0},
            {"number,Colour\n3,1\n", "no field of units is called 'Colour'", 1, 2},
            {"number,Class name,Nation names\n3,x,y\n", "no field of units is called 'Nation names'", 1, 3},
            {"Cost\n3\n", "no 'number' column names the entries", 1, 0},
            {"number,HiddenByte\n3,999\n", "HiddenByte is edited by no page: it may only repeat the stored", 2, 2},
            {"number,Name\n3,ABCDEFGHIJKLMNOP\n", "Name: a name holds at most 15 characters", 2, 2},
            {"number,Name\n3,Tiger \xe2\x82\xac\n", "Name: '\xe2\x82\xac' cannot be stored in a name (Latin-1 only)", 2, 2},
            {"number,Name\n3,\"a\tb\"\n", "Name: a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds \\x09", 2, 2},
            {"number,Name\n3,a\x7f\n", "Name: a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds \\x7f", 2, 2},
            {"number,Name\n3,a\xc2\x9f\n", "Name: a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds \\x9f", 2, 2},
            {"number,Name\n3,J\xc3\x83\xc2\xa4ger\n", "Name: 'J\xc3\x83\xc2\xa4ger' looks like UTF-8 read as Windows-1252; it would be 'J\xc3\xa4ger' (--force stores it as it is)", 2, 2},
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
        // Each sheet's errors are listed, the first 50 in all.
        ImportSheet manyUnits{TableId::Units, {{1, {"number", "Cost"}, {}}}, where};
        for (int n = 1; n <= 30; ++n)
            manyUnits.rows.push_back({n + 1, {std::to_string(n), "x"}, {}});
        const ImportSheet noNumber{TableId::Formations, {{1, {"Nation"}, {}}}, where};
        const ImportResult all = ImportSheets(orb, {weapons, noNumber, manyUnits, manyUnits});
        QCOMPARE(int(all.errors.size()), 50);
        QVERIFY(all.moreErrors);
        QCOMPARE(QString::fromStdString(all.errors[0].where + " " + all.errors[0].message), QString("1:2 no field of weapons is called 'Cost'"));
        QCOMPARE(QString::fromStdString(all.errors[1].where + " " + all.errors[1].message), QString("1:0 no 'number' column names the entries"));
        QCOMPARE(QString::fromStdString(all.errors[2].where), QString("2:2"));
        QCOMPARE(QString::fromStdString(all.errors[49].where), QString("19:2"));  // the second units sheet's 18th
        // A name that looks like UTF-8 read as Windows-1252 is stored when forced, and one the
        // entry holds already may be repeated.
        const ImportSheet misread{TableId::Units, {{1, {"number", "Name"}, {}}, {2, {"3", "J\xc3\x83\xc2\xa4ger"}, {}}}, where};
        QVERIFY(!ImportSheets(orb, {misread}).errors.empty());
        QVERIFY(ImportSheets(orb, {misread}, true).errors.empty());
        QCOMPARE(orb.unit(3).Name, OrbName("J\xc3\xa4ger"));
        QVERIFY(ImportSheets(orb, {misread}).errors.empty());
        orb = sample;
        const ImportResult both = ImportSheets(orb, {units, ImportSheet{TableId::Weapons, {{1, {"number", "Name"}, {}}, {2, {"249", "Gun"}, {}}}, where}});
        QVERIFY(both.errors.empty() && both.entries == 2 && both.fields == 2);
        QVERIFY(orb.unit(3).Cost == 77 && orb.weapon(249).Name == "Gun");
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
