// Copy, paste and renationalise through the real window and dialogs.
#include "WindowFixture.h"

#include "core/Renumber.h"

class TestTransfer : public WindowSuite {
    Q_OBJECT

private slots:
    // The buffer dialog names its table and lines up each slot's name, file and nation; a paste
    // fills the page, not the table, beside the weapon names of the file loaded now. (What a
    // committed paste stores, hidden byte and all: test_fidelity.)
    void bufferDialogLinesAndPastes()
    {
        open(5);
        e->showEntry(12);
        const UnitRecord copied = Orb.unit(12);
        auto seen = e->copyTo(3);
        QCOMPARE(seen->prompt, QString("Select unit buffer to COPY to"));
        QCOMPARE(seen->selected, 0);
        e->goTo(e->w->Formations);
        const char* names[] = {"", "Abc", "Fifteen Letters"};
        for (int i = 0; i < 3; ++i) {
            e->type("FormNameEdit", names[i]);
            e->copyTo(i + 1);
        }
        e->key(Qt::Key_F9);  // what was typed is in the buffers: the page may show the stored entry
        e->loadLine(12);
        e->showEntry(40);
        seen = e->pasteFrom(3);
        QCOMPARE(seen->prompt, QString("Select unit buffer to PASTE from"));
        QCOMPARE(seen->lines[2], BufferLine(3, copied.Name, true, 5));
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 040"));
        QCOMPARE(e->edit("UnitnameEdit")->text(), toQ(copied.Name));
        QVERIFY(copied.Wpn1 > 0);
        QCOMPARE(e->w->UnitWpnNameLbl[0]->text(), toQ(Orb.weapon(copied.Wpn1).Name));
        QCOMPARE(changes(sampleBytes(12), packedOver(sampleBytes(12), Orb)), QStringList());  // not yet committed

        e->goTo(e->w->Formations);
        e->type("FormNameEdit", "From twelve");
        seen = e->copyTo(230);  // past the 199 formations: still a slot
        QCOMPARE(seen->prompt, QString("Select formation buffer  to COPY to"));
        seen = e->pasteFrom(0);
        QCOMPARE(seen->prompt, QString("Select formation buffer  to PASTE from"));
        QCOMPARE(seen->lines.size(), 249);
        QCOMPARE(seen->lines.mid(0, 4), (QStringList{"001:                  [05]  Japan", "002: Abc              [05]  Japan",
                                                     "003: Fifteen Letters  [05]  Japan", "004: *Unused*         [..]  ..."}));
        QCOMPARE(seen->lines[229], QString("230: From twelve      [12]  USA"));
        e->showEntry(150);
        e->pasteFrom(230);
        QCOMPARE(e->edit("FormNameEdit")->text(), QString("From twelve"));
        QCOMPARE(e->w->FormNamelabel->text(), QString("Formation 150"));
        e->goTo(e->w->Weapons);
        QCOMPARE(e->copyTo(0)->prompt, QString("Select weapon buffer  to COPY to"));
    }

    // Copy takes the page as typed, with Commit's rules; Cancel still fills the transfer record.
    void copyTakesThePageAsTyped()
    {
        open(5);
        e->showEntry(2);
        const std::string stored = Orb.unit(2).Name;
        e->type("UnitnameEdit", "Edited Name");
        e->type("UnitWpn1Edit", "255");
        e->type("UnitIconEdit", "70000");
        e->copyTo(1);
        const UnitRecord& copy = UnitPasteBuffers[0].Entry;
        QVERIFY(copy.Name == "Edited Name" && copy.Wpn1 == 249 && copy.Icon == 65535);
        QCOMPARE(Orb.unit(2).Name, stored);
        QCOMPARE(e->edit("UnitnameEdit")->text(), QString("Edited Name"));  // the page is left as it was

        e->goTo(e->w->Weapons);
        e->showEntry(7);
        e->type("WeaponNameEdit", "Cancelled Gun");
        e->copyTo(0);
        for (const auto& slot : WeaponPasteBuffers)
            QVERIFY(!slot.Used);
        QCOMPARE(WeaponXferBuffer.Entry.Name, std::string("Cancelled Gun"));
        // Pasting from a never-filled slot shows the transfer record as it is.
        e->showEntry(8);
        auto seen = e->pasteFrom(100);
        QCOMPARE(seen->lines[99], QString("100: *Unused*         [..]  ..."));
        QCOMPARE(e->edit("WeaponNameEdit")->text(), QString("Cancelled Gun"));
        QCOMPARE(e->w->WeaponNumberLabel->text(), QString("Weapon 008"));
        // Restore brings back the stored weapon; nothing reached the table.
        e->key(Qt::Key_F9);
        QCOMPARE(e->edit("WeaponNameEdit")->text(), toQ(Orb.weapon(8).Name));
    }

