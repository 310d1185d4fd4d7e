// The problems the rules find, in the window: the count, the panel, the way to the field, and
// the same findings as the command line's check.
#include "CliRun.h"
#include "WindowFixture.h"

#include "core/Rules.h"

#include <QDockWidget>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QMenu>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeWidget>

class TestProblems : public WindowSuite {
    Q_OBJECT

    // Opens line row's context menu as a right click does, and picks the action named.
    void contextAction(int row, const char* action)
    {
        QTreeWidget* list = e->problems()->ProblemsList;
        const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
        bool picked = false;
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                if (QAction* a = menu->findChild<QAction*>(action)) {
                    picked = true;
                    a->trigger();
                    menu->close();
                }
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &click);
        QVERIFY2(picked, action);
    }
    void plantThree()
    {
        OrbData planted = sampleOrb(12);
        planted.edit<WeaponRecord>(249, [](WeaponRecord& w) { w = WeaponRecord{}; });
        planted.edit<UnitRecord>(4, [](UnitRecord& u) { u.Wpn2 = 249; });
        planted.edit<FormationRecord>(3, [](FormationRecord& f) { f.Type = 3, f.Slot9 = 300; });
        writeAll(tmp.filePath("ORB12"), packedOver(sampleBytes(12), planted));
    }

public:
    TestProblems() { QStandardPaths::setTestModeEnabled(true); }  // ignores kept apart from the user's

    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < e->problems()->ProblemsList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = e->problems()->ProblemsList->topLevelItem(i);
            out << item->text(2) + ": " + item->text(0) + " " + item->text(1) + ": " + item->text(3);
        }
        return out;
    }
    QString count() const { return e->problems()->ProblemsCount->text(); }

