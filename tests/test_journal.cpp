// The journal of unsaved work, the lock that keeps a file to one window, and the stamp that tells
// when another program changed a file, on the core alone.
#include "TestFiles.h"

#include "data/FileCalls.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

namespace fs = std::filesystem;

class TestJournal : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString recovery() const { return tmp.filePath("data/orbtool/recovery"); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
        putSample(tmp.path(), 5);
    }

    void journalsReadBackWhatWasWritten()
    {
        const QString file = recovery() + "/0123456789abcdef-a.journal";
        Journal j = journalOf("/data/mod 1/ORB12 with % and\nnew line", 7, 201);
        QVERIFY(WriteJournal(pathOf(file), j).ok);
        Journal back;
        std::string why;
        QVERIFY2(ReadJournal(pathOf(file), back, why), why.c_str());
        QCOMPARE(back.dataPath, j.dataPath);
        QVERIFY(back.loaded.exists && back.loaded.size == 44500 && back.loaded.mtime == 1234567890123 &&
                back.loaded.hash == 0xfedcba9876543210ull);
        QCOMPARE(back.lastStep, qint64(1796779519));
        QCOMPARE(back.steps, 7);
        QVERIFY(back.tables == j.tables);
        QCOMPARE(QFileInfo(recovery()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        // Damaged, each is refused with its reason and never offered.
        const QByteArray good = readAll(file);
        const int tables = good.size() - OrbImageSize;
        struct Damage {
            const char* what;
            QByteArray bytes;
            const char* why;
        };
        QByteArray flipped = good, badHeader = good;
        flipped[tables + 100] = char(flipped[tables + 100] ^ 1);
        badHeader.replace("steps 7", "steps x");
        const Damage damages[] = {
            {"cut short", good.left(good.size() - 1), "its tables are not whole"},
            {"one byte more", good + "x", "its tables are not whole"},
            {"a byte changed", flipped, "its tables are damaged"},
            {"a header word", badHeader, "its header is damaged"},
            {"another file", "orbtool journal 2\n" + good.mid(18), "not a journal"},
            {"a header only", good.left(60), "it ends too soon"},
        };
        for (const Damage& d : damages) {
            writeAll(file, d.bytes);
            std::vector<std::string> damaged;
            Journal out;
            QVERIFY2(!ReadJournal(pathOf(file), out, why) && why == d.why, d.what);
            QVERIFY(JournalsToOffer(pathOf(recovery()), {}, {}, &damaged).empty());
            QCOMPARE(damaged, std::vector<std::string>{file.toStdString() + ": " + d.why});
        }
    }

    // A power cut before the rename leaves the journal before; no temporary file is left.
    void aFailedWriteLeavesTheJournalBefore()
    {
        const QString file = recovery() + "/0123456789abcdef-b.journal";
        QVERIFY(WriteJournal(pathOf(file), journalOf("/d/ORB12", 1, 10)).ok);
        const QByteArray before = readAll(file);
        FileCalls& calls = OrbFileCalls();
        const FileCalls saved = calls;
        calls.rename = [](const fs::path&, const fs::path&) { return errno = EIO, -1; };
        const IoResult r = WriteJournal(pathOf(file), journalOf("/d/ORB12", 2, 20));
        calls = saved;
        QVERIFY(!r.ok);
        QCOMPARE(QString::fromStdString(r.error), file + ": cannot replace the file: " + QString::fromStdString(std::generic_category().message(EIO)));
        QCOMPARE(readAll(file), before);
        QCOMPARE(QDir(recovery()).entryList(QDir::Files | QDir::Hidden), QStringList{"0123456789abcdef-b.journal"});
    }

    // One holder a data file, whatever the letter case of its name, until it lets go; the journals
    // of a held file are not offered, those of a free one are, newest first, but for one's own.
    void locksKeepJournalsToTheirWindow()
    {
        const fs::path folder = pathOf(recovery());
        DataFileLock::Outcome outcome;
        std::string why;
        auto first = DataFileLock::Take(folder, pathOf(tmp.filePath("ORB12")), outcome, why);
        QVERIFY(first && outcome == DataFileLock::Outcome::Taken);
        QVERIFY(!DataFileLock::Take(folder, pathOf(tmp.filePath("orb12")), outcome, why));
        QVERIFY(outcome == DataFileLock::Outcome::HeldElsewhere);
        QVERIFY(DataFileLock::Take(folder, pathOf(tmp.filePath("ORB05")), outcome, why));

        const std::string data12 = tmp.filePath("ORB12").toStdString(), data05 = tmp.filePath("ORB05").toStdString();
        const struct {
            std::string data, session;
            int steps, time;
        } written[] = {{data12, "s1", 1, 100}, {data12, "s2", 2, 300}, {data12, "own", 3, 200}, {data05, "s3", 4, 50}};
        for (const auto& w : written) {
            Journal j = journalOf(w.data, w.steps, 1);
            j.lastStep = w.time;
            QVERIFY(WriteJournal(JournalFile(folder, w.data, w.session), j).ok);
        }
        auto stepsOf = [](const std::vector<Journal>& js) {
            QList<int> out;
            for (const Journal& j : js)
                out << j.steps;
            return out;
        };
        QCOMPARE(stepsOf(JournalsToOffer(folder, {}, {})), QList<int>{4});  // ORB12 is held
        QCOMPARE(stepsOf(JournalsToOffer(folder, pathOf(tmp.filePath("orb12")), "own")), (QList<int>{2, 1}));
        first.reset();
        QCOMPARE(stepsOf(JournalsToOffer(folder, {}, {})), (QList<int>{2, 3, 1, 4}));
        QVERIFY(DataFileLock::Take(folder, pathOf(tmp.filePath("ORB12")), outcome, why));
    }

    // The same bytes are the same file whatever its time; one byte or the length is another.
    void stampsTellChangedBytes()
    {
        const QString file = tmp.filePath("ORB05");
        const FileStamp loaded = StampFile(pathOf(file));
        QVERIFY(loaded.exists && loaded.size == OrbImageSize);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime);
        f.close();
        const FileStamp touched = StampFile(pathOf(file));
        QVERIFY(touched.mtime != loaded.mtime && SameBytes(touched, loaded));
        QByteArray bytes = sampleBytes(5);
        bytes[44499] = char(bytes[44499] ^ 0x80);
        writeAll(file, bytes);
        QVERIFY(!SameBytes(StampFile(pathOf(file)), loaded));
        writeAll(file, sampleBytes(5) + '\0');
        QVERIFY(!SameBytes(StampFile(pathOf(file)), loaded));
        // A long file is read whole: a change far before its end counts.
        const QByteArray tail(100000, 't');
        writeAll(file, sampleBytes(5) + tail);
        const FileStamp longFile = StampFile(pathOf(file));
        QCOMPARE(longFile.size, quint64(OrbImageSize + 100000));
        bytes = sampleBytes(5) + tail;
        bytes[10] = char(bytes[10] ^ 1);
        writeAll(file, bytes);
        QVERIFY(!SameBytes(StampFile(pathOf(file)), longFile));
        // Past the first MiB the time stands for the bytes: a change there is a new time.
        QByteArray huge = sampleBytes(5) + QByteArray(3 << 20, 'h');
        writeAll(file, huge);
        const FileStamp hugeFile = StampFile(pathOf(file));
        QCOMPARE(hugeFile.size, quint64(OrbImageSize + (3 << 20)));
        huge[huge.size() - 10] = 'x';
        writeAll(file, huge);
        QFile later(file);
        QVERIFY(later.open(QIODevice::ReadWrite));
        later.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
        later.close();
        QVERIFY(!SameBytes(StampFile(pathOf(file)), hugeFile));
        QFile::remove(file);
        QVERIFY(!StampFile(pathOf(file)).exists && !SameBytes(StampFile(pathOf(file)), loaded));
    }

#ifndef Q_OS_WIN
    void theRecoveryFolderFollowsTheSystem()
    {
        const QByteArray home = qgetenv("HOME"), data = qgetenv("XDG_DATA_HOME");
        const struct {
            const char *home, *data, *folder;
        } cases[] = {{"/home/u", "/x/data", "/x/data/orbtool/recovery"},
                     {"/home/u", "rel/data", "/home/u/.local/share/orbtool/recovery"},
                     {"/home/u", "", "/home/u/.local/share/orbtool/recovery"},
                     {"", "", ""}};
        for (const auto& c : cases) {
            qputenv("HOME", c.home);
            qputenv("XDG_DATA_HOME", c.data);
            QCOMPARE(QString::fromStdString(RecoveryFolder().string()), QString(c.folder));
        }
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", data);
    }

#endif
};

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
