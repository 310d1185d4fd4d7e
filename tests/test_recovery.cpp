// Work that survives a crash or a kill, and files changed by another program while they are open:
// the journal itself, and the editor killed, started again and answered as a user would.
#include "CliRun.h"
#include "WindowFixture.h"

#include "data/FileCalls.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>

namespace fs = std::filesystem;

namespace {
// Presses the button named `button` in the next recovery question (and, for Discard, answers the
// second question with `sure`, after queuing `then` for what comes after it), noting what the
// question said.
std::shared_ptr<SeenMessage> answerRecovery(const QString& button, QMessageBox::StandardButton sure = QMessageBox::Discard,
                                            std::function<void()> then = {})
{
    auto seen = std::make_shared<SeenMessage>();
    whenModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || box->objectName() != "RecoverBox") {
            qWarning("expected the recovery question, got %s", qPrintable(w->objectName()));
            return static_cast<QDialog*>(w)->reject();
        }
        seen->title = box->windowTitle();
        seen->text = box->text() + "\n" + box->informativeText();
        ++seen->count;
        seen->title += " [" + box->defaultButton()->text() + "]";
        if (button == "Discard")
            whenModal([=](QWidget* d) {
                auto* second = qobject_cast<QMessageBox*>(d);
                if (then)
                    then();
                QTest::mouseClick(second->button(sure), Qt::LeftButton);
            });
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button)
                return QTest::mouseClick(b, Qt::LeftButton);
        qWarning("no button %s", qPrintable(button));
        box->reject();
    });
    return seen;
}

// Presses the button named `button` in the next message box whose name is `name`.
std::shared_ptr<SeenMessage> pressIn(const char* name, const QString& button)
{
    auto seen = std::make_shared<SeenMessage>();
    whenModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || box->objectName() != name) {
            qWarning("expected %s, got %s", name, qPrintable(w->objectName()));
            return static_cast<QDialog*>(w)->reject();
        }
        seen->title = box->windowTitle();
        seen->text = box->text();
        ++seen->count;
        for (QAbstractButton* b : box->buttons())
            if (b->text().remove('&') == button)
                return QTest::mouseClick(b, Qt::LeftButton);
        qWarning("no button %s", qPrintable(button));
        box->reject();
    });
    return seen;
}

// ---- the child editor that is killed: random steps on ORB12, then it waits for the signal ----
int journalRenames = 0;
int (*systemRename)(const fs::path&, const fs::path&) = nullptr;

// A power cut just before the journal's rename at the step given: nothing after it reaches the disk.
int cutBeforeRename(const fs::path& from, const fs::path& to)
{
    if (to.extension() == ".journal" &&
        ++journalRenames == qEnvironmentVariableIntValue("ORB_CHILD_CUT"))
        std::raise(SIGKILL);
    const int r = systemRename(from, to);
    if (r == 0 && to.extension() == ".journal") {
        // What the journal now holds, from the window's own tables.
        std::vector<uint8_t> image(OrbImageSize);
        PackImage(Orb, image.data());
        writeAll(qEnvironmentVariable("ORB_CHILD_DIR") + "/expected",
                 QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size())));
    }
    return r;
}

int childSession()
{
    const int steps = qEnvironmentVariableIntValue("ORB_CHILD_STEPS");
    QRandomGenerator random(quint32(qEnvironmentVariableIntValue("ORB_CHILD_SEED")));
    systemRename = OrbFileCalls().rename;
    OrbFileCalls().rename = cutBeforeRename;
    Editor e(qEnvironmentVariable("XDG_DATA_HOME"));
    e.loadLine(12);
    const std::pair<const char*, const char*> edits[] = {
        {"Units", "UnitCostEdit"}, {"Units", "UnitnameEdit"}, {"Units", "UnitSpeedEdit"},
        {"Weapons", "WeaponNameEdit"}, {"Weapons", "WeaponRangeEdit"}, {"Formations", "FormNameEdit"},
        {"Formations", "FormSlot4Edit"}};
    for (int step = 0; step < steps; ++step) {
        const int kind = random.bounded(10);
        if (kind == 0) {
            e.w->UndoItem->trigger();
        } else if (kind == 1) {
            e.w->RedoItem->trigger();
        } else {
            const auto& [page, edit] = edits[random.bounded(int(std::size(edits)))];
            e.goTo(page);
            e.showEntry(1 + random.bounded(100));
            const bool name = QString(edit).contains("ame");
            e.type(edit, name ? QString("Step %1").arg(step) : QString::number(random.bounded(1, 200)));
            e.key(Qt::Key_F12);
        }
        // Undone back to the file, the work needs no journal: none is left to hold it.
        if (!fs::exists(e.recovery()->journalFile()))
            QFile::remove(qEnvironmentVariable("ORB_CHILD_DIR") + "/expected");
    }
    std::vector<uint8_t> image(OrbImageSize);
    PackImage(Orb, image.data());
    writeAll(qEnvironmentVariable("ORB_CHILD_DIR") + "/final",
             QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size())));
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QThread::sleep(120);  // until killed
    return 1;
}
}  // namespace

