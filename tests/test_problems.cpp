// The problems the rules find, in the window: the count, the panel, the way to the field, and
// the same findings as the command line's check.
#include "CliRun.h"
#include "WindowFixture.h"

#include <QDockWidget>
#include <QTreeWidget>

class TestProblems : public WindowSuite {
    Q_OBJECT

    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < e->w->ProblemsList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = e->w->ProblemsList->topLevelItem(i);
            out << item->text(2) + ": " + item->text(0) + " " + item->text(1) + ": " + item->text(3);
        }
        return out;
    }
    QString count() const { return e->w->ProblemsCount->text(); }

private slots:
    // A file with three planted faults: each shows, F8 and a double-click land in its field, and
    // a Commit that mends one takes it away at once, as an Undo brings it back.
    void problemsLeadToTheirFields()
    {
        OrbData planted = sampleOrb(12);
        planted.edit<WeaponRecord>(249, [](WeaponRecord& w) { w = WeaponRecord{}; });
        planted.edit<UnitRecord>(4, [](UnitRecord& u) { u.Wpn2 = 249; });
        planted.edit<FormationRecord>(3, [](FormationRecord& f) { f.Type = 3, f.Slot9 = 300; });
        writeAll(tmp.filePath("ORB12"), packedOver(sampleBytes(12), planted));
        open(12);
        QCOMPARE(count(), QString("2 errors, 1 warning"));
        const QSize closed = e->w->size();
        e->key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(e->w->ProblemsDock->isVisible());
        const QStringList all = {"units 004 Wpn2: error weapon-empty: weapon 249 has no name and no values",
                                 "formations 003 Type: warning code-unknown: code 3 names no formation type",
                                 "formations 003 Slot9: error slot-missing: unit 300 does not exist"};
        QCOMPARE(lines(), all);
        // The pages keep their height: the window grows by the panel's.
        QCOMPARE(e->w->size().height(), closed.height() + e->w->ProblemsDock->height());

        e->key(Qt::Key_F8);
        QVERIFY(CurrentPage == pcUnits && CurrentUnit == 4);
        QCOMPARE(QApplication::focusWidget(), e->edit("UnitWpn2Edit"));
        QTreeWidget* list = e->w->ProblemsList;
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
        QVERIFY(!e->w->ProblemsDock->isVisible());
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
};

QTEST_MAIN(TestProblems)
#include "test_problems.moc"
