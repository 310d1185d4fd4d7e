// orbtool-cli tree: the order of battle as a hierarchy, against a file whose formations are laid
// out here by hand, and against the slots of a generated file.
#include "CliRun.h"
#include "TestFiles.h"

#include "core/Globals.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A small order of battle: nation 12 has formation 1 (unit 5 x3, formation 2 x1), formation 2
// (unit 7 x2, and formation 1 again: a loop), and formations 4 and 5, which hold each other and
// nothing else holds; nation 3 has formation 9 (unit 5 x0), available only 1980 to 1985.
OrbData handMade()
{
    OrbData orb = orbOf(QByteArray(int(OrbImageSize), '\0'));
    auto unit = [&](int n, const char* name, int cls) {
        orb.edit<UnitRecord>(n, [&](UnitRecord& u) {
            u.Name = name;
            u.Class = static_cast<uint8_t>(cls);
            u.YrAvail = 70, u.YrUnavail = 99;
        });
    };
    unit(5, "Tank", 0);
    unit(7, "Rifles", 0);
    unit(8, "Spare", 0);  // held by nothing
    auto formation = [&](int n, const char* name, int nation, int from, int until, std::vector<std::pair<int, int>> held) {
        orb.edit<FormationRecord>(n, [&](FormationRecord& f) {
            f.Name = name;
            f.Nation = static_cast<uint8_t>(nation);
            f.Avail = static_cast<uint8_t>(from), f.Until = static_cast<uint8_t>(until);
            for (std::size_t k = 0; k < held.size(); ++k) {
                formationSlot(f, int(k) + 1) = static_cast<uint16_t>(held[k].first);
                formationCode(f, int(k) + 1) = static_cast<uint8_t>(held[k].second);
            }
        });
    };
    formation(1, "Battalion", 12, 70, 99, {{5, 3}, {1002, 1}});
    formation(2, "Company", 12, 70, 99, {{7, 2}, {0, 0}, {1001, 4}});
    formation(4, "Loop A", 12, 70, 99, {{1005, 1}});
    formation(5, "Loop B", 12, 70, 99, {{1004, 1}});
    formation(9, "Late", 3, 80, 85, {{5, 0}});
    return orb;
}
}  // namespace

class TestTree : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

