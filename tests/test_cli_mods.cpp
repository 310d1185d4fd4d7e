// The commands that carry mods (patch, apply, merge) and what every save says, run as a user
// would run them.
#include "CliRun.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

class TestCliMods : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    QString put(const char* name, const QByteArray& bytes)
    {
        writeAll(tmp.filePath(name), bytes);
        return tmp.filePath(name);
    }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // Each command that saves says how many entries' bytes after their name's end the save
    // cleared (units 2, 3 and 4 hold some); merge counts those all three sides held (base and
    // theirs hold units 2 and 3, or 3). A command that saves nothing says nothing.
    void savesSayWhatTheyClearAfterNames()
    {
        const QByteArray stock = sampleBytes(70);
        auto tails = [&](std::initializer_list<int> units) {
            QByteArray bytes = stock;
            for (int n : units)
                bytes[UnitFields().front().at(n) + 14] = 'Z';
            return bytes;
        };
        const int cost = sampleOrb(70).unit(1).Cost, other = cost == 200 ? 201 : 200;
        const QByteArray patch = "orbtool-patch 1\nunits 001 Cost " + QByteArray::number(cost) + " -> " + QByteArray::number(other) + "\n";
        const QString src = putSample(tmp.path(), 5, "SRC");
        const struct {
            QStringList args;
            QByteArray input, said;
        } cases[] = {
            {{"set", "F", "units", "1", "Cost=7"}, {}, "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"import", "F", "units", "-"}, "number,Cost\n1,7\n", "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"import", "F", "units", "-", "--dry-run"}, "number,Cost\n1,7\n", ""},
            {{"apply", "F", "-"}, patch, "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"move", "F", "units", "1", "5", "--swap"}, {}, "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"copy", src, "units", "1", "F", "7"}, {}, "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"renumber", "F", "70", "5"}, {}, "'F': the save cleared the bytes after the name's end of 3 entries"},
            {{"merge", "BASE", "F", "THEIRS", "--name", "mods/ORB70"}, {}, "'mods/ORB70': the save cleared the bytes after the name's end of 2 entries"},
            {{"merge", "ONE", "F", "THEIRS"}, {}, "'F': the save cleared the bytes after the name's end of 1 entry"},
        };
        for (const auto& c : cases) {
            const QString file = put("F", tails({2, 3, 4}));
            put("BASE", tails({2, 3}));
            put("THEIRS", tails({3, 2}));
            put("ONE", tails({3}));
            QStringList args = c.args;
            for (QString& a : args)
                if (a == "F" || a == "BASE" || a == "THEIRS" || a == "ONE")
                    a = tmp.filePath(a);
            const Run r = cli(args, c.input);
            const QByteArray what = c.args.join(' ').toUtf8() + ": " + r.err;
            QVERIFY2(r.status == 0, what);
            const QByteArray line = "orbtool-cli: " + QByteArray(c.said).replace("'F'", "'" + file.toUtf8() + "'") + "\n";
            QVERIFY2(c.said.isEmpty() ? !r.err.contains("the save cleared") : r.err.contains(line), what);
            if (!c.said.isEmpty())
                QVERIFY2(readAll(file)[UnitFields().front().at(2) + 14] == '\0', what);
        }
    }

    // A patch between a whole file and one cut short carries only the mod's change: the values
    // past the short file's end (1158 fields of ORB05 differ from zero there) are no change of
    // the mod's, and applied onto the whole file the patch empties nothing.
    void patchOfAShortFileCarriesOnlyItsChanges()
    {
        const QByteArray stock = sampleBytes(5);
        OrbData modded = sampleOrb(5);
        const int cost = modded.unit(17).Cost;
        modded.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 99; });
        const QByteArray mod = packedOver(stock, modded);
        const QByteArray line = "orbtool-patch 1\nunits 017 Cost " + QByteArray::number(cost) + " -> 99\n";
        const struct {
            QByteArray stock, mod;
        } cases[] = {{stock, mod.left(30000)}, {stock.left(30000), mod}};
        for (const auto& c : cases) {
            const Run patch = cli({"patch", put("STOCK", c.stock), put("MOD", c.mod)});
            QCOMPARE(patch.status, 0);
            QCOMPARE(patch.out, line);
            QVERIFY2(patch.err.contains("\norbtool-cli: 1158 fields that differ lie past a file's end; the patch leaves them out\n"),
                     patch.err);
            const QString onto = put("ONTO", stock);
            const Run apply = cli({"apply", onto, "-"}, patch.out);
            QCOMPARE(apply.out, "units 017 Cost " + QByteArray::number(cost) + " -> 99\nchanged 1 field\n");
            QCOMPARE(readAll(onto), mod);
        }
    }

    // The merge through the tool, with git's names: a member both sides put into one empty slot
    // of formation 6 moves with its multiplier (lists as putSlots reads them); with no slot free,
    // member and multiplier are conflicts and ours' stay.
    void mergeMovesAMemberWithItsMultiplier()
    {
        const struct {
            QByteArray base, ours, theirs;
            int status;
            QByteArray merged, err;
        } cases[] = {
            {"1 2 3 4 5 6", "1 2 3 4 5 6 40x2", "1 2 3 4 5 6 30x4", 0, "1 2 3 4 5 6 40x2 30x4", ""},
            {"1 2 3 4 5 6 0 8 9", "1 2 3 4 5 6 40x2 8 9", "1 2 3 4 5 6 30x4 8 9", 0, "1 2 3 4 5 6 40x2 8 9 30x4", ""},
            {"1 2 3 4 5 6 0 8 9 10", "1 2 3 4 5 6 40x2 8 9 10", "1 2 3 4 5 6 30x4 8 9 10", 1, "1 2 3 4 5 6 40x2 8 9 10",
             "CONFLICT mods/ORB70: formations 006 Slot7: base 0, ours 40, theirs 30\n"
             "CONFLICT mods/ORB70: formations 006 Code7: base 0, ours 2, theirs 4\n"
             "orbtool-cli: mods/ORB70: 2 conflicts kept ours' values\n"},
        };
        for (const auto& c : cases) {
            OrbData base = sampleOrb(70), ours, theirs, merged;
            putSlots(base, 6, c.base);
            ours = theirs = merged = base;
            putSlots(ours, 6, c.ours);
            putSlots(theirs, 6, c.theirs);
            putSlots(merged, 6, c.merged);
            const QByteArray stock = sampleBytes(70);
            const QStringList args = {"merge", put("BASE", packedOver(stock, base)), put("OURS", packedOver(stock, ours)),
                                      put("THEIRS", packedOver(stock, theirs)), "--name", "mods/ORB70"};
            const Run r = cli(args);
            QVERIFY2(r.status == c.status && r.err == c.err, c.ours + ": " + r.err);
            QVERIFY2(readAll(tmp.filePath("OURS")) == packedOver(stock, merged), c.ours);
        }
    }

    // A patch carried onto another file, from standard input too. (git: test_exchange.)
    void patchesCarryOntoAnotherFile()
    {
        const QString file = putSample(tmp.path(), 5, "MOD");
        QCOMPARE(cli({"set", file, "units", "17", "Crew=3", "Cost=99"}).status, 0);
        const QString stock = putSample(tmp.path(), 5, "STOCK"), copy = putSample(tmp.path(), 5, "COPY");
        Run patch = cli({"patch", stock, file});
        QCOMPARE(patch.status, 0);
        QVERIFY(patch.out.startsWith("orbtool-patch 1\nunits 017 Crew 2 -> 3\nunits 017 Cost "));
        QCOMPARE(cli({"apply", copy, "-"}, patch.out).status, 0);
        QCOMPARE(cli({"diff", copy, file}).status, 0);
        QCOMPARE(cli({"apply", copy, "-", "--dry-run"}, patch.out).out, QByteArray("would change 0 fields\n"));
        // Onto the stock file, whose Crew another value holds by now: one conflict, nothing applied.
        QCOMPARE(cli({"set", stock, "units", "17", "Crew=4"}).status, 0);
        const Run refused = cli({"apply", stock, "-"}, patch.out);
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.endsWith("units 017 Crew: the patch changes 2 -> 3, the file holds 4\n"
                                      "orbtool-cli: 1 conflict: nothing was applied\n"),
                 refused.err);
    }
};

QTEST_GUILESS_MAIN(TestCliMods)
#include "test_cli_mods.moc"