class TestRecovery : public WindowSuite {
    Q_OBJECT

    QString dataFolder() const { return tmp.filePath("data"); }
    QString recovery() const { return dataFolder() + "/orbtool/recovery"; }
    QStringList journals() const { return QDir(recovery()).entryList({"*.journal"}, QDir::Files); }
    QString file12() const { return tmp.filePath("ORB12"); }

    // An editor of the shared data folder, as the program starts: window, then the offer.
    void start()
    {
        e.reset();
        e = std::make_unique<Editor>(dataFolder());
        e->recovery()->offerRecovery();
    }

    // Runs the child editor for steps random steps (seed), cut or killed; true when it got that far.
    // With hold, the child is left running with its work in child.
    bool runChild(int steps, int seed, int cut, QProcess* hold = nullptr)
    {
        QProcess own;
        QProcess& child = hold ? *hold : own;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORB_CHILD_STEPS", QString::number(steps));
        env.insert("ORB_CHILD_SEED", QString::number(seed));
        env.insert("ORB_CHILD_CUT", QString::number(cut));
        env.insert("ORB_CHILD_DIR", tmp.path());
        env.insert("XDG_DATA_HOME", dataFolder());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        if (!child.waitForStarted(10000))
            return false;
        if (cut) {
            child.waitForFinished(60000);
            return child.exitStatus() == QProcess::CrashExit;
        }
        QByteArray out;
        while (!out.contains("ready\n") && child.waitForReadyRead(60000))
            out += child.readAllStandardOutput();
        if (hold)
            return out.contains("ready\n");
        child.kill();  // SIGKILL: no handler runs, nothing is closed or removed
        child.waitForFinished(10000);
        return out.contains("ready\n");
    }

    // Another program's window in front, then the editor's again, as a user switches to a shell and back.
    void awayAndBack()
    {
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        e->activate();
    }

private slots:
#ifndef Q_OS_WIN
    // ---- the editor killed and started again ----
    // After N random steps and a kill, Restore and Save give the file the steps made; a power cut
    // before the journal's rename at step K gives what the journal held before.
    void killedAfterRandomStepsAndRestored()
    {
        const struct {
            int steps, seed, cut;
        } runs[] = {{1, 1, 0}, {3, 2, 0}, {8, 3, 0}, {25, 4, 0}, {60, 5, 0}, {10, 6, 1}, {10, 7, 2}, {30, 8, 9}};
        for (const auto& run : runs) {
            freshFolder();
            const QString label = QString("%1 steps, seed %2, cut %3").arg(run.steps).arg(run.seed).arg(run.cut);
            QVERIFY2(runChild(run.steps, run.seed, run.cut), qPrintable(label));
            const QString expectedFile = tmp.filePath(run.cut ? "expected" : "final");
            const bool anyWork = QFile::exists(expectedFile) && readAll(expectedFile) != packedOver(sampleBytes(12), sampleOrb(12));
            QCOMPARE(journals().size(), int(anyWork));
            auto seen = anyWork ? answerRecovery("Restore") : std::make_shared<SeenMessage>();
            start();
            QCOMPARE(seen->count, int(anyWork));
            if (!anyWork) {
                QVERIFY2(!e->marked() && !FileLoaded && readAll(file12()) == sampleBytes(12), qPrintable(label));
                continue;
            }
            QVERIFY2(seen->text.startsWith("ORB12 has unsaved work from a session that ended without saving it: "),
                     qPrintable(seen->text));
            QVERIFY(seen->title == "Recover Unsaved Work [Restore]");
            QVERIFY(e->marked());
            QCOMPARE(e->w->UndoItem->text(), QString("Undo Restore Unsaved Work"));
            e->save();
            QVERIFY2(readAll(file12()) == readAll(expectedFile), qPrintable(label));
            QCOMPARE(journals(), QStringList());
        }
    }
#endif

