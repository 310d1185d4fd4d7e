// Saving as a user's file system presents it: links, owners, modes, planted names, concurrent
// saves, a save killed half-way, huge tails, and messages that name the user's file.
#include "TestFiles.h"

#include "core/Globals.h"
#include "data/ORBIO.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {
OrbImage imageOf(const QByteArray& bytes)
{
    OrbImage image;
    std::memcpy(image.bytes.data(), bytes.constData(), std::min<std::size_t>(bytes.size(), OrbImageSize));
    image.bytesRead = std::min<std::size_t>(bytes.size(), OrbImageSize);
    return image;
}

// Files a user would see in dir: hidden names left aside.
QStringList visibleFiles(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::System, QDir::Name);
}
}  // namespace

class TestSave : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString path(const QString& name) const { return tmp.filePath(name); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // A link is followed: the file it points to gets the new data and the link stays a link.
    void linksAreWrittenThrough()
    {
        QDir(tmp.path()).mkdir("game");
        putSample(path("game"), 5);
        QVERIFY(QFile::link("game/ORB05", path("ORB05")));
        QByteArray changed = sampleBytes(12);
        IoResult r = WriteOrbImage(FindOrbFile(tmp.path().toStdString(), 5), imageOf(changed));
        QVERIFY2(r.ok, r.error.c_str());
        QVERIFY(QFileInfo(path("ORB05")).isSymLink());
        QCOMPARE(readAll(path("game/ORB05")), changed);

        // A dangling link is no data file, and nothing is written through it.
        QVERIFY(QFile::link("nowhere/ORB12", path("ORB12")));
        QVERIFY(FindOrbFile(tmp.path().toStdString(), 12).empty());
        QVERIFY(!WriteOrbImage(path("ORB12").toStdString(), imageOf(changed)).ok);
        QVERIFY(!QFileInfo::exists(path("nowhere")));
    }

    // Mode, owner and group stay as they were; a planted link at any temporary name is never used.
    void modeOwnerAndPlantedLinksAreRespected()
    {
        putSample(tmp.path(), 5);
        QVERIFY(::chmod(qPrintable(path("ORB05")), 0640) == 0);
        writeAll(path("precious"), "precious");
        for (const char* planted : {"ORB05.orbtool-tmp", ".ORB05.orbtool-tmp", "ORB05~", ".ORB05.swp"})
            QVERIFY(QFile::link("precious", path(planted)));
        if (permissionsAreBypassed())
            QVERIFY(::chown(qPrintable(path("ORB05")), 65534, 65534) == 0);
        QVERIFY(WriteOrbImage(path("ORB05").toStdString(), imageOf(sampleBytes(70))).ok);
        struct stat st {};
        QVERIFY(::stat(qPrintable(path("ORB05")), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        if (permissionsAreBypassed()) {
            QCOMPARE(st.st_uid, uid_t(65534));
            QCOMPARE(st.st_gid, gid_t(65534));
        }
        QCOMPARE(readAll(path("precious")), QByteArray("precious"));
        QCOMPARE(readAll(path("ORB05")), sampleBytes(70));
        QCOMPARE(visibleFiles(tmp.path()), (QStringList{"ORB05", "ORB05.orbtool-tmp", "ORB05~", "precious"}));
    }

    // Many saves of one file at once: none fails, the file ends as one of them, nothing is left over.
    void concurrentSavesNeverCollide()
    {
        putSample(tmp.path(), 12);
        const std::vector<QByteArray> images = {sampleBytes(5), sampleBytes(12), sampleBytes(70), sampleBytes(81)};
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 40; ++i)
                    if (!WriteOrbImage(path("ORB12").toStdString(), imageOf(images[std::size_t((t + i) % 4)])).ok)
                        ++failures;
            });
        for (auto& th : threads)
            th.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(std::find(images.begin(), images.end(), readAll(path("ORB12"))) != images.end());
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ORB12"});
    }

    // A saving process killed at any moment leaves the old image or the new, never a mix.
    void aKilledSaveLeavesTheOldOrTheNewFile()
    {
        const QByteArray a = sampleBytes(5), b = sampleBytes(81);
        writeAll(path("ORB05"), a);
        const std::string target = path("ORB05").toStdString();
        const OrbImage images[2] = {imageOf(a), imageOf(b)};
        int kills = 0;
        for (int round = 0; round < 40; ++round) {
            pid_t child = fork();
            if (child == 0) {
                for (int i = 0;; ++i)
                    WriteOrbImage(target, images[i % 2]);
            }
            QVERIFY(child > 0);
            QTest::qSleep(1 + QRandomGenerator::global()->bounded(15));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            kills += WIFSIGNALED(status);
            QByteArray now = readAll(path("ORB05"));
            QVERIFY2(now == a || now == b, qPrintable(QString("round %1: a mixed file").arg(round)));
            QCOMPARE(visibleFiles(tmp.path()), QStringList{"ORB05"});
        }
        QCOMPARE(kills, 40);
    }

    // Messages name the data file and say what is wrong with it.
    void messagesSayWhatHappenedToTheFile()
    {
        putSample(tmp.path(), 12);
        QVERIFY(::chmod(qPrintable(path("ORB12")), 0444) == 0);
        IoResult r = WriteOrbImage(path("ORB12").toStdString(), imageOf(sampleBytes(5)));
        QVERIFY(!r.ok);
        QCOMPARE(QString::fromStdString(r.error), path("ORB12") + ": the file is read-only");
        QCOMPARE(SaveObstacle(path("ORB12").toStdString()), std::string("the file is read-only"));
        QCOMPARE(readAll(path("ORB12")), sampleBytes(12));

        OrbImage image;
        QCOMPARE(QString::fromStdString(ReadOrbImage(path("ORB99").toStdString(), image).error),
                 path("ORB99") + ": no such file");
        // A pipe under a data file's name is turned away at once, not waited on.
        QVERIFY(::mkfifo(qPrintable(path("ORB70")), 0644) == 0);
        QCOMPARE(QString::fromStdString(ReadOrbImage(path("ORB70").toStdString(), image, false).error),
                 path("ORB70") + ": not a data file");
    }

    // A file with a huge tail is loaded without reading the tail, and saved with it.
    void aHugeTailStaysOnDisk()
    {
        QByteArray head = sampleBytes(12);
        writeAll(path("ORB12"), head);
        QFile f(path("ORB12"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(qint64(OrbImageSize) + (256 << 20)));  // sparse: costs no disk
        QVERIFY(f.seek(f.size() - 5));
        f.write("tail!");
        f.close();
        rusage before {}, after {};
        getrusage(RUSAGE_SELF, &before);
        OrbImage image;
        QVERIFY(ReadOrbImage(path("ORB12").toStdString(), image).ok);
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 16 * 1024, "reading grew the memory by 16 MB or more");
        image.bytes[100] ^= 1;
        QVERIFY(WriteOrbImage(path("ORB12").toStdString(), image).ok);
        QFile saved(path("ORB12"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.size(), qint64(OrbImageSize) + (256 << 20));
        QCOMPARE(uint8_t(saved.read(101)[100]), uint8_t(head[100] ^ 1));
        QVERIFY(saved.seek(saved.size() - 5));
        QCOMPARE(saved.read(5), QByteArray("tail!"));
    }
};

QTEST_GUILESS_MAIN(TestSave)
#include "test_save.moc"
