// A long random session on the real window: typing, Commit, Restore, steps, list lines, pages,
// filters, Copy and Paste through the buffer dialog, Renumber, Undo, Redo, the table view and the
// compared file, each through the keys and clicks a person would use, with every dialog answered
// at random too, and now and then a crash, after which the work must come back whole. Along the way the modified mark must say whether the tables differ from the file
// on disk; at the end, undoing every step must give the loaded file back byte for byte, redoing
// them the tables as they were, and a save and a reload the same tables again.
//   ORB_SOAK_SECONDS (default 60), ORB_SOAK_SEED (default: from the clock), ORB_SOAK_ACTIONS
//   (stop after this many: replays a failure up to its action).
#include "WindowFixture.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QTableView>
#include <QUndoStack>

#include <deque>
#include <random>

class TestSoak : public WindowSuite {
    Q_OBJECT

    std::mt19937 rng;
    bool discardOnly = false;  // the final undo answers every question with Discard
    std::deque<QString> recent;  // the last actions, for the report of a failure
    QByteArray loaded;           // the file as loaded
    int restored = 0;            // crashes whose work came back

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool chance(int percent) { return below(100) < percent; }

    QByteArray packed() const { return packedOver(loaded, Orb); }

    // Whatever dialog is open gets a random answer, as a person in a hurry gives it.
    void answer(QWidget* modal)
    {
        if (modal->objectName() == "RecoverBox") {
            // After a crash: the work back, for the checks to go on from it.
            for (QAbstractButton* b : static_cast<QMessageBox*>(modal)->buttons())
                if (b->text() == "Restore")
                    return QTest::mouseClick(b, Qt::LeftButton);
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const QList<QAbstractButton*> buttons = box->buttons();
            if (buttons.isEmpty())
                return box->done(0);
            QAbstractButton* pick = buttons.at(below(int(buttons.size())));
            if (discardOnly && box->button(QMessageBox::Discard))
                pick = box->button(QMessageBox::Discard);
            QTest::mouseClick(pick, Qt::LeftButton);
        } else if (auto* paster = qobject_cast<TPasterDlg*>(modal)) {
            const int how = below(10);
            if (how == 0) {
                QTest::mouseClick(paster->CopyAllBtn, Qt::LeftButton);
            } else if (how == 1) {
                QTest::mouseClick(paster->CancelBtn, Qt::LeftButton);
            } else {
                doubleClickRow(paster->ListBox1, below(8));  // a few slots, so that pastes find copies
            }
        } else if (auto* renat = qobject_cast<TRenatDlg*>(modal)) {
            const int from = Orb.unit(1 + below(UnitCount)).Nation;
            renat->RenatFromEdit->selectAll();
            QTest::keyClicks(renat->RenatFromEdit, QString::number(from));
            renat->RenatToEdit->selectAll();
            QTest::keyClicks(renat->RenatToEdit, QString::number(below(92)));
            QTest::mouseClick(renat->BitBtn1, Qt::LeftButton);
            renat->reject();
        } else if (auto* pick = qobject_cast<TPickForm*>(modal)) {
            if (pick->ListBox1->count())
                pick->ListBox1->setCurrentRow(below(pick->ListBox1->count()));
            QTest::mouseClick(pick->OKBtn, Qt::LeftButton);
        } else if (auto* number = qobject_cast<QInputDialog*>(modal)) {
            number->setIntValue(1 + below(number->intMaximum()));  // Move To: any entry, empty or not
            chance(80) ? number->accept() : number->reject();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    }

    QString randomText()
    {
        static const char* const samples[] = {"0", "1", "7", "42", "99", "249", "250", "1000", "65535", "1a5",
                                              "", "Tiger", "Rifle Sqd", "AAAAAAAAAAAAAAAAAA", "007"};
        return samples[below(int(std::size(samples)))];
    }

    // One random action; returns its name for the report.
    QString act()
    {
        e->activate();
        QWidget* page = e->w->Viewer->currentWidget();
        QTableView* table = CurrentPage == pcLoad ? nullptr : e->table()->tableView(TableOfPage(CurrentPage));
        const bool tableShown = table && table->isVisible();
        // Actions a key or a click does, each as likely as the others; typing is four times as likely.
        struct Press {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            const char* name;
        };
        static const Press presses[] = {
            {Qt::Key_F12, {}, "Commit"}, {Qt::Key_F12, {}, "Commit"}, {Qt::Key_F9, {}, "Restore"},
            {Qt::Key_Z, Qt::ControlModifier, "Undo"}, {Qt::Key_Z, Qt::ControlModifier, "Undo"},
            {Qt::Key_Y, Qt::ControlModifier, "Redo"}, {Qt::Key_T, Qt::ControlModifier, "table view on or off"},
            {Qt::Key_F7, {}, "next difference"}, {Qt::Key_F7, Qt::ShiftModifier, "previous difference"},
            {Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier, "take from the compared file"},
            {Qt::Key_S, Qt::ControlModifier, "Save"},
            {Qt::Key_F8, {}, "next problem"}, {Qt::Key_F8, Qt::ShiftModifier, "previous problem"},
            {Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, "problems panel on or off"},
            {Qt::Key_F12, Qt::ShiftModifier, "find references"},
        };
        const int choice = below(int(std::size(presses)) + 11);
        if (choice < int(std::size(presses))) {
            e->key(presses[choice].key, presses[choice].mods);
            return presses[choice].name;
        }
        switch (choice - int(std::size(presses))) {
        case 0: {
            QToolButton* b = chance(50) ? e->w->Fwd1Btn : e->w->Back1Btn;
            const Qt::MouseButton mouse = chance(30) ? Qt::RightButton : Qt::LeftButton;
            e->click(b, mouse);
            return QString("step %1 %2").arg(b == e->w->Fwd1Btn ? "forward" : "back", mouse == Qt::RightButton ? "ten" : "one");
        }
        case 1:
            if (e->list()->count() == 0)
                return "double-click: empty list";
            doubleClickRow(e->list(), below(e->list()->count()));
            return "double-click a list line";
        case 2:
            e->clickTab(std::array<QWidget*, 3>{e->w->Units, e->w->Weapons, e->w->Formations}[below(3)]);
            return "switch to " + e->w->Viewer->currentWidget()->objectName();
        case 3: {
            static const char* const filters[] = {"", "", "t", "Nation=12", "Cost>100", "Name~a", "Colour=3", "1"};
            e->type(e->filter(), filters[below(int(std::size(filters)))]);
            return "filter " + e->filter()->text();
        }
        case 4:
            QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
            return "Copy";
        case 5:
            QTest::mouseClick(e->w->PasteButton, Qt::LeftButton);
            return "Paste";
        case 6:
            e->w->Renationalise1->trigger();
            return "Renumber";
        case 7:
            e->references()->MoveToItem->trigger();
            return "Move To";
        }
        if (tableShown) {
            if (table->model()->rowCount() == 0)
                return "table: nothing passes the filter";
            const QModelIndex cell = table->model()->index(below(table->model()->rowCount()), below(table->model()->columnCount()));
            table->scrollTo(cell);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
            QTest::keyClick(table->viewport(), Qt::Key_F2);
            QWidget* editor = QApplication::focusWidget();
            if (editor && editor != table) {
                QTest::keyClicks(editor, randomText().left(5));
                QTest::keyClick(editor, Qt::Key_Return);
            }
            return "table: edit a cell";
        }
        QList<LimitedEdit*> edits;
        for (LimitedEdit* edit : page->findChildren<LimitedEdit*>())
            if (edit->isVisible() && edit->isEnabled() && !edit->isReadOnly())
                edits << edit;
        if (edits.isEmpty())
            return "type: no edit";
        LimitedEdit* edit = edits.at(below(int(edits.size())));
        e->type(edit, randomText());
        return "type into " + edit->objectName();
    }

    // The window goes as a crash takes it (no question, no close), and a new one is started and
    // offers the work back: it must be the tables as they were, marked as unsaved as they were.
    QString crashAndRecover()
    {
        const QByteArray tables = packed();
        const bool unsaved = e->marked();
        e.reset();
        e = std::make_unique<Editor>(tmp.filePath("data"));
        e->recovery()->offerRecovery();
        if (!FileLoaded)
            e->loadLine(12);
        if (packed() != tables || e->marked() != unsaved)
            return "crash: not recovered";
        // Undo now goes back to the file as it is on disk.
        loaded = readAll(tmp.filePath("ORB12"));
        e->compare()->compareWith(tmp.filePath("ORB05"));
        restored += unsaved;
        return unsaved ? "crash and Restore" : "crash with nothing unsaved";
    }

    QString report(quint32 seed, int action, const QString& what) const
    {
        QStringList lines{QString("soak: seed %1, action %2: %3").arg(seed).arg(action).arg(what), "the last actions:"};
        for (const QString& r : recent)
            lines << "  " + r;
        return lines.join('\n');
    }

private slots:
    void randomSessionUndoesToTheFile()
    {
        const int seconds = qEnvironmentVariableIsSet("ORB_SOAK_SECONDS") ? qEnvironmentVariableIntValue("ORB_SOAK_SECONDS") : 60;
        const int stopAt = qEnvironmentVariableIntValue("ORB_SOAK_ACTIONS");
        const quint32 seed = qEnvironmentVariableIsSet("ORB_SOAK_SEED") ? quint32(qEnvironmentVariableIntValue("ORB_SOAK_SEED"))
                                                                         : quint32(QDateTime::currentMSecsSinceEpoch());
        rng.seed(seed);
        qInfo("soak: seed %u (ORB_SOAK_SEED=%u replays it)", seed, seed);

        e = std::make_unique<Editor>(tmp.filePath("data"));
        e->loadLine(12);
        QVERIFY(FileLoaded);
        const QString file = tmp.filePath("ORB12");
        loaded = readAll(file);
        QVERIFY(e->compare()->compareWith(tmp.filePath("ORB05")));

        // Answers whatever dialog an action opens, inside that dialog's own event loop.
        QTimer answerer;
        answerer.setInterval(1);
        // Answering may open a dialog of its own (Renumber asks about typed edits). Each answer
        // runs from the event loop, not inside the timer's own handler, which Qt does not re-enter:
        // so the nested dialog is answered too, and none is answered twice.
        auto answering = std::make_shared<QList<QPointer<QWidget>>>();
        connect(&answerer, &QTimer::timeout, this, [this, answering] {
            QPointer<QWidget> modal = QApplication::activeModalWidget();
            if (!modal || answering->contains(modal))
                return;
            *answering << modal;
            QTimer::singleShot(0, this, [this, answering, modal] {
                if (modal)
                    answer(modal);
                answering->removeAll(modal);
                answering->removeAll(nullptr);
            });
        });
        answerer.start();

        QElapsedTimer clock;
        clock.start();
        int actions = 0;
        while (stopAt ? actions < stopAt : clock.elapsed() < seconds * 1000) {
            ++actions;
            if (qEnvironmentVariableIsSet("ORB_SOAK_TRACE"))
                qInfo("%d begins", actions);
            const QString what = chance(1) ? crashAndRecover() : act();
            if (what == "crash: not recovered")
                QFAIL(qPrintable(report(seed, actions, "the work after a crash is not what the window held")));
            if (qEnvironmentVariableIsSet("ORB_SOAK_TRACE"))
                qInfo("%d %s", actions, qPrintable(what));
            QCoreApplication::processEvents();  // a table cell's edit commits by a queued call
            recent.push_back(QString("%1 %2").arg(actions).arg(what));
            if (recent.size() > 12)
                recent.pop_front();
            const bool differs = packed() != readAll(file);
            if (differs != e->caption().endsWith("*"))
                QFAIL(qPrintable(report(seed, actions, differs ? "the tables differ from the file, but no mark"
                                                                : "the mark is on, but the tables are as saved")));
        }
        qInfo("soak: %d actions in %lld s, %d crashes with work restored", actions, clock.elapsed() / 1000, restored);
        QVERIFY2(stopAt || actions >= 1000, "too few actions to call it a soak");

        // Every step undone: the file as loaded, byte for byte once saved. Typed edits are dropped
        // when asked.
        discardOnly = true;
        e->key(Qt::Key_Escape);  // out of a cell's editor, if one is open, as a person would leave it
        QCoreApplication::processEvents();
        const QByteArray before = packed();
        // Steps are counted on the stack itself: a Ctrl+Z that reaches an open cell editor undoes
        // its typing, not a step.
        const int top = e->w->UndoStack->index();
        for (int presses = 0; e->w->UndoItem->isEnabled() && presses < 100000; ++presses)
            e->key(Qt::Key_Z, Qt::ControlModifier);
        e->key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(readAll(file) == loaded, qPrintable(report(seed, actions, QString("%1 undos do not give the loaded file").arg(top))));
        // Steps the session left undone stay so: redone up to where the undos began.
        for (int presses = 0; e->w->UndoStack->index() < top && presses < 100000; ++presses)
            e->key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY2(packed() == before, qPrintable(report(seed, actions, "redoing every step does not give the tables back")));

        // Saved and loaded again: the same tables.
        e->key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(!e->caption().endsWith("*"), qPrintable(e->status()));
        e->loadLine(12);
        QVERIFY2(packed() == before, qPrintable(report(seed, actions, "a save and a reload change the tables")));
        answerer.stop();
    }
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