    // Later keeps the work and asks next time; Discard asks once more (Cancel comes back to the
    // question) and removes it; Compare shows the work against the file and keeps it.
    void eachAnswerToTheQuestion()
    {
        Journal j = journalOf(file12().toStdString(), 3, 201);
        j.loaded = StampFile(pathOf(file12()));
        QVERIFY(WriteJournal(JournalFile(pathOf(recovery()), pathOf(file12()), "old"), j).ok);
        auto later = answerRecovery("Later");
        start();
        QCOMPARE(later->count, 1);
        QVERIFY(later->text.contains(QDateTime::fromSecsSinceEpoch(1796779519).toString("yyyy-MM-dd HH:mm:ss")));
        QVERIFY(later->text.contains(": 3 changes,") && later->text.contains("File: " + native(file12())));
        QVERIFY(!FileLoaded);
        QCOMPARE(journals().size(), 1);

        // Loading the file asks too; Compare marks the work's one difference and loads nothing of it.
        auto compared = answerRecovery("Compare");
        e->loadLine(12);
        QCOMPARE(compared->count, 1);
        QVERIFY(e->compare()->comparing() && !e->marked());
        QCOMPARE(e->status(), QString("Comparing with the unsaved work of ORB12: 1 units, 0 weapons, 0 formations differ"));
        QCOMPARE(journals().size(), 1);

        std::shared_ptr<SeenMessage> gone;
        auto back = answerRecovery("Discard", QMessageBox::Cancel, [&gone] { gone = answerRecovery("Discard"); });
        start();
        QVERIFY(back->count == 1 && gone->count == 1);
        QCOMPARE(journals(), QStringList());
        QCOMPARE(e->status(), QString("Discarded the unsaved work on ORB12"));
    }

    // The file changed since the work began: said, and Compare offered first. A restored file's
    // undo goes back to the file on disk.
    void workOnAFileChangedSince()
    {
        Journal j = journalOf(file12().toStdString(), 1, 201);
        j.loaded = StampFile(pathOf(file12()));
        QVERIFY(WriteJournal(JournalFile(pathOf(recovery()), pathOf(file12()), "old"), j).ok);
        QVERIFY(cli({"set", file12(), "units", "2", "Cost=77"}).status == 0);
        const QByteArray onDisk = readAll(file12());
        auto seen = answerRecovery("Restore");
        start();
        QVERIFY(seen->text.contains("The file has been changed since that work began. Compare it"));
        QCOMPARE(seen->title, QString("Recover Unsaved Work [Compare]"));
        QCOMPARE(int(Orb.unit(1).Cost), 201);
        QCOMPARE(int(Orb.unit(2).Cost), int(sampleOrb(12).unit(2).Cost));  // the work's tables, whole
        e->w->UndoItem->trigger();
        QCOMPARE(packedOver(onDisk, Orb), onDisk);
        QVERIFY(!e->marked());
    }

    // The work of a file deleted since comes back all the same, and Save writes the file anew.
    void workOnAFileDeletedSince()
    {
        Journal j = journalOf(file12().toStdString(), 2, 202);
        QVERIFY(WriteJournal(JournalFile(pathOf(recovery()), pathOf(file12()), "old"), j).ok);
        QFile::remove(file12());
        auto seen = answerRecovery("Restore");
        start();
        QVERIFY(seen->text.contains("The file is no longer there: Restore brings the work back"));
        QVERIFY(e->marked());
        e->save();
        QCOMPARE(readAll(file12()), QByteArray(reinterpret_cast<const char*>(j.tables.data()), OrbImageSize));
        QCOMPARE(journals(), QStringList());
    }

    // The journal goes once nothing is unsaved: saved, undone back to the file, or closed with
    // Discard; a window closed with Cancel keeps it. A second window on the file is refused.
    void journalsLastAsLongAsTheWork()
    {
        start();
        e->loadLine(12);
        QCOMPARE(journals(), QStringList());
        e->type("UnitCostEdit", "201");
        e->key(Qt::Key_F12);
        QCOMPARE(journals().size(), 1);
        Journal j;
        std::string why;
        QVERIFY(ReadJournal(e->recovery()->journalFile(), j, why));
        QCOMPARE(int(orbOf(QByteArray(reinterpret_cast<const char*>(j.tables.data()), OrbImageSize)).unit(1).Cost), 201);
        QCOMPARE(j.steps, 1);
        e->w->UndoItem->trigger();
        QCOMPARE(journals(), QStringList());
        e->w->RedoItem->trigger();
        QCOMPARE(journals().size(), 1);

        answerBox(QMessageBox::Cancel);
        QVERIFY(!e->w->close());
        QCOMPARE(journals().size(), 1);
        answerBox(QMessageBox::Discard);
        QVERIFY(e->w->close());
        QCOMPARE(journals(), QStringList());
        start();
        e->loadLine(12);
        e->type("UnitCostEdit", "202");
        e->key(Qt::Key_F12);
        e->save();
        QCOMPARE(journals(), QStringList());
    }

