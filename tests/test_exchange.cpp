// The seams with the programs modders use, tried with those programs: text as spreadsheets and
// editors save it, workbooks saved again by openpyxl and LibreOffice, and git's merges and diffs.
#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// UTF-16 of ASCII text: little-endian with its byte order mark, or without one in either order.
QByteArray utf16(const QByteArray& ascii, const char* mark = "\xff\xfe", bool big = false)
{
    QByteArray out(mark);
    for (char c : ascii)
        out += big ? QByteArray(1, '\0') + c : QByteArray(1, c) + '\0';
    return out;
}

// A Python that has openpyxl: Debian's, which a Python of the user's own before it on PATH lacks.
QString pythonWithOpenpyxl()
{
    for (const QString& python : {QString("/usr/bin/python3"), QStandardPaths::findExecutable("python3")})
        if (!python.isEmpty() && QFileInfo::exists(python) && run(python, {"-c", "import openpyxl"}).status == 0)
            return python;
    return {};
}
}  // namespace

class TestExchange : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString path(const QString& name) const { return tmp.filePath(name); }
    QString put(const QString& name, const QByteArray& bytes)
    {
        writeAll(path(name), bytes);
        return path(name);
    }
    // Runs a script of openpyxl in the folder; skips the test where no such Python is installed.
    Run python(const QByteArray& script)
    {
        static const QString program = pythonWithOpenpyxl();
        if (program.isEmpty())
            return {-2, {}, "no python3 with openpyxl (Debian: python3-openpyxl)"};
        return run(program, {"-c", "import openpyxl\n" + QString::fromUtf8(script)}, {}, tmp.path());
    }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // Each way a spreadsheet or a script saves a table: what import --dry-run says it would change,
    // what it notes on stderr (SRC: the source's path), or why it refuses.
    void importReadsWhatSpreadsheetsSave()
    {
        const QString file = putSample(tmp.path(), 12);
        const QByteArray control = "orbtool-cli: nothing was imported:\n  units[0].Name: Name: a name cannot hold control "
                                   "characters (line ends, tabs, U+007F to U+009F): it holds ";
        const struct {
            QByteArray source;
            const char* table;  // "": none given
            int status;
            QByteArray out, err;
            const char* flag = nullptr;
        } cases[] = {
            {"number;Cost;Name\r\n3;77;K\xf6ln\r\n\r\n", "units", 0,
             "units 003 Name: Falke IFV -> K\xc3\xb6ln\nunits 003 Cost: 198 -> 77\nwould change 1 entry, 2 fields\n",
             "orbtool-cli: read 'SRC' as Windows-1252 (it is not UTF-8)\norbtool-cli: 'SRC' is read with ';' as the separator\n"},
            {utf16("number\tCost\r\n3\t77\r\n"), "units", 0, "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n",
             "orbtool-cli: read 'SRC' as UTF-16LE\norbtool-cli: 'SRC' is read with tabs as the separator\n"},
            {"\xef\xbb\xbfnumber,Cost,Nation name\n\n3,77,whatever\n,,\n\n", "units", 0,
             "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n",
             "orbtool-cli: 'SRC': line 3, column 3: 'Nation name' says 'whatever', not the name of code 12 ('USA'); the code "
             "is what is imported\n"},
            {"{\"units\": [{\"number\": 3, \"Cost\": 77}], \"weapons\": [{\"number\": 1, \"Name\": \"NA\"}]}", "", 0,
             "units 003 Cost: 198 -> 77\nweapons 001 Name: RPG Launcher -> NA\nwould change 2 entries, 2 fields\n", ""},
            {"{\"units\": [{\"number\": 3, \"Cost\": 77}], \"weapons\": [{\"number\": 1, \"Name\": \"NA\"}]}", "weapons", 0,
             "weapons 001 Name: RPG Launcher -> NA\nwould change 1 entry, 1 field\n", ""},
            {"{\"units\": [{\"number\": 3, \"Cost\": 77}, {\"number\": 4, \"Cost\": -1}, {\"number\": 5}]}", "", 2, "",
             "orbtool-cli: nothing was imported:\n  units[1].Cost: Cost: '-1' is a negative number, and no field holds one\n"
             "  units[2].Cost: Cost: no value\n"},
            {"{\"units\": [{\"number\": 3, \"Name\": 12}]}", "", 2, "",
             "orbtool-cli: nothing was imported:\n  units[0].Name: Name: the number 12 where a name belongs; a spreadsheet "
             "turns names such as 0012 into numbers: format the cell as text\n"},
            {"{\"units\": [1", "", 2, "",
             "orbtool-cli: 'SRC' is not CSV or JSON: parse error at line 1, column 13: syntax error while parsing array - "
             "unexpected end of input; expected ']'\n"},
            {"[1, 2]", "", 2, "", "orbtool-cli: 'SRC' is JSON, but not as dump writes it: an object of tables (\"units\": [...])\n"},
            {"{\"tanks\": []}", "", 2, "", "orbtool-cli: 'SRC': no table is called 'tanks'\n"},
            {sampleBytes(5), "units", 2, "", "orbtool-cli: 'SRC' is not CSV or JSON: it holds zero bytes (a data file?)\n"},
            {"a,b\n1,2\n", "units", 2, "", "orbtool-cli: 'SRC' is not CSV or JSON: its first row names no field of units (it begins 'a')\n"},
            {"number,Cost\n3,77\n", "", 2, "", "orbtool-cli: a CSV holds one table: name it (import FILE TABLE SRC)\n"},
            {"number;Cost\n3;1e5\n", "units", 2, "",
             "orbtool-cli: 'SRC' is read with ';' as the separator\norbtool-cli: nothing was imported:\n"
             "  line 2, column 2: Cost: '1e5' is not a plain decimal number\n"},
            {"number,Cost\n3,1234567890\n", "units", 2, "", "orbtool-cli: nothing was imported:\n  line 2, column 2: Cost: 1234567890 is above 255\n"},
            // UTF-8 but for one name pasted in from elsewhere: only its line is read otherwise.
            {"number,Name\n3,J\xc3\xa4ger\n4,K\xf6ln\n", "units", 0,
             "units 003 Name: Falke IFV -> J\xc3\xa4ger\nunits 004 Name: Corsair IFV -> K\xc3\xb6ln\nwould change 2 entries, 2 fields\n",
             "orbtool-cli: read line 3 of 'SRC' as Windows-1252 (it is not UTF-8)\n"},
            // UTF-8 that a spreadsheet opened as Windows-1252 and saved as UTF-8 again.
            {"number,Name\n3,J\xc3\x83\xc2\xa4ger\n", "units", 2, "",
             "orbtool-cli: nothing was imported:\n  line 2, column 2: Name: 'J\xc3\x83\xc2\xa4ger' looks like UTF-8 read as "
             "Windows-1252; it would be 'J\xc3\xa4ger' (--force stores it as it is)\n"},
            {"number,Name\n3,J\xc3\x83\xc2\xa4ger\n", "units", 0, "units 003 Name: Falke IFV -> J\xc3\x83\xc2\xa4ger\nwould change 1 entry, 1 field\n",
             "", "--force"},
            {utf16("number,Cost\r\n3,77\r\n", ""), "units", 0, "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n",
             "orbtool-cli: read 'SRC' as UTF-16LE: it has no byte order mark, but its zero bytes are those of UTF-16LE\n"},
            {utf16("number,Cost\r\n3,77\r\n", "", true), "units", 0, "units 003 Cost: 198 -> 77\nwould change 1 entry, 1 field\n",
             "orbtool-cli: read 'SRC' as UTF-16BE: it has no byte order mark, but its zero bytes are those of UTF-16BE\n"},
            {"{\"units\": [{\"number\": 2, \"Cost\": 7, \"Cost\": 8}, {\"number\": 3, \"x\": {\"a\": 1, \"a\": 2}}], \"weapons\": [], \"weapons\": []}",
             "", 2, "", "orbtool-cli: nothing was imported:\n  units[0]: a second 'Cost' key\n  units[1].x: a second 'a' key\n  'SRC': a second 'weapons' table\n"},
            {"{\"units\": [{\"number\": 3, \"Cost\": -0, \"Crew\": [1, -0.0]}]}", "", 2, "",
             "orbtool-cli: nothing was imported:\n  units[0].Cost: Cost: '-0' is a negative number, and no field holds one\n"
             "  units[0].Crew: Crew: '[1,-0.0]' is neither a number nor text\n"},
            {"{\"units\": [{\"number\": 3, \"Cost\": 1e400}]}", "", 2, "",
             "orbtool-cli: 'SRC' cannot be read: number overflow parsing '1e400' (no field holds such a number)\n"},
            {"{\"units\": [{\"number\": 3, \"Name\": \"a\\u0085b\"}]}", "", 2, "", control + "\\x85\n"},
            {"{\"units\": [{\"number\": 3, \"Name\": \"\\u007f\"}]}", "", 2, "", control + "\\x7f\n"},
            {"{\"units\": [{\"number\": 3, \"Name\": \"\\u0080\"}]}", "", 2, "", control + "\\x80\n"},
            {"{\"units\": [{\"number\": 3, \"Name\": \"\\u00a0\"}]}", "", 0, "units 003 Name: Falke IFV -> \xc2\xa0\nwould change 1 entry, 1 field\n", ""},
            // Every table's errors.
            {"{\"units\": [{\"number\": 3, \"Cost\": 300}], \"weapons\": [{\"number\": 1, \"Size\": \"x\"}], \"formations\": [{\"Nation\": 1}]}",
             "", 2, "", "orbtool-cli: nothing was imported:\n  units[0].Cost: Cost: 300 is above 255\n"
             "  weapons[0].Size: Size: 'x' is not a plain decimal number\n  formations: no 'number' column names the entries\n"},
        };
        for (const auto& c : cases) {
            const QString source = put("source", c.source);
            QStringList args = {"import", file};
            if (*c.table)
                args << c.table;
            args << source << "--dry-run";
            if (c.flag)
                args << c.flag;
            const Run r = cli(args);
            const QByteArray what = c.source.left(60);
            QVERIFY2(r.status == c.status, what + ": " + r.err);
            QCOMPARE(r.out, c.out);
            QCOMPARE(r.err, QByteArray(c.err).replace("SRC", source.toUtf8()));
            QCOMPARE(readAll(file), sampleBytes(12));
        }
    }

    // A patch as editors save it, read through apply --dry-run: what it would change and what it
    // notes (SRC: the patch's path), or why it is refused.
    void patchesReadAsEditorsSaveThem()
    {
        const QString file = putSample(tmp.path(), 12);
        const QByteArray h = "orbtool-patch 1\n", refused = "orbtool-cli: nothing was applied:\n  SRC:";
        const struct {
            QByteArray patch;
            int status;
            QByteArray out, err;
        } cases[] = {
            {h + "units 003 Name \"Falke IFV\" -> \"J\xc3\xa4ger\"\nunits 004 Name \"Corsair IFV\" -> \"K\xf6ln\"\n", 0,
             "would change units 003 Name \"Falke IFV\" -> \"J\xc3\xa4ger\"\nwould change units 004 Name \"Corsair IFV\" -> "
             "\"K\xc3\xb6ln\"\nwould change 2 fields\n",
             "orbtool-cli: read line 3 of 'SRC' as Windows-1252 (it is not UTF-8)\n"},
            {utf16(h + "units 003 Cost 198 -> 7\n", ""), 0, "would change units 003 Cost 198 -> 7\nwould change 1 field\n",
             "orbtool-cli: read 'SRC' as UTF-16LE: it has no byte order mark, but its zero bytes are those of UTF-16LE\n"},
            {"orbtool-patch\t1\n", 2, "", refused + "1: not a patch: the first line that is not blank or a comment must be "
                                            "'orbtool-patch 1', not \"orbtool-patch\\t1\"\n"},
            {"# mod\norbtool-patch  1\n", 2, "", refused + "2: not a patch: the first line that is not blank or a comment must be "
                                                 "'orbtool-patch 1', not \"orbtool-patch  1\"\n"},
            {"number,Name,Class,Class name,Icon,Icon bytes,Nation\n", 2, "",
             refused + "1: not a patch: the first line that is not blank or a comment must be 'orbtool-patch 1', not "
                       "\"number,Name,Class,Class name,Icon,Icon b\"...\n"},
            {h + "units 003 Name \"Falke IFV\" -> \"\"\nunits 004 Name \"x\" -> \"0123456789abcdef\"\n"
                 "units 005 Name \"\\q\" -> \"\xe2\x82\xac\"\nunits 006 Cost \"7\" -> 8\n", 2, "",
             refused + "3: Name: a name holds at most 15 bytes, and no zero byte\n  SRC:4: Name: an escape in a name is \\\", "
                       "\\\\ or \\xNN\n  SRC:5: Cost holds a number from 0 to 255, not a name\n"},
            {h + "units 005 Name \"Recon Patrol\" -> \"\xe2\x82\xac\"\n", 2, "", refused + "2: Name: '\xe2\x82\xac' has no byte in a name\n"},
        };
        for (const auto& c : cases) {
            const QString patch = put("patch", c.patch);
            const Run r = cli({"apply", file, patch, "--dry-run"});
            QVERIFY2(r.status == c.status, c.patch.left(60) + ": " + r.err);
            QCOMPARE(r.out, c.out);
            QCOMPARE(r.err, QByteArray(c.err).replace("SRC", patch.toUtf8()));
        }
        QCOMPARE(readAll(file), sampleBytes(12));
    }

    // A dump imports as no change, as JSON and as a workbook; a workbook holds what a spreadsheet
    // user needs, and saved again by openpyxl or LibreOffice it still imports as no change.
    void workbooksSurviveTheSpreadsheets()
    {
        const QString file = putSample(tmp.path(), 12), book = path("book.xlsx"), json = path("dump.json");
        QCOMPARE(cli({"dump", file, "-o", json}).status, 0);
        QCOMPARE(cli({"dump", file, "--format", "XLSX", "-o", book}).status, 0);
        QCOMPARE(cli({"dump", file, "--format", "xlsx"}).err, QByteArray("orbtool-cli: a workbook is written to a file: give -o FILE.xlsx\n"));
        for (const QString& source : {json, book})
            QCOMPARE(cli({"import", file, source, "--dry-run"}).out, QByteArray("would change 0 entries, 0 fields\n"));

        const Run looked = python(R"(
wb = openpyxl.load_workbook('book.xlsx')
print(wb.sheetnames)
ws = wb['units']
print([c.value for c in ws[1]][:5], ws.freeze_panes)
print([(c.value, c.data_type) for c in ws[2]][:4])
print(ws.data_validations.dataValidation[0].sqref, ws.data_validations.dataValidation[0].showErrorMessage)
wb.save('resaved.xlsx')
)");
        if (looked.status == -2)
            QSKIP(looked.err);
        QCOMPARE(looked.status, 0);
        QCOMPARE(looked.out, QByteArray("['units', 'weapons', 'formations']\n"
                                        "['number', 'Name', 'Class', 'Class name', 'Icon'] A2\n"
                                        "[(1, 'n'), ('Kestrel A1', 's'), (19, 'n'), ('SP ATGW', 's')]\n"
                                        "D2:D250 True\n"));
        QCOMPARE(cli({"import", file, path("resaved.xlsx"), "--dry-run"}).out, QByteArray("would change 0 entries, 0 fields\n"));

        // Names that spreadsheets like to change, typed as text, come back exactly; a number typed
        // into a name is refused, where a CSV would have stored it.
        QCOMPARE(python(R"(
wb = openpyxl.load_workbook('book.xlsx')
ws = wb['units']
for row, name in enumerate(['0012', '3/4', '1e5', 'NA', '=1+1', '+44'], start=2):
    ws.cell(row=row, column=2).value = name
    ws.cell(row=row, column=2).data_type = 's'
wb['weapons'].cell(row=250, column=1 + [c.value for c in wb['weapons'][1]].index('Size')).value = 42
wb.save('edited.xlsx')
ws.cell(row=3, column=2).value = 12
wb.save('number.xlsx')
ws.cell(row=3, column=2).value = 'a\x85b'
wb.save('control.xlsx')
)").status, 0);
        const Run edited = cli({"import", file, path("edited.xlsx")});
        QCOMPARE(edited.out, QByteArray("changed 7 entries, 7 fields\n"));
        const QByteArray names = "001 Name=0012\n002 Name=3/4\n003 Name=1e5\n004 Name=NA\n005 Name==1+1\n006 Name=+44\n";
        QCOMPARE(cli({"get", file, "units", "--where", "Nation=12", "Name"}).out.left(names.size()), names);
        QCOMPARE(cli({"get", file, "weapons", "249", "Size"}).out, QByteArray("Size=42\n"));
        const Run number = cli({"import", file, path("number.xlsx")});
        QCOMPARE(number.status, 2);
        QCOMPARE(number.err, QByteArray("orbtool-cli: nothing was imported:\n  units!B3: Name: the number 12 where a name belongs; "
                                        "a spreadsheet turns names such as 0012 into numbers: format the cell as text\n"));
        QCOMPARE(cli({"import", file, path("control.xlsx")}).err,
                 QByteArray("orbtool-cli: nothing was imported:\n  units!B3: Name: a name cannot hold control characters (line "
                            "ends, tabs, U+007F to U+009F): it holds \\x85\n"));

        // Gnumeric, where it is installed: the workbook (of the names just imported) saved again.
        QCOMPARE(cli({"dump", file, "--format", "xlsx", "-o", book}).status, 0);
        const QString gnumeric = QStandardPaths::findExecutable("ssconvert");
        if (!gnumeric.isEmpty()) {
            QCOMPARE(run(gnumeric, {book, path("gnumeric.xlsx")}, {}, tmp.path()).status, 0);
            QCOMPARE(cli({"import", file, path("gnumeric.xlsx"), "--dry-run"}).out, QByteArray("would change 0 entries, 0 fields\n"));
        } else {
            qInfo("Gnumeric (ssconvert) is not installed: its round trip was not tried");
        }

        // LibreOffice, where it is installed: the workbook saved again, and its units saved as a
        // CSV as a German spreadsheet on Windows saves it (semicolons, Windows-1252).
        const QString office = QStandardPaths::findExecutable("soffice");
        if (office.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed: its round trips were not tried");
        QCOMPARE(cli({"set", file, "units", "9", "Name=M\xc3\xb6we"}).status, 0);
        QCOMPARE(cli({"dump", file, "--format", "xlsx", "-o", book}).status, 0);
        const QString profile = "-env:UserInstallation=file://" + path("profile");
        for (const QString& to : {QString("xlsx"), QString("csv:Text - txt - csv (StarCalc):59,34,ANSI,1")}) {
            const Run converted = run(office, {profile, "--headless", "--convert-to", to, "--outdir", path("lo"), book}, {}, tmp.path());
            QVERIFY2(converted.status == 0, converted.err);
        }
        QVERIFY(readAll(path("lo/book.csv")).contains(";\"M\xf6we\";"));  // Windows-1252 indeed
        QCOMPARE(cli({"import", file, path("lo/book.xlsx"), "--dry-run"}).out, QByteArray("would change 0 entries, 0 fields\n"));
        const Run csv = cli({"import", file, "units", path("lo/book.csv"), "--dry-run"});
        QCOMPARE(csv.out, QByteArray("would change 0 entries, 0 fields\n"));
        QVERIFY2(csv.err.contains("as Windows-1252") && csv.err.contains("with ';' as the separator"), csv.err);
    }

    // A merge carries the length and the tail from the side that changed them; both sides
    // changing them is a conflict that keeps ours'.
    void mergeCarriesLengthAndTail()
    {
        const QByteArray stock = sampleBytes(12);
        const struct {
            QByteArray base, ours, theirs;
            int status;
            QByteArray result;  // what the merged file holds
            const char* conflict;  // the conflict line, after "CONFLICT NAME: "
        } cases[] = {
            {stock, stock, stock + "TAIL", 0, stock + "TAIL", nullptr},
            {stock, stock + "TAIL", stock, 0, stock + "TAIL", nullptr},
            {stock + "TAIL", stock + "TAIL", stock, 0, stock, nullptr},  // theirs took the tail away
            {stock, stock + "MINE", stock + "THEIRS", 1, stock + "MINE",
             "file length and tail: base 44500 bytes, ours 44504 bytes with a tail, theirs 44506 bytes with a tail, each "
             "changed: kept ours'"},
            {stock, stock.left(30000), stock.left(40000), 1, stock.left(30000),
             "file length and tail: base 44500 bytes, ours 30000 bytes, theirs 40000 bytes, each changed: kept ours'"},
            // A short base whose end one side writes past: that side's values, where the other
            // left the file as base had it.
            {stock.left(30000), stock.left(30000), stock, 0, stock, nullptr},
            {stock.left(30000), stock, stock.left(30000), 0, stock, nullptr},
            // Cut short, the file would lose the values past its new end.
            {stock, stock, stock.left(40000), 1, stock,
             "file length: theirs cut it to 40000 bytes, where formations 75 Slot1 holds a value: kept ours' length"},
        };
        for (const auto& c : cases) {
            const QString base = put("BASE", c.base), ours = put("OURS", c.ours), theirs = put("THEIRS", c.theirs);
            const Run r = cli({"merge", base, ours, theirs, "--name", "mod/ORB12"});
            QVERIFY2(r.status == c.status, r.err);
            QVERIFY2(readAll(ours) == c.result, qPrintable(QString::number(readAll(ours).size())));
            if (c.conflict)
                QVERIFY2(r.err.split('\n').contains(QByteArray("CONFLICT mod/ORB12: ") + c.conflict), r.err);
            else
                QVERIFY2(!r.err.contains("CONFLICT"), r.err);
            // A short side is named by the path given (git's own names for the sides are temporary).
            QVERIFY2(r.err.contains("'mod/ORB12 (base)' is only ") == (c.base.size() < int(OrbImageSize)) &&
                         !r.err.contains(tmp.path().toUtf8()),
                     r.err);
        }
    }

    // What no field shows is shown, diffed and warned of: a name's bytes after its end, a length,
    // a tail (hex first, then a hash a MiB).
    void everyByteIsShown()
    {
        QByteArray named = sampleBytes(12);
        const int at = UnitFields().front().at(2);  // unit 2's name, "Mammoth Mk3" and its end
        named[at + 13] = 'Z';
        const QString a = putSample(tmp.path(), 12, "A"), b = put("B", named);
        QVERIFY(cli({"show", b}).out.contains("\nunits 002 Name after its end: 00 5a 00\n"));
        QVERIFY(!cli({"show", a}).out.contains("after its end"));
        const Run diff = cli({"diff", a, b});
        QCOMPARE(diff.status, 1);
        QCOMPARE(diff.out, QByteArray("units 002 Name after its end: none -> 00 5a 00\n"));
        QCOMPARE(cli({"patch", a, b}).err, QByteArray("orbtool-cli: 1 name's bytes after its end differ; the patch does not carry them\n"));

        QByteArray tail(2 * 1024 * 1024 + 5, '\x01');
        const QString longer = put("LONG", sampleBytes(12) + tail);
        const QByteArray shown = cli({"show", longer}).out;
        QVERIFY(shown.contains("\nfile length 2141657\nfile tail 00044500: 01 01 "));
        QCOMPARE(shown.count("\nfile tail "), 32768 + 2);  // a MiB in lines of 32, then two hashed blocks
        QVERIFY(QRegularExpression("\nfile tail 01093076 to 02141651: fnv-1a [0-9a-f]{16}\n"
                                   "file tail 02141652 to 02141656: fnv-1a [0-9a-f]{16}\n$")
                    .match(QString::fromLatin1(shown.right(200)))
                    .hasMatch());
        tail[tail.size() - 1] = '\x02';
        const QByteArray changed = cli({"show", put("LONG2", sampleBytes(12) + tail)}).out;
        QCOMPARE(changed.left(changed.size() - 17), shown.left(shown.size() - 17));  // only the last hash differs
        QVERIFY(changed.right(17) != shown.right(17));
        QCOMPARE(cli({"patch", longer, path("LONG2")}).err,
                 QByteArray("orbtool-cli: the bytes past 44500 differ; the patch does not carry them\n"));
    }

    // In a real repository: fields show as lines and --stat counts them; a commit that only adds
    // a tail shows it; a merge takes each side's fields and keeps the tail; a conflict names the
    // file by its path and leaves a valid file with ours' value.
    void gitKeepsAndShowsEveryByte()
    {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed");
        const QString repo = path("repo");
        QDir().mkpath(repo + "/mods");
        auto git = [&repo](const QStringList& args) { return run("git", args, {}, repo); };
        QCOMPARE(cli({"git-setup", repo}).status, 2);  // not a repository yet
        QCOMPARE(git({"init", "-q", "-b", "main"}).status, 0);
        git({"config", "user.email", "modder@example.org"});
        git({"config", "user.name", "Modder"});
        const QString file = putSample(repo + "/mods", 12, "orb12");  // any letter case
        QCOMPARE(cli({"git-setup", repo}).status, 0);
        QCOMPARE(cli({"git-setup", repo}).status, 0);
        QCOMPARE(readAll(repo + "/.gitattributes").count("diff=orb merge=orb"), 1);
        git({"add", "-A"});
        QCOMPARE(git({"commit", "-qm", "stock"}).status, 0);
        git({"checkout", "-qb", "tail"});
        writeAll(file, sampleBytes(12) + "MODTAIL");
        QCOMPARE(cli({"set", file, "units", "20", "Crew=3"}).status, 0);
        QCOMPARE(git({"commit", "-qam", "tail"}).status, 0);
        QVERIFY(git({"show"}).out.contains("\n+file length 44507\n+file tail 00044500: 4d 4f 44 54 41 49 4c\n"));
        git({"checkout", "-q", "main"});
        QCOMPARE(cli({"set", file, "units", "17", "Cost=99"}).status, 0);
        QCOMPARE(git({"commit", "-qam", "cost"}).status, 0);
        QVERIFY(git({"log", "-p", "-1"}).out.contains("\n+units 017 Cost 99\n"));
        QVERIFY(git({"show", "--stat"}).out.contains("1 file changed, 1 insertion(+), 1 deletion(-)"));
        QCOMPARE(git({"merge", "-q", "tail", "-m", "merge"}).status, 0);
        QCOMPARE(readAll(file).right(7), QByteArray("MODTAIL"));
        QCOMPARE(cli({"get", file, "units", "17", "Cost"}).out + cli({"get", file, "units", "20", "Crew"}).out,
                 QByteArray("Cost=99\nCrew=3\n"));

        git({"checkout", "-qb", "theirs", "HEAD~2"});
        QCOMPARE(cli({"set", file, "units", "17", "Cost=50"}).status, 0);
        git({"commit", "-qam", "theirs"});
        git({"checkout", "-q", "main"});
        const Run conflict = git({"merge", "theirs", "-m", "merge"});
        QVERIFY(conflict.status != 0);
        QVERIFY2((conflict.out + conflict.err).contains("CONFLICT mods/orb12: units 017 Cost: base "), conflict.out + conflict.err);
        QCOMPARE(readAll(file).size(), int(OrbImageSize) + 7);
        QCOMPARE(cli({"get", file, "units", "17", "Cost"}).out, QByteArray("Cost=99\n"));
        QVERIFY(git({"diff", "theirs", "--", "mods/orb12"}).out.contains("units 017 Cost 50\n+units 017 Cost 99"));
    }

    // git-setup in a repository that converts line ends in every text file, run from a sub-folder:
    // its attributes go to the root, and a data file committed and checked out again is the same
    // 44500 bytes. A folder that is not there is named as such.
    void gitSetupKeepsLineEndsOutOfDataFiles()
    {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed");
        const QString repo = path("crlf");
        QDir().mkpath(repo + "/mods");
        auto git = [&repo](const QStringList& args) { return run("git", args, {}, repo); };
        QCOMPARE(git({"init", "-q", "-b", "main"}).status, 0);
        git({"config", "user.email", "modder@example.org"});
        git({"config", "user.name", "Modder"});
        writeAll(repo + "/.gitattributes", "* text eol=crlf\n");
        const Run setup = run(cliPath(), {"git-setup"}, {}, repo + "/mods");
        QVERIFY2(setup.status == 0, setup.err);
        QCOMPARE(readAll(repo + "/.gitattributes"), QByteArray("* text eol=crlf\n[Oo][Rr][Bb][0-9][0-9] -text diff=orb merge=orb\n"));
        QVERIFY(!QFileInfo::exists(repo + "/mods/.gitattributes"));
        QVERIFY2(setup.out.startsWith(QDir(repo).canonicalPath().toUtf8() + "/.gitattributes: "), setup.out);
        const QString file = putSample(repo + "/mods", 70, "orb70");
        git({"add", "-A"});
        QCOMPARE(git({"commit", "-qm", "stock"}).status, 0);
        QFile::remove(file);
        QCOMPARE(git({"checkout", "--", "mods/orb70"}).status, 0);
        QCOMPARE(readAll(file).size(), int(OrbImageSize));
        QCOMPARE(readAll(file), sampleBytes(70));
        const Run missing = cli({"git-setup", path("nowhere")});
        QCOMPARE(missing.status, 2);
        QCOMPARE(missing.err, "orbtool-cli: '" + path("nowhere").toUtf8() + "' does not exist\n");
    }

    void orbgenSaysHowItIsUsed()
    {
        const struct {
            QStringList args;
            int status;
            bool usageOnStdout;
        } cases[] = {{{"--help"}, 0, true}, {{"-h"}, 0, true}, {{"--hepl"}, 2, false}, {{}, 2, false}};
        for (const auto& c : cases) {
            const Run r = run(ORBGEN, c.args, {}, tmp.path());
            QCOMPARE(r.status, c.status);
            QCOMPARE((c.usageOnStdout ? r.out : r.err).left(18), QByteArray("usage: orbgen DIR\n"));
        }
        QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QCOMPARE(run(ORBGEN, {"made"}, {}, tmp.path()).status, 0);
        QCOMPARE(readAll(path("made/ORB12")), sampleBytes(12));
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
