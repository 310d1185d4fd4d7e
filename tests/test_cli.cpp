// The command-line tool, run as a user would run it.
#include "TestFiles.h"

#include "core/Renumber.h"
#include "data/Fields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
OrbData unpacked(const QByteArray& bytes)
{
    OrbData orb;
    OrbImage image;
    std::memcpy(image.bytes.data(), bytes.constData(), std::min<std::size_t>(bytes.size(), OrbImageSize));
    UnpackImage(image.bytes.data(), orb);
    return orb;
}

QByteArray packed(QByteArray bytes, const OrbData& orb)
{
    PackImage(orb, reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}
}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    struct Run {
        int status;
        QByteArray out, err;
    };
    Run cli(const QStringList& args, const QByteArray& input = {})
    {
        QProcess p;
#ifdef _WIN32
        // A cross build's path to the program is the build machine's; the layout is the same.
        p.start(QCoreApplication::applicationDirPath() + "/../tools/orbtool-cli.exe", args);
#else
        p.start(ORBTOOL_CLI, args);
#endif
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        QByteArray err = p.readAllStandardError();
#ifdef _WIN32
        err.replace("\r\n", "\n");  // messages go to a text stream, which ends lines as Windows does
#endif
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), err};
    }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    void listShowsTheSixtySixLines()
    {
        Run empty = cli({"list", tmp.path()});
        QCOMPARE(empty.status, 0);
        QCOMPARE(empty.out, QByteArray());

        putSample(tmp.path(), 5, "orb05");
        putSample(tmp.path(), 81);
        Run r = cli({"list", tmp.path()});
        QCOMPARE(r.status, 0);
        QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), 66);
        QCOMPARE(lines[5], QByteArray("Orb05 - MOD - Japan"));
        QCOMPARE(lines[55], QByteArray("Orb81 - WW2 - USSR"));
        QCOMPARE(lines[12], QByteArray(" ? Orb12 - MOD - USA"));

        QCOMPARE(cli({"list", tmp.filePath("nowhere")}).status, 2);
    }

    void dumpJsonAndCsv()
    {
        QString path = putSample(tmp.path(), 12);
        OrbData orb;
        auto image = MakeSampleImage(12);
        UnpackImage(image.data(), orb);

        Run r = cli({"dump", path});
        QCOMPARE(r.status, 0);
        QJsonParseError err;
        QJsonObject doc = QJsonDocument::fromJson(r.out, &err).object();
        QCOMPARE(err.error, QJsonParseError::NoError);
        QCOMPARE(doc["units"].toArray().size(), 249);
        QCOMPARE(doc["weapons"].toArray().size(), 249);
        QCOMPARE(doc["formations"].toArray().size(), 199);
        QJsonObject u17 = doc["units"].toArray()[16].toObject();
        QCOMPARE(u17["number"].toInt(), 17);
        QCOMPARE(u17["Name"].toString(), QString::fromLatin1(orb.unit(17).Name.c_str()));
        QCOMPARE(u17["HiddenByte"].toInt(), int(orb.unit(17).HiddenByte));
        QCOMPARE(u17["Icon"].toInt(), int(orb.unit(17).Icon));
        QVERIFY(!u17.contains("IconBytes") && !u17.contains("Spare"));
        QCOMPARE(u17.size(), int(UnitFields().size()) + 1);
        QJsonObject w1 = doc["weapons"].toArray()[0].toObject();
        QCOMPARE(w1["APKill"].toInt(), int(orb.weapon(1).APKill));
        QVERIFY(!w1.contains("Spare"));
        QCOMPARE(doc["formations"].toArray()[198].toObject()["Slot10"].toInt(), int(orb.formation(199).Slot10));

        // Names above 127 come out as their Latin-1 characters.
        bool sawHighByte = false;
        for (int n = 1; n <= UnitCount; ++n) {
            const std::string& name = orb.unit(n).Name;
            if (std::any_of(name.begin(), name.end(), [](char c) { return uint8_t(c) > 127; })) {
                QCOMPARE(doc["units"].toArray()[n - 1].toObject()["Name"].toString(), QString::fromLatin1(name.c_str()));
                sawHighByte = true;
            }
        }
        QVERIFY(sawHighByte);

        Run csv = cli({"dump", path, "--table", "weapons", "--format", "csv"});
        QCOMPARE(csv.status, 0);
        QList<QByteArray> rows = csv.out.split('\n');
        QVERIFY(rows[0].startsWith("number,Name,Class,Size,WarheadSize,HEPen,HEKill"));
        QCOMPARE(rows.size(), 251);  // header, 249 rows, empty after the last line break
        QVERIFY(rows[29].startsWith("29,Twin 23mm AA Gn,"));

        QCOMPARE(cli({"dump", "-", "--table", "WEAPONS", "--format", "csv"}, sampleBytes(12)).out, csv.out);
        QCOMPARE(cli({"dump", path, "--format", "csv"}).status, 2);
        QCOMPARE(cli({"dump", path, "--table", "tanks"}).status, 2);
        QCOMPARE(cli({"dump", tmp.filePath("ORB99")}).status, 2);
    }

    void setChangesOnlyTheFieldsNamed()
    {
        QString path = putSample(tmp.path(), 5);
        QByteArray before = readAll(path);
        Run r = cli({"set", path, "Units", "40", "cost=1e3", "Icon=70000", QString::fromUtf8("Name=J\u00e4ger Kompanie ABC")});
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromUtf8(r.out), QString::fromUtf8("Cost=13\nIcon=65535\nName=J\u00e4ger Kompanie \n"));
        QCOMPARE(QString::fromUtf8(r.err), QString::fromUtf8("Cost: '1e3' stored as 13\nIcon: '70000' stored as 65535\n"
                                                             "Name: 'J\u00e4ger Kompanie ABC' stored as 'J\u00e4ger Kompanie '\n"));
        QCOMPARE(cli({"set", path, "units", "41", "Cost=7"}).err, QByteArray());
        QByteArray after = readAll(path);
        QCOMPARE(after.size(), before.size());
        for (int off : changedOffsets(before, after)) {
            bool cost = off == 24750 + 40 || off == 24750 + 41;
            bool icon = off == 28500 + 80 || off == 28501 + 80;
            bool name = off >= 9250 + 600 && off < 9250 + 615;
            QVERIFY2(cost || icon || name, qPrintable(QString("byte %1 changed").arg(off)));
        }
        QCOMPARE(uint8_t(after[24790]), uint8_t(13));
        QCOMPARE(uint8_t(after[28580]), uint8_t(0xff));
        QCOMPARE(uint8_t(after[28581]), uint8_t(0xff));
        QCOMPARE(after.mid(9850, 15), QByteArray("J\xe4ger Kompanie "));

        r = cli({"set", path, "formations", "3", "Slot2=5000", "Nation=-7"});
        QCOMPARE(r.status, 0);
        after = readAll(path);
        QCOMPARE(uint8_t(after[38500 + 60 + 2]), uint8_t(1200 & 0xff));
        QCOMPARE(uint8_t(after[38500 + 60 + 3]), uint8_t(1200 >> 8));
        QCOMPARE(uint8_t(after[35503]), uint8_t(7));
    }

    void helpVersionGetAndFields()
    {
        for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
            Run r = cli(args);
            QCOMPARE(r.status, 0);
            for (const char* command : {"list", "dump", "fields", "get", "set", "import", "diff", "check", "renumber", "copy"})
                QVERIFY2(r.out.contains(command), command);
        }
        Run h = cli({"help", "import"});
        QCOMPARE(h.status, 0);
        QVERIFY(h.out.contains("--dry-run"));
        Run v = cli({"--version"});
        QCOMPARE(v.status, 0);
        QVERIFY(QRegularExpression("^orbtool-cli \\d+\\.\\d+\\.\\d+\n$").match(QString(v.out)).hasMatch());

        QString path = putSample(tmp.path(), 5);
        OrbData orb = unpacked(sampleBytes(5));
        Run g = cli({"get", path, "UNITS", "17", "cost", "Name"});
        QCOMPARE(g.status, 0);
        QCOMPARE(QString(g.out), QString("Cost=%1\nName=%2\n").arg(orb.unit(17).Cost).arg(QString::fromLatin1(orb.unit(17).Name.c_str())));
        QCOMPARE(cli({"get", path, "weapons", "1"}).out.count('\n'), qsizetype(WeaponFields().size()));

        Run f = cli({"fields", "Units"});
        QCOMPARE(f.status, 0);
        QVERIFY(QRegularExpression("\\nunits +Nation +u8 +249 +yes\\n").match(QString(f.out)).hasMatch());
        QVERIFY(QRegularExpression("\\nunits +HiddenByte +u8 +- +no\\n").match(QString(f.out)).hasMatch());
        QVERIFY(!f.out.contains("formations"));
    }

    // Import: the unchanged dump changes nothing and leaves the file alone; chosen fields change
    // exactly their bytes; every mistake is named with its line and column, and nothing is written.
    void importIsExactAndStrict()
    {
        QString path = putSample(tmp.path(), 12);
        const QByteArray before = readAll(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QDateTime stamp = QFileInfo(path).lastModified();
        QTest::qSleep(20);
        for (const char* table : {"units", "weapons", "formations"}) {
            QByteArray csv = cli({"dump", path, "--table", table, "--format", "csv"}).out;
            Run r = cli({"import", path, table, "-"}, csv);
            QCOMPARE(r.status, 0);
            QCOMPARE(r.out, QByteArray("changed 0 entries, 0 fields\n"));
        }
        QCOMPARE(readAll(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), stamp);

        QByteArray chosen = "number,Cost,Name,Icon\r\n40,120,\"Tiger, K\xc3\xb6nigs\",4660\r\n";
        Run dry = cli({"import", path, "units", "-", "--dry-run"}, chosen);
        QCOMPARE(dry.status, 0);
        QVERIFY(dry.out.contains("units 040 Cost: "));
        QCOMPARE(readAll(path), before);
        QCOMPARE(cli({"import", path, "units", "-"}, chosen).out, QByteArray("changed 1 entries, 3 fields\n"));
        OrbData want = unpacked(before);
        want.edit<UnitRecord>(40, [](UnitRecord& u) {
            u.Cost = 120;
            u.Name = "Tiger, K\xf6nigs";
            u.Icon = 4660;
        });
        QCOMPARE(readAll(path), packed(before, want));

        // A refused import says where and writes nothing (the rules are the core's, tested there).
        const QByteArray now = readAll(path);
        Run refused = cli({"import", path, "units", "-"}, "number,Cost\n1,256\n");
        QCOMPARE(refused.status, 2);
        QVERIFY(refused.err.contains("line 2, column 2: Cost: 256 is above 255"));
        QCOMPARE(readAll(path), now);
    }

    void diffCheckRenumberAndCopy()
    {
        QString a = putSample(tmp.path(), 5, "A"), b = putSample(tmp.path(), 5, "B");
        QCOMPARE(cli({"diff", a, b}).status, 0);
        OrbData orb = unpacked(sampleBytes(5));
        const int cost = orb.unit(17).Cost;
        orb.edit<UnitRecord>(17, [](UnitRecord& u) { ++u.Cost; });
        orb.edit<WeaponRecord>(3, [](WeaponRecord& w) { w.Name = "Neu\xe9"; });
        writeAll(b, packed(sampleBytes(5), orb));
        Run d = cli({"diff", a, b});
        QCOMPARE(d.status, 1);
        QCOMPARE(QString::fromUtf8(d.out), QString("units 017 Cost: %1 -> %2\nweapons 003 Name: %3 -> Neu\u00e9\n")
                                               .arg(cost)
                                               .arg(cost + 1)
                                               .arg(QString::fromLatin1(unpacked(sampleBytes(5)).weapon(3).Name.c_str())));
        QCOMPARE(cli({"diff", a, b, "--table", "Formations"}).status, 0);
        QJsonArray json = QJsonDocument::fromJson(cli({"diff", a, b, "--format", "json"}).out).array();
        QCOMPARE(json.size(), 2);
        QCOMPARE(json[0].toObject()["b"].toString(), QString::number(cost + 1));

        // A planted fault is found (which faults, the core's tests say).
        OrbData broken = unpacked(sampleBytes(12));
        broken.edit<UnitRecord>(2, [](UnitRecord& u) { u.Wpn3 = 250; });
        QString bad = tmp.filePath("ORB12");
        writeAll(bad, packed(sampleBytes(12), broken));
        Run c = cli({"check", bad});
        QCOMPARE(c.status, 1);
        QVERIFY(c.out.contains("units 002 Wpn3: weapon 250 does not exist\n"));

        // Renumber and copy carry what the window's Renumber and Copy, Paste and Commit carry.
        QString r = putSample(tmp.path(), 81, "R");
        OrbData expect = unpacked(sampleBytes(81));
        RenumberResult moved = RenumberNation(expect, 81, 5);
        Run rn = cli({"renumber", r, "81", "5"});
        QCOMPARE(QString(rn.out), QString("Renumbered %1 units and %2 formations from 81 to 05\n")
                                      .arg(moved.units.size())
                                      .arg(moved.formations.size()));
        QCOMPARE(readAll(r), packed(sampleBytes(81), expect));
        QCOMPARE(cli({"renumber", r, "100", "5"}).status, 2);

        QString dst = putSample(tmp.path(), 70, "D");
        QCOMPARE(cli({"copy", a, "UNITS", "17", dst, "30"}).status, 0);
        OrbData copied = unpacked(readAll(dst)), source = unpacked(sampleBytes(5)), target = unpacked(sampleBytes(70));
        for (const auto& f : UnitFields()) {
            const UnitRecord from = std::string(f.name) == "HiddenByte" ? target.unit(30) : source.unit(17);
            bool same = f.width == FieldWidth::Text ? copied.unit(30).*f.text == from.*f.text
                                                    : f.number(copied.unit(30)) == f.number(from);
            QVERIFY2(same, f.name);
        }
        QCOMPARE(changedOffsets(readAll(dst), sampleBytes(70)).isEmpty(), false);
        copied.setUnit(30, target.unit(30));
        QCOMPARE(packed(sampleBytes(70), copied), sampleBytes(70));
    }

    // What a script is told of files that are short, long, unreadable or odd, and one number rule.
    void scriptsAreToldWhatTheFilesHold()
    {
        QString full = putSample(tmp.path(), 70);
        QString dst = putSample(tmp.path(), 12, "DST");
        QString empty = tmp.filePath("EMPTY"), shortFile = tmp.filePath("SHORT");
        QString longA = tmp.filePath("LONGA"), longB = tmp.filePath("LONGB");
        writeAll(empty, {});
        writeAll(shortFile, sampleBytes(70).left(30000));
        writeAll(longA, sampleBytes(70) + "tail a");
        writeAll(longB, sampleBytes(70) + "tail b");
        // Unit 1's name with a line end in it, as a file may hold it; a stored Wpn1 of 250 and
        // Nation of 255, above what a commit stores.
        QString odd = tmp.filePath("ODD");
        OrbData oddOrb = unpacked(sampleBytes(70));
        oddOrb.edit<UnitRecord>(1, [](UnitRecord& u) { u.Name = std::string("a\nb\\c"); });
        oddOrb.edit<UnitRecord>(17, [](UnitRecord& u) { u.Wpn1 = 250, u.Nation = 255; });
        writeAll(odd, packed(sampleBytes(70), oddOrb));

        struct Case {
            QStringList args;
            int status;
            QByteArray out, err;  // what each must contain
        };
        const Case cases[] = {
            {{"copy", empty, "units", "1", dst, "7"}, 2, "", "is only 0 bytes long"},
            {{"copy", shortFile, "formations", "1", dst, "5"}, 2, "", "formations 1"},
            {{"check", empty}, 1, "file: only 0 of 44500 bytes\n", "'" + empty.toUtf8() + "' is only 0 bytes long"},
            {{"get", shortFile, "units", "1", "Cost"}, 0, "Cost=", "is only 30000 bytes long"},
            {{"dump", shortFile, "--table", "units", "--format", "CSV"}, 0, "number,Name", "is only 30000 bytes"},
            {{"diff", shortFile, full}, 1, "file length: 30000 -> 44500 bytes\n", "is only 30000 bytes"},
            {{"diff", longA, longB}, 1, "file tail: the bytes past 44500 differ\n", ""},
            {{"diff", longA, full}, 1, "file length: 44506 -> 44500 bytes\n", ""},
            {{"get", odd, "units", "1", "Name"}, 0, "Name=a\\x0ab\\\\c\n", ""},
            {{"diff", odd, full, "--table", "units"}, 1, "units 001 Name: a\\x0ab\\\\c -> ", ""},
            {{"get", full, "units", "0017", "Cost"}, 0, "Cost=", ""},
            {{"renumber", dst, "012", "005"}, 0, "Renumbered", ""},
            {{"set", dst, "units", "1", "Cost=007"}, 0, "Cost=7\n", ""},
            {{"get", dst, "units", "--where", "Nation=5 Cost=7", "Cost"}, 0, "001 Cost=7\n", "entries match"},  // renumbered above
            {{"get", dst, "units", "--where", "Colour=3"}, 2, "", "no field of units is called 'Colour'"},
            {{"set", dst, "units", "--where", "Nation=99"}, 2, "", "set needs FIELD=TEXT"},
        };
        for (const Case& c : cases) {
            QByteArray before = readAll(dst);
            Run r = cli(c.args);
            QVERIFY2(r.status == c.status, qPrintable(c.args.join(' ') + ": " + r.err));
            QVERIFY2(r.out.contains(c.out), qPrintable(c.args.join(' ') + ": " + r.out));
            QVERIFY2(r.err.contains(c.err), qPrintable(c.args.join(' ') + ": " + r.err));
            if (c.status == 2)
                QCOMPARE(readAll(dst), before);
        }
        QVERIFY(cli({"set", dst, "units", "1", "Cost=007"}).err.isEmpty());  // the same number: no warning
        // set --where: every unit of nation 5 of class 13 costs 250 afterwards, and nothing else changed.
        const OrbData before = unpacked(readAll(dst));
        Run many = cli({"set", dst, "units", "Cost=250", "--where", "nation=5 class=13"});
        QCOMPARE(many.status, 0);
        const OrbData after = unpacked(readAll(dst));
        int matched = 0;
        for (int n = 1; n <= UnitCount; ++n) {
            const bool chosen = before.unit(n).Nation == 5 && before.unit(n).Class == 13;
            matched += chosen;
            QVERIFY(after.unit(n).Cost == (chosen ? 250 : before.unit(n).Cost));
        }
        QVERIFY(matched > 0);
        QVERIFY(many.out.endsWith(QString("set %1 entries\n").arg(matched).toUtf8()));
        QCOMPARE(cli({"diff", longA, longA}).status, 0);
        // Any run of digits is capped as Commit caps it, however long.
        Run capped = cli({"set", dst, "units", "2", "Cost=99999999999999999999"});
        QCOMPARE(capped.status, 0);
        QCOMPARE(capped.out, cli({"set", dst, "units", "3", "Cost=999"}).out);

        // The unchanged dump of any file imports as no change: stored values above what a commit
        // stores, odd names and random bytes included.
        QString random = tmp.filePath("RANDOM");
        QByteArray noise(int(OrbImageSize), 0);
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 2654435761u) >> 13);
        writeAll(random, noise);
        for (const QString& file : {odd, random})
            for (const char* table : {"units", "weapons", "formations"}) {
                Run dump = cli({"dump", file, "--table", table, "--format", "csv"});
                QCOMPARE(dump.status, 0);
                QByteArray before = readAll(file);
                Run back = cli({"import", file, table, "-"}, dump.out);
                QVERIFY2(back.status == 0, qPrintable(QString(table) + ": " + back.err));
                QCOMPARE(back.out, QByteArray("changed 0 entries, 0 fields\n"));
                QCOMPARE(readAll(file), before);
            }

        // Folders that cannot be read are errors, not empty or missing.
        if (permissionsAreBypassed())
            return;  // root reads any folder
        QDir().mkdir(tmp.filePath("closed"));
        putSample(tmp.filePath("closed"), 5);
        QFile::setPermissions(tmp.filePath("closed"), QFileDevice::WriteOwner);
        Run list = cli({"list", tmp.filePath("closed")});
        Run get = cli({"get", tmp.filePath("closed/ORB05"), "units", "1"});
        QFile::setPermissions(tmp.filePath("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(list.status, 2);
        QVERIFY2(list.err.contains("Permission denied"), list.err);
        QCOMPARE(get.status, 2);
        QVERIFY2(get.err.contains("Permission denied"), get.err);
    }

    // A real repository set up by git-setup diffs data files as field lines and merges them field
    // by field; patch and apply carry a mod as text.
    void gitDiffsAndMergesDataFiles()
    {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed");
        const QString repo = tmp.filePath("repo");
        QDir().mkpath(repo);
        auto git = [&repo](const QStringList& args) {
            QProcess p;
            p.setWorkingDirectory(repo);
            p.start("git", args);
            p.waitForFinished(30000);
            return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                       p.readAllStandardError()};
        };
        QCOMPARE(cli({"git-setup", repo}).status, 2);  // not a repository yet
        QCOMPARE(git({"init", "-q", "-b", "main"}).status, 0);
        git({"config", "user.email", "modder@example.org"});
        git({"config", "user.name", "Modder"});
        const QString file = putSample(repo, 5, "orb05");
        QCOMPARE(cli({"git-setup", repo}).status, 0);
        QCOMPARE(cli({"git-setup", repo}).status, 0);
        QCOMPARE(readAll(repo + "/.gitattributes").count("diff=orb merge=orb"), 1);
        auto commitWith = [&](const QStringList& set, const char* message) {
            QCOMPARE(cli(QStringList{"set", file, "units", "17"} + set).status, 0);
            QCOMPARE(git({"commit", "-qam", message}).status, 0);
        };
        git({"add", "-A"});
        QCOMPARE(git({"commit", "-qm", "stock"}).status, 0);
        git({"checkout", "-qb", "cost"});
        commitWith({"Cost=99"}, "cost");
        git({"checkout", "-q", "main"});
        commitWith({"Crew=3"}, "crew");
        QCOMPARE(git({"merge", "-q", "cost", "-m", "merge"}).status, 0);
        QCOMPARE(cli({"get", file, "units", "17", "Cost", "Crew"}).out, QByteArray("Cost=99\nCrew=3\n"));
        QVERIFY(git({"log", "-p", "-1", "cost"}).out.contains("+units 017 Cost 99\n"));

        git({"checkout", "-qb", "theirs"});
        commitWith({"Cost=50"}, "theirs");
        git({"checkout", "-q", "main"});
        commitWith({"Cost=60"}, "ours");
        Run conflict = git({"merge", "-q", "theirs", "-m", "merge"});
        QVERIFY(conflict.status != 0);
        QVERIFY2(conflict.out.contains("CONFLICT") || conflict.err.contains("CONFLICT"), conflict.err);
        QCOMPARE(readAll(file).size(), int(OrbImageSize));
        QCOMPARE(cli({"get", file, "units", "17", "Cost"}).out, QByteArray("Cost=60\n"));
        QVERIFY(git({"diff", "theirs", "--", "orb05"}).out.contains("units 017 Cost 50\n+units 017 Cost 60"));

        // A patch carried onto another file, from standard input too.
        const QString stock = putSample(tmp.path(), 5, "STOCK"), copy = putSample(tmp.path(), 5, "COPY");
        Run patch = cli({"patch", stock, file});
        QCOMPARE(patch.status, 0);
        QVERIFY(patch.out.startsWith("orbtool-patch 1\nunits 017 Crew 2 -> 3\nunits 017 Cost "));
        QCOMPARE(cli({"apply", copy, "-"}, patch.out).status, 0);
        QCOMPARE(cli({"diff", copy, file}).status, 0);
        QCOMPARE(cli({"apply", copy, "-", "--dry-run"}, patch.out).out, QByteArray("would change 0 fields\n"));
    }

    void refusedCommandsLeaveTheFileAlone()
    {
        QString path = putSample(tmp.path(), 70);
        QString shortFile = tmp.filePath("ORB05");
        writeAll(shortFile, sampleBytes(5).left(30000));
        const QList<QStringList> bad = {
            {"set", path, "units", "1", QString::fromUtf8("Name=Tiger \u20ac")},
            {"set", path, "weapons", "2", QString::fromUtf8("Name=\u65e5\u672c")},
            {"set", shortFile, "formations", "3", "Name=Lost"},
            {"set", shortFile, "formations", "150", "Special=9"},
            {"set", path, "units", "1", "HiddenByte=3"},
            {"set", path, "units", "1", "IconBytes=3"},
            {"set", path, "weapons", "1", "Spare=3"},
            {"set", path, "units", "1", "Cost=3", "Colour=3"},
            {"set", path, "units", "250", "Cost=3"},
            {"set", path, "formations", "200", "Nation=3"},
            {"set", path, "tanks", "1", "Cost=3"},
            {"set", path, "units", "1", "Cost"},
            {"set", path, "units", "1", "Name=a\nb"},
            {"frobnicate"},
            {},
        };
        QByteArray before = readAll(path), beforeShort = readAll(shortFile);
        for (const auto& args : bad) {
            Run r = cli(args);
            QVERIFY2(r.status == 2, qPrintable(args.join(' ')));
            QVERIFY2(!r.err.isEmpty(), qPrintable(args.join(' ')));
            QCOMPARE(readAll(path), before);
            QCOMPARE(readAll(shortFile), beforeShort);
        }
        // The refusal names the character that has no byte, and a value inside a short file stores.
        QVERIFY(cli(bad[0]).err.contains("\xe2\x82\xac"));
        QCOMPARE(cli({"set", shortFile, "units", "1", "Cost=9"}).status, 0);
        QCOMPARE(readAll(shortFile).size(), 30000);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