    // A second editor on a file open in another: refused, and the other's work is not offered
    // until that editor is gone (killed here, so that its work is left behind).
    void aSecondEditorOnOneFile()
    {
        QProcess other;
        QVERIFY(runChild(5, 11, 0, &other));
        const bool work = QFile::exists(tmp.filePath("final")) &&
                          readAll(tmp.filePath("final")) != packedOver(sampleBytes(12), sampleOrb(12));
        start();  // nothing offered while the other has the file
        auto refused = answerBox();
        e->loadLine(12);
        QCOMPARE(refused->title, QString("File Load Error"));
        QVERIFY(refused->text.startsWith("ORB12 is open in another window of Orbtool."));
        QVERIFY(!FileLoaded && e->caption().startsWith("Orbtool : No File Loaded"));
        e->loadLine(5);
        QVERIFY(FileLoaded);
        other.kill();
        other.waitForFinished(10000);
        QVERIFY(work);
        auto seen = answerRecovery("Later");
        e->loadLine(12);
        QCOMPARE(seen->count, 1);
        QCOMPARE(int(CurrentFileNumber), 12);
    }

    // Another program's change between Commit and Save is never saved over without an answer.
    void anOutsideChangeBeforeSave()
    {
        const struct {
            const char* answer;
            int cost2;        // unit 2's cost in the file afterwards (the outside change: 77)
            int cost1;        // and unit 1's (the work: 201)
            bool marked;
        } cases[] = {{"Cancel", 77, -1, true}, {"Overwrite", -1, 201, false}, {"Reload", 77, -1, false},
                     {"Compare", 77, -1, true}};
        for (const auto& c : cases) {
            freshFolder();
            start();
            e->loadLine(12);
            e->type("UnitCostEdit", "201");
            e->key(Qt::Key_F12);
            QVERIFY(cli({"set", file12(), "units", "2", "Cost=77"}).status == 0);
            const QByteArray outside = readAll(file12());
            auto seen = pressIn("ChangedOnDiskBox", c.answer);
            if (QString(c.answer) == "Reload")
                pressIn("ReloadSureBox", "Reload");
            e->save();
            QCOMPARE(seen->count, 1);
            QCOMPARE(seen->text, QString("ORB12 was changed by another program since it was loaded or last saved here."));
            const OrbData file = orbOf(readAll(file12()));
            QCOMPARE(int(file.unit(2).Cost), c.cost2 < 0 ? int(sampleOrb(12).unit(2).Cost) : c.cost2);
            QCOMPARE(int(file.unit(1).Cost), c.cost1 < 0 ? int(sampleOrb(12).unit(1).Cost) : c.cost1);
            QCOMPARE(e->marked(), c.marked);
            if (QString(c.answer) == "Reload")
                QCOMPARE(packedOver(outside, Orb), outside);
            if (QString(c.answer) == "Compare")
                QVERIFY(e->compare()->comparing() && e->status().contains(": 2 units, 0 weapons, 0 formations differ"));
            if (QString(c.answer) != "Overwrite")
                QCOMPARE(readAll(file12()), outside);
        }
    }

    // Back from another program: a changed file without work is reloaded after asking; a deleted
    // one is said, and Save asks before writing it anew.
    void backFromAnotherProgram()
    {
        start();
        e->loadLine(12);
        QVERIFY(cli({"set", file12(), "units", "2", "Cost=77"}).status == 0);
        auto reload = pressIn("ReloadBox", "Yes");
        awayAndBack();
        QTRY_COMPARE(reload->count, 1);
        QCOMPARE(reload->text, QString("ORB12 was changed by another program. Reload?"));
        QTRY_COMPARE(int(Orb.unit(2).Cost), 77);

        QFile::remove(file12());
        auto said = answerBox();
        awayAndBack();
        QTRY_COMPARE(said->count, 1);
        QCOMPARE(said->text, "ORB12 is no longer at " + native(file12()) +
                                 ": another program deleted or renamed it.\nYour tables are still here; Save writes the file there anew.");
        auto anew = pressIn("FileGoneBox", "Save");
        e->save();
        QCOMPARE(anew->count, 1);
        QCOMPARE(int(orbOf(readAll(file12())).unit(2).Cost), 77);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ORB_CHILD_STEPS"))
        return childSession();
    TestRecovery suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "test_recovery.moc"
