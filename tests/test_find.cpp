// Finding one's way through the real window: the entry filter, the keyboard, pick lists that open
// on the current code and find names as they are typed, and the formation figures.
#include "WindowFixture.h"

#include "core/FormationTotals.h"

#include <QKeyEvent>

namespace {
// Types text into w one key event per character, as a keyboard with those keys would.
void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

// Sample file 12 with formations made for counting: 10 brings 5 units and formation 11, which
// brings 3 units and leads back to 10; 20 brings ten times formation 21 of ten units each.
QByteArray countingFile()
{
    OrbData orb = sampleOrb(12);
    orb.edit<UnitRecord>(150, [](UnitRecord& u) { u.Name = "Sch\xfctzenpanzer"; });
    orb.edit<UnitRecord>(3, [](UnitRecord& u) { u.YrAvail = 60, u.YrUnavail = 117; });
    auto fillSlots = [&](int n, auto value) {
        orb.edit<FormationRecord>(n, [&](FormationRecord& f) {
            for (int k = 1; k <= 10; ++k)
                formationSlot(f, k) = value(k);
        });
    };
    const uint16_t slots10[10] = {3, 4, 5, 6, 7, 1011, 0, 0, 0, 0};
    const uint16_t slots11[10] = {8, 9, 1010, 10, 0, 0, 0, 0, 0, 0};
    fillSlots(10, [&](int k) { return slots10[k - 1]; });
    fillSlots(11, [&](int k) { return slots11[k - 1]; });
    fillSlots(20, [](int) { return uint16_t(1021); });
    fillSlots(21, [](int k) { return uint16_t(k); });
    orb.edit<FormationRecord>(11, [](FormationRecord& f) { f.Avail = 72, f.Until = 95; });
    return packedOver(sampleBytes(12), orb);
}
}  // namespace

class TestFind : public WindowSuite {
    Q_OBJECT

    void openCounting()
    {
        writeAll(tmp.filePath("ORB12"), countingFile());
        open(12);
    }

private slots:

