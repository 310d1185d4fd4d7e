// Saving as a user's file system presents it: links, owners, modes, planted names, concurrent
// saves, a save killed half-way, huge tails, and messages that name the user's file.
#include "TestFiles.h"

#include "core/Globals.h"
#include "data/FileCalls.h"
#include "data/ORBIO.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
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

// Faults planted in the system calls of a load or a save. Each call is named by what it acts on,
// "open temp", "read source", "fsync dir" (temp: the save's new file; source: the file whose tail
// a save copies, or the file a load reads; dir: the folder), and logged in order. The planted call,
// at its nth time, fails with an errno, comes back short, or reports nothing done.
namespace fault {
enum Effect { Fails, Short, Nothing };
struct Plan {
    std::string call;  // "" for none
    int nth = 1;
    Effect effect = Fails;
    int err = 0;
};
Plan plan;
std::vector<std::string> log;
std::map<int, std::string> kinds;  // open descriptor -> temp, source or dir
std::map<std::string, int> seen;
std::string dirName;

// Whether this call is the planted one; logs it either way.
bool hit(const std::string& call)
{
    if (log.empty() || log.back() != call)
        log.push_back(call);  // runs of one call (a long write) logged once
    return call == plan.call && ++seen[call] == plan.nth;
}
std::string kind(int fd)
{
    auto it = kinds.find(fd);
    return it == kinds.end() ? "?" : it->second;
}
int open(const fs::path& p, int flags, unsigned mode)
{
    const std::string k = (flags & O_CREAT) ? "temp" : p.string() == dirName ? "dir" : "source";
    if (hit("open " + k) && plan.effect == Fails)
        return errno = plan.err, -1;
    const int fd = SystemFileCalls().open(p, flags, mode);
    if (fd >= 0)
        kinds[fd] = k;
    return fd;
}
// A read or a write as planned: its result when it fails or does nothing; none when the system's
// call is to be made, with n cut when it is to come back short (every time, not once).
std::optional<long long> transfer(const char* what, int fd, std::size_t& n)
{
    const std::string call = what + (" " + kind(fd));
    if (!hit(call))
        return std::nullopt;
    if (plan.effect == Fails)
        return errno = plan.err, -1;
    if (plan.effect == Nothing)
        return 0;
    n = std::max<std::size_t>(1, n / 3);
    --seen[call];
    return std::nullopt;
}
long long read(int fd, void* buf, std::size_t n)
{
    const auto planned = transfer("read", fd, n);
    return planned ? *planned : SystemFileCalls().read(fd, buf, n);
}
long long write(int fd, const void* buf, std::size_t n)
{
    const auto planned = transfer("write", fd, n);
    return planned ? *planned : SystemFileCalls().write(fd, buf, n);
}
int fsync(int fd)
{
    if (hit("fsync " + kind(fd)))
        return errno = plan.err, -1;
    return SystemFileCalls().fsync(fd);
}
int fchmod(int fd, unsigned mode)
{
    if (hit("fchmod " + kind(fd)))
        return errno = plan.err, -1;
    return SystemFileCalls().fchmod(fd, mode);
}
int close(int fd)
{
    const std::string k = kind(fd);
    kinds.erase(fd);
    const int r = SystemFileCalls().close(fd);  // closed either way, as the system does
    if (hit("close " + k))
        return errno = plan.err, -1;
    return r;
}
int rename(const fs::path& from, const fs::path& to)
{
    if (hit("rename"))
        return errno = plan.err, -1;
    return SystemFileCalls().rename(from, to);
}

// Plants p for what follows, and takes it away again when the scope ends.
struct Planted {
    explicit Planted(Plan p, const QString& dir)
    {
        plan = std::move(p);
        log.clear();
        kinds.clear();
        seen.clear();
        dirName = dir.toStdString();
        OrbFileCalls() = {open, read, write, fsync, fchmod, close, rename};
    }
    ~Planted() { OrbFileCalls() = SystemFileCalls(); }
};
}  // namespace fault

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
        // A mask that would cut the mode the new file is created with: what the old file had is set again.
        const mode_t mask = ::umask(077);
        auto restore = qScopeGuard([mask] { ::umask(mask); });
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
        // Nor is it replaced by a save, nor is a folder.
        QDir(tmp.path()).mkdir("ORB81");
        for (const char* name : {"ORB70", "ORB81"}) {
            QCOMPARE(QString::fromStdString(WriteOrbImage(path(name).toStdString(), imageOf(sampleBytes(5))).error),
                     path(name) + ": not a data file");
            QVERIFY(!QFileInfo(path(name)).isFile() && QFileInfo::exists(path(name)));
        }
    }

    // Each step of a save failing as a device, a full disk or another program makes it fail: the
    // message names the user's file and the cause, the old file stays as it was, no temporary file
    // is left, and nothing waits for ever. Short transfers are no failure: the rest follows.
    void faultsInEveryStepOfASave()
    {
        const QByteArray old = sampleBytes(12) + QByteArray(100000, 't');  // a tail to copy
        const QByteArray saved = sampleBytes(5) + QByteArray(100000, 't');
        struct Case {
            fault::Plan plan;
            const char* message;  // after "PATH: "; empty: the save succeeds
        } cases[] = {
            {{"open temp", 1, fault::Fails, EACCES}, "cannot write in its folder: Permission denied"},
            {{"fchmod temp", 1, fault::Fails, EPERM}, "Operation not permitted"},
            {{"write temp", 1, fault::Fails, ENOSPC}, "No space left on device"},
            {{"write temp", 2, fault::Fails, ENOSPC}, "No space left on device"},  // in the tail
            {{"write temp", 1, fault::Nothing, 0}, "Input/output error"},
            {{"write temp", 1, fault::Short, 0}, ""},
            {{"write temp", 1, fault::Fails, EINTR}, ""},  // interrupted: tried again
            {{"open source", 1, fault::Fails, EACCES},
             "cannot read the part past 44500 bytes from PATH: Permission denied"},
            {{"read source", 1, fault::Fails, EIO}, "Input/output error"},
            {{"read source", 1, fault::Nothing, 0}, "PATH has become shorter since it was loaded"},
            {{"read source", 1, fault::Short, 0}, ""},
            {{"fsync temp", 1, fault::Fails, EIO}, "Input/output error"},
            {{"close temp", 1, fault::Fails, EIO}, "Input/output error"},
            {{"rename", 1, fault::Fails, EBUSY}, "cannot replace the file: Device or resource busy"},
            {{"fsync dir", 1, fault::Fails, EIO}, ""},  // the new file is in place by then
        };
        for (const Case& c : cases) {
            const QString what = QString::fromStdString(c.plan.call) + " #" + QString::number(c.plan.nth);
            init();
            writeAll(path("ORB12"), old);
            OrbImage image;
            QVERIFY(ReadOrbImage(path("ORB12").toStdString(), image).ok);
            std::memcpy(image.bytes.data(), sampleBytes(5).constData(), OrbImageSize);
            IoResult r;
            {
                fault::Planted planted(c.plan, tmp.path());
                r = WriteOrbImage(path("ORB12").toStdString(), image);
                QVERIFY2(std::count(fault::log.begin(), fault::log.end(), c.plan.call), qPrintable(what + ": never called"));
            }
            const QString message = QString(c.message).replace("PATH", path("ORB12"));
            QVERIFY2(r.ok == message.isEmpty(), qPrintable(what + ": " + QString::fromStdString(r.error)));
            if (!r.ok)
                QCOMPARE(QString::fromStdString(r.error), path("ORB12") + ": " + message);
            QVERIFY2(readAll(path("ORB12")) == (r.ok ? saved : old), qPrintable(what));
            QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"ORB12"});
        }
    }

    // The order that makes a save survive a power loss: the new file whole on disk before its
    // rename, and the folder flushed after it so that the rename is on disk too.
    void aSaveReachesTheDiskInOrder()
    {
        writeAll(path("ORB12"), sampleBytes(12) + "tail");
        OrbImage image;
        QVERIFY(ReadOrbImage(path("ORB12").toStdString(), image).ok);
        fault::Planted planted({}, tmp.path());
        QVERIFY(WriteOrbImage(path("ORB12").toStdString(), image).ok);
        const std::vector<std::string> steps = {"open temp",  "fchmod temp",  "write temp", "open source",
                                                "read source", "write temp",  "close source", "fsync temp",
                                                "close temp",  "rename",      "open dir",     "fsync dir",
                                                "close dir"};
        QCOMPARE(fault::log, steps);
    }

    // A load: short reads and interruptions are read on to the end; a failing read is said. A short
    // file read over an image already used reads as zeros past its end, whatever was there.
    void faultsInALoad()
    {
        writeAll(path("SHORT"), sampleBytes(12).left(30000));
        OrbImage used;
        std::fill(used.bytes.begin(), used.bytes.end(), uint8_t{0xff});
        QVERIFY(ReadOrbImage(path("SHORT").toStdString(), used).ok);
        QCOMPARE(used.bytesRead, std::size_t(30000));
        QVERIFY(std::all_of(used.bytes.begin() + 30000, used.bytes.end(), [](uint8_t b) { return b == 0; }));

        writeAll(path("ORB12"), sampleBytes(12));
        const struct {
            fault::Plan plan;
            const char* message;
        } cases[] = {
            {{"read source", 1, fault::Short, 0}, ""},
            {{"read source", 1, fault::Fails, EINTR}, ""},
            {{"read source", 1, fault::Fails, EIO}, "Input/output error"},
            {{"open source", 1, fault::Fails, EMFILE}, "Too many open files"},
        };
        for (const auto& c : cases) {
            OrbImage image;
            fault::Planted planted(c.plan, tmp.path());
            const IoResult r = ReadOrbImage(path("ORB12").toStdString(), image);
            QCOMPARE(QString::fromStdString(r.error), *c.message ? path("ORB12") + ": " + c.message : QString());
            if (r.ok) {
                QCOMPARE(image.bytesRead, std::size_t(OrbImageSize));
                QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.bytes.data()), OrbImageSize), sampleBytes(12));
            }
        }
    }

    // Whatever sits at the name the save picks for its new file (a file, a link to another) is
    // left alone: another name is taken.
    void aNameAlreadyTakenIsNeverWrittenThrough()
    {
        for (bool link : {false, true}) {
            init();
            putSample(tmp.path(), 12);
            writeAll(path("precious"), "precious");
            static QString plantAt;
            plantAt.clear();
            static bool asLink;
            asLink = link;
            static QString dir;
            dir = tmp.path();
            fault::Planted planted({}, tmp.path());
            // The first name tried for the new file is taken just before it is opened.
            OrbFileCalls().open = [](const fs::path& p, int flags, unsigned mode) {
                if ((flags & O_CREAT) && plantAt.isEmpty()) {
                    plantAt = QString::fromStdString(p.string());
                    if (asLink)
                        QFile::link(dir + "/precious", plantAt);
                    else
                        writeAll(plantAt, "someone else's");
                }
                return SystemFileCalls().open(p, flags, mode);
            };
            QVERIFY(WriteOrbImage(path("ORB12").toStdString(), imageOf(sampleBytes(5))).ok);
            QVERIFY(!plantAt.isEmpty());
            QCOMPARE(readAll(path("ORB12")), sampleBytes(5));
            QCOMPARE(readAll(path("precious")), QByteArray("precious"));
            QCOMPARE(readAll(plantAt), link ? QByteArray("precious") : QByteArray("someone else's"));
        }
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