private slots:
    // The hand-made file's whole tree, as text and as JSON.
    void theTreeOfAHandMadeFile()
    {
        const QString file = tmp.filePath("ORB12");
        QVERIFY(writeAll(file, packedOver(QByteArray(int(OrbImageSize), '\0'), handMade())));
        Run text = cli({"tree", file});
        QCOMPARE(text.status, 0);
        const QString cls = QString::fromLatin1(GetUnitClassName(0).c_str());
        const QString type = QString::fromLatin1(GetFormationTypeName(0).c_str());
        QCOMPARE(QString::fromUtf8(text.out),
                 QString("nation 3 %1\n"
                         "  formation 009 Late: %3, 80-85, 1 unit\n"
                         "    unit 005 Tank \u00d70 %4\n"
                         "nation 12 %2\n"
                         "  formation 001 Battalion: %3, 70-99, 2 units\n"
                         "    unit 005 Tank \u00d73 %4\n"
                         "    formation 002 Company: %3, 70-99, 2 units, \u00d71\n"
                         "      unit 007 Rifles \u00d72 %4\n"
                         "      formation 001 Battalion: %3, 70-99, 2 units, \u00d74 (leads back to a formation above: not opened again)\n"
                         "  formation 004 Loop A: %3, 70-99, 0 units\n"
                         "    formation 005 Loop B: %3, 70-99, 0 units, \u00d71\n"
                         "      formation 004 Loop A: %3, 70-99, 0 units, \u00d71 (leads back to a formation above: not opened again)\n")
                     .arg(QString::fromLatin1(GetNationName(3).c_str()), QString::fromLatin1(GetNationName(12).c_str()), type, cls));
        const QJsonObject one = QJsonDocument::fromJson(cli({"tree", file, "formations", "2", "--format", "json"}).out).object();
        const QJsonObject expected = QJsonDocument::fromJson(
            QString(R"({"formation": 2, "name": "Company", "type": "%1", "avail": 70, "until": 99, "total": 2, "members": [
                         {"unit": 7, "name": "Rifles", "multiplier": 2, "class": "%2"},
                         {"formation": 1, "name": "Battalion", "multiplier": 4, "type": "%1", "avail": 70, "until": 99, "total": 2,
                          "members": [{"unit": 5, "name": "Tank", "multiplier": 3, "class": "%2"},
                                      {"formation": 2, "name": "Company", "multiplier": 1, "type": "%1", "avail": 70, "until": 99,
                                       "total": 2, "cycle": true}]}]})")
                .arg(type, cls).toUtf8()).object();
        QCOMPARE(one, expected);
    }

    // What --year keeps, and which words are refused.
    void yearsAndWords()
    {
        const QString file = tmp.filePath("ORB12"), shortFile = tmp.filePath("SHORT");
        QVERIFY(writeAll(file, packedOver(QByteArray(int(OrbImageSize), '\0'), handMade())));
        QVERIFY(writeAll(shortFile, readAll(file).left(40000)));
        struct Case {
            QStringList args;
            int status;
            QByteArray out, err;  // out: the lines that begin with "nation" or "  formation", joined
        };
        const Case cases[] = {
            {{"tree", file, "--year", "1982"}, 0, "nation 3|  formation 009|nation 12|  formation 001|  formation 004", ""},
            {{"tree", file, "--year", "82"}, 0, "nation 3|  formation 009|nation 12|  formation 001|  formation 004", ""},
            {{"tree", file, "--year", "1979"}, 0, "nation 12|  formation 001|  formation 004", ""},
            {{"tree", file, "--year", "2000"}, 0, "", ""},
            {{"tree", file, "nation", "3"}, 0, "nation 3|  formation 009", ""},
            {{"tree", file, "nation", "4"}, 0, "nation 4", "orbtool-cli: no formation of nation 4\n"},
            {{"tree", file, "nation", "256"}, 2, "", "orbtool-cli: a nation code is a number from 0 to 255, not '256'\n"},
            {{"tree", file, "units", "5"}, 2, "", "orbtool-cli: tree shows a formation or a nation: formations N, or nation CODE\n"},
            {{"tree", file, "formations", "200"}, 2, "", "orbtool-cli: entry number must be from 1 to 199, not '200'\n"},
            {{"tree", file, "nation"}, 2, "", "orbtool-cli: tree takes FILE [formations N | nation CODE]\n"},
            {{"tree", file, "--format", "xml"}, 2, "", "orbtool-cli: unknown format 'xml' (text, json or dot)\n"},
            {{"tree", tmp.filePath("NONE")}, 2, "", "orbtool-cli: '" + tmp.filePath("NONE").toUtf8() + "' does not exist\n"},
        };
        for (const Case& c : cases) {
            Run r = cli(c.args);
            QVERIFY2(r.status == c.status, qPrintable(c.args.join(' ') + ": " + r.err));
            QByteArrayList tops;
            for (const QByteArray& line : r.out.split('\n'))
                if (line.startsWith("nation") || line.startsWith("  formation"))
                    tops << line.left(line.startsWith("nation") ? line.indexOf(' ', 7) : 15);
            QCOMPARE(tops.join('|'), c.out);
            QCOMPARE(r.err, c.err);
        }
        Run cut = cli({"tree", shortFile});
        QCOMPARE(cut.status, 2);
        QVERIFY(cut.err.endsWith("orbtool-cli: '" + shortFile.toUtf8() +
                                 "' is only 40000 bytes long, not 44500: its formations cannot be shown whole\n"));
    }

    // Every formation of a generated file: its members are its slots that name an entry, in slot
    // order with their multipliers, and every formation of every nation shows in the whole tree.
    void everyFormationAgreesWithItsSlots()
    {
        const QString file = putSample(tmp.path(), 12);
        const OrbData orb = sampleOrb(12);
        QSet<int> shown;
        const QJsonArray nations = QJsonDocument::fromJson(cli({"tree", file, "--format", "json"}).out).object()["nations"].toArray();
        std::function<void(const QJsonObject&)> collect = [&](const QJsonObject& f) {
            shown.insert(f["formation"].toInt());
            for (const QJsonValue m : f["members"].toArray())
                if (m.toObject().contains("formation"))
                    collect(m.toObject());
        };
        for (const QJsonValue nation : nations)
            for (const QJsonValue f : nation.toObject()["formations"].toArray())
                collect(f.toObject());
        for (int n = 1; n <= FormationCount; ++n) {
            const FormationRecord f = orb.formation(n);
            const bool empty = f.Name.empty() && f.Nation == 0 && formationSlot(f, 1) == 0;
            if (!empty)
                QVERIFY2(shown.contains(n), qPrintable(QString("formation %1 is in no nation's tree").arg(n)));
            const QJsonObject tree = QJsonDocument::fromJson(cli({"tree", file, "formations", QString::number(n), "--format", "json"}).out).object();
            QCOMPARE(tree["formation"].toInt(), n);
            QStringList expected, got;
            for (int k = 1; k <= 10; ++k) {
                const int v = formationSlot(f, k);
                if (v >= 1 && v <= UnitCount)
                    expected << QString("unit %1 x%2").arg(v).arg(formationCode(f, k));
                else if (v >= 1001 && v <= 1000 + FormationCount)
                    expected << QString("formation %1 x%2").arg(v - 1000).arg(formationCode(f, k));
            }
            for (const QJsonValue m : tree["members"].toArray()) {
                const QJsonObject o = m.toObject();
                got << (o.contains("unit") ? QString("unit %1 x%2").arg(o["unit"].toInt())
                                           : QString("formation %1 x%2").arg(o["formation"].toInt()))
                               .arg(o["multiplier"].toInt());
            }
            QCOMPARE(got, expected);
        }
    }

    // The Graphviz text: a box per formation, an ellipse per unit, an edge per member.
    void dotForGraphviz()
    {
        const QString file = tmp.filePath("ORB12");
        QVERIFY(writeAll(file, packedOver(QByteArray(int(OrbImageSize), '\0'), handMade())));
        Run r = cli({"tree", file, "formations", "1", "--format", "dot"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("digraph orbat {\n") && r.out.endsWith("}\n"));
        QCOMPARE(r.out.count("shape=box"), 3);      // 001, 002 and 001 again, not opened
        QCOMPARE(r.out.count("shape=ellipse"), 2);  // units 005 and 007
        QCOMPARE(r.out.count(" -> "), 4);
        QVERIFY(r.out.contains("  f1 -> f1_2 [label=\"\xc3\x97" "1\"];\n"));
        QVERIFY(r.out.contains("[shape=ellipse, label=\"005 Tank\\n\xc3\x97" "3 "));
    }
};

QTEST_GUILESS_MAIN(TestTree)
#include "test_tree.moc"