    // A filtered line shows and commits its own entry, whatever lines are hidden above it.
    void theFilterKeepsEntryNumbersRight()
    {
        openCounting();
        e->key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), e->w->UnitFilterEdit);
        typeText(e->w->UnitFilterEdit, QString::fromUtf8("SCH\u00dcTZEN"));
        QListWidget* list = e->w->UnitListBox;
        int shown = 0;
        for (int row = 0; row < list->count(); ++row)
            shown += !list->isRowHidden(row);
        QCOMPARE(shown, 1);
        QTest::keyClick(e->w->UnitFilterEdit, Qt::Key_Return);
        QCOMPARE(int(CurrentUnit), 150);
        e->type(e->edit("UnitCostEdit"), "201");
        e->key(Qt::Key_F12);
        QCOMPARE(int(Orb.unit(150).Cost), 201);
        QVERIFY(!list->isRowHidden(149));  // the refilled list keeps the filter

        // The entry number matches too; a double-click on a filtered line shows that line's entry.
        e->w->UnitFilterEdit->clear();
        QTest::keyClicks(e->w->UnitFilterEdit, "207");
        e->showEntry(207);
        QCOMPARE(int(CurrentUnit), 207);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 207"));
        QTest::keyClick(e->w->UnitFilterEdit, Qt::Key_Escape);
        QCOMPARE(e->w->UnitFilterEdit->text(), QString());
        QVERIFY(!list->isRowHidden(0));
    }

    void everyActionFromTheKeyboard()
    {
        e = std::make_unique<Editor>();
        e->w->OrbListBox->setFocus();
        e->w->OrbListBox->setCurrentRow(12);
        e->key(Qt::Key_Return);
        QCOMPARE(int(CurrentFileNumber), 12);
        e->key(Qt::Key_PageDown);
        e->key(Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(int(CurrentUnit), 12);
        e->key(Qt::Key_PageUp);
        QCOMPARE(int(CurrentUnit), 11);
        e->w->UnitListBox->setFocus();
        e->w->UnitListBox->setCurrentRow(99);
        e->key(Qt::Key_Return);
        QCOMPARE(int(CurrentUnit), 100);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 100"));
    }

    // Each picker opens on the line of the code its edit holds; Enter keeps it; F4 opens it.
    void pickListsOpenOnTheCurrentCode()
    {
        struct Case {
            const char *page, *edit;
            bool shift;
            const char *value, *line;
        };
        const Case cases[] = {
            {"Units", "UnitClassEdit", false, "33", "33 - Light Ambhibian"},
            {"Units", "UnitNationEdit", false, "82", "82 - USA"},
            {"Units", "UnitMCEdit", false, "7", "07 - Ship"},
            {"Units", "UnitWpn2Edit", false, "17", "017 - "},
            {"Weapons", "WeaponClassEdit", false, "18", "18 - Napalm"},
            {"Formations", "FormNationEdit", false, "43", "43 - Generic Red"},
            {"Formations", "FormPageEdit", false, "10", "10 - Battalion HQ."},
            {"Formations", "FormTypeEdit", false, "4", "04 - Naval"},
            {"Formations", "FormSlot3Edit", false, "40", "040 - "},
            {"Formations", "FormSlot4Edit", true, "1012", "012 - "},
            {"Units", "UnitNationEdit", false, "55", "00 - West Germany"},  // no line has code 55
        };
        for (const Case& c : cases) {
            openCounting();  // a window that no pick list has been over yet, for the focus to be in
            e->goTo(c.page);
            QLineEdit* ed = e->edit(c.edit);
            e->type(ed, c.value);
            QString seen;
            whenModal([&seen](QWidget* d) {
                auto* pick = static_cast<TPickForm*>(d);
                seen = pick->ListBox1->currentItem()->text();
                QTest::keyClick(pick->ListBox1, Qt::Key_Return);
            });
            ed->setFocus();
            e->key(Qt::Key_F4, c.shift ? Qt::ShiftModifier : Qt::NoModifier);
            QVERIFY2(seen.startsWith(c.line), qPrintable(QString(c.edit) + ": " + seen));
            if (QString(c.value) != "55")
                QCOMPARE(ed->text(), QString(c.value));
        }
    }

    // Each slot shows its member's kind and years; the total counts sub-formations once each.
    void formationFiguresAreComputed()
    {
        openCounting();
        e->goTo(e->w->Formations);
        e->showEntry(10);
        QCOMPARE(e->w->FormSlotKindLabel[0]->text(), QString("Unit"));
        QCOMPARE(e->w->FormSlotDateLabel[0]->text(), QString("60/117"));
        QCOMPARE(e->w->FormSlotKindLabel[5]->text(), QString("Formation"));
        QCOMPARE(e->w->FormSlotDateLabel[5]->text(), QString("72/95"));
        QCOMPARE(e->w->FormSlotKindLabel[6]->text(), QString());
        QCOMPARE(e->w->FormSlotDateLabel[6]->text(), QString());
        QCOMPARE(e->w->FormTotalsLabel->text(), QString("8"));  // 5 + formation 11's 3; 11 -> 10 is a cycle
        QVERIFY(!e->w->FormTotalsLabel->isEnabled());

        // The figures follow a commit.
        e->type(e->edit("FormSlot7Edit"), "1021");
        e->key(Qt::Key_F12);
        QCOMPARE(e->w->FormTotalsLabel->text(), QString("18"));
        QCOMPARE(e->w->FormSlotKindLabel[6]->text(), QString("Formation"));

        e->showEntry(20);
        QCOMPARE(e->w->FormTotalsLabel->text(), QString("100"));
        QVERIFY(e->w->FormTotalsLabel->isEnabled());
        QVERIFY(e->w->FormTotalsLabel->styleSheet().contains("red"));

        // Formations nested ten at a time, 199 deep, are counted at once and the count stops growing.
        OrbData deep;
        for (int n = 1; n <= FormationCount; ++n)
            deep.edit<FormationRecord>(n, [n](FormationRecord& f) {
                for (int k = 1; k <= 10; ++k)
                    formationSlot(f, k) = uint16_t(n < FormationCount ? 1000 + n + 1 : k);
            });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(CountFormationUnits(deep, deep.formation(1), 1).units, 1000000);
        QVERIFY(clock.elapsed() < 1000);
    }
};

QTEST_MAIN(TestFind)
#include "test_find.moc"
