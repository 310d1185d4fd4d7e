// The command-line tool, run as a user would run it.
#include "TestFiles.h"

#include "data/Fields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    struct Run {
        int status;
        QByteArray out, err;
    };
    Run cli(const QStringList& args)
    {
        QProcess p;
        p.start(ORBTOOL_CLI, args);
        p.waitForFinished(30000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
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

        QCOMPARE(cli({"dump", path, "--format", "csv"}).status, 2);
        QCOMPARE(cli({"dump", path, "--table", "tanks"}).status, 2);
        QCOMPARE(cli({"dump", tmp.filePath("ORB99")}).status, 2);
    }

    void setChangesOnlyTheFieldsNamed()
    {
        QString path = putSample(tmp.path(), 5);
        QByteArray before = readAll(path);
        Run r = cli({"set", path, "units", "40", "Cost=1a5", "Icon=70000", QString::fromUtf8("Name=J\u00e4ger Kompanie ABC")});
        QCOMPARE(r.status, 0);
        QByteArray after = readAll(path);
        QCOMPARE(after.size(), before.size());
        for (int off : changedOffsets(before, after)) {
            bool cost = off == 24750 + 40;
            bool icon = off == 28500 + 80 || off == 28501 + 80;
            bool name = off >= 9250 + 600 && off < 9250 + 615;
            QVERIFY2(cost || icon || name, qPrintable(QString("byte %1 changed").arg(off)));
        }
        QCOMPARE(uint8_t(after[24790]), uint8_t(15));
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
            {"set", path, "units", "1", "Cost=99999999999"},
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
