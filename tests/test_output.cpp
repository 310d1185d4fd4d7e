// The files orbtool-cli writes where the user names them (dump -o, patch -o, merge -o): each is
// put in place whole or not at all, through a link to its target, never over anything but a
// plain file, keeping its mode.
#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {
#ifndef _WIN32
unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
#endif
}  // namespace

class TestOutput : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString a, b;

    // The commands that write a file named by -o, each with what it writes there.
    struct Writer {
        const char* what;
        QStringList args;  // the output's path follows
        QByteArray notPlain = "not a regular file";  // what it says of a FIFO, a folder or a device
    };
    std::vector<Writer> writers() const
    {
        return {{"json", {"dump", a, "-o"}},
                {"csv", {"dump", a, "--table", "units", "--format", "csv", "-o"}},
                {"xlsx", {"dump", a, "--format", "xlsx", "-o"}},
                {"patch", {"patch", a, b, "-o"}},
                {"merge", {"merge", a, a, b, "-o"}, "not a data file"}};
    }
    // Only what a refusal leaves: the folder's names.
    QStringList names() const { return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
        a = putSample(tmp.path(), 5, "A");
        OrbData changed = sampleOrb(5);
        changed.edit<UnitRecord>(3, [](UnitRecord& u) { u.Cost = static_cast<uint8_t>(u.Cost + 1); });
        b = tmp.filePath("B");
        QVERIFY(writeAll(b, packedOver(sampleBytes(5), changed)));
    }

    // What stands at the path decides: a plain file is replaced, a link's target is replaced and
    // the link stays, anything else is refused and left alone, naming the path.
    void whatStandsAtTheOutput()
    {
#ifdef _WIN32
        QSKIP("links, FIFOs and modes are POSIX");
#else
        for (const Writer& w : writers()) {
            init();
            const QString target = tmp.filePath("target"), link = tmp.filePath("link");
            QVERIFY(writeAll(target, "old"));
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
            QVERIFY(QFile::link(target, link));
            // Through the link: the target has the new bytes and its mode, the link is still a link.
            Run r = cli(w.args + QStringList{link});
            QVERIFY2(r.status == 0, qPrintable(QString(w.what) + ": " + r.err));
            QVERIFY2(QFileInfo(link).isSymLink(), w.what);
            QVERIFY2(readAll(target) != "old" && !readAll(target).isEmpty(), w.what);
            QCOMPARE(modeOf(target), 0640u);
            const QByteArray written = readAll(target);
            // The same again over the plain file: the same bytes (nothing of the old kept).
            QVERIFY(writeAll(target, "older and longer than nothing"));
            QCOMPARE(cli(w.args + QStringList{target}).status, 0);
            if (QByteArray(w.what) != "xlsx")  // a workbook carries the time it was made
                QCOMPARE(readAll(target), written);
            // A read-only file, a FIFO and a folder are refused, as they stand.
            const QString readOnly = tmp.filePath("ro"), fifo = tmp.filePath("fifo"), folder = tmp.filePath("folder");
            QVERIFY(writeAll(readOnly, "kept"));
            QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), 0444) == 0);
            QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
            QVERIFY(QDir().mkdir(folder));
            struct Refusal {
                QString path;
                QByteArray why;
            };
            const Refusal refusals[] = {
                {readOnly, "the file is read-only"}, {fifo, w.notPlain}, {folder, w.notPlain}};
            for (const Refusal& f : refusals) {
                const QStringList before = names();
                Run refused = cli(w.args + QStringList{f.path});
                QCOMPARE(refused.status, 2);
                QCOMPARE(refused.err, "orbtool-cli: cannot write '" + f.path.toUtf8() + "': " + f.why + "\n");
                QCOMPARE(names(), before);  // nothing left beside it
            }
            QCOMPARE(readAll(readOnly), QByteArray("kept"));
            QCOMPARE(modeOf(readOnly), 0444u);
            QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo(folder).isDir());
        }
#endif
    }

    // A device node is never replaced, even by root, who may write anywhere.
    void aDeviceIsNotReplaced()
    {
#ifdef _WIN32
        QSKIP("no device nodes here");
#else
        const QString device = tmp.filePath("full");
        if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            QSKIP("only root makes a device node");
        for (const Writer& w : writers()) {
            Run r = cli(w.args + QStringList{device});
            QCOMPARE(r.status, 2);
            QCOMPARE(r.err, "orbtool-cli: cannot write '" + device.toUtf8() + "': " + w.notPlain + "\n");
            struct stat st {};
            QVERIFY(::lstat(QFile::encodeName(device).constData(), &st) == 0 && S_ISCHR(st.st_mode));
        }
#endif
    }

    // A write that fails part way (the file grows past what the system allows it) leaves the old
    // file whole and nothing beside it.
    void aFailedWriteLeavesTheOldFile()
    {
#ifdef _WIN32
        QSKIP("no file size limit to set here");
#else
        for (const Writer& w : writers()) {
            init();
            const QString target = tmp.filePath("target");
            QVERIFY(writeAll(target, "old"));
            const QStringList before = names();
            QStringList words = w.args + QStringList{target};
            for (QString& word : words)
                word = "'" + word + "'";
            // No file may grow past 0 bytes; the signal is ignored so that the write fails with an
            // error instead of ending the tool.
            Run r = run("bash", {"-c", "trap '' XFSZ; ulimit -f 0; exec '" + cliPath() + "' " + words.join(' ')});
            QVERIFY2(r.status == 2, qPrintable(QString(w.what) + ": " + r.err));
            const QByteArray said = "orbtool-cli: cannot write '" + target.toUtf8() + "': ";
            if (QByteArray(w.what) == "xlsx")  // the workbook library fails first, in its words
                QVERIFY2(r.err.startsWith(said) && r.err.count('\n') == 1, r.err.constData());
            else
                QCOMPARE(r.err, said + "File too large\n");
            QCOMPARE(readAll(target), QByteArray("old"));
            QCOMPARE(names(), before);
        }
#endif
    }

    // A new file gets the mode the umask leaves, as any program's new file does.
    void aNewFileFollowsTheUmask()
    {
#ifdef _WIN32
        QSKIP("no modes here");
#else
        for (const Writer& w : writers()) {
            const QString target = tmp.filePath(QString("new-") + w.what);
            QStringList words = w.args + QStringList{target};
            for (QString& word : words)
                word = "'" + word + "'";
            Run r = run("bash", {"-c", "umask 027; exec '" + cliPath() + "' " + words.join(' ')});
            QVERIFY2(r.status == 0, qPrintable(r.err));
            QCOMPARE(modeOf(target), 0640u);
        }
#endif
    }
};

QTEST_GUILESS_MAIN(TestOutput)
#include "test_output.moc"