    void wholeTablesMoveWithAll()
    {
        open(5);
        const OrbData five = Orb;
        e->copyTo(-1);  // All, from the Units page
        e->goTo(e->w->Weapons);
        e->copyTo(-1);
        QCOMPARE(UnitPasteBuffers[248].SourceFile, 5);
        e->loadLine(12);
        e->showEntry(77);
        e->pasteFrom(-1);
        QCOMPARE(int(CurrentUnit), 77);
        QCOMPARE(e->edit("UnitnameEdit")->text(), toQ(five.unit(77).Name));
        QCOMPARE(e->w->UnitListBox->item(76)->text(), "077  " + toQ(five.unit(77).Name));
        QCOMPARE(e->w->UnitListBox->currentRow(), 76);
        for (int n = 1; n <= UnitCount; ++n)
            QVERIFY(SameEntry(Orb.unit(n), five.unit(n)));  // All carries the hidden byte too
        // Formations were never copied: pasting them all empties the table.
        e->goTo(e->w->Formations);
        e->pasteFrom(-1);
        QCOMPARE(Orb.formation(1).Name, std::string());
        QCOMPARE(int(Orb.formation(199).Slot1), 0);
    }

    void renationaliseMovesOneNation()
    {
        open(5);
        const OrbData before = Orb;
        int first = 1;
        while (before.unit(first).Nation != 5)
            ++first;
        e->showEntry(first);  // the page shows a unit that is about to move
        QString label1, from, to, label4, label5;
        whenModal([&](QWidget* w) {
            auto* dlg = static_cast<TRenatDlg*>(w);
            label1 = dlg->Label1->text();
            from = dlg->RenatFromEdit->text();
            to = dlg->RenatToEdit->text();
            label4 = dlg->Label4->text();
            dlg->RenatToEdit->selectAll();
            QTest::keyClicks(dlg->RenatToEdit, "12");
            label5 = dlg->Label5->text();  // the name of the code as it is typed
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);  // twice is the same as once
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        e->w->Renationalise1->trigger();
        QCOMPARE(label1, QString("Current Orb : 05 - Japan"));
        QVERIFY(from == "5" && to == "5");
        QCOMPARE(label4, QString("Japan"));
        QCOMPARE(label5, QString("USA"));
        OrbData want = before;  // what renumbering moves: the core's, tested with the command line
        const RenumberResult moved = RenumberNation(want, 5, 12);
        QVERIFY(!moved.units.empty());
        QCOMPARE(packedOver(sampleBytes(5), Orb), packedOver(sampleBytes(5), want));
        QCOMPARE(e->status(), QString("Renumbered %1 units and %2 formations from 05 to 12").arg(moved.units.size()).arg(moved.formations.size()));
        // The page shows the new code, so that a Commit cannot write the old one back.
        QCOMPARE(e->edit("UnitNationEdit")->text(), QString("12"));
        e->key(Qt::Key_F12);
        QCOMPARE(int(Orb.unit(first).Nation), 12);
        QCOMPARE(readAll(tmp.filePath("ORB05")), sampleBytes(5));  // only Save writes the file

        // An empty from-code means nation 0; the picker fills code and name.
        Orb.edit<UnitRecord>(3, [](UnitRecord& u) { u.Nation = 0; });
        whenModal([&](QWidget* w) {
            auto* dlg = static_cast<TRenatDlg*>(w);
            dlg->RenatFromEdit->clear();
            pickLine(7);
            QTest::mouseClick(dlg->SpeedButton1, Qt::LeftButton);
            label4 = dlg->Label5->text();
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            dlg->reject();
        });
        e->w->Renationalise1->trigger();
        QCOMPARE(label4, QString("United Kingdom"));
        QCOMPARE(int(Orb.unit(3).Nation), 7);
    }
};

QTEST_MAIN(TestTransfer)
#include "test_transfer.moc"
