// Mods that travel: patches made, read and applied, and the three-way merge, on the core alone.
#include "core/HiddenBytes.h"
#include "core/Latin1.h"
#include "core/Merge.h"
#include "core/Patch.h"
#include "TestFiles.h"

#include <QTest>

namespace {
Patch patchOf(const OrbData& stock, const OrbData& modded, const char* name)
{
    PatchRead r = ReadPatch(PatchText(stock, modded), name);
    if (!r.errors.empty())
        qWarning("%s", r.errors.front().c_str());
    return r.patch;
}
}  // namespace

class TestMods : public QObject {
    Q_OBJECT

private slots:
    // Two patches of one stock file stack in either order; a conflicting one is refused whole.
    void patchesStackAndConflict()
    {
        const OrbData stock = sampleOrb(5);
        OrbData a = stock, b = stock, c = stock;
        a.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 99; });
        b.edit<UnitRecord>(17, [](UnitRecord& u) { u.Crew = 3; });
        b.edit<WeaponRecord>(2, [](WeaponRecord& w) { w.Range = 50; });
        c.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 50; });
        const Patch pa = patchOf(stock, a, "a"), pb = patchOf(stock, b, "b"), pc = patchOf(stock, c, "c");
        QCOMPARE(int(pa.lines.size()), 1);
        QCOMPARE(int(pb.lines.size()), 2);

        OrbData ab = stock, ba = stock;
        QVERIFY(ApplyPatches(ab, {pa, pb}).conflicts.empty());
        QVERIFY(ApplyPatches(ba, {pb, pa}).conflicts.empty());
        QVERIFY(sameImage(ab, ba));
        QCOMPARE(int(ab.unit(17).Cost), 99);
        QCOMPARE(int(ab.unit(17).Crew), 3);
        QCOMPARE(int(ab.weapon(2).Range), 50);
        // Applied again: nothing to do. The same change twice: no conflict.
        PatchApplied again = ApplyPatches(ab, {pa, pb, pa});
        QVERIFY(again.conflicts.empty() && again.changes.empty());

        OrbData refused = stock;
        PatchApplied r = ApplyPatches(refused, {pa, pc});
        QCOMPARE(int(r.conflicts.size()), 1);
        QCOMPARE(QString::fromStdString(r.conflicts[0]),
                 QString("c:2: units 017 Cost: the patch changes %1 -> 50, the file holds 99 (from a:2)")
                     .arg(stock.unit(17).Cost));
        QVERIFY(sameImage(refused, stock));

        // A mod on top of a mod: the second patch starts where the first ends. The pair applied
        // again finds both done, whatever the first's field holds by now.
        OrbData onTop = a;
        onTop.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 7; });
        const Patch pd = patchOf(a, onTop, "d");
        OrbData chained = stock;
        QVERIFY(ApplyPatches(chained, {pa, pd}).conflicts.empty());
        QCOMPARE(int(chained.unit(17).Cost), 7);
        PatchApplied replay = ApplyPatches(chained, {pa, pd});
        QVERIFY2(replay.conflicts.empty() && replay.changes.empty(),
                 replay.conflicts.empty() ? "" : replay.conflicts[0].c_str());
    }

    // A new value above what a Commit stores (weapon and unit numbers 249, nations 249 as the
    // nation picker goes, slots 1200) is refused with its line, unless the field already holds it;
    // a field past a short file's end is refused as such. Nothing applies when any line is refused.
    void patchValuesKeepCommitBounds()
    {
        OrbData stock = sampleOrb(12);
        stock.edit<UnitRecord>(3, [](UnitRecord& u) { u.Wpn2 = 255; });  // stored by an older tool
        const std::string h = std::string(PatchHeader) + "\n";
        const auto line = [&](const char* table, int n, const char* field, uint32_t before, uint32_t after) {
            return h + table + " " + EntryNumberText(n) + " " + field + " " + std::to_string(before) + " -> " +
                   std::to_string(after) + "\n";
        };
        const UnitRecord u1 = stock.unit(1);
        const FormationRecord f1 = stock.formation(1);
        struct Case {
            std::string patch;
            std::size_t length;
            std::string refused;  // empty: applies
        } cases[] = {
            {line("units", 1, "Wpn1", u1.Wpn1, 249), OrbImageSize, ""},
            {line("units", 1, "Wpn1", u1.Wpn1, 250), OrbImageSize, "p:2: units 001 Wpn1: 250 is above 249, the most Wpn1 stores"},
            {line("units", 1, "Wpn1", u1.Wpn1, 255), OrbImageSize, "p:2: units 001 Wpn1: 255 is above 249"},
            {line("formations", 1, "Slot1", f1.Slot1, 1200), OrbImageSize, ""},
            {line("formations", 1, "Slot1", f1.Slot1, 65535), OrbImageSize, "p:2: formations 001 Slot1: 65535 is above 1200"},
            {line("units", 3, "Wpn2", 255, 255), OrbImageSize, ""},  // already holds it: done
            {line("units", 1, "Cost", u1.Cost, 255), OrbImageSize, ""},
            // Unit 1's Cost lies at byte 24751: a file of 24751 bytes ends just before it.
            {line("units", 1, "Cost", 0, 7), 24751, "p:2: units 001 Cost lies past the file's end (24751 bytes)"},
            {line("units", 1, "Cost", u1.Cost, 7), 24752, ""},
        };
        for (const Case& c : cases) {
            OrbData orb = stock;
            PatchRead r = ReadPatch(c.patch, "p");
            QVERIFY2(r.errors.empty(), c.patch.c_str());
            const PatchApplied a = ApplyPatches(orb, {r.patch}, c.length);
            if (c.refused.empty()) {
                QVERIFY2(a.refused.empty() && a.conflicts.empty(), c.patch.c_str());
                continue;
            }
            QVERIFY2(a.refused.size() == 1 && a.refused[0].rfind(c.refused, 0) == 0,
                     (a.refused.empty() ? c.patch : a.refused[0]).c_str());
            QVERIFY(sameImage(orb, stock));
        }
    }

    // Every byte 1..255 in names, and names that look like the format itself, come back exactly.
    void namesSurviveByteForByte()
    {
        const OrbData stock = sampleOrb(12);
        OrbData modded = stock;
        std::vector<std::string> names = {"say \"hi\"", "back\\slash", "a -> b", "trailing   ", " # no comment"};
        for (int first = 1; first <= 255; first += 15) {
            std::string piece;
            for (int b = first; b < first + 15 && b <= 255; ++b)
                piece += static_cast<char>(b);
            names.push_back(piece);
        }
        for (std::size_t i = 0; i < names.size(); ++i)
            modded.edit<UnitRecord>(int(i) + 1, [&](UnitRecord& u) { u.Name = names[i]; });
        const std::string text = PatchText(stock, modded);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(names.size() + 1));  // one line each
        OrbData applied = stock;
        QVERIFY(ApplyPatches(applied, {patchOf(stock, modded, "names")}).conflicts.empty());
        QVERIFY(sameImage(applied, modded));
        // show writes each name as the patch does, and reading it back gives the bytes.
        const std::string shown = ShowText(modded);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string line = "units " + EntryNumberText(int(i) + 1) + " Name " + QuotedName(names[i]) + "\n";
            QVERIFY2(shown.find(line) != std::string::npos, line.c_str());
            PatchRead back = ReadPatch(std::string(PatchHeader) + "\nunits 001 Name " + QuotedName(names[i]) + " -> \"x\"\n", "b");
            QVERIFY2(back.errors.empty() && back.patch.lines.at(0).before.name == names[i], line.c_str());
        }
        // CRLF line ends and comments read too.
        std::string crlf = std::string(PatchHeader) + "\r\n# a comment\r\nunits 001 Name " +
                           QuotedName(stock.unit(1).Name) + " -> \"x#y\" # why\r\n";
        PatchRead r = ReadPatch(crlf, "crlf");
        QVERIFY(r.errors.empty());
        QCOMPARE(r.patch.lines.at(0).after.name, std::string("x#y"));
    }

    // A patch as a text editor saves it reads as the same change: each gives unit 1 the name
    // "Köln", or is refused as no patch.
    void patchesAsEditorsSaveThem()
    {
        const std::string body = "units 001 Name \"" + Latin1ToUtf8(std::string(sampleOrb(12).unit(1).Name)) + "\" -> \"K\xc3\xb6ln\"\n";
        const std::string latin1 = "units 001 Name \"" + std::string(sampleOrb(12).unit(1).Name) + "\" -> \"K\xf6ln\"\r\n";
        auto utf16 = [](const std::string& ascii) {
            std::string out = "\xff\xfe";
            for (char c : ascii)
                out += c, out += '\0';
            return out;
        };
        const struct {
            std::string text;
            const char* readAs;  // nullptr: refused
        } cases[] = {
            {"\xef\xbb\xbforbtool-patch 1\n" + body, ""},
            {"orbtool-patch 1  \t\r\n" + body, ""},
            {"  orbtool-patch 1\n" + body, ""},
            {"# made by hand\n\n   \norbtool-patch 1\n" + body, ""},
            {"orbtool-patch 1\r\n" + latin1, "Windows-1252"},
            {utf16("orbtool-patch 1\r\nunits 001 Cost 0 -> 0\r\n"), "UTF-16LE"},
            {"orbtool-patch 1 # a comment\n" + body, nullptr},
            {"orbtool-patch 10\n" + body, nullptr},
            {"# only a comment\n", nullptr},
            {"\n", nullptr},
        };
        for (const auto& c : cases) {
            const PatchRead r = ReadPatch(c.text, "p");
            if (!c.readAs) {
                QVERIFY(QString::fromStdString(r.errors.empty() ? std::string() : r.errors[0]).section(':', 2).trimmed().startsWith(
                    QString("not a patch") + ": the first line that is not blank or a comment must be 'orbtool-patch 1', not \""));
                continue;
            }
            QVERIFY2(r.errors.empty(), r.errors.empty() ? "" : r.errors[0].c_str());
            QCOMPARE(QString::fromStdString(r.readAs), QString(c.readAs));
            QCOMPARE(int(r.patch.lines.size()), 1);
            if (r.patch.lines[0].after.isName)
                QCOMPARE(QByteArray::fromStdString(r.patch.lines[0].after.name), QByteArray("K\xf6ln"));
        }
    }

    void badPatchesAreNamedByLine()
    {
        const std::string h = std::string(PatchHeader) + "\n";
        const std::pair<std::string, const char*> bad[] = {
            {"orbtool-patch 9\n", "p:1: not a patch"},
            {"\n# x\norbtool-patch 9\n", "p:3: not a patch"},  // the line it stops at
            {h + "tanks 001 Cost 1 -> 2\n", "p:2: no table is called 'tanks'"},
            {h + "units 250 Cost 1 -> 2\n", "p:2: '250' is no entry of units"},
            {h + "units 001 Colour 1 -> 2\n", "p:2: no field of units is called 'Colour'"},
            {h + "\nunits 001 Cost 1 -> 256\n", "p:3: Cost holds a number from 0 to 255, not '256'"},
            {h + "units 001 Icon 1 -> 65536\n", "p:2: Icon holds a number from 0 to 65535"},
            {h + "units 001 Name \"a\" -> b\n", "p:2: Name is a name: write it in quotes"},
            {h + "units 001 Name \"a\" -> \"0123456789abcdef\"\n", "p:2: Name: a name holds at most 15 bytes, and no zero byte"},
            {h + "units 001 Name \"a\" -> \"\\x00\"\n", "p:2: Name: a name holds at most 15 bytes, and no zero byte"},
            {h + "units 001 Name \"a\" -> \"open\n", "p:2: a name's quotes are not closed"},
            {h + "units 001 Name \"a\" -> \"\\q\"\n", "p:2: Name: an escape in a name is \\\", \\\\ or \\xNN"},
            {h + "units 001 Name \"\xe2\x82\xac\" -> \"\"\n", "p:2: Name: '\xe2\x82\xac' has no byte in a name"},
            {h + "units 001 Cost \"\\q\" -> 1\n", "p:2: Cost holds a number from 0 to 255, not a name"},
            {"orbtool-patch\t1\n", "p:1: not a patch: the first line that is not blank or a comment must be 'orbtool-patch 1', not \"orbtool-patch\\t1\""},
            {"orbtool-patch  1\n", "p:1: not a patch: the first line that is not blank or a comment must be 'orbtool-patch 1', not \"orbtool-patch  1\""},
            {h + "units 001 Cost 1 2\n", "p:2: expected TABLE NUMBER FIELD OLD -> NEW"},
            {h + "units 001 Cost 1 -> 2 3\n", "p:2: expected TABLE NUMBER FIELD OLD -> NEW"},
            {h + "units 001 Name \"a\" -> \"b\" c\n", "p:2: expected TABLE NUMBER FIELD OLD -> NEW"},
        };
        for (const auto& [text, error] : bad) {
            PatchRead r = ReadPatch(text, "p");
            QVERIFY2(!r.errors.empty() && r.errors[0].rfind(error, 0) == 0,
                     (r.errors.empty() ? std::string("no error") : r.errors[0]).c_str());
        }
    }

    // Bytes no value shows are told apart, exactly: a name's bytes after its end, and bytes no
    // field holds, in rows of 32 with ".." where a field's byte stands.
    void hiddenBytesAreShownAndDiffed()
    {
        OrbData plain = sampleOrb(12);
        std::vector<uint8_t> bytes(plain.bytes(), plain.bytes() + OrbImageSize);
        for (std::size_t i = 0; i < OrbImageSize; ++i)
            if (!FieldBytes()[i])
                bytes[i] = 0;  // no byte outside the fields, as a file from the game's own tool may be
        const OrbData clean{std::vector<uint8_t>(bytes)};
        QCOMPARE(HiddenBytesText(clean), std::string());
        const int last = FormationFields().front().at(FormationCount);  // the last formation's name
        std::size_t unheld = 0;
        while (FieldBytes()[unheld])
            ++unheld;
        bytes[std::size_t(last) + 14] = 0x7f;
        bytes[unheld] = 0xab;
        const OrbData hidden{std::vector<uint8_t>(bytes)};
        const std::size_t row = unheld / 32 * 32;
        std::string cells;
        for (std::size_t i = row; i < row + 32; ++i)
            cells += std::string(i > row ? " " : "") + (i == unheld ? "ab" : FieldBytes()[i] ? ".." : "00");
        const std::string offset = QString("%1").arg(row, 6, 10, QChar('0')).toStdString();
        std::string after;  // the bytes after the name's end, its terminating zero aside
        for (std::size_t i = std::string(clean.formation(FormationCount).Name).size() + 1; i < 15; ++i)
            after += std::string(after.empty() ? "" : " ") + (i == 14 ? "7f" : "00");
        QCOMPARE(HiddenBytesText(hidden), "formations 199 Name after its end: " + after + "\nbytes " + offset +
                                              " no field holds: " + cells + "\n");
        const std::vector<std::string> want = {"formations 199 Name after its end: none -> " + after,
                                               "bytes " + offset + " no field holds: none -> " + cells};
        QCOMPARE(HiddenBytesDifferences(clean, hidden), want);
        QCOMPARE(HiddenBytesDifferences(hidden, hidden), std::vector<std::string>());
    }

    // The length and tail of a merge: what each side did to them, and what the merge takes.
    void mergeTakesTheLengthFromTheSideThatChangedIt()
    {
        const struct {
            bool oursAsBase, theirsAsBase, sidesAlike;
            bool takeTheirs, conflict;
        } cases[] = {
            {true, true, true, false, false},     // neither changed them
            {true, false, false, true, false},    // theirs did
            {false, true, false, false, false},   // ours did
            {false, false, true, false, false},   // both, alike
            {false, false, false, false, true},   // both, differently
        };
        for (const auto& c : cases) {
            const ExtentMerge m = MergeExtent(c.oursAsBase, c.theirsAsBase, c.sidesAlike);
            QVERIFY(m.takeTheirs == c.takeTheirs && m.conflict == c.conflict);
        }
    }

    // Each field and each byte of the merge, against what the three files say.
    void mergeTakesEachSidesChanges()
    {
        const OrbData base = sampleOrb(70);
        OrbData ours = base, theirs = base;
        ours.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 11, u.Crew = 5, u.Speed = 30; });
        theirs.edit<UnitRecord>(1, [](UnitRecord& u) { u.Cost = 12, u.Crew = 5; u.Name = "Theirs"; });
        theirs.edit<FormationRecord>(9, [](FormationRecord& f) { f.Slot10 = 1001; });
        ours.bytes()[4001] = 1, theirs.bytes()[4002] = 2;  // bytes between the columns
        ours.bytes()[4003] = 3, theirs.bytes()[4003] = 4;
        ours.bytes()[4004] = theirs.bytes()[4004] = 5;
        MergeResult m = MergeOrb(base, ours, theirs);
        const UnitRecord u = m.merged.unit(1);
        QCOMPARE(int(u.Cost), 11);                  // both changed it differently: ours, and a conflict
        QCOMPARE(int(u.Crew), 5);                   // the same change on both sides
        QCOMPARE(int(u.Speed), 30);                 // ours alone
        QCOMPARE(u.Name, std::string("Theirs"));    // theirs alone
        QCOMPARE(int(m.merged.formation(9).Slot10), 1001);
        QCOMPARE(int(m.merged.bytes()[4001]), 1);
        QCOMPARE(int(m.merged.bytes()[4002]), 2);
        QCOMPARE(int(m.merged.bytes()[4003]), 3);
        QCOMPARE(int(m.merged.bytes()[4004]), 5);
        const std::vector<std::string> expected = {
            "units 001 Cost: base " + std::to_string(base.unit(1).Cost) + ", ours 11, theirs 12",
            "byte 4003: base " + std::to_string(base.bytes()[4003]) + ", ours 3, theirs 4"};
        QCOMPARE(m.conflicts, expected);
        // Everything else is ours.
        int differing = 0;
        for (std::size_t i = 0; i < OrbImageSize; ++i)
            differing += m.merged.bytes()[i] != ours.bytes()[i];
        QVERIFY(differing > 0 && differing <= 16 + 2 + 1);
        QCOMPARE(int(OtherBytesDiffering(base, ours)), 3);
    }

    // A formation's slots merged as a list: what each side added is kept where the additions do
    // not overlap; a member both sides put in one empty slot moves with its multiplier to the next
    // slot after it that holds no member and whose multiplier no side changed. Changes to a member
    // base had stay conflicts. Lists as putSlots reads them: "5 6x2" is member 6 with multiplier 2
    // in slot 2.
    void slotListsMergeAsLists()
    {
        const char* full = "1 2 3 4 5 6 7 8";
        const struct {
            const char* what;
            QByteArray base, ours, theirs, merged;
            std::vector<std::string> conflicts, taken;
        } cases[] = {
            {"each side adds to another slot", "5 6", "5 6 7", "5 6 0 0 0 0 8", "5 6 7 0 0 0 8", {}, {"Slot7 0 0 8"}},
            {"both add to the same empty slot", "5 6", "5 6 7x2", "5 6 1008x4", "5 6 7x2 1008x4", {}, {"Slot4 0 0 1008", "Code4 0 0 4"}},
            {"both add the same member", "5", "5 7", "5 7", "5 7", {}, {}},
            {"both add the same member, multiplied differently", "5", "5 7x1", "5 7x2", "5 7x1",
             {"formations 020 Code2: base 0, ours 1, theirs 2"}, {}},
            {"theirs adds what ours holds elsewhere", "5", "5 7 0 9", "5 9", "5 7 0 9", {}, {}},
            {"theirs adds what ours holds elsewhere, multiplied differently", "5", "5 7 0 9x1", "5 9x2", "5 7 0 9x1",
             {"formations 020 Slot2: base 0, ours 7, theirs 9", "formations 020 Code2: base 0, ours 0, theirs 2"}, {}},
            {"both add two to the same empty slots", "5", "5 7 8", "5 17 18", "5 7 8 17 18", {}, {"Slot4 0 0 17", "Slot5 0 0 18"}},
            {"theirs adds two, ours one, a slot apart", "5", "5 7", "5 8 9", "5 7 9 8", {}, {"Slot4 0 0 8", "Slot3 0 0 9"}},
            {"the only free slot is slot 10", "1 2 3 4 5 6 0 8 9", "1 2 3 4 5 6 40x2 8 9", "1 2 3 4 5 6 30x4 8 9",
             "1 2 3 4 5 6 40x2 8 9 30x4", {}, {"Slot10 0 0 30", "Code10 0 0 4"}},
            {"past slot 10 on from slot 1", "1 0 3 4 5 6 7 8 0 10", "1 0 3 4 5 6 7 8 11 10", "1 0 3 4 5 6 7 8 12x1 10",
             "1 12x1 3 4 5 6 7 8 11 10", {}, {"Slot2 0 0 12", "Code2 0 0 1"}},
            {"an empty slot's multiplier left behind gives way", "5 6 0 0x3", "5 6 7x1 0x3", "5 6 8x2 0x3", "5 6 7x1 8x2",
             {}, {"Slot4 0 0 8", "Code4 3 3 2"}},
            {"a multiplier ours gave an empty slot keeps it", "5 6", "5 6 7 0x4", "5 6 8", "5 6 7 0x4 8", {}, {"Slot5 0 0 8"}},
            {"no free slot: member and multiplier conflict", full, "1 2 3 4 5 6 7 8 9x1 10", "1 2 3 4 5 6 7 8 11x2",
             "1 2 3 4 5 6 7 8 9x1 10",
             {"formations 020 Slot9: base 0, ours 9, theirs 11", "formations 020 Code9: base 0, ours 1, theirs 2"}, {}},
            {"no free slot: theirs' multiplier is not given to ours' member", full, "1 2 3 4 5 6 7 8 9 10",
             "1 2 3 4 5 6 7 8 11x2", "1 2 3 4 5 6 7 8 9 10",
             {"formations 020 Slot9: base 0, ours 9, theirs 11", "formations 020 Code9: base 0, ours 0, theirs 2"}, {}},
            {"no free slot, theirs' multiplier as base's", full, "1 2 3 4 5 6 7 8 9x1 10", "1 2 3 4 5 6 7 8 11",
             "1 2 3 4 5 6 7 8 9x1 10", {"formations 020 Slot9: base 0, ours 9, theirs 11"}, {}},
            {"both change a member base had", "5 6", "5 16", "5 26", "5 16", {"formations 020 Slot2: base 6, ours 16, theirs 26"}, {}},
            {"ours removes what theirs changes", "5 6", "5", "5 26", "5", {"formations 020 Slot2: base 6, ours 0, theirs 26"}, {}},
        };
        auto put = [](OrbData& orb, const QByteArray& list) { putSlots(orb, 20, list); };
        for (const auto& c : cases) {
            OrbData base = sampleOrb(70);
            put(base, c.base);
            OrbData ours = base, theirs = base, merged = base;
            put(ours, c.ours);
            put(theirs, c.theirs);
            put(merged, c.merged);
            const MergeResult m = MergeOrb(base, ours, theirs);
            QVERIFY2(sameImage(m.merged, merged), c.what);
            QVERIFY2(m.conflicts == c.conflicts, (std::string(c.what) + ": " + (m.conflicts.empty() ? "none" : m.conflicts[0])).c_str());
            std::vector<std::string> taken;
            for (const MergeField& f : m.taken)
                taken.push_back(f.field + " " + f.base + " " + f.ours + " " + f.theirs);
            QVERIFY2(taken == c.taken, c.what);
            QCOMPARE(m.conflictFields.size(), c.conflicts.size());
        }
    }

    // A short side's values past its end read as zeros, and are no change of that side's; where
    // the result takes theirs' longer length, theirs' values past ours' end come with it.
    void mergeWithShortFilesWritesNoZeros()
    {
        const OrbData stock = sampleOrb(12);
        // Unit 100's Crew (byte 13850) lies before byte 20000 and formation 199's Slot10 (42498) past it.
        const int unit = 100, lastFormation = 199;
        const auto truncated = [](OrbData o, std::size_t length) {
            std::fill(o.bytes() + length, o.bytes() + OrbImageSize, uint8_t(0));
            return o;
        };
        OrbData changed = stock;
        changed.edit<UnitRecord>(unit, [](UnitRecord& u) { u.Crew = uint8_t(u.Crew + 1); });
        changed.edit<FormationRecord>(lastFormation, [](FormationRecord& f) { f.Slot10 = 1002; });
        const OrbData shortStock = truncated(stock, 20000), shortChanged = truncated(changed, 20000);
        const auto withSlot10 = [&](uint16_t member) {
            OrbData o = stock;
            o.edit<FormationRecord>(lastFormation, [&](FormationRecord& f) { f.Slot10 = member; });
            return o;
        };
        const std::string slot = "formations 199 Slot10: ";
        std::size_t other = 20000;  // the first byte from there that no field holds, and that is not 0
        while (FieldBytes()[other] || stock.bytes()[other] == 0)
            ++other;
        struct Case {
            const char* what;
            OrbData base, ours, theirs;
            MergeLengths lengths;
            OrbData expected;
            std::vector<std::string> conflicts;
        } cases[] = {
            {"theirs short and unchanged", stock, changed, shortStock, {OrbImageSize, OrbImageSize, 20000}, changed, {}},
            {"theirs short, its change before the end taken", stock, stock, shortChanged,
             {OrbImageSize, OrbImageSize, 20000}, [&] {
                 OrbData o = stock;
                 o.set(unit, changed.unit(unit));
                 return o;
             }(), {}},
            {"ours short, theirs' change past it not kept", stock, shortStock, changed, {OrbImageSize, 20000, OrbImageSize},
             [&] {
                 OrbData o = shortStock;
                 o.edit<UnitRecord>(unit, [&](UnitRecord& u) { u.Crew = changed.unit(unit).Crew; });
                 return o;
             }(),
             {slot + "theirs 1002 lies past ours' end (20000 bytes) and was not kept"}},
            {"base short, both sides agree", shortStock, stock, stock, {20000, OrbImageSize, OrbImageSize}, stock, {}},
            {"theirs ends just before a byte no field holds", stock, stock, truncated(stock, other),
             {OrbImageSize, OrbImageSize, other}, stock, {}},
            {"base short, the sides differ past its end", shortStock, stock, changed, {20000, OrbImageSize, OrbImageSize},
             [&] {
                 OrbData o = stock;
                 o.set(unit, changed.unit(unit));
                 return o;
             }(),
             {slot + "base has no value (past its end), ours " + std::to_string(stock.formation(199).Slot10) +
              ", theirs 1002"}},
            {"base short, ours writes past its end, theirs leaves zero", shortStock, withSlot10(1002), withSlot10(0),
             {20000, OrbImageSize, OrbImageSize}, withSlot10(1002), {slot + "base has no value (past its end), ours 1002, theirs 0"}},
            {"base short, theirs writes past its end, ours leaves zero", shortStock, withSlot10(0), withSlot10(1002),
             {20000, OrbImageSize, OrbImageSize}, withSlot10(0), {slot + "base has no value (past its end), ours 0, theirs 1002"}},
            {"base and ours short, theirs' length taken with its values", shortStock, shortStock, changed,
             {20000, 20000, OrbImageSize, OrbImageSize}, changed, {}},
        };
        for (const Case& c : cases) {
            const MergeResult m = MergeOrb(c.base, c.ours, c.theirs, c.lengths);
            QVERIFY2(m.conflicts == c.conflicts,
                     (std::string(c.what) + ": " + (m.conflicts.empty() ? "none" : m.conflicts.front())).c_str());
            QVERIFY2(sameImage(c.expected, m.merged), c.what);
        }
    }
};

QTEST_GUILESS_MAIN(TestMods)
#include "test_mods.moc"
