// A merge under way, on the core alone: what a choice takes, what the tables are after it, what
// counts as resolved, and the order F7 walks the conflicts in.
#include "core/MergeSession.h"
#include "core/OrbDiff.h"
#include "TestFiles.h"

#include <QTest>

namespace {
// Two mods of one stock file: conflicts in unit 1 (Cost, Crew), unit 3 (Name) and formation 20
// (Name); theirs alone changed unit 1's Speed, weapon 5's Range and a byte no field holds.
struct Sides {
    OrbData base = sampleOrb(12), ours = base, theirs = base;
    Sides()
    {
        ours.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 130, u.Crew = 5; });
        theirs.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 99, u.Crew = 6, u.Speed = 44; });
        ours.edit<UnitRecord>(3, [](UnitRecord& u) { u.Name = "Ours Three"; });
        theirs.edit<UnitRecord>(3, [](UnitRecord& u) { u.Name = "Theirs Three"; });
        theirs.edit<WeaponRecord>(5, [](WeaponRecord& w) { w.Range = 77; });
        ours.edit<FormationRecord>(20, [](FormationRecord& f) { f.Name = "Ours Twenty"; });
        theirs.edit<FormationRecord>(20, [](FormationRecord& f) { f.Name = "Theirs Twenty"; });
        theirs.bytes()[4002] = uint8_t(base.bytes()[4002] + 1);  // between the columns
    }
};

// The index of the conflict (or taken field) of entry n's field.
std::size_t indexOf(const std::vector<MergeField>& fields, TableId t, int n, const char* field)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].table == t && fields[i].entry == n && fields[i].field == field)
            return i;
    return fields.size();
}
}  // namespace

class TestMergeSession : public QObject {
    Q_OBJECT

