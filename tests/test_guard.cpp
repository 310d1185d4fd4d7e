// Never lose work: the modified mark, Save from anywhere, the question before committed work is
// dropped, and undo/redo of every Commit, Paste All and Renumber, through the real window.
#include "WindowFixture.h"

#include "ui/paster.h"
#include "ui/renationalise.h"

#include <QAction>
#include <QUndoStack>


class TestGuard : public QObject {
    Q_OBJECT

    SampleDirectory tmp;
    std::unique_ptr<Editor> e;
    QString file(const QString& name) const { return tmp.filePath(name); }

    // A fresh editor with ORB12 loaded and unit 17's cost committed as 77.
    void editedUnit17()
    {
        e = std::make_unique<Editor>();
        e->loadLine(12);
        e->showEntry(17);
        e->type(e->edit("UnitCostEdit"), "77");
        e->key(Qt::Key_F12);
    }

private slots:
    void init() { tmp.prepare(); }
    void cleanup()
    {
        e.reset();
        tmp.restore();
    }

    void closingAsksBeforeCommittedWorkIsDropped()
    {
        editedUnit17();
        QVERIFY(e->caption().endsWith("*"));
        auto seen = std::make_shared<SeenMessage>();

        answerQuestion(QMessageBox::Cancel, seen);
        e->w->ExitItem->trigger();
        QCOMPARE(seen->text, QString("Save changes to ORB12?"));
        QVERIFY(e->w->isVisible());

        answerQuestion(QMessageBox::Discard, seen);
        QVERIFY(e->w->close());
        QCOMPARE(seen->count, 2);
        QCOMPARE(readAll(file("ORB12")), sampleBytes(12));

        // A failing save in the question keeps the window open and the file as it was.
        e = std::make_unique<Editor>();
        e->loadLine(12);
        e->type(e->edit("UnitCostEdit"), "66");  // not committed: closing counts it too
        QFile::setPermissions(file("ORB12"), QFileDevice::ReadOwner);
        auto failed = std::make_shared<SeenMessage>();
        answerQuestion(QMessageBox::Save, seen);
        whenModal([failed](QWidget* w) {
            whenModal([](QWidget*) {});  // nothing after the error
            failed->title = w->windowTitle();
            QTest::keyClick(w, Qt::Key_Return);
        });
        QVERIFY(!e->w->close());
        QCOMPARE(seen->count, 3);
        QCOMPARE(failed->title, QString("File Save Error"));
        QVERIFY(e->w->isVisible());
        QCOMPARE(int(Orb.unit(1).Cost), 66);  // Save committed the page first

        QFile::setPermissions(file("ORB12"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        answerQuestion(QMessageBox::Save, seen);
        QVERIFY(e->w->close());
        OrbImage image;
        QVERIFY(ReadOrbImage(file("ORB12").toStdString(), image, false).ok);
        QCOMPARE(int(image.bytes[24750 + 1]), 66);
    }

    void loadingAsksAndSavingFromAnyPageClearsTheMark()
    {
        editedUnit17();
        auto seen = std::make_shared<SeenMessage>();
        answerQuestion(QMessageBox::Cancel, seen);
        e->loadLine(5);
        QCOMPARE(seen->count, 1);
        QCOMPARE(int(CurrentFileNumber), 12);

        e->goTo(e->w->Formations);
        e->key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(e->status(), "Saved " + QDir::toNativeSeparators(tmp.path() + "/ORB12"));
        QVERIFY(!e->caption().endsWith("*"));
        e->loadLine(5);  // clean now: no question
        QCOMPARE(seen->count, 1);
        QCOMPARE(int(CurrentFileNumber), 5);
        QVERIFY(!e->w->UndoItem->isEnabled());
    }

    // Undo and redo restore the exact bytes, and the mark follows the stack to the saved state.
    void undoAndRedoOfEveryKindOfStep()
    {
        const QByteArray original = sampleBytes(12);
        editedUnit17();
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Commit Unit 017"));
        e->save();
        const QByteArray committed = readAll(file("ORB12"));
        QVERIFY(committed != original);
        e->goTo(e->w->Units);
        e->key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(e->caption().endsWith("*"));
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString::number(uint8_t(original[24750 + 17])));
        e->save();
        QCOMPARE(readAll(file("ORB12")), original);
        e->goTo(e->w->Units);
        e->key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(e->caption().endsWith("*"));
        e->key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // nothing left to redo
        e->save();
        QCOMPARE(readAll(file("ORB12")), committed);
        e->w->UndoItem->trigger();
        QVERIFY(e->caption().endsWith("*"));
        e->w->RedoItem->trigger();
        QVERIFY(!e->caption().endsWith("*"));  // back at the saved state

        // Paste All of ORB05's formations, then Renumber 12 -> 5; both undone leave ORB12 as saved.
        e->loadLine(5);
        e->goTo(e->w->Formations);
        whenModal([](QWidget* d) { QTest::mouseClick(static_cast<TPasterDlg*>(d)->CopyAllBtn, Qt::LeftButton); });
        QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
        e->loadLine(12);
        e->goTo(e->w->Formations);
        whenModal([](QWidget* d) { QTest::mouseClick(static_cast<TPasterDlg*>(d)->CopyAllBtn, Qt::LeftButton); });
        QTest::mouseClick(e->w->PasteButton, Qt::LeftButton);
        QVERIFY2(e->status().startsWith("Pasted all formations: ") && !e->status().endsWith(": 0 entries changed"),
                 qPrintable(e->status()));
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Paste All Formations"));
        whenModal([](QWidget* d) {
            auto* dlg = static_cast<TRenatDlg*>(d);
            dlg->RenatToEdit->selectAll();
            QTest::keyClicks(dlg->RenatToEdit, "5");
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        e->w->Renationalise1->trigger();
        QCOMPARE(e->w->UndoItem->text(), QString::fromUtf8("Undo Renumber 12 \u2192 05"));
        e->w->UndoItem->trigger();
        e->w->UndoItem->trigger();
        QVERIFY(!e->caption().endsWith("*"));
        e->save();
        QCOMPARE(readAll(file("ORB12")), committed);
        e->w->RedoItem->trigger();
        e->w->RedoItem->trigger();
        OrbData redone = Orb;
        e->save();
        OrbImage image;
        QVERIFY(ReadOrbImage(file("ORB12").toStdString(), image, false).ok);
        OrbData saved;
        UnpackImage(image.bytes.data(), saved);
        for (int n = 1; n <= FormationCount; ++n)
            QCOMPARE(saved.formation(n).Name, redone.formation(n).Name);
        for (int n = 1; n <= UnitCount; ++n)
            QVERIFY(saved.unit(n).Nation != 12);
    }
};

QTEST_MAIN(TestGuard)
#include "test_guard.moc"