private slots:
    // A file with three planted faults: each shows, F8 and a double-click land in its field, and
    // a Commit that mends one takes it away at once, as an Undo brings it back.
    void problemsLeadToTheirFields()
    {
        plantThree();
        open(12);
        QCOMPARE(count(), QString("2 errors, 1 warning"));
        const QSize closed = e->w->size();
        e->key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(e->problems()->ProblemsDock->isVisible());
        const QStringList all = {"units 004 Wpn2: error weapon-empty: weapon 249 has no name and no values",
                                 "formations 003 Type: warning code-unknown: code 3 names no formation type",
                                 "formations 003 Slot9: error slot-missing: unit 300 does not exist"};
        QCOMPARE(lines(), all);
        // The pages keep their height: the window grows by the panel's.
        QCOMPARE(e->w->size().height(), closed.height() + e->problems()->ProblemsDock->height());

        e->key(Qt::Key_F8);
        QVERIFY(CurrentPage == pcUnits && CurrentUnit == 4);
        QCOMPARE(QApplication::focusWidget(), e->edit("UnitWpn2Edit"));
        QTreeWidget* list = e->problems()->ProblemsList;
        const QRect third = list->visualItemRect(list->topLevelItem(2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
        QVERIFY(CurrentPage == pcFormations && CurrentFormation == 3);
        QCOMPARE(QApplication::focusWidget(), e->edit("FormSlot9Edit"));
        e->key(Qt::Key_F8, Qt::ShiftModifier);  // back to the line before
        QCOMPARE(QApplication::focusWidget(), e->edit("FormTypeEdit"));
        QTest::keyClicks(QApplication::focusWidget(), "2");
        QCOMPARE(lines(), all);  // typed, not committed
        e->key(Qt::Key_F12);
        QCOMPARE(lines(), (QStringList{all[0], all[2]}));
        QCOMPARE(count(), QString("2 errors, 0 warnings"));
        e->w->UndoItem->trigger();
        QCOMPARE(lines(), all);

        e->key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!e->problems()->ProblemsDock->isVisible());
        QCOMPARE(e->w->size(), closed);

        // The command line finds the same, line for line.
        const Run check = cli({"check", tmp.filePath("ORB12")});
        QStringList said;
        for (const QByteArray& line : check.out.split('\n'))
            if (!line.isEmpty()) {
                const QList<QByteArray> parts = line.mid(tmp.filePath("ORB12").size() + 1).split(':');
                said << QString("%1 %2%3:%4").arg(QString(parts[0]), QString(parts[1]).rightJustified(3, '0'),
                                                  parts[2].isEmpty() ? QString() : " " + parts[2], QString(parts.mid(3).join(':')));
            }
        QCOMPARE(said, all);
    }

    // One of each kind the rules report by default, planted in one file: the panel shows each,
    // Enter on each puts the focus in the edit of its field, and the command line says the same.
    void everyKindShowsAndLeadsToItsField()
    {
        OrbData planted = sampleOrb(12);
        planted.edit<WeaponRecord>(249, [](WeaponRecord& w) { w = WeaponRecord{}; });
        planted.edit<WeaponRecord>(48, [](WeaponRecord& w) { w.Name = ""; });  // carried by no unit
        planted.edit<UnitRecord>(4, [](UnitRecord& u) { u.Wpn1 = 250, u.Wpn2 = 249, u.Wpn3 = 48; });
        planted.edit<UnitRecord>(140, [](UnitRecord& u) { u.Name = ""; });     // held by no formation
        planted.edit<UnitRecord>(5, [](UnitRecord& u) { u.Nation = 44, u.YrAvail = 90, u.YrUnavail = 80; });
        planted.edit<FormationRecord>(3, [](FormationRecord& f) { f.Slot2 = 1003, f.Slot3 = 140, f.Slot4 = 1199; });
        planted.edit<FormationRecord>(199, [](FormationRecord& f) { f = FormationRecord{}; });
        planted.edit<FormationRecord>(197, [](FormationRecord& f) { f.Name = "A", f.Slot1 = 1, f.Slot2 = 1198; });
        planted.edit<FormationRecord>(196, [](FormationRecord& f) {
            f.Name = "Ten";
            for (int k = 1; k <= 10; ++k)
                formationSlot(f, k) = uint16_t(k);
        });
        planted.edit<FormationRecord>(198, [](FormationRecord& f) {
            f.Name = "B", f.Slot1 = 1, f.Slot2 = 1197, f.Slot3 = 1300;
            for (int k = 4; k <= 10; ++k)
                formationSlot(f, k) = 1196;  // seven times ten units
        });
        writeAll(tmp.filePath("ORB12"), packedOver(sampleBytes(12), planted));
        open(12);
        e->key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QSet<QString> codes;
        for (int i = 0; i < e->problems()->ProblemsList->topLevelItemCount(); ++i)
            codes << e->problems()->ProblemsList->topLevelItem(i)->text(1);
        QSet<QString> want;
        for (const Rule& r : AllRules())
            if (r.byDefault)
                want << r.code;
        QCOMPARE(codes, want);
        for (int i = 0; i < e->problems()->ProblemsList->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = e->problems()->ProblemsList->topLevelItem(i);
            e->problems()->ProblemsList->setCurrentItem(item);
            e->problems()->ProblemsList->setFocus();
            QTest::keyClick(e->problems()->ProblemsList, Qt::Key_Return);
            const QStringList entry = item->text(2).split(' ');  // "formations 003 Slot2"
            const std::string field = entry.size() > 2 ? entry[2].toStdString() : "Name";
            QLineEdit* bound = entry[0] == "units"     ? editOf(e->w->unitEdits, field.c_str())
                               : entry[0] == "weapons" ? editOf(e->w->weaponEdits, field.c_str())
                                                       : editOf(e->w->formationEdits, field.c_str());
            QVERIFY2(bound && QApplication::focusWidget() == bound && e->current() == entry[1].toInt(), qPrintable(item->text(2)));
        }
        const Run check = cli({"check", tmp.filePath("ORB12")});
        QCOMPARE(check.out.count('\n'), e->problems()->ProblemsList->topLevelItemCount());
    }

    // Find References lists what names the entry, counted here from the records; a double-click
    // goes there. Move To carries every one of them along, and one Undo takes it all back.
    void referencesAndMoves()
    {
        open(12);
        auto namingUnit = [](const OrbData& o, int unit) {
            QStringList out;
            for (int n = 1; n <= FormationCount; ++n)
                for (int k = 1; k <= 10; ++k)
                    if (formationSlot(o.formation(n), k) == unit)
                        out << QString("formations %1 Slot%2").arg(n, 3, 10, QChar('0')).arg(k);
            return out;
        };
        auto listed = [this] {
            QStringList out;
            for (int i = 0; i < e->references()->ReferencesList->topLevelItemCount(); ++i)
                out << e->references()->ReferencesList->topLevelItem(i)->text(0);
            return out;
        };
        e->showEntry(6);
        const QStringList to6 = namingUnit(Orb, 6);
        QVERIFY(to6.size() >= 2);
        e->key(Qt::Key_F12, Qt::ShiftModifier);
        QVERIFY(e->references()->ReferencesDock->isVisible());
        QCOMPARE(listed(), to6);
        QTreeWidget* list = e->references()->ReferencesList;
        const QRect second = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(CurrentPage, uint8_t(pcFormations));
        QCOMPARE(QString("formations %1 Slot%2").arg(int(CurrentFormation), 3, 10, QChar('0'))
                     .arg(QApplication::focusWidget()->objectName().mid(8).chopped(4)),
                 to6[1]);

        // From the table too: the entry of its current row.
        e->goTo(e->w->Units);
        e->showEntry(1);
        e->key(Qt::Key_T, Qt::ControlModifier);
        auto* table = e->w->findChild<QTableView*>("UnitTable");
        table->setCurrentIndex(table->model()->index(5, 0));  // in entry order: unit 6
        e->key(Qt::Key_F12, Qt::ShiftModifier);
        QCOMPARE(listed(), to6);
        e->key(Qt::Key_T, Qt::ControlModifier);

        // Unit 6 to the empty 249, and then swapped with unit 1 after a question.
        e->showEntry(6);
        const OrbData loaded = Orb;
        whenModal([](QWidget* w) {
            auto* d = qobject_cast<QInputDialog*>(w);
            d->setIntValue(249);
            d->accept();
        });
        e->references()->MoveToItem->trigger();
        QVERIFY(SameEntry(Orb.unit(249), loaded.unit(6)) && EntryIsEmpty(Orb.unit(6)));
        QCOMPARE(namingUnit(Orb, 249), to6);
        QVERIFY(namingUnit(Orb, 6).isEmpty());
        QCOMPARE(e->status(), QString("Moved units 006 to 249: %1 references follow").arg(to6.size()));
        QCOMPARE(int(CurrentUnit), 249);
        QCOMPARE(e->w->UndoItem->text(), QString("Undo Move units 006 \u2192 249"));
        // The list follows at once: the name at its new number, none at the old one.
        auto line = [this](int n) { return e->w->UnitListBox->item(n - 1)->text(); };
        QCOMPARE(line(249), "249  " + toQ(loaded.unit(6).Name));
        QCOMPARE(line(6), QString("006  "));
        whenModal([](QWidget* w) {
            qobject_cast<QInputDialog*>(w)->setIntValue(1);
            qobject_cast<QInputDialog*>(w)->accept();
        });
        auto asked = answerBox(QMessageBox::Yes);
        // The question comes over the number's dialog: answered once that one has closed.
        e->references()->MoveToItem->trigger();
        QCOMPARE(asked->text, QString("units 001 is not empty. Swap the two?"));
        QVERIFY(SameEntry(Orb.unit(1), loaded.unit(6)) && SameEntry(Orb.unit(249), loaded.unit(1)));
        e->w->UndoItem->trigger();
        e->w->UndoItem->trigger();
        QVERIFY(sameImage(Orb, loaded));
        QVERIFY(line(249) == "249  " + toQ(loaded.unit(249).Name) && line(6) == "006  " + toQ(loaded.unit(6).Name));
    }

    // An ignored problem leaves the count and F8's round, stays ignored when the file is loaded
    // again, and comes back when no longer ignored.
    void ignoredProblemsStayIgnored()
    {
        plantThree();
        open(12);
        e->key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        contextAction(1, "IgnoreProblemItem");  // the warning
        QCOMPARE(count(), QString("2 errors, 0 warnings"));
        QCOMPARE(lines().last(), QString("formations 003 Type: warning (ignored) code-unknown: code 3 names no formation type"));
        e->key(Qt::Key_F8);
        e->key(Qt::Key_F8);
        e->key(Qt::Key_F8);  // the first, the second error and round again: never the ignored one
        QVERIFY(CurrentPage == pcUnits && CurrentUnit == 4);
        e->loadLine(12);
        QCOMPARE(count(), QString("2 errors, 0 warnings"));
        contextAction(2, "UnignoreProblemItem");
        QCOMPARE(count(), QString("2 errors, 1 warning"));
        e->loadLine(12);
        QCOMPARE(count(), QString("2 errors, 1 warning"));
    }
};

QTEST_MAIN(TestProblems)
#include "test_problems.moc"
