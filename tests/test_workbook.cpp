// Workbooks as spreadsheets write them, cell by cell: what import reads from each kind of cell,
// which sheets it takes, and names that come back exactly through a spreadsheet's save.
#include "CliRun.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (crc & 1 ? 0xedb88320u : 0);
    }
    return ~crc;
}

QByteArray le(quint32 v, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((v >> (8 * i)) & 0xff);
    return out;
}

using Members = QList<QPair<QByteArray, QByteArray>>;  // name, bytes

// A zip archive of members stored as they are, as minizip reads one.
QByteArray storedZip(const Members& members)
{
    QByteArray zip, directory;
    for (const auto& [name, bytes] : members) {
        const QByteArray common = le(20, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0x21, 2) + le(crc32(bytes), 4) +
                                  le(bytes.size(), 4) + le(bytes.size(), 4) + le(name.size(), 2) + le(0, 2);
        directory += le(0x02014b50, 4) + le(20, 2) + common + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) + le(zip.size(), 4) + name;
        zip += le(0x04034b50, 4) + common + name + bytes;
    }
    return zip + directory + le(0x06054b50, 4) + le(0, 4) + le(members.size(), 2) + le(members.size(), 2) +
           le(directory.size(), 4) + le(zip.size(), 4) + le(0, 2);
}

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
// Cell styles by s: 0 General, 1 the built-in date 14, 2 yyyy-mm-dd, 3 a number with " days",
// 4 red numbers, 5 hours past a day.
const QByteArray kStyles = "<styleSheet xmlns=\"" + kMain + "\"><numFmts count=\"4\">"
                           "<numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\"/><numFmt numFmtId=\"165\" formatCode=\"0&quot; days&quot;\"/>"
                           "<numFmt numFmtId=\"166\" formatCode=\"[Red]0\"/><numFmt numFmtId=\"167\" formatCode=\"[h]:mm\"/></numFmts>"
                           "<cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
                           "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"167\"/></cellXfs></styleSheet>";
// The shared strings the cases name by index.
const QByteArray kStrings = "<si><t xml:space=\"preserve\">  </t></si><si><t>Falke_x0020_IFV</t></si>"
                            "<si><t>_x005F_x0041_</t></si><si><r><t>Falke</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\"> </t>"
                            "</r><r><t>IFV</t></r></si><si><t>__x0078_0041_</t></si><si><t>A_x0001_B</t></si>";

