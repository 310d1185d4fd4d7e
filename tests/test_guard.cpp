// Never lose work: the modified mark, Save from anywhere, the question before committed work is
// dropped, and undo/redo of every Commit, Paste All and Renumber, through the real window.
#include "WindowFixture.h"

class TestGuard : public WindowSuite {
    Q_OBJECT

    QString file12() const { return tmp.filePath("ORB12"); }
    int savedCost(int unit) const { return orbOf(readAll(file12())).unit(unit).Cost; }

    // Unit 17's cost committed as 77, on the Units page.
    void commitCost77()
    {
        e->showEntry(17);
        e->type("UnitCostEdit", "77");
        e->key(Qt::Key_F12);
    }

private slots:
    void closingAsksBeforeCommittedWorkIsDropped()
    {
        open(12);
        commitCost77();
        QVERIFY(e->marked());
        auto seen = answerBox(QMessageBox::Cancel);
        e->w->ExitItem->trigger();
        QCOMPARE(seen->text, QString("Save changes to ORB12?"));
        QVERIFY(e->w->isVisible());
        answerBox(QMessageBox::Discard, seen);
        QVERIFY(e->w->close());
        QCOMPARE(seen->count, 2);
        QCOMPARE(readAll(file12()), sampleBytes(12));

        // A failing save in the question keeps the window open and the file as it was.
        open(12);
        e->type("UnitCostEdit", "66");  // not committed: closing counts it too
        QFile::setPermissions(file12(), QFileDevice::ReadOwner);
        answerBox(QMessageBox::Save, seen);
        QString failed;
        whenModal([&failed](QWidget* w) {
            whenModal([](QWidget*) {});  // nothing after the error
            failed = w->windowTitle();
            QTest::keyClick(w, Qt::Key_Return);
        });
        QVERIFY(!e->w->close());
        QCOMPARE(seen->count, 3);
        QCOMPARE(failed, QString("File Save Error"));
        QVERIFY(e->w->isVisible());
        QCOMPARE(int(Orb.unit(1).Cost), 66);  // Save committed the page first
        QFile::setPermissions(file12(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        answerBox(QMessageBox::Save, seen);
        QVERIFY(e->w->close());
        QCOMPARE(savedCost(1), 66);
    }

    // What was typed stays on its page until the entry under it changes; then the user is asked,
    // and the answer holds: Cancel leaves everything, Discard shows the entry as the operation
    // left it, Commit stores the edits first.
    void typedEditsLastUntilTheirEntryChanges()
    {
        using Button = QMessageBox::StandardButton;
        // Unit 1 of ORB12: nation 12, cost 17, crew 4.
        struct Case {
            const char* what;
            std::function<void()> before;  // before 99 is typed into unit 1's cost
            std::function<void(std::shared_ptr<SeenMessage>)> act;
            int asked;
            QString costShown;
            int cost, crew, nation;  // unit 1 as stored afterwards
        };
        auto nothing = [] {};
        auto crewCommittedAndUndone = [this] {
            e->type("UnitCrewEdit", "5");
            e->commit();
            e->w->UndoItem->trigger();
        };
        const Case cases[] = {
            {"another page and back", nothing, [this](auto) { e->clickTab(e->w->Weapons), e->clickTab(e->w->Formations), e->clickTab(e->w->Units); }, 0, "99", 17, 4, 12},
            {"a Renumber that changes nothing", nothing,
             [this](auto) {
                 renumberWith("40", "41");
                 e->w->Renationalise1->trigger();
             },
             0, "99", 17, 4, 12},
            {"an Undo of another entry",
             [this] {
                 e->showEntry(5);
                 e->type("UnitCostEdit", "7");
                 e->commit();
                 e->showEntry(1);
             },
             [this](auto) { e->w->UndoItem->trigger(); }, 0, "99", 17, 4, 12},
            {"a Redo of this entry, cancelled", crewCommittedAndUndone,
             [this](auto seen) {
                 answerBox(Button::Cancel, seen);
                 e->w->RedoItem->trigger();
             },
             1, "99", 17, 4, 12},
            {"a Redo of this entry, discarded", crewCommittedAndUndone,
             [this](auto seen) {
                 answerBox(Button::Discard, seen);
                 e->key(Qt::Key_Y, Qt::ControlModifier);
             },
             1, "17", 17, 5, 12},
            {"a Renumber of its nation, committed first", nothing,
             [this](auto seen) {
                 renumberWith("12", "5", [seen] { answerBox(Button::Save, seen); });  // the question comes over the dialog
                 e->w->Renationalise1->trigger();
             },
             1, "99", 99, 4, 5},
        };
        for (const Case& c : cases) {
            open(12);
            c.before();
            e->type("UnitCostEdit", "99");
            auto seen = std::make_shared<SeenMessage>();
            c.act(seen);
            QVERIFY2(seen->count == c.asked, c.what);
            if (c.asked)
                QVERIFY2(seen->text.startsWith("Unit 001 has edits that are not committed"), qPrintable(seen->text));
            QVERIFY2(e->edit("UnitCostEdit")->text() == c.costShown, c.what);
            QVERIFY2(Orb.unit(1).Cost == c.cost && Orb.unit(1).Crew == c.crew && Orb.unit(1).Nation == c.nation, c.what);
        }

        // Edits kept on a page that is not in front still count when the window closes.
        open(12);
        e->type("UnitCostEdit", "99");
        e->clickTab(e->w->Weapons);
        auto seen = answerBox(QMessageBox::Save);
        QVERIFY(e->w->close());
        QCOMPARE(seen->count, 1);
        QCOMPARE(savedCost(1), 99);
    }

    // Each kind of step is named on the Undo item; undone, the tables are the file as saved, with
    // no mark, and redone they are what the steps made. Save works from any page, and a window
    // with nothing to save loads another file without asking. (The soak checks the mark against
    // the file after thousands of random steps, and undoes them all to the byte.)
    void undoAndRedoOfEveryKindOfStep()
    {
        open(5);
        e->goTo(e->w->Formations);
        e->copyTo(-1);
        e->loadLine(12);
        commitCost77();
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Commit Unit 017"));
        e->goTo(e->w->Formations);
        e->pasteFrom(-1);
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Paste All Formations"));
        renumberWith(nullptr, "5");
        e->w->Renationalise1->trigger();
        QCOMPARE(e->w->UndoItem->text(), QString::fromUtf8("Undo Renumber 12 \u2192 05"));
        // What the three steps make, stated apart from the core: every unit and formation of
        // nation 12 is of nation 5 afterwards, ORB05's formations included.
        OrbData want = sampleOrb(12);
        want.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 77; });
        for (int n = 1; n <= FormationCount; ++n)
            want.setFormation(n, sampleOrb(5).formation(n));
        for (int n = 1; n <= UnitCount; ++n)
            want.edit<UnitRecord>(n, [](UnitRecord& u) { u.Nation = u.Nation == 12 ? 5 : u.Nation; });
        for (int n = 1; n <= FormationCount; ++n)
            want.edit<FormationRecord>(n, [](FormationRecord& f) { f.Nation = f.Nation == 12 ? 5 : f.Nation; });
        const QByteArray done = packedOver(sampleBytes(12), want);
        QCOMPARE(packedOver(sampleBytes(12), Orb), done);
        for (QAction* item : {e->w->UndoItem, e->w->RedoItem}) {
            for (int step = 0; step < 3; ++step)
                item->trigger();
            QCOMPARE(e->marked(), item == e->w->RedoItem);
            e->key(Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(e->status(), "Saved " + native(file12()));
            QVERIFY(!e->marked());
            QCOMPARE(readAll(file12()), item == e->w->UndoItem ? sampleBytes(12) : done);
        }
        auto asked = answerBox(QMessageBox::Cancel);
        e->loadLine(5);
        QVERIFY(asked->count == 0 && CurrentFileNumber == 5 && !e->w->UndoItem->isEnabled());
    }
};

QTEST_MAIN(TestGuard)
#include "test_guard.moc"
