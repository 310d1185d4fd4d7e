// The data file: unpacking, packing, byte-exact round trips, file names and safe saving.
#include "OrdinaryUser.h"
#include "TestFiles.h"

#include "core/EditRules.h"
#include "core/Globals.h"
#include "core/OrbDiff.h"
#include "core/Tables.h"
#include "data/Fields.h"
#include "data/ORBIO.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

namespace fs = std::filesystem;

class TestDataFile : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    fs::path startDir = fs::current_path();

    void enter(const QString& dir) { fs::current_path(dir.toStdString()); }

private slots:
    void init()
    {
        ResetProgramState();
        QVERIFY(tmp.isValid());
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
        enter(tmp.path());
    }
    void cleanup() { fs::current_path(startDir); }

    // A name ends at its first zero byte, fifteen letters need none, and a save clears what
    // followed that byte, wherever it stands. (That bytes no field holds are kept: fuzz_image.)
    void namesEndAtTheirFirstZeroByte()
    {
        std::vector<uint8_t> img(OrbImageSize, 0), out;
        img[9250 + 15 * 250] = 0x5A;  // the byte after the names' column
        OrbData orb;
        for (int end = 0; end <= 15; ++end) {
            std::vector<uint8_t> name(15, 0xE9);
            if (end < 15)
                name[std::size_t(end)] = 0;
            std::memcpy(&img[9250 + 15 * 249], name.data(), 15);  // unit 249's name
            UnpackImage(img.data(), orb);
            QCOMPARE(orb.unit(249).Name.size(), std::size_t(end));
            PackImage(orb, (out = img).data());
            for (int i = 0; i < 15; ++i)
                QVERIFY2(out[std::size_t(9250 + 15 * 249 + i)] == (i < end ? 0xE9 : 0), qPrintable(QString::number(end)));
            QCOMPARE(int(out[9250 + 15 * 250]), 0x5A);
        }
    }

    // The layout as the format describes it, written out once: for every field the first byte of
    // entry 1, the size of one entry in its column, and the largest value a commit stores in it
    // (0: no page edits it). Checked against what packing really writes, not against the table.
    void everyFieldSitsWhereTheFormatPutsIt()
    {
        struct Place {
            const char* field;
            int first, stride;
            uint32_t bound;
        };
        const std::vector<Place> weapons = {
            {"Name", 15, 15, 15}, {"Class", 3751, 1, 255}, {"Size", 4251, 1, 255}, {"WarheadSize", 4501, 1, 255},
            {"HEPen", 4752, 2, 255}, {"APPen", 4753, 2, 255}, {"APKill", 5251, 2, 255}, {"HEKill", 5252, 2, 255},
            {"Accuracy", 5751, 1, 255}, {"Range", 6001, 1, 255}, {"SabotRange", 6251, 1, 255},
            {"SabotPen", 6501, 1, 255}, {"HEATPen", 6751, 1, 255}};
        const std::vector<Place> units = {
            {"Name", 9265, 15, 15}, {"Class", 13001, 1, 255}, {"Size", 13501, 1, 255}, {"Crew", 13751, 1, 255},
            {"Wpn1", 14004, 4, 249}, {"Wpn2", 14005, 4, 249}, {"Wpn3", 14006, 4, 249}, {"Wpn4", 14007, 4, 249},
            {"Wpn1HEAmmo", 15008, 8, 255}, {"Wpn1APAmmo", 15009, 8, 255}, {"Wpn2HEAmmo", 15010, 8, 255},
            {"Wpn2APAmmo", 15011, 8, 255}, {"Wpn3HEAmmo", 15012, 8, 255}, {"Wpn3APAmmo", 15013, 8, 255},
            {"Wpn4HEAmmo", 15014, 8, 255}, {"Wpn4APAmmo", 15015, 8, 255}, {"Speed", 17001, 1, 255},
            {"SteelHF", 17264, 14, 255}, {"SteelHS", 17265, 14, 255}, {"SteelHR", 17266, 14, 255},
            {"SteelTF", 17267, 14, 255}, {"SteelTS", 17268, 14, 255}, {"SteelTR", 17269, 14, 255},
            {"SteelTop", 17270, 14, 255}, {"HEATHF", 17271, 14, 255}, {"HEATHS", 17272, 14, 255},
            {"HEATHR", 17273, 14, 255}, {"HEATTF", 17274, 14, 255}, {"HEATTS", 17275, 14, 255},
            {"HEATTR", 17276, 14, 255}, {"HEATTop", 17277, 14, 255}, {"ERAHF", 20757, 7, 255},
            {"ERAHS", 20758, 7, 255}, {"ERAHR", 20759, 7, 255}, {"ERATF", 20760, 7, 255}, {"ERATS", 20761, 7, 255},
            {"ERATR", 20762, 7, 255}, {"ERATop", 20763, 7, 255}, {"Radio", 24001, 1, 255},
            {"YrAvail", 24251, 1, 255}, {"YrUnavail", 24501, 1, 255}, {"Cost", 24751, 1, 255},
            {"Nation", 25001, 1, 249}, {"LBM", 25252, 2, 65535}, {"Vision", 25751, 1, 255}, {"FC", 26001, 1, 255},
            {"SabotAmmo", 26251, 1, 255}, {"HEATAmmo", 26501, 1, 255}, {"ROF", 26751, 1, 255},
            {"Stabiliser", 27001, 1, 255}, {"RF", 27251, 1, 255}, {"EW", 27501, 1, 255}, {"Carry", 27751, 1, 255},
            {"HiddenByte", 28001, 1, 0}, {"Weight", 28251, 1, 255}, {"Icon", 28502, 2, 65535},
            {"Swim", 29001, 1, 255}, {"MC", 29251, 1, 255}, {"SD", 29501, 1, 255}, {"MonthAvail", 29751, 1, 255}};
        std::vector<Place> formations = {
            {"Name", 32515, 15, 15}, {"Nation", 35501, 1, 255}, {"MonthAvail", 35701, 1, 255},
            {"Special", 35901, 1, 255}, {"Avail", 37701, 1, 255}, {"Until", 37901, 1, 255},
            {"Page", 38101, 1, 255}, {"Type", 38301, 1, 255}};
        static const char* const slotNames[] = {"Slot1", "Slot2", "Slot3", "Slot4", "Slot5",
                                            "Slot6", "Slot7", "Slot8", "Slot9", "Slot10"};
        static const char* const codeNames[] = {"Code1", "Code2", "Code3", "Code4", "Code5",
                                            "Code6", "Code7", "Code8", "Code9", "Code10"};
        for (int k = 0; k < 10; ++k) {
            formations.push_back({slotNames[k], 38520 + 2 * k, 20, 1200});
            formations.push_back({codeNames[k], 42510 + k, 10, 255});
        }

        auto check = [](const auto& fields, const std::vector<Place>& places, auto entry, int last) {
            QCOMPARE(fields.size(), places.size());
            for (const Place& p : places) {
                const auto* f = FindField(fields, p.field);
                QVERIFY2(f, p.field);
                QCOMPARE(f->editable(), p.bound != 0);
                const int width = f->width == FieldWidth::Text ? 15 : f->width == FieldWidth::U16 ? 2 : 1;
                QByteArray zero(int(OrbImageSize), '\0'), out = zero;
                OrbData orb;
                for (int n : {last, 1}) {
                    auto r = entry(orb, n);
                    // The widest text a commit takes; then every byte of the field made non-zero.
                    StoreFieldText(r, *f, f->width == FieldWidth::Text ? "ABCDEFGHIJKLMNOPQ" : "99999");
                    if (p.bound && f->width != FieldWidth::Text)
                        QVERIFY2(f->number(r) == p.bound, p.field);
                    if (f->width != FieldWidth::Text)
                        f->setNumber(r, width == 2 ? 0x0101u : 1u);
                    entry.set(orb, n, r);
                    // A comparison of tables finds the entries just set, the last one alone too.
                    const auto diffs = DiffFields(OrbData{}, orb);
                    QVERIFY2(diffs.size() == (n == last ? 1u : 2u) && diffs.back().number == last &&
                                 std::string(diffs.back().field) == p.field,
                             p.field);
                }
                PackImage(orb, reinterpret_cast<uint8_t*>(out.data()));
                QList<int> want;
                for (int n : {1, last})
                    for (int b = 0; b < width; ++b)
                        want << p.first + (n - 1) * p.stride + b;
                QVERIFY2(changedOffsets(zero, out) == want, p.field);
            }
        };
        check(UnitFields(), units, EntryAccess<UnitRecord>{}, UnitCount);
        check(WeaponFields(), weapons, EntryAccess<WeaponRecord>{}, WeaponCount);
        check(FormationFields(), formations, EntryAccess<FormationRecord>{}, FormationCount);
    }

    // Names are ORB and two digits, in any letter case, and nothing else; 0 and 99 included.
    void whatNamesAreDataFiles()
    {
        const std::pair<int, const char*> names[] = {{0, "ORB00"}, {9, "ORB09"}, {10, "ORB10"}, {99, "ORB99"}};
        for (const auto& [n, name] : names)
            QCOMPARE(OrbFileName(n), std::string(name));
        for (const char* file : {"ORB00", "orb10", "Orb99", "oRB42", "ORB123", "ORB5", "ORC07", "XRB08", "OAB09",
                                 "ORB1x", "ORB 3", "ORB07.bak"})
            writeAll(file, "x");
        const std::array<bool, 100> flags = ScanOrbFiles(".");
        QList<int> found;
        for (int n = 0; n < 100; ++n)
            if (flags[std::size_t(n)])
                found << n;
        QCOMPARE(found, (QList<int>{0, 10, 42, 99}));
        QCOMPARE(FindOrbFile(".", 10).filename().string(), std::string("orb10"));
        QVERIFY(FindOrbFile(".", 7).empty() && FindOrbFile(".", 12).empty());
    }

    // What a short file cannot hold, in few words: runs of entries, tables in their order.
    void valuesPastAShortFilesEnd()
    {
        const std::vector<PastEndValue> values = {
            {"formations", 7, "Name"}, {"units", 203, "Cost"}, {"units", 201, "Cost"}, {"units", 202, "Name"},
            {"formations", 3, "Slot1"}, {"units", 205, "Cost"}, {"units", 202, "Cost"}, {"weapons", 1, "Name"},
            {"formations", 8, "Code1"}, {"formations", 10, "Code1"}};
        QCOMPARE(DescribePastEnd(values), std::string("units 201-203, 205; weapons 1; formations 3, 7-8, 10"));
        QCOMPARE(DescribePastEnd({}), std::string());
        // The last byte of the image missing: only the value that holds it, formation 199's Code10.
        OrbData orb;
        orb.edit<FormationRecord>(FormationCount, [](FormationRecord& f) { f.Code10 = 1, f.Code9 = 1; });
        std::vector<uint8_t> image(OrbImageSize);
        PackImage(orb, image.data());
        const auto past = ValuesPastEnd(image.data(), OrbImageSize - 1);
        QCOMPARE(past.size(), std::size_t(1));
        QCOMPARE(std::string(past[0].field) + " " + std::to_string(past[0].entry), std::string("Code10 199"));
        QVERIFY(ValuesPastEnd(image.data(), OrbImageSize).empty());
    }

    // A formation's slots and codes by number, each its own.
    void slotsAndCodesByNumber()
    {
        FormationRecord f;
        for (int k = 1; k <= 10; ++k) {
            formationSlot(f, k) = uint16_t(100 + k);
            formationCode(f, k) = uint8_t(k);
        }
        const uint16_t slotValues[] = {f.Slot1, f.Slot2, f.Slot3, f.Slot4, f.Slot5, f.Slot6, f.Slot7, f.Slot8, f.Slot9, f.Slot10};
        const uint8_t codes[] = {f.Code1, f.Code2, f.Code3, f.Code4, f.Code5, f.Code6, f.Code7, f.Code8, f.Code9, f.Code10};
        for (int k = 1; k <= 10; ++k) {
            QCOMPARE(int(slotValues[k - 1]), 100 + k);
            QCOMPARE(int(codes[k - 1]), k);
            QCOMPARE(int(formationSlot(static_cast<const FormationRecord&>(f), k)), 100 + k);
            QCOMPARE(int(formationCode(static_cast<const FormationRecord&>(f), k)), k);
        }
    }

    // A name of all fifteen letters has no zero byte: lists show it whole; one of fourteen ends at
    // the zero in its last byte.
    void fifteenLetterNames()
    {
        OrbData orb;
        orb.edit<WeaponRecord>(1, [](WeaponRecord& w) { w.Name = "ABCDEFGHIJKLMN"; });
        QCOMPARE(orb.name<WeaponRecord>(1).size(), std::size_t(14));
        orb.edit<WeaponRecord>(WeaponCount, [](WeaponRecord& w) { w.Name = "ABCDEFGHIJKLMNO"; });
        QCOMPARE(std::string(orb.name<WeaponRecord>(WeaponCount)), std::string("ABCDEFGHIJKLMNO"));
        QCOMPARE(std::string(orb.weapon(WeaponCount).Name), std::string("ABCDEFGHIJKLMNO"));
    }

    void fileNamesMatchWithoutRegardToCase()
    {
        putSample(tmp.path(), 5, "orb05");
        putSample(tmp.path(), 12, "Orb12");
        QDir().mkdir("ORB20");  // a directory is not a data file
        QVERIFY(OrbFileExists(5));
        QVERIFY(OrbFileExists(12));
        QVERIFY(!OrbFileExists(20));
        QVERIFY(!OrbFileExists(70));
        auto flags = ScanOrbFiles(".");
        QVERIFY(flags[5] && flags[12] && !flags[20] && !flags[70]);

        QCOMPARE(LoadOrbFile(5).code, 0);
        Orb.edit<UnitRecord>(1, [](UnitRecord& u) { ++u.Cost; });
        SaveResult r = SaveOrbFile(5, tmp.path().toStdString());
        QCOMPARE(r.code, 0);
        QCOMPARE(QDir(tmp.path()).entryList({"*05"}, QDir::Files, QDir::Name), QStringList{"orb05"});
        QCOMPARE(changedOffsets(sampleBytes(5), readAll("orb05")), QList<int>{24751});

        // With several case variants, the first by name is the data file, for loading and saving
        // alike. (A file system that ignores letter case, as Windows' does, holds only one.)
#ifndef _WIN32
        for (const QStringList& variants : {QStringList{"ORB81", "Orb81"}, QStringList{"orb81", "Orb81"}}) {
            for (const QString& name : variants)
                writeAll(name, sampleBytes(name == variants.first() ? 81 : 5));
            QCOMPARE(QString::fromStdString(FindOrbFile(".", 81).filename().string()), std::min(variants[0], variants[1]));
            for (const QString& name : variants)
                QFile::remove(name);
        }
#endif

        // A number with no file of any case is created under the upper-case name.
        SaveOrbFile(70, tmp.path().toStdString());
        QVERIFY(QFileInfo("ORB70").isFile());
    }

    // A folder named outside ASCII (and outside any one code page, for Windows) loads and saves.
    void foldersOutsideAsciiAndReadOnlyFiles()
    {
        const QString dir = tmp.path() + QString::fromUtf8("/J\u00e4ger \u65e5\u672c");
        QVERIFY(QDir().mkpath(dir));
        putSample(dir, 5, "orb05");
        fs::current_path(fs::u8path(dir.toStdString()));
        QVERIFY(ScanOrbFiles(".")[5]);
        QCOMPARE(LoadOrbFile(5).code, 0);
        Orb.edit<UnitRecord>(1, [](UnitRecord& u) { ++u.Cost; });
        SaveResult saved = SaveOrbFile(5, dir.toStdString());
        QVERIFY2(saved.code == 0, saved.message.c_str());
        QCOMPARE(changedOffsets(sampleBytes(5), readAll(dir + "/orb05")), QList<int>{24751});
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"orb05"});
    }

    void failedLoadChangesNothing()
    {
        putSample(tmp.path(), 12);
        QCOMPARE(LoadOrbFile(12).code, 0);
        OrbData before = Orb;
        QDir().mkdir("ORB05");
        LoadResult r = LoadOrbFile(5);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.message, std::string("Unable to find ORB05"));
        QCOMPARE(Orb.unit(1).Name, before.unit(1).Name);
        QCOMPARE(Orb.unit(1).Cost, before.unit(1).Cost);
        QVERIFY(FileLoaded);
    }

    // A file marked read-only is refused and stays as it was; one that cannot be read is not
    // "not found": the message says why. Nothing loaded is lost on the way.
    void readOnlyAndUnreadableFiles()
    {
        AS_ORDINARY_USER();
        putSample(tmp.path(), 5);
        QCOMPARE(LoadOrbFile(5).code, 0);
        QFile::setPermissions("ORB05", QFileDevice::ReadOwner | QFileDevice::ReadUser);
        Orb.edit<UnitRecord>(1, [](UnitRecord& u) { ++u.Cost; });
        SaveResult saved = SaveOrbFile(5, tmp.path().toStdString());
        QCOMPARE(saved.code, 1);
        QVERIFY2(saved.message.find("read-only") != std::string::npos, saved.message.c_str());
        QCOMPARE(readAll("ORB05"), sampleBytes(5));

        putSample(tmp.path(), 12);
        QCOMPARE(LoadOrbFile(12).code, 0);
        OrbData before = Orb;
        putSample(tmp.path(), 70);
        QFile::setPermissions("ORB70", QFileDevice::ReadOwner);
        QCOMPARE(LoadOrbFile(70).message, std::string("Unable to find ORB70"));
        QCOMPARE(Orb.unit(1).Name, before.unit(1).Name);
        // A file that cannot be read at all is not "not found": the message says why.
        QFile::setPermissions("ORB70", {});
        QCOMPARE(LoadOrbFile(70).message, std::string("Unable to read ORB70: Permission denied"));
        QCOMPARE(Orb.unit(1).Name, before.unit(1).Name);
    }

    // A folder the user may not write in: refused, and the old file stays.
    void failedSaveLeavesTheOldFile()
    {
        AS_ORDINARY_USER();
        putSample(tmp.path(), 12);
        QCOMPARE(LoadOrbFile(12).code, 0);
        Orb.edit<UnitRecord>(1, [](UnitRecord& u) { ++u.Cost; });
        QString path = QDir(tmp.path()).filePath("ORB12");
        QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QVERIFY(!SaveObstacle(path.toStdString()).empty());
        SaveResult r = SaveOrbFile(12, tmp.path().toStdString());
        QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(r.code, 1);
        QCOMPARE(readAll(path), sampleBytes(12));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ORB12"});
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