// A workbook of sheets (name, the XML of their rows) as a spreadsheet writes one.
QByteArray workbook(const Members& sheets)
{
    QByteArray names, links;
    Members members{{"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"}};
    for (int i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        names += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        links += "<Relationship Id=\"rId" + n + "\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        members.append({"xl/worksheets/sheet" + n + ".xml",
                        "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + sheets[i].second + "</sheetData></worksheet>"});
    }
    members.append({"xl/workbook.xml", "<workbook xmlns=\"" + kMain +
                                           "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                           "<sheets>" + names + "</sheets></workbook>"});
    members.append({"xl/_rels/workbook.xml.rels",
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + links + "</Relationships>"});
    members.append({"xl/styles.xml", kStyles});
    members.append({"xl/sharedStrings.xml", "<sst xmlns=\"" + kMain + "\">" + kStrings + "</sst>"});
    return storedZip(members);
}

// A header row of text cells, "" leaving a column's out ("number,Name" or ",number").
QByteArray header(const QByteArray& names)
{
    QByteArray row = "<row r=\"1\">";
    const QList<QByteArray> list = names.split(',');
    for (int c = 0; c < list.size(); ++c)
        if (!list[c].isEmpty())
            row += "<c r=\"" + QByteArray(1, char('A' + c)) + "1\" t=\"inlineStr\"><is><t>" + list[c] + "</t></is></c>";
    return row + "</row>";
}

// A Python that has openpyxl: Debian's, which a Python of the user's own before it on PATH lacks.
QString pythonWithOpenpyxl()
{
    for (const QString& python : {QString("/usr/bin/python3"), QStandardPaths::findExecutable("python3")})
        if (!python.isEmpty() && QFileInfo::exists(python) && run(python, {"-c", "import openpyxl"}).status == 0)
            return python;
    return {};
}

const QByteArray kNothing = "orbtool-cli: nothing was imported:\n  ";
}  // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString path(const QString& name) const { return tmp.filePath(name); }
    QString put(const QString& name, const QByteArray& bytes)
    {
        writeAll(path(name), bytes);
        return path(name);
    }
    // What import --dry-run makes of source, SRC in its messages standing for source's path.
    Run imported(const QString& file, const QStringList& table, const QString& source)
    {
        Run r = cli(QStringList{"import", file} + table + QStringList{source, "--dry-run"});
        r.err.replace(source.toUtf8(), "SRC");
        return r;
    }

private slots:
    // Each kind of cell in a name, a number field and the number column of unit 3 (Falke IFV, Cost
    // 198, Wpn1 116 Twin 23mm AA Gn): what import would change, or why it refuses.
    void eachCellAsImportReadsIt()
    {
        const QString file = putSample(tmp.path(), 12);
        const struct {
            QByteArray columns, rows;  // the header's names; the rows below it
            QByteArray out, err;       // what import --dry-run prints; err: its stderr, with status 2 unless a note
        } cases[] = {
            // Names: spaces kept, escapes read, runs joined.
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>0</v></c></row>",
             "units 003 Name: Falke IFV ->   \nwould change 1 entry, 1 field\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>",
             "would change 0 entries, 0 fields\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>2</v></c></row>",
             "units 003 Name: Falke IFV -> _x0041_\nwould change 1 entry, 1 field\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>4</v></c></row>",
             "units 003 Name: Falke IFV -> _x0041_\nwould change 1 entry, 1 field\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>_x0041_bc_x00e9__x004g_</t></is></c></row>",
             "units 003 Name: Falke IFV -> Abc\xc3\xa9_x004g_\nwould change 1 entry, 1 field\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>3</v></c></row>",
             "would change 0 entries, 0 fields\n", ""},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"s\"><v>5</v></c></row>", "",
             "units!B2: Name: a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds \\x01"},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"b\"><v>1</v></c></row>", "",
             "units!B2: Name: a TRUE/FALSE cell where a name belongs; a spreadsheet turns the names TRUE and FALSE into "
             "such cells: format the cell as text"},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"1\"><v>45658</v></c></row>", "",
             "units!B2: Name: a date where a name belongs; a spreadsheet turns names such as 3/4 into dates: format the cell as text"},
            {"number,Name", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"str\"><f>\"Fa\"&amp;\"lke\"</f><v>Falke</v></c></row>", "",
             "units!B2: Name: a formula, not a value (import takes values)"},
            // Number fields: a date is refused whatever its value; other formats are numbers.
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"b\"><v>1</v></c></row>", "",
             "units!B2: Cost: a TRUE/FALSE cell, not a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"1\"><v>77</v></c></row>", "",
             "units!B2: Cost: a date, not a number: format the cell as a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"2\"><v>77</v></c></row>", "",
             "units!B2: Cost: a date, not a number: format the cell as a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"5\"><v>0.5</v></c></row>", "",
             "units!B2: Cost: a date, not a number: format the cell as a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"d\"><v>2024-01-01</v></c></row>", "",
             "units!B2: Cost: a date, not a number: format the cell as a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"3\"><v>77</v></c></row>",
             "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n", ""},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" s=\"4\"><v>77</v></c></row>",
             "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n", ""},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><f>70+7</f><v>77</v></c></row>", "",
             "units!B2: Cost: a formula, not a value (import takes values)"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"e\"><v>#N/A</v></c></row>", "",
             "units!B2: Cost: '#N/A' is neither a number nor text"},
            // The number column.
            {"number,Cost", "<row r=\"2\"><c r=\"A2\"><f>1+2</f><v>3</v></c><c r=\"B2\"><v>77</v></c></row>", "",
             "units!A2: number: a formula, not a value (import takes values)"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\" t=\"b\"><v>1</v></c><c r=\"B2\"><v>77</v></c></row>", "",
             "units!A2: number: a TRUE/FALSE cell, not a number"},
            {"number,Cost", "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>3</v></c><c r=\"B2\"><v>77</v></c></row>", "",
             "units!A2: number: a date, not a number: format the cell as a number"},
            // Unit 1 has no second weapon: its empty name cell is left out at the row's end.
            {"number,Wpn2,Wpn2 name", "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\"><v>0</v></c></row>",
             "would change 0 entries, 0 fields\n", ""},
            // Name columns: one that names neither the code as it was nor as it is now is noted.
            {"number,Wpn1,Wpn1 name", "<row><c><v>3</v></c><c><v>116</v></c><c t=\"inlineStr\"><is><t>X</t></is></c></row>",
             "would change 0 entries, 0 fields\n",
             "orbtool-cli: 'SRC': units!C2: 'Wpn1 name' says 'X', not the name of code 116 ('Twin 23mm AA Gn'); the code is "
             "what is imported\n"},
            {"number,Wpn1,Wpn1 name", "<row><c><v>3</v></c><c><v>25</v></c><c t=\"inlineStr\"><is><t>Twin 23mm AA Gn</t></is></c></row>",
             "units 003 Wpn1: 116 -> 25\nwould change 1 entry, 1 field\n", ""},
            {"number,Wpn1,Wpn1 name", "<row><c><v>3</v></c><c><v>25</v></c><c t=\"inlineStr\"><is><t>120mm Gun</t></is></c></row>",
             "units 003 Wpn1: 116 -> 25\nwould change 1 entry, 1 field\n", ""},
            {"number,Wpn2 name", "<row><c><v>1</v></c><c t=\"inlineStr\"><is><t>RPG Launcher</t></is></c></row>",
             "would change 0 entries, 0 fields\n",
             "orbtool-cli: 'SRC': units!B2: 'Wpn2 name' says 'RPG Launcher', but code 0 has no name; the code is what is imported\n"},
            // pandas' index: an unheaded first column counting from 0.
            {",number,Cost", "<row r=\"2\"><c r=\"A2\"><v>0</v></c><c r=\"B2\"><v>3</v></c><c r=\"C2\"><v>77</v></c></row>"
                             "<row r=\"4\"><c r=\"A4\"><v>1</v></c><c r=\"B4\"><v>4</v></c><c r=\"C4\"><v>77</v></c></row>", "",
             "units!A1: a column without a heading, numbered 0, 1, 2...: pandas' index column; write the sheet without it "
             "(index=False in to_excel)"},
            {",number,Cost", "<row r=\"2\"><c r=\"A2\"><v>0</v></c><c r=\"B2\"><v>3</v></c><c r=\"C2\"><v>77</v></c></row>"
                             "<row r=\"3\"><c r=\"A3\"><v>2</v></c><c r=\"B3\"><v>4</v></c><c r=\"C3\"><v>77</v></c></row>", "",
             "units!A1: no field of units is called ''"},
        };
        for (const auto& c : cases) {
            const QString source = put("book.xlsx", workbook({{"units", header(c.columns) + c.rows}}));
            const Run r = imported(file, {"units"}, source);
            const bool refused = c.out.isEmpty();
            QVERIFY2(r.status == (refused ? 2 : 0), c.rows + "\n" + r.err);
            QCOMPARE(r.out, c.out);
            QCOMPARE(r.err, refused ? kNothing + c.err + "\n" : c.err);
        }
        QCOMPARE(readAll(file), sampleBytes(12));
    }

    // Which sheets import takes, and what it says of a file that is no workbook.
    void whichSheetsAreRead()
    {
        const QString file = putSample(tmp.path(), 12);
        const QByteArray units = header("number,Cost,Wpn1,Wpn1 name") +
                                 "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><v>77</v></c><c r=\"C2\"><v>116</v></c>"
                                 "<c r=\"D2\" t=\"inlineStr\"><is><t>AA</t></is></c></row>";
        const QByteArray weapons = header("number,Name") +
                                   "<row r=\"2\"><c r=\"A2\"><v>116</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>AA</t></is></c></row>";
        const QByteArray cost = "units 003 Cost: 198 -> 77\n", renamed = "weapons 116 Name: Twin 23mm AA Gn -> AA\n";
        const struct {
            QByteArray book;
            QStringList table;
            int status;
            QByteArray out, err;
        } cases[] = {
            // The units' name column names weapon 116 as the weapons' sheet renames it.
            {workbook({{"units", units}, {"weapons", weapons}}), {"units"}, 0, cost + "would change 1 entry, 1 field\n",
             "orbtool-cli: 'SRC': units!D2: 'Wpn1 name' says 'AA', not the name of code 116 ('Twin 23mm AA Gn'); the code is "
             "what is imported\n"},
            {workbook({{"units", units}, {"weapons", weapons}}), {}, 0, cost + renamed + "would change 2 entries, 2 fields\n", ""},
            {workbook({{"Weapons", weapons}, {"notes", "<row><c t=\"inlineStr\"><is><t>x</t></is></c></row>"}}), {}, 0,
             renamed + "would change 1 entry, 1 field\n", "orbtool-cli: 'SRC': sheet 'notes' names no table and is passed over\n"},
            {workbook({{"Sheet1", units}}), {"units"}, 0, cost + "would change 1 entry, 1 field\n",
             "orbtool-cli: 'SRC': Sheet1!D2: 'Wpn1 name' says 'AA', not the name of code 116 ('Twin 23mm AA Gn'); the code is "
             "what is imported\n"},
            {workbook({{"Sheet1", units}, {"Sheet2", weapons}}), {"units"}, 2, "",
             "orbtool-cli: 'SRC' holds no sheet called units (its sheets: 'Sheet1', 'Sheet2')\n"},
            {workbook({{"weapons", weapons}}), {"units"}, 2, "", "orbtool-cli: 'SRC' holds no sheet called units (its sheets: 'weapons')\n"},
            {storedZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<office:document-content/>"}}),
             {"units"}, 2, "", "orbtool-cli: 'SRC' is an OpenDocument spreadsheet (.ods), which import does not read: save it as .xlsx\n"},
            {storedZip({{"mimetype", "application/vnd.oasis.opendocument.text"}}), {}, 2, "",
             "orbtool-cli: 'SRC' is a zip archive but not a workbook (no xl/workbook.xml)\n"},
        };
        for (const auto& c : cases) {
            const Run r = imported(file, c.table, put("book.xlsx", c.book));
            QVERIFY2(r.status == c.status, r.out + r.err);
            QCOMPARE(r.out, c.out);
            QCOMPARE(r.err, c.err);
        }
    }

    // Names a spreadsheet would change (control characters, spaces, escapes' look-alikes) come
    // back exactly from a dump, and from the dump saved again by openpyxl; so do the names of
    // codes, which carry a weapon's name.
    void namesSurviveTheWorkbook()
    {
        const char* names[] = {"A\x01" "B", "\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0d\x0e\x1a\x1b\x1f", "_x0041_",
                               "_x005F_", "ax005F_b", "  ", "a\tb\nc\rd", "\x7f_x00e9_\xe9", "__x0041__x0042_", "\x01_x0001_"};
        OrbData orb = sampleOrb(12);
        for (int n = 1; n <= int(std::size(names)); ++n)
            orb.edit<UnitRecord>(n, [&](UnitRecord& r) { r.Name = names[n - 1]; });
        orb.edit<WeaponRecord>(116, [](WeaponRecord& w) { w.Name = "_x0041_\x01"; });  // unit 3's first weapon
        const QString file = put("ORB12", packedOver(sampleBytes(12), orb));
        QCOMPARE(cli({"dump", file, "--format", "xlsx", "-o", path("book.xlsx")}).status, 0);
        const QByteArray same = "would change 0 entries, 0 fields\n";
        const Run direct = cli({"import", file, path("book.xlsx"), "--dry-run"});
        QCOMPARE(direct.out + direct.err, same);

        static const QString python = pythonWithOpenpyxl();
        if (python.isEmpty())
            QSKIP("no python3 with openpyxl (Debian: python3-openpyxl): the workbook was not saved again");
        const Run saved = run(python, {"-c", "import openpyxl\nopenpyxl.load_workbook('book.xlsx').save('saved.xlsx')"}, {}, tmp.path());
        QVERIFY2(saved.status == 0, saved.err);
        const Run again = cli({"import", file, path("saved.xlsx"), "--dry-run"});
        QCOMPARE(again.out + again.err, same);
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
