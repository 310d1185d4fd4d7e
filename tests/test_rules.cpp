// The rules a data file should keep, what names an entry, and moving an entry with its references.
#include "core/References.h"
#include "core/Rules.h"
#include "TestFiles.h"

#include <QTest>

#include <functional>
#include <map>
#include <random>
#include <set>

class TestRules : public QObject {
    Q_OBJECT

private slots:
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
    // Formation 50 names unit 17 in two slots: both follow it.
    void referencesAndMovesCarryEveryField()
    {
        const OrbData orb = [] {
            OrbData o = sampleOrb(12);
            o.edit<FormationRecord>(50, [](FormationRecord& f) { f.Slot9 = f.Slot10 = 17; });
            return o;
        }();
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
                found.sort();  // as the map orders them: Slot10 before Slot9
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
            {TableId::Units, 248, 17, true, ""},
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
};

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
