// The command-line tool, run as a user would run it.
#include "CliRun.h"
#include "OrdinaryUser.h"
#include "TestFiles.h"

#include "core/Renumber.h"
#include "data/Fields.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    QString put(const char* name, const QByteArray& bytes)
    {
        writeAll(tmp.filePath(name), bytes);
        return tmp.filePath(name);
    }
    // Every file below the folder with its bytes and where the system keeps it: what a refused
    // command must leave as it was.
    std::map<QString, QByteArray> files() const { return FilesBelow(tmp.path()); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // What each command prints and returns, for files whole, short, long, odd or missing, and for
    // wrong words; a refused command (exit 2) writes no file.
    void commandsSayWhatTheFilesHold()
    {
        const QString full = putSample(tmp.path(), 70), dst = putSample(tmp.path(), 12, "DST");
        const QString empty = put("EMPTY", {}), shortFile = put("SHORT", sampleBytes(70).left(30000));
        const QString longA = put("LONGA", sampleBytes(70) + "tail a"), longB = put("LONGB", sampleBytes(70) + "tail b");
        // Unit 1's name with a line end in it, as a file may hold it; a stored Wpn1 of 250 and
        // Nation of 255, above what a commit stores.
        OrbData oddOrb = sampleOrb(70);
        oddOrb.edit<UnitRecord>(1, [](UnitRecord& u) { u.Name = std::string("a\nb\\c"); });
        oddOrb.edit<UnitRecord>(2, [](UnitRecord& u) { u.Name = std::string("x\x85y\x7f\xa0"); });  // NEL, DEL and a space
        oddOrb.edit<UnitRecord>(17, [](UnitRecord& u) { u.Wpn1 = 250, u.Nation = 255; });
        const QString odd = put("ODD", packedOver(sampleBytes(70), oddOrb));
        QDir().mkdir(tmp.filePath("list"));
        putSample(tmp.filePath("list"), 5, "orb05");
        putSample(tmp.filePath("list"), 81);
        const QByteArray u17 = QString::fromLatin1(sampleOrb(70).unit(17).Name.c_str()).toUtf8();
        const QByteArray control = "orbtool-cli: Name: a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds ";

        struct Case {
            QStringList args;
            int status;
            QByteArray out, err;  // what each must contain; for a refusal, err is a whole line of stderr (DIR: the folder)
            QByteArray input = {};
        };
        const Case cases[] = {
            {{"list", tmp.filePath("list")}, 0, "Orb05 - MOD - Japan\n", ""},
            {{"list", tmp.filePath("list")}, 0, "\n ? Orb12 - MOD - USA\n", ""},
            {{"list", tmp.filePath("list")}, 0, "\nOrb81 - WW2 - USSR\n", ""},
            {{"list", tmp.filePath("nowhere")}, 2, "", "orbtool-cli: 'DIR/nowhere' is not a directory"},
            {{"--help"}, 0, "renumber", ""},
            {{"help", "import"}, 0, "--dry-run", ""},
            {{"--version"}, 0, "orbtool-cli ", ""},
            {{"fields", "Units"}, 0, "HiddenByte", ""},
            {{"get", full, "UNITS", "0017", "cost", "Name"}, 0, "\nName=" + u17 + "\n", ""},
            {{"dump", full, "--format", "csv"}, 2, "", "orbtool-cli: csv holds one table: choose it with --table"},
            {{"dump", full, "--table", "tanks"}, 2, "", "orbtool-cli: unknown table 'tanks' (units, weapons or formations)"},
            {{"dump", tmp.filePath("ORB99")}, 2, "", "orbtool-cli: 'DIR/ORB99' does not exist"},
            {{"copy", empty, "units", "1", dst, "7"}, 2, "", "orbtool-cli: 'DIR/EMPTY' is only 0 bytes long: units 1 Name lies past its end"},
            {{"copy", shortFile, "formations", "1", dst, "5"}, 2, "", "orbtool-cli: 'DIR/SHORT' is only 30000 bytes long: formations 1 Name lies past its end"},
            {{"check", empty}, 1, "EMPTY:file:0:length: error file-short: only 0 of 44500 bytes\n", "'" + empty.toUtf8() + "' is only 0 bytes long"},
            {{"get", shortFile, "units", "1", "Cost"}, 0, "Cost=", "is only 30000 bytes long"},
            {{"dump", shortFile, "--table", "units", "--format", "CSV"}, 0, "number,Name", "is only 30000 bytes"},
            {{"diff", shortFile, full}, 1, "file length: 30000 -> 44500 bytes\n", "is only 30000 bytes"},
            {{"diff", longA, longB}, 1, "file tail: the bytes past 44500 differ\n", ""},
            {{"diff", longA, full}, 1, "file length: 44506 -> 44500 bytes\n", ""},
            {{"diff", longA, longA}, 0, "", ""},
            {{"get", odd, "units", "1", "Name"}, 0, "Name=a\\x0ab\\\\c\n", ""},
            {{"diff", odd, full, "--table", "units"}, 1, "units 001 Name: a\\x0ab\\\\c -> ", ""},
            {{"get", odd, "units", "2", "Name"}, 0, "Name=x\\x85y\\x7f\xc2\xa0\n", ""},
            {{"diff", odd, full, "--table", "units"}, 1, "\nunits 002 Name: x\\x85y\\x7f\xc2\xa0 -> ", ""},
            {{"show", odd}, 0, "\nunits 002 Name \"x\\x85y\\x7f\xc2\xa0\"\n", ""},
            {{"patch", full, odd}, 0, "\" -> \"x\\x85y\\x7f\xc2\xa0\"\n", ""},
            {{"renumber", dst, "012", "005"}, 0, "Renumbered", ""},
            {{"renumber", dst, "5", "5"}, 0, "Renumbered 0 units and 0 formations from 05 to 05\n", ""},  // nothing listed
            {{"renumber", dst, "100", "5"}, 2, "", "orbtool-cli: renumber takes nation codes 0 to 99, as the editor's Renumber does, not '100'"},
            {{"get", full, "units", "--where", "", "Cost"}, 2, "", "orbtool-cli: --where: needs at least one condition, e.g. \"Nation=12\""},
            {{"get", full, "units", "--where", "Name='" + QString::fromLatin1(sampleOrb(70).unit(17).Name.c_str()) + "'",
              "Crew"}, 0, "017 Crew=", "entries match"},
            {{"set", dst, "units", "1", "Cost=007"}, 0, "Cost=7\n", ""},
            {{"get", dst, "units", "--where", "Nation=5 Cost=7", "Cost"}, 0, "001 Cost=7\n", "entries match"},  // renumbered above
            {{"get", dst, "units", "--where", "Colour=3"}, 2, "", "orbtool-cli: --where 'Colour=3': no field of units is called 'Colour'"},
            {{"set", dst, "units", "--where", "Nation=99"}, 2, "", "orbtool-cli: set needs FIELD=TEXT"},
            {{"set", full, "units", "1", QString::fromUtf8("Name=Tiger \u20ac")}, 2, "", "orbtool-cli: Name: '\xe2\x82\xac' cannot be stored in a name (Latin-1 characters only)"},
            {{"set", full, "weapons", "2", QString::fromUtf8("Name=\u65e5\u672c")}, 2, "", "orbtool-cli: Name: '\xe6\x97\xa5' cannot be stored in a name (Latin-1 characters only)"},
            {{"set", shortFile, "formations", "3", "Name=Lost"}, 2, "", "orbtool-cli: 'DIR/SHORT' is only 30000 bytes long: formations 3 Name lies past its end and cannot be stored"},
            {{"set", shortFile, "formations", "150", "Special=9"}, 2, "", "orbtool-cli: 'DIR/SHORT' is only 30000 bytes long: formations 150 Special lies past its end and cannot be stored"},
            {{"set", full, "units", "1", "HiddenByte=3"}, 2, "", "orbtool-cli: field 'HiddenByte' cannot be set: no page of the editor edits it"},
            {{"set", full, "units", "1", "IconBytes=3"}, 2, "", "orbtool-cli: field 'IconBytes' cannot be set: no page of the editor edits it"},
            {{"set", full, "weapons", "1", "Spare=3"}, 2, "", "orbtool-cli: field 'Spare' cannot be set: no page of the editor edits it"},
            {{"set", full, "units", "1", "Cost=3", "Colour=3"}, 2, "", "orbtool-cli: unknown field 'Colour' of units"},
            {{"set", full, "units", "250", "Cost=3"}, 2, "", "orbtool-cli: entry number must be from 1 to 249, not '250'"},
            {{"set", full, "formations", "200", "Nation=3"}, 2, "", "orbtool-cli: entry number must be from 1 to 199, not '200'"},
            {{"set", full, "tanks", "1", "Cost=3"}, 2, "", "orbtool-cli: unknown table 'tanks' (units, weapons or formations)"},
            {{"set", full, "units", "1", "Cost"}, 2, "", "orbtool-cli: expected FIELD=TEXT, got 'Cost'"},
            {{"set", full, "units", "1", "Name=a\nb"}, 2, "", control + "\\x0a"},
            {{"set", full, "units", "1", "Name=a\x7f"}, 2, "", control + "\\x7f"},
            {{"set", full, "units", "1", QString::fromUtf8("Name=a\u0085b")}, 2, "", control + "\\x85"},
            {{"set", full, "units", "1", QString::fromUtf8("Name=\u009f")}, 2, "", control + "\\x9f"},
            {{"set", dst, "units", "1", "Cost="}, 0, "Cost=0\n", "Cost: '' stored as 0\n"},
            {{"set", dst, "units", "1", QString::fromUtf8("Name=\u00a0")}, 0, "Name=\xc2\xa0\n", ""},
            {{"frobnicate"}, 2, "", "orbtool-cli: The following argument was not expected: frobnicate"},
            {{}, 2, "", "Usage: orbtool-cli [OPTIONS] [SUBCOMMAND]"},
            // A short file is named by every command that reads it, those that save it too; what
            // lies past its end is not moved or renumbered as if it held zeros.
            {{"import", shortFile, "units", "-"}, 0, "changed 1 entry, 1 field\n", "SHORT' is only 30000 bytes long, not 44500", "number,Cost\n1,8\n"},
            {{"apply", shortFile, "-"}, 0, "changed 1 field\n", "SHORT' is only 30000 bytes long, not 44500", "orbtool-patch 1\nunits 001 Cost 8 -> 9\n"},
            {{"set", shortFile, "units", "1", "Cost=9"}, 0, "Cost=9\n", "SHORT' is only 30000 bytes long, not 44500"},  // a value inside a short file stores
            {{"copy", full, "units", "1", shortFile, "3"}, 0, "copied units 001 to 003\n", "SHORT' is only 30000 bytes long, not 44500"},
            {{"move", shortFile, "units", "1", "2", "--swap"}, 0, "swapped units 001 and 002; ", "SHORT' is only 30000 bytes long, not 44500"},
            {{"move", shortFile, "formations", "1", "199"}, 2, "", "orbtool-cli: 'DIR/SHORT' is only 30000 bytes long: formations 1 Name lies past its end and cannot be moved"},
            {{"move", shortFile, "units", "1", "249"}, 0, "moved units 001 to 249; ", ""},  // a unit lies wholly before byte 30000
            {{"renumber", shortFile, "70", "5"}, 2, "", "orbtool-cli: 'DIR/SHORT' is only 30000 bytes long: formations 1 Nation lies past its end and cannot be renumbered"},
            {{"refs", full, "tanks", "1"}, 2, "", "orbtool-cli: unknown table 'tanks' (units, weapons or formations)"},
            {{"refs", full, "weapons", "250"}, 2, "", "orbtool-cli: entry number must be from 1 to 249, not '250'"},
            {{"move", dst, "units", "1", "2"}, 2, "", "orbtool-cli: units 002 is not empty: swap the two, or choose an empty one"},
            {{"move", dst, "units", "1", "2", "--swap"}, 0, "swapped units 001 and 002; ", ""},
        };
        for (const Case& c : cases) {
            const auto before = files();
            Run r = cli(c.args, c.input);
            const QByteArray what = c.args.join(' ').toUtf8() + ": " + r.out + r.err;
            QVERIFY2(r.status == c.status, what.constData());
            const bool said = c.status == 2 ? r.err.split('\n').contains(QByteArray(c.err).replace("DIR", tmp.path().toUtf8()))
                                            : r.err.contains(c.err);
            QVERIFY2(r.out.contains(c.out) && said, what.constData());
            QVERIFY2(c.status != 2 || (files() == before && !r.err.isEmpty()), what.constData());
        }
        QCOMPARE(readAll(shortFile).size(), 30000);
        QCOMPARE(cli({"list", tmp.filePath("list")}).out.count('\n'), 66);
        QDir().mkdir(tmp.filePath("none"));
        QCOMPARE(cli({"list", tmp.filePath("none")}).out, QByteArray());  // no data files: no lines
        QVERIFY(QRegularExpression("\\nunits +Nation +u8 +249 +yes\\n").match(QString(cli({"fields", "units"}).out)).hasMatch());
        QCOMPARE(cli({"get", full, "weapons", "1"}).out.count('\n'), qsizetype(WeaponFields().size()));
        QVERIFY(cli({"set", dst, "units", "1", "Cost=007"}).err.isEmpty());  // the same number: no warning
        // set --where: every unit of nation 5 of class 13 costs 250 afterwards, and nothing else changed.
        const OrbData before = orbOf(readAll(dst));
        Run many = cli({"set", dst, "units", "Cost=250", "--where", "nation=5 class=13"});
        QCOMPARE(many.status, 0);
        const OrbData after = orbOf(readAll(dst));
        int matched = 0;
        for (int n = 1; n <= UnitCount; ++n) {
            const bool chosen = before.unit(n).Nation == 5 && before.unit(n).Class == 13;
            matched += chosen;
            QVERIFY(after.unit(n).Cost == (chosen ? 250 : before.unit(n).Cost));
        }
        QVERIFY(matched > 0);
        QVERIFY(many.out.endsWith(QString(matched == 1 ? "set 1 entry\n" : "set %1 entries\n").arg(matched).toUtf8()));

        // The unchanged dump of any file imports as no change and leaves the file alone, its time
        // too: stored values above what a commit stores, odd names and random bytes included.
        QByteArray noise(int(OrbImageSize), 0);
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 2654435761u) >> 13);
        const QString random = put("RANDOM", noise);
        QTest::qSleep(20);
        for (const QString& file : {odd, random, dst}) {
            const QByteArray bytes = readAll(file);
            const QDateTime stamp = QFileInfo(file).lastModified();
            for (const char* table : {"units", "weapons", "formations"}) {
                Run dump = cli({"dump", file, "--table", table, "--format", "csv"});
                Run back = cli({"import", file, table, "-"}, dump.out);
                QVERIFY2(dump.status == 0 && back.status == 0, qPrintable(QString(table) + ": " + back.err));
                QCOMPARE(back.out, QByteArray("changed 0 entries, 0 fields\n"));
            }
            QVERIFY(readAll(file) == bytes && QFileInfo(file).lastModified() == stamp);
        }
    }

    // Folders that cannot be read are errors, not empty or missing.
    void unreadableFoldersAreErrors()
    {
        AS_ORDINARY_USER({{"ORBTOOL_CLI", cliPath()}});
        QDir().mkdir(tmp.filePath("list"));
        putSample(tmp.filePath("list"), 81);
        QFile::setPermissions(tmp.filePath("list"), QFileDevice::WriteOwner);
        Run list = cli({"list", tmp.filePath("list")});
        Run get = cli({"get", tmp.filePath("list/ORB81"), "units", "1"});
        Run check = cli({"check", tmp.filePath("list")});
        QFile::setPermissions(tmp.filePath("list"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(list.status == 2 && list.err.contains("Permission denied"), list.err);
        QVERIFY2(get.status == 2 && get.err.contains("Permission denied"), get.err);
        QVERIFY2(check.status == 2 && check.err.startsWith("orbtool-cli: cannot read the folder '" + tmp.filePath("list").toUtf8() +
                                                           "': Permission denied"),
                 check.err);
    }

    // check names every data file it checks or could not read, in folders too (a data file's name
    // in either letter case; a folder so named), over several files and folders; exit 2 when one
    // could not be read, the others checked all the same.
    void checkNamesEveryFileOrWhyNot()
    {
        OrbData broken = sampleOrb(5);
        broken.edit<UnitRecord>(2, [](UnitRecord& u) { u.Wpn3 = 250; });
        QDir().mkpath(tmp.filePath("many/ORB81"));
        QDir().mkpath(tmp.filePath("none"));
        put("many/ORB05", packedOver(sampleBytes(5), broken));
        put("many/orb05", packedOver(sampleBytes(5), broken));
        putSample(tmp.filePath("many"), 12);
        const QString one = put("ONE", packedOver(sampleBytes(5), broken));
        const QByteArray found = ":units:2:Wpn3: error weapon-missing: weapon 250 does not exist\n";
        const struct {
            QStringList args;
            int status;
            QStringList checked;  // the files with the fault found, first to last
            QByteArray err;       // DIR: the folder
        } cases[] = {
            {{tmp.filePath("many")}, 2, {"many/ORB05", "many/orb05"}, "orbtool-cli: 'DIR/many/ORB81' is not a data file: not checked\n"},
            {{tmp.filePath("many/ORB12"), one}, 1, {"ONE"}, ""},
            {{one, tmp.filePath("none"), tmp.filePath("nowhere")}, 2, {"ONE"},
             "orbtool-cli: 'DIR/none' holds no data file (ORB05, ORB12, ...): not checked\n"
             "orbtool-cli: 'DIR/nowhere' does not exist: not checked\n"},
        };
        for (const auto& c : cases) {
            const Run r = cli(QStringList{"check"} + c.args);
            QByteArray want;
            for (const QString& file : c.checked)
                want += tmp.filePath(file).toUtf8() + found;
            QVERIFY2(r.status == c.status, r.err);
            QCOMPARE(QString::fromUtf8(r.out).remove(QRegularExpression(".*warning above-bound.*\n")), QString::fromUtf8(want));
            QCOMPARE(r.err, QByteArray(c.err).replace("DIR", tmp.path().toUtf8()));
        }
    }

    // An import source or a patch that cannot be read says why, and changes nothing.
    void unreadableSourcesSayWhy()
    {
        AS_ORDINARY_USER({{"ORBTOOL_CLI", cliPath()}});
        const QString file = putSample(tmp.path(), 12), locked = put("LOCKED", "number,Cost\n3,7\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QDir().mkdir(tmp.filePath("folder"));
        QDir().mkdir(tmp.filePath("shut"));
        put("shut/units.csv", "number,Cost\n3,7\n");
        QFile::setPermissions(tmp.filePath("shut"), QFileDevice::WriteOwner);
        const std::pair<QString, QByteArray> sources[] = {
            {tmp.filePath("missing.csv"), "it does not exist"},
            {tmp.filePath("folder"), "it is a folder"},
            {locked, "Permission denied"},
            {tmp.filePath("shut/units.csv"), "Permission denied"},
        };
        const auto before = files();
        for (const auto& [source, why] : sources)
            for (const QStringList& args : {QStringList{"import", file, "units", source}, QStringList{"apply", file, source}}) {
                const Run r = cli(args);
                QVERIFY2(r.status == 2, qPrintable(args.join(' ') + ": " + r.err));
                QCOMPARE(r.err, "orbtool-cli: cannot read '" + source.toUtf8() + "': " + why + "\n");
            }
        const bool unchanged = files() == before;
        QFile::setPermissions(tmp.filePath("shut"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(unchanged);
    }

    void dumpJsonAndCsv()
    {
        const QString path = putSample(tmp.path(), 12);
        const OrbData orb = sampleOrb(12);
        Run r = cli({"dump", path});
        QCOMPARE(r.status, 0);
        QJsonParseError err;
        QJsonObject doc = QJsonDocument::fromJson(r.out, &err).object();
        QCOMPARE(err.error, QJsonParseError::NoError);
        QVERIFY(doc["units"].toArray().size() == 249 && doc["weapons"].toArray().size() == 249 &&
                doc["formations"].toArray().size() == 199);
        const QJsonObject u17 = doc["units"].toArray()[16].toObject();
        QVERIFY(u17["number"].toInt() == 17 && u17["HiddenByte"].toInt() == orb.unit(17).HiddenByte &&
                u17["Icon"].toInt() == orb.unit(17).Icon);
        QCOMPARE(u17.size(), int(UnitFields().size()) + 1);  // no working fields
        QCOMPARE(doc["weapons"].toArray()[0].toObject()["APKill"].toInt(), int(orb.weapon(1).APKill));
        QCOMPARE(doc["formations"].toArray()[198].toObject()["Slot10"].toInt(), int(orb.formation(199).Slot10));
        // Names above 127 come out as their Latin-1 characters.
        int highNames = 0;
        for (int n = 1; n <= UnitCount; ++n) {
            const std::string& name = orb.unit(n).Name;
            if (std::any_of(name.begin(), name.end(), [](char c) { return uint8_t(c) > 127; })) {
                QCOMPARE(doc["units"].toArray()[n - 1].toObject()["Name"].toString(), QString::fromLatin1(name.c_str()));
                ++highNames;
            }
        }
        QVERIFY(highNames > 0);

        Run csv = cli({"dump", path, "--table", "weapons", "--format", "csv"});
        QList<QByteArray> rows = csv.out.split('\n');
        QVERIFY(rows[0].startsWith("number,Name,Class,Size,WarheadSize,HEPen,HEKill"));
        QCOMPARE(rows.size(), 251);  // header, 249 rows, empty after the last line break
        QVERIFY(rows[29].startsWith("29,Twin 23mm AA Gn,"));
        QCOMPARE(cli({"dump", "-", "--table", "WEAPONS", "--format", "csv"}, sampleBytes(12)).out, csv.out);
    }

    // set, import, renumber and copy change exactly what they name, as the window would.
    void writersChangeWhatTheyName()
    {
        const QString path = putSample(tmp.path(), 5);
        Run r = cli({"set", path, "Units", "40", "cost=1e3", "Icon=70000", QString::fromUtf8("Name=J\u00e4ger Kompanie ABC")});
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromUtf8(r.out), QString::fromUtf8("Cost=13\nIcon=65535\nName=J\u00e4ger Kompanie \n"));
        QCOMPARE(QString::fromUtf8(r.err), QString::fromUtf8("Cost: '1e3' stored as 13\nIcon: '70000' stored as 65535\n"
                                                             "Name: 'J\u00e4ger Kompanie ABC' stored as 'J\u00e4ger Kompanie '\n"));
        QCOMPARE(cli({"set", path, "formations", "3", "Slot2=5000", "Nation=-7"}).status, 0);
        // Any run of digits is capped as Commit caps it, however long.
        QCOMPARE(cli({"set", path, "units", "2", "Cost=99999999999999999999"}).out, QByteArray("Cost=255\n"));
        OrbData want = sampleOrb(5);
        want.edit<UnitRecord>(40, [](UnitRecord& u) { u.Cost = 13, u.Icon = 65535, u.Name = "J\xe4ger Kompanie "; });
        want.edit<UnitRecord>(2, [](UnitRecord& u) { u.Cost = 255; });
        want.edit<FormationRecord>(3, [](FormationRecord& f) { f.Slot2 = 1200, f.Nation = 7; });
        QCOMPARE(readAll(path), packedOver(sampleBytes(5), want));

        // Import: chosen fields change exactly their bytes (what it reads and refuses: test_exchange).
        const QString twelve = putSample(tmp.path(), 12);
        const QByteArray chosen = "number,Cost,Name,Icon\r\n40,120,\"Tiger, K\xc3\xb6nigs\",4660\r\n";
        QCOMPARE(cli({"import", twelve, "units", "-"}, chosen).out, QByteArray("changed 1 entry, 3 fields\n"));
        OrbData imported = sampleOrb(12);
        imported.edit<UnitRecord>(40, [](UnitRecord& u) { u.Cost = 120, u.Name = "Tiger, K\xf6nigs", u.Icon = 4660; });
        QCOMPARE(readAll(twelve), packedOver(sampleBytes(12), imported));

        // Renumber and copy carry what the window's Renumber and Copy, Paste and Commit carry.
        const QString r81 = putSample(tmp.path(), 81, "R");
        OrbData expect = sampleOrb(81);
        RenumberResult moved = RenumberNation(expect, 81, 5);
        QCOMPARE(QString(cli({"renumber", r81, "81", "5"}).out),
                 QString("Renumbered %1 units and %2 formations from 81 to 05\n").arg(moved.units.size()).arg(moved.formations.size()));
        QCOMPARE(readAll(r81), packedOver(sampleBytes(81), expect));
        const QString dst = putSample(tmp.path(), 70, "D");
        QCOMPARE(cli({"copy", putSample(tmp.path(), 5, "A"), "UNITS", "17", dst, "30"}).status, 0);
        OrbData copied = sampleOrb(70);
        UnitRecord unit = sampleOrb(5).unit(17);
        unit.HiddenByte = copied.unit(30).HiddenByte;
        copied.setUnit(30, unit);
        QCOMPARE(readAll(dst), packedOver(sampleBytes(70), copied));
        QVERIFY(readAll(dst) != sampleBytes(70));
    }

    // Output that never arrives is an error, for every command that writes any: a full disk must
    // not pass for an empty diff. A file named for the output is checked as well.
    void outputThatCannotBeWrittenFails()
    {
#ifdef _WIN32
        QSKIP("no full device on this system");
#else
        const QString a = putSample(tmp.path(), 5, "A"), b = putSample(tmp.path(), 12, "B");
        const QString patch = tmp.filePath("p.txt");
        writeAll(patch, cli({"patch", a, b}).out);
        const QStringList commands[] = {
            {"list", QFileInfo(putSample(tmp.path(), 5)).path()}, {"dump", a}, {"dump", a, "--table", "units", "--format", "csv"}, {"fields"},
            {"get", a, "units", "1"}, {"set", b, "units", "1", "Cost=7"}, {"diff", a, b}, {"check", "--list-rules"},
            {"patch", a, b}, {"apply", a, patch, "--dry-run"}, {"show", a}, {"--help"}, {"--version"},
            {"help", "dump"}, {"renumber", b, "12", "13"}, {"import", b, "units", patch, "--dry-run"},
        };
        for (const QStringList& args : commands) {
            QProcess p;
            p.setStandardOutputFile("/dev/full");
            p.start(cliPath(), args);
            QVERIFY(p.waitForFinished(30000));
            const QByteArray err = p.readAllStandardError();
            const bool refused = args.first() == "import";  // a patch is no CSV: refused before any output
            QVERIFY2(p.exitCode() == 2, qPrintable(args.join(' ') + ": " + err));
            QVERIFY2(refused != err.contains("orbtool-cli: cannot write the output: No space left on device\n"),
                     qPrintable(args.join(' ') + ": " + err));
        }
        Run toFile = cli({"patch", a, b, "-o", "/dev/full"});
        QCOMPARE(toFile.status, 2);
        // A device is no file to replace: refused, and left a device.
        QVERIFY(toFile.err.endsWith("orbtool-cli: cannot write '/dev/full': not a regular file\n"));
        QVERIFY(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
#endif
    }

    void diffAndCheck()
    {
        const QString a = putSample(tmp.path(), 5, "A");
        QCOMPARE(cli({"diff", a, putSample(tmp.path(), 5, "B")}).status, 0);
        OrbData orb = sampleOrb(5);
        const int cost = orb.unit(17).Cost;
        const QString name3 = QString::fromLatin1(orb.weapon(3).Name.c_str());
        orb.edit<UnitRecord>(17, [](UnitRecord& u) { ++u.Cost; });
        orb.edit<WeaponRecord>(3, [](WeaponRecord& w) { w.Name = "Neu\xe9"; });
        const QString b = put("B", packedOver(sampleBytes(5), orb));
        Run d = cli({"diff", a, b});
        QCOMPARE(d.status, 1);
        QCOMPARE(QString::fromUtf8(d.out),
                 QString("units 017 Cost: %1 -> %2\nweapons 003 Name: %3 -> Neu\u00e9\n").arg(cost).arg(cost + 1).arg(name3));
        QCOMPARE(cli({"diff", a, b, "--table", "Formations"}).status, 0);
        QJsonArray json = QJsonDocument::fromJson(cli({"diff", a, b, "--format", "json"}).out).array();
        QCOMPARE(json.size(), 2);
        QCOMPARE(json[0].toObject()["a"], QJsonValue(cost));  // numbers as numbers, names as text
        QCOMPARE(json[0].toObject()["b"], QJsonValue(cost + 1));
        QCOMPARE(json[1].toObject()["b"], QJsonValue(QString::fromUtf8("Neu\u00e9")));
        // A planted fault is found (which faults, the core's tests say).
        OrbData broken = sampleOrb(12);
        broken.edit<UnitRecord>(2, [](UnitRecord& u) { u.Wpn3 = 250; });
        const QByteArray at = put("ORB12", packedOver(sampleBytes(12), broken)).toUtf8();
        Run c = cli({"check", at});
        QCOMPARE(c.status, 1);
        QCOMPARE(c.out, at + ":units:2:Wpn3: error weapon-missing: weapon 250 does not exist\n" + at +
                            ":units:2:Wpn3: warning above-bound: holds 250, above the 249 a Commit stores: a Commit would change it\n");
        QCOMPARE(cli({"check", at, "--ignore", "weapon-missing,above-bound"}).status, 0);
        QCOMPARE(cli({"check", at, "--rules", "above-bound"}).status, 0);  // a warning: no error found
        const QJsonArray found = QJsonDocument::fromJson(cli({"check", tmp.path(), "--format", "json"}).out).array();
        QCOMPARE(found.size(), 2);  // the folder's one data file
        QCOMPARE(found[0].toObject()["code"].toString(), QString("weapon-missing"));
        QCOMPARE(cli({"check", at, "--rules", "weapon-gone"}).err,
                 QByteArray("orbtool-cli: no rule is called 'weapon-gone' (orbtool-cli check --list-rules names them)\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
