// Never lose work: the modified mark, Save from anywhere, the question before committed work is
// dropped, and undo/redo of every Commit, Paste All and Renumber, through the real window.
#include "WindowFixture.h"

#include "ui/paster.h"
#include "ui/renationalise.h"

#include <QAction>
#include <QTabBar>
#include <QUndoStack>


class TestGuard : public WindowSuite {
    Q_OBJECT

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
    // However long the session, every step back to the loaded file can be undone.
    void aLongSessionUndoesToTheFile()
    {
        e = std::make_unique<Editor>();
        e->loadLine(12);
        for (int k = 0; k < 600; ++k) {
            e->type(e->edit("UnitCostEdit"), QString::number(k % 200 + 1));
            e->key(Qt::Key_F12);
        }
        int undos = 0;
        while (e->w->UndoItem->isEnabled() && undos < 1000) {
            e->key(Qt::Key_Z, Qt::ControlModifier);
            ++undos;
        }
        QCOMPARE(undos, 600);
        QVERIFY(!e->caption().endsWith("*"));
        QCOMPARE(int(Orb.unit(1).Cost), int(uint8_t(sampleBytes(12)[24751])));
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

    // What was typed stays on its page until the entry under it changes; then the user is asked,
    // and the answer holds: Cancel leaves everything, Discard shows the entry as the operation
    // left it, Commit stores the edits first.
    void typedEditsLastUntilTheirEntryChanges()
    {
        using Button = QMessageBox::StandardButton;
        auto clickTab = [](Editor& ed, int index) {
            QTabBar* bar = ed->Viewer->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        };
        auto renumber = [](Editor& ed, const char* from, const char* to, std::shared_ptr<SeenMessage> seen,
                           Button answer) {
            whenModal([=](QWidget* d) {
                auto* dlg = static_cast<TRenatDlg*>(d);
                dlg->RenatFromEdit->selectAll();
                QTest::keyClicks(dlg->RenatFromEdit, from);
                dlg->RenatToEdit->selectAll();
                QTest::keyClicks(dlg->RenatToEdit, to);
                if (answer != Button::NoButton)
                    answerQuestion(answer, seen);  // the question comes over the dialog
                QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
                QTest::keyClick(dlg, Qt::Key_Escape);
            });
            ed->Renationalise1->trigger();
        };
        // Unit 1 of ORB12: nation 12, cost 17, crew 4.
        struct Case {
            const char* what;
            std::function<void(Editor&)> before;  // before 99 is typed into unit 1's cost
            std::function<void(Editor&, std::shared_ptr<SeenMessage>)> act;
            int asked;
            QString costShown;
            int cost, crew, nation;  // unit 1 as stored afterwards
        };
        auto nothing = [](Editor&) {};
        auto crewCommittedAndUndone = [](Editor& ed) {
            ed.type(ed.edit("UnitCrewEdit"), "5");
            ed.commit();
            ed->UndoItem->trigger();
        };
        const Case cases[] = {
            {"another page and back", nothing,
             [&](Editor& ed, auto) { clickTab(ed, 1), clickTab(ed, 2), clickTab(ed, 0); }, 0, "99", 17, 4, 12},
            {"a Renumber that changes nothing", nothing,
             [&](Editor& ed, auto seen) { renumber(ed, "40", "41", seen, Button::NoButton); }, 0, "99", 17, 4, 12},
            {"an Undo of another entry",
             [](Editor& ed) {
                 ed.showEntry(5);
                 ed.type(ed.edit("UnitCostEdit"), "7");
                 ed.commit();
                 ed.showEntry(1);
             },
             [](Editor& ed, auto) { ed->UndoItem->trigger(); }, 0, "99", 17, 4, 12},
            {"a Redo of this entry, cancelled", crewCommittedAndUndone,
             [](Editor& ed, auto seen) {
                 answerQuestion(Button::Cancel, seen);
                 ed->RedoItem->trigger();
             },
             1, "99", 17, 4, 12},
            {"a Redo of this entry, discarded", crewCommittedAndUndone,
             [](Editor& ed, auto seen) {
                 answerQuestion(Button::Discard, seen);
                 ed.key(Qt::Key_Y, Qt::ControlModifier);
             },
             1, "17", 17, 5, 12},
            {"a Renumber of its nation, committed first", nothing,
             [&](Editor& ed, auto seen) { renumber(ed, "12", "5", seen, Button::Save); }, 1, "99", 99, 4, 5},
        };
        for (const Case& c : cases) {
            e.reset();  // the old window's dialogs go before the new window's come
            e = std::make_unique<Editor>();
            e->loadLine(12);
            c.before(*e);
            e->type(e->edit("UnitCostEdit"), "99");
            auto seen = std::make_shared<SeenMessage>();
            c.act(*e, seen);
            QVERIFY2(seen->count == c.asked, c.what);
            if (c.asked)
                QVERIFY2(seen->text.startsWith("Unit 001 has edits that are not committed"), qPrintable(seen->text));
            QVERIFY2(e->edit("UnitCostEdit")->text() == c.costShown, c.what);
            QVERIFY2(Orb.unit(1).Cost == c.cost && Orb.unit(1).Crew == c.crew && Orb.unit(1).Nation == c.nation,
                     c.what);
        }

        // Edits kept on a page that is not in front still count when the window closes.
        e.reset();
        e = std::make_unique<Editor>();
        e->loadLine(12);
        e->type(e->edit("UnitCostEdit"), "99");
        clickTab(*e, 1);
        auto seen = std::make_shared<SeenMessage>();
        answerQuestion(QMessageBox::Save, seen);
        QVERIFY(e->w->close());
        QCOMPARE(seen->count, 1);
        QCOMPARE(int(uint8_t(readAll(file("ORB12"))[24750 + 1])), 99);
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
        QCOMPARE(e->status(), "Saved " + native(tmp.path() + "/ORB12"));
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
        // Changed and changed back by hand: the tables are as saved, so no mark, though two steps
        // stand on the stack; undoing one of them marks the window again.
        e->goTo(e->w->Units);
        const QString cost = e->edit("UnitCostEdit")->text();
        e->type(e->edit("UnitCostEdit"), "1" + cost);
        e->commit();
        QVERIFY(e->caption().endsWith("*"));
        e->type(e->edit("UnitCostEdit"), cost);
        e->commit();
        QVERIFY(!e->caption().endsWith("*"));
        e->w->UndoItem->trigger();
        QVERIFY(e->caption().endsWith("*"));
        e->w->RedoItem->trigger();
        QVERIFY(!e->caption().endsWith("*"));

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