    Sides s;

private slots:
    // What the merge takes at once, and that it keeps its own copies of the sides.
    void mergedTakesTheirsAloneAndKeepsOursElsewhere()
    {
        OrbData ours = s.ours;
        const MergeSession m(s.base, ours, s.theirs);
        ours.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 1; });  // the caller's tables change later
        QCOMPARE(int(m.ours().unit(1).Cost), 130);
        QCOMPARE(m.conflicts().size(), std::size_t(4));
        QCOMPARE(m.taken().size(), std::size_t(2));
        const UnitRecord u = m.merged().unit(1);
        QVERIFY(u.Speed == 44 && u.Cost == 130 && u.Crew == 5);
        QCOMPARE(int(m.merged().weapon(5).Range), 77);
        QCOMPARE(m.merged().unit(3).Name, std::string("Ours Three"));
        QCOMPARE(m.merged().bytes()[4002], s.ours.bytes()[4002]);  // no field holds it: ours'
        QCOMPARE(int(m.otherBytesChanged()), 1);
        QCOMPARE(int(DiffOrb(s.ours, m.merged()).count()), 2);  // unit 1 and weapon 5
        QCOMPARE(m.left(m.merged()), std::size_t(4));
    }

    // Each choice: the values it leaves and how many conflicts stay open.
    void choicesTakeTheirSourcesValues()
    {
        const int baseCost = s.base.unit(1).Cost, baseCrew = s.base.unit(1).Crew;
        const std::string baseName = s.base.unit(3).Name;
        struct Case {
            const char* field;  // of unit 1, or Name of unit 3
            MergeSession::Source source;
            bool wholeEntry;
            int cost, crew;
            std::string name;
            std::size_t left;
        };
        using S = MergeSession::Source;
        const Case cases[] = {
            {"Cost", S::Theirs, false, 99, 5, "Ours Three", 3},
            {"Cost", S::Base, false, baseCost, 5, "Ours Three", 3},
            {"Crew", S::Theirs, true, 99, 6, "Ours Three", 2},
            {"Cost", S::Base, true, baseCost, baseCrew, "Ours Three", 2},
            {"Name", S::Theirs, true, 130, 5, "Theirs Three", 3},
            {"Name", S::Base, false, 130, 5, baseName, 3},
        };
        for (const Case& c : cases) {
            const MergeSession m(s.base, s.ours, s.theirs);
            const int n = std::string(c.field) == "Name" ? 3 : 1;
            const OrbData after = m.choose(m.merged(), indexOf(m.conflicts(), TableId::Units, n, c.field), c.source, c.wholeEntry);
            const QByteArray what = QByteArray(c.field) + (c.wholeEntry ? " whole entry" : "");
            QVERIFY2(after.unit(1).Cost == c.cost && after.unit(1).Crew == c.crew, what);
            QVERIFY2(after.unit(3).Name == c.name, what);
            QVERIFY2(m.left(after) == c.left, what);
            QVERIFY2(after.unit(1).Speed == 44, what);  // what was taken stays taken
        }
    }

    // Resolved: kept as ours by choice, or another value than ours had; a resolved conflict keeps
    // its value through a choice for its whole entry, and through Take Theirs for All.
    void resolvedByChoiceOrByValue()
    {
        MergeSession m(s.base, s.ours, s.theirs);
        const std::size_t cost = indexOf(m.conflicts(), TableId::Units, 1, "Cost");
        const std::size_t crew = indexOf(m.conflicts(), TableId::Units, 1, "Crew");
        OrbData tables = m.merged();
        QVERIFY(!m.resolved(cost, tables) && !m.resolved(m.conflicts().size(), tables));
        m.keepOurs(cost, true);
        QVERIFY(m.resolved(cost, tables));
        QCOMPARE(m.left(tables), std::size_t(3));
        m.keepOurs(cost, false);  // undone
        QVERIFY(!m.resolved(cost, tables));
        tables.edit<UnitRecord>(1, [](UnitRecord& u) { u.Crew = 9; });  // typed
        QVERIFY(m.resolved(crew, tables));
        m.keepOurs(cost, true);
        const OrbData entry = m.choose(tables, crew, MergeSession::Source::Theirs, true);
        QVERIFY(entry.unit(1).Cost == 130 && entry.unit(1).Crew == 9);
        const OrbData all = m.theirsForAll(tables);
        QVERIFY(all.unit(1).Cost == 130 && all.unit(1).Crew == 9);
        QVERIFY(all.unit(3).Name == "Theirs Three" && all.formation(20).Name == "Theirs Twenty");
        QCOMPARE(m.left(all), std::size_t(0));
        tables.edit<UnitRecord>(1, [](UnitRecord& u) { u.Crew = 5; });  // typed back to ours'
        QVERIFY(!m.resolved(crew, tables));
    }

    // A field taken from theirs, taken back to ours' value.
    void takenBackToOurs()
    {
        const MergeSession m(s.base, s.ours, s.theirs);
        const std::size_t speed = indexOf(m.taken(), TableId::Units, 1, "Speed");
        const std::size_t range = indexOf(m.taken(), TableId::Weapons, 5, "Range");
        QVERIFY(speed < m.taken().size() && range < m.taken().size());
        const OrbData back = m.takeBack(m.merged(), speed);
        QCOMPARE(back.unit(1).Speed, s.ours.unit(1).Speed);
        QCOMPARE(int(back.weapon(5).Range), 77);
        QVERIFY(m.takenBack(speed, back) && !m.takenBack(range, back) && !m.takenBack(speed, m.merged()));
    }

    // F7's order: tables, then entries; resolved conflicts passed over; none past either end.
    void nextConflictInOrder()
    {
        MergeSession m(s.base, s.ours, s.theirs);
        struct Case {
            TableId table;
            int entry, direction;
            bool keepThree;  // unit 3's conflict kept as ours first
            TableId wantTable;
            int wantEntry;  // 0: none
        };
        const Case cases[] = {
            {TableId::Units, 0, 1, false, TableId::Units, 1},
            {TableId::Units, 1, 1, false, TableId::Units, 3},
            {TableId::Units, 1, 1, true, TableId::Formations, 20},
            {TableId::Weapons, 200, 1, false, TableId::Formations, 20},
            {TableId::Formations, 20, 1, false, TableId::Units, 0},
            {TableId::Formations, 20, -1, false, TableId::Units, 3},
            {TableId::Formations, 20, -1, true, TableId::Units, 1},
            {TableId::Units, 1, -1, false, TableId::Units, 0},
        };
        const std::size_t three = indexOf(m.conflicts(), TableId::Units, 3, "Name");
        for (const Case& c : cases) {
            m.keepOurs(three, c.keepThree);
            const std::size_t i = m.next(c.table, c.entry, c.direction, m.merged());
            const QByteArray what = QByteArray::number(int(c.table)) + " " + QByteArray::number(c.entry) + " " +
                                    QByteArray::number(c.direction);
            if (!c.wantEntry) {
                QVERIFY2(i == m.conflicts().size(), what);
                continue;
            }
            QVERIFY2(i < m.conflicts().size(), what);
            QVERIFY2(m.conflicts()[i].table == c.wantTable && m.conflicts()[i].entry == c.wantEntry, what);
        }
    }
};

QTEST_MAIN(TestMergeSession)
#include "test_merge_session.moc"
