// The data file: unpacking, packing, byte-exact round trips, file names and safe saving.
#include "TestFiles.h"

#include "core/Globals.h"
#include "data/Fields.h"
#include "data/ORBIO.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <set>

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

    void namesFollowTheNumberRule()
    {
        QCOMPARE(OrbFileName(0), std::string("ORB00"));
        QCOMPARE(OrbFileName(5), std::string("ORB05"));
        QCOMPARE(OrbFileName(10), std::string("ORB10"));
        QCOMPARE(OrbFileName(70), std::string("ORB70"));
    }

    // The bytes the tables cover are exactly the file minus the regions it leaves alone.
    void columnsCoverEverythingButTheUninterpretedBytes()
    {
        std::vector<int> owner(OrbImageSize, 0);
        auto mark = [&](auto& fields, int count) {
            for (const auto& f : fields) {
                int width = f.width == FieldWidth::Text ? NameLength : f.width == FieldWidth::U16 ? 2 : 1;
                for (int n = 1; n <= count; ++n)
                    for (int b = 0; b < width; ++b)
                        ++owner[static_cast<std::size_t>(f.at(n) + b)];
            }
        };
        mark(UnitFields(), UnitCount);
        mark(WeaponFields(), WeaponCount);
        mark(FormationFields(), FormationCount);

        std::set<int> untouched;
        auto stretch = [&](int from, int to) {
            for (int i = from; i <= to; ++i)
                untouched.insert(i);
        };
        // Entry 0 of every column, plus the gaps between and after the columns.
        stretch(0, 14);
        for (int b : {3750, 4250, 4500, 5750, 6000, 6250, 6500, 6750, 13000, 13500, 13750, 17000, 24000, 24250,
                      24500, 24750, 25000, 25750, 26000, 26250, 26500, 26750, 27000, 27250, 27500, 27750, 28000,
                      28250, 29000, 29250, 29500, 29750, 35500, 35700, 35900, 37700, 37900, 38100, 38300})
            untouched.insert(b);
        stretch(4750, 4751);
        untouched.insert(5250);
        stretch(5749, 5750);
        stretch(9250, 9264);
        stretch(14000, 14003);
        stretch(15000, 15007);
        stretch(17250, 17263);
        stretch(20750, 20756);
        stretch(25250, 25251);
        stretch(28500, 28501);
        stretch(32500, 32514);
        stretch(38500, 38519);
        stretch(42500, 42509);
        stretch(4000, 4250);
        stretch(7000, 9264);
        stretch(13250, 13500);
        stretch(22500, 24000);
        stretch(30000, 32514);
        stretch(36100, 37700);
        QCOMPARE(int(untouched.size()), 8505);

        int covered = 0;
        for (int i = 0; i < int(OrbImageSize); ++i) {
            QVERIFY2(owner[std::size_t(i)] <= 1, qPrintable(QString("byte %1 belongs to two columns").arg(i)));
            QCOMPARE(owner[std::size_t(i)] == 0, untouched.count(i) == 1);
            covered += owner[std::size_t(i)];
        }
        QCOMPARE(covered, 35995);
    }

    void unpackReadsKnownPlaces()
    {
        std::vector<uint8_t> img(OrbImageSize, 0);
        const char abc[] = "ABC\0XYZ";
        std::memcpy(&img[9250 + 15 * 3], abc, 7);             // unit 3's name
        std::memcpy(&img[0 + 15 * 2], "FIFTEENLETTERSX", 15);  // weapon 2's name, no terminator
        img[28500 + 2 * 7] = 0x34;                             // unit 7's Icon
        img[28501 + 2 * 7] = 0x12;
        img[5250] = 99;                                        // never read
        img[5251] = 11;                                        // weapon 1 APKill
        img[5252] = 22;                                        // weapon 1 HEKill
        img[4752] = 33;                                        // weapon 1 HEPen
        img[4753] = 44;                                        // weapon 1 APPen
        img[38500 + 20 * 4 + 4] = 0xE9;                        // formation 4, slot 3 = 1001
        img[38500 + 20 * 4 + 5] = 0x03;
        img[44499] = 9;                                        // formation 199's Code10
        img[28000 + 249] = 200;                                // unit 249's HiddenByte
        OrbData orb;
        UnpackImage(img.data(), orb);
        QCOMPARE(orb.unit(3).Name, std::string("ABC"));
        QCOMPARE(orb.weapon(2).Name, std::string("FIFTEENLETTERSX"));
        QCOMPARE(orb.unit(7).Icon, uint16_t(4660));
        QCOMPARE(orb.weapon(1).APKill, uint8_t(11));
        QCOMPARE(orb.weapon(1).HEKill, uint8_t(22));
        QCOMPARE(orb.weapon(1).HEPen, uint8_t(33));
        QCOMPARE(orb.weapon(1).APPen, uint8_t(44));
        QCOMPARE(orb.formation(4).Slot3, uint16_t(1001));
        QCOMPARE(orb.formation(199).Code10, uint8_t(9));
        QCOMPARE(orb.unit(249).HiddenByte, uint8_t(200));
    }

    void unchangedSampleRoundTripsByteForByte()
    {
        for (int n : SampleFileNumbers()) {
            QString path = putSample(tmp.path(), n);
            QByteArray before = readAll(path);
            QCOMPARE(LoadOrbFile(n).code, 0);
            QCOMPARE(FileImage.bytesRead, OrbImageSize);
            QCOMPARE(SaveOrbFile(n, tmp.path().toStdString()).code, 0);
            QCOMPARE(readAll(path), before);
        }
    }

    // Random bytes: a round trip changes only what follows a zero byte inside a name field.
    void randomImageChangesOnlyBytesAfterNameTerminators()
    {
        for (int round = 0; round < 5; ++round) {
            std::vector<uint8_t> img(OrbImageSize);
            for (auto& b : img)
                b = static_cast<uint8_t>(QRandomGenerator::global()->bounded(256));
            // Plant a few zeros inside names so that terminators occur in every table.
            img[9250 + 15 * 10 + 4] = 0;
            img[15 * 20 + 0] = 0;
            img[32500 + 15 * 30 + 14] = 0;
            std::vector<uint8_t> expected = img;
            auto clearAfterZero = [&](int base, int count) {
                for (int n = 1; n <= count; ++n) {
                    auto* p = &expected[std::size_t(base + 15 * n)];
                    auto* zero = static_cast<uint8_t*>(std::memchr(p, 0, 15));
                    if (zero)
                        std::fill(zero, p + 15, 0);
                }
            };
            clearAfterZero(0, WeaponCount);
            clearAfterZero(9250, UnitCount);
            clearAfterZero(32500, FormationCount);

            OrbData orb;
            UnpackImage(img.data(), orb);
            std::vector<uint8_t> out = img;
            PackImage(orb, out.data());
            QVERIFY(out == expected);
        }
    }

    // Changing one field changes exactly that field's bytes, at the places the format puts them.
    void oneFieldChangesExactlyItsBytes_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("value");
        QTest::addColumn<QList<int>>("offsets");
        QTest::newRow("unit icon") << "units" << 7 << "Icon" << 4660 << QList<int>{28514, 28515};
        QTest::newRow("weapon 1 APKill") << "weapons" << 1 << "APKill" << 1 << QList<int>{5251};
        QTest::newRow("weapon 1 HEKill") << "weapons" << 1 << "HEKill" << 1 << QList<int>{5252};
        QTest::newRow("weapon 249 HEKill") << "weapons" << 249 << "HEKill" << 1 << QList<int>{5748};
        QTest::newRow("weapon 1 APPen") << "weapons" << 1 << "APPen" << 1 << QList<int>{4753};
        QTest::newRow("unit 1 LBM") << "units" << 1 << "LBM" << 0x0101 << QList<int>{25252, 25253};
        QTest::newRow("unit 2 Wpn3") << "units" << 2 << "Wpn3" << 1 << QList<int>{14010};
        QTest::newRow("unit 1 Wpn2APAmmo") << "units" << 1 << "Wpn2APAmmo" << 1 << QList<int>{15011};
        QTest::newRow("unit 1 HEATTop") << "units" << 1 << "HEATTop" << 1 << QList<int>{17277};
        QTest::newRow("unit 249 MonthAvail") << "units" << 249 << "MonthAvail" << 1 << QList<int>{29999};
        QTest::newRow("unit 3 HiddenByte") << "units" << 3 << "HiddenByte" << 1 << QList<int>{28003};
        QTest::newRow("formation 1 Slot3") << "formations" << 1 << "Slot3" << 0x0101 << QList<int>{38524, 38525};
        QTest::newRow("formation 199 Code10") << "formations" << 199 << "Code10" << 1 << QList<int>{44499};
        QTest::newRow("formation 2 Special") << "formations" << 2 << "Special" << 1 << QList<int>{35902};
    }
    void oneFieldChangesExactlyItsBytes()
    {
        QFETCH(QString, table);
        QFETCH(int, number);
        QFETCH(QString, field);
        QFETCH(int, value);
        QFETCH(QList<int>, offsets);
        std::vector<uint8_t> img(OrbImageSize, 0);
        OrbData orb;
        UnpackImage(img.data(), orb);
        std::string name = field.toStdString();
        if (table == "units")
            FindField(UnitFields(), name)->setNumber(orb.unit(number), uint32_t(value));
        else if (table == "weapons")
            FindField(WeaponFields(), name)->setNumber(orb.weapon(number), uint32_t(value));
        else
            FindField(FormationFields(), name)->setNumber(orb.formation(number), uint32_t(value));
        std::vector<uint8_t> out = img;
        PackImage(orb, out.data());
        QList<int> changed;
        for (int i = 0; i < int(OrbImageSize); ++i)
            if (out[std::size_t(i)] != img[std::size_t(i)])
                changed << i;
        QCOMPARE(changed, offsets);
    }

    // Every field of every table, set through a real file: only that field's bytes change.
    void everyFieldSavesIntoItsOwnBytesOnly()
    {
        QString path = putSample(tmp.path(), 12);
        QCOMPARE(LoadOrbFile(12).code, 0);
        QByteArray before = readAll(path);
        auto check = [&](auto& fields, auto& record, int n, const char* table) {
            for (const auto& f : fields) {
                auto saved = record;
                if (f.width == FieldWidth::Text)
                    record.*f.text = record.*f.text == "Zz" ? "Yy" : "Zz";
                else
                    f.setNumber(record, f.number(record) ^ 0x0101u);
                QCOMPARE(SaveOrbFile(12, tmp.path().toStdString()).code, 0);
                QList<int> changed = changedOffsets(before, readAll(path));
                record = saved;
                QVERIFY2(!changed.isEmpty(), qPrintable(QString("%1.%2").arg(table, f.name)));
                for (int off : changed)
                    QVERIFY2(off >= f.at(n) && off < f.at(n) + (f.width == FieldWidth::Text ? 15 : 2),
                             qPrintable(QString("%1.%2 changed byte %3").arg(table, f.name).arg(off)));
            }
        };
        check(UnitFields(), Orb.unit(100), 100, "unit");
        check(WeaponFields(), Orb.weapon(249), 249, "weapon");
        check(FormationFields(), Orb.formation(199), 199, "formation");
        QCOMPARE(SaveOrbFile(12, tmp.path().toStdString()).code, 0);
        QCOMPARE(readAll(path), before);
    }

    void shortAndLongFilesKeepTheirLength()
    {
        QByteArray full = sampleBytes(70);
        writeAll("ORB70", full.left(30000));
        QCOMPARE(LoadOrbFile(70).code, 0);
        QCOMPARE(FileImage.bytesRead, std::size_t(30000));
        QCOMPARE(int(FileImage.bytes[40000]), 0);  // past the end reads as zero
        Orb.unit(1).Cost = uint8_t(Orb.unit(1).Cost + 1);
        QCOMPARE(SaveOrbFile(70, ".").code, 0);
        QByteArray saved = readAll("ORB70");
        QCOMPARE(saved.size(), 30000);
        QCOMPARE(changedOffsets(full.left(30000), saved), QList<int>{24751});

        QByteArray tail(1234, '\0');
        for (int i = 0; i < tail.size(); ++i)
            tail[i] = char(i * 7 + 1);
        writeAll("ORB71", full + tail);
        QCOMPARE(LoadOrbFile(71).code, 0);
        QCOMPARE(FileImage.bytesRead, OrbImageSize);
        QCOMPARE(SaveOrbFile(71, ".").code, 0);
        QCOMPARE(readAll("ORB71"), full + tail);
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
        Orb.unit(1).Cost = uint8_t(Orb.unit(1).Cost + 1);
        SaveResult r = SaveOrbFile(5, tmp.path().toStdString());
        QCOMPARE(r.code, 0);
        QCOMPARE(QDir(tmp.path()).entryList({"*05"}, QDir::Files, QDir::Name), QStringList{"orb05"});
        QCOMPARE(changedOffsets(sampleBytes(5), readAll("orb05")), QList<int>{24751});

        // A number with no file of any case is created under the upper-case name.
        SaveOrbFile(70, tmp.path().toStdString());
        QVERIFY(QFileInfo("ORB70").isFile());
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

        if (runningAsRoot())
            return;  // root opens read-only files for writing
        putSample(tmp.path(), 70);
        QFile::setPermissions("ORB70", QFileDevice::ReadOwner);
        QCOMPARE(LoadOrbFile(70).code, 1);
        QCOMPARE(Orb.unit(1).Name, before.unit(1).Name);
    }

    void failedSaveLeavesTheOldFileAndSaysWhy()
    {
        putSample(tmp.path(), 12);
        QCOMPARE(LoadOrbFile(12).code, 0);
        Orb.unit(1).Cost = uint8_t(Orb.unit(1).Cost + 1);

        // The target name is taken by a directory.
        QTemporaryDir other;
        QDir(other.path()).mkdir("ORB12");
        SaveResult r = SaveOrbFile(12, other.path().toStdString());
        QCOMPARE(r.code, 1);
        QVERIFY(!r.message.empty());
        QVERIFY(QFileInfo(other.filePath("ORB12")).isDir());
        QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{});

        // The user made the file read-only: refused, even for root.
        QString path = QDir(tmp.path()).filePath("ORB12");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        r = SaveOrbFile(12, tmp.path().toStdString());
        QCOMPARE(r.code, 1);
        QCOMPARE(readAll(path), sampleBytes(12));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        if (!runningAsRoot()) {
            // A directory the user cannot write into.
            QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            r = SaveOrbFile(12, tmp.path().toStdString());
            QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QCOMPARE(r.code, 1);
            QCOMPARE(readAll(path), sampleBytes(12));
        }
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList{"ORB12"});
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
