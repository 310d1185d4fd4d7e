// Copy, paste and renationalise through the real window and dialogs.
#include "WindowFixture.h"

#include "ui/paster.h"
#include "ui/renationalise.h"

#include <QLabel>

class TestTransfer : public WindowSuite {
    Q_OBJECT


    void openEditorOn(int line)
    {
        e = std::make_unique<Editor>();
        e->loadLine(line);
        QVERIFY(FileLoaded);
    }
    void showUnit(int n)
    {
        CurrentUnit = uint8_t(n);
        e->w->ShowUnit();
    }

    // Runs the buffer dialog: picks slot `slot` and presses OK, or Cancel (slot 0) or All (slot -1).
    // Returns the dialog's prompt and lines as they were.
    struct Seen {
        QString prompt;
        QStringList lines;
        int selected = -2;
    };
    std::shared_ptr<Seen> answerBuffers(int slot)
    {
        auto seen = std::make_shared<Seen>();
        whenModal([seen, slot](QWidget* w) {
            auto* dlg = static_cast<TPasterDlg*>(w);
            seen->prompt = dlg->LabelStatus->text();
            for (int i = 0; i < dlg->ListBox1->count(); ++i)
                seen->lines << dlg->ListBox1->item(i)->text();
            seen->selected = dlg->ListBox1->currentRow();
            if (slot > 0) {
                dlg->ListBox1->setCurrentRow(slot - 1);
                QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
            } else if (slot == 0) {
                QTest::keyClick(dlg->ListBox1, Qt::Key_Escape);
            } else {
                QTest::mouseClick(dlg->CopyAllBtn, Qt::LeftButton);
            }
        });
        return seen;
    }
    std::shared_ptr<Seen> copyTo(int slot)
    {
        auto seen = answerBuffers(slot);
        QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
        return seen;
    }
    std::shared_ptr<Seen> pasteFrom(int slot)
    {
        auto seen = answerBuffers(slot);
        QTest::mouseClick(e->w->PasteButton, Qt::LeftButton);
        return seen;
    }

private slots:

    void aUnitTravelsToAnotherFile()
    {
        openEditorOn(5);
        showUnit(12);
        const UnitRecord copied = Orb.unit(12);
        auto seen = copyTo(3);
        QCOMPARE(seen->prompt, QString("Select unit buffer to COPY to"));
        QCOMPARE(seen->lines.size(), 249);
        QCOMPARE(seen->selected, 0);

        e->loadLine(12);  // another file
        QCOMPARE(int(CurrentFileNumber), 12);
        const uint8_t targetHidden = Orb.unit(40).HiddenByte;
        QVERIFY(targetHidden != copied.HiddenByte);
        showUnit(40);
        seen = pasteFrom(3);
        QCOMPARE(seen->prompt, QString("Select unit buffer to PASTE from"));
        QCOMPARE(seen->lines[2], BufferLine(3, copied.Name, true, 5));
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 040"));
        QCOMPARE(e->edit("UnitnameEdit")->text(), toQ(copied.Name));
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString::number(copied.Cost));
        // Weapon names come from the file loaded now.
        if (copied.Wpn1)
            QCOMPARE(e->w->UnitWpnNameLbl[0]->text(), toQ(Orb.weapon(copied.Wpn1).Name));
        QVERIFY(Orb.unit(40).Name != copied.Name || Orb.unit(40).Cost != copied.Cost);  // not yet committed

        e->commit();
        QByteArray before = readAll(tmp.filePath("ORB12"));
        e->save();
        OrbImage image;
        QVERIFY(ReadOrbImage(tmp.filePath("ORB12").toStdString(), image, false).ok);
        OrbData saved;
        UnpackImage(image.bytes.data(), saved);
        UnitRecord want = copied;
        want.HiddenByte = targetHidden;  // a single paste keeps the target's own
        for (const auto& f : UnitFields())
            QVERIFY2(f.width == FieldWidth::Text ? saved.unit(40).*f.text == want.*f.text
                                                 : f.number(saved.unit(40)) == f.number(want),
                     f.name);
        // Only unit 40's bytes changed.
        for (int off : changedOffsets(before, readAll(tmp.filePath("ORB12")))) {
            bool ofUnit40 = false;
            for (const auto& f : UnitFields())
                ofUnit40 |= off >= f.at(40) && off < f.at(40) + (f.width == FieldWidth::Text ? 15 : 2);
            QVERIFY2(ofUnit40, qPrintable(QString("byte %1").arg(off)));
        }
    }

    void copyTakesThePageAsTypedWithCommitRules()
    {
        openEditorOn(5);
        showUnit(2);
        const std::string stored = Orb.unit(2).Name;
        e->type(e->edit("UnitnameEdit"), "Edited Name");
        e->type(e->edit("UnitWpn1Edit"), "255");
        e->type(e->edit("UnitIconEdit"), "70000");
        copyTo(1);
        QCOMPARE(UnitPasteBuffers[0].Entry.Name, std::string("Edited Name"));
        QCOMPARE(int(UnitPasteBuffers[0].Entry.Wpn1), 249);
        QCOMPARE(int(UnitPasteBuffers[0].Entry.Icon), 65535);
        QCOMPARE(Orb.unit(2).Name, stored);
        QCOMPARE(e->edit("UnitnameEdit")->text(), QString("Edited Name"));  // the page is left as it was
    }

    void cancelStillFillsTheTransferRecord()
    {
        openEditorOn(5);
        e->goTo(e->w->Weapons);
        CurrentWeapon = 7;
        e->w->ShowWeapon();
        e->type(e->edit("WeaponNameEdit"), "Cancelled Gun");
        copyTo(0);
        for (const auto& slot : WeaponPasteBuffers)
            QVERIFY(!slot.Used);
        QCOMPARE(WeaponXferBuffer.Entry.Name, std::string("Cancelled Gun"));
        // Pasting from a never-filled slot shows the transfer record as it is.
        CurrentWeapon = 8;
        e->w->ShowWeapon();
        auto seen = pasteFrom(100);
        QCOMPARE(seen->lines[99], QString("100: *Unused*         [..]  ..."));
        QCOMPARE(e->edit("WeaponNameEdit")->text(), QString("Cancelled Gun"));
        QCOMPARE(e->w->WeaponNumberLabel->text(), QString("Weapon 008"));
        // Restore brings back the stored weapon; nothing reached the table.
        e->key(Qt::Key_F9);
        QCOMPARE(e->edit("WeaponNameEdit")->text(), toQ(Orb.weapon(8).Name));
    }

    void dialogLinesLineUp()
    {
        openEditorOn(5);
        e->goTo(e->w->Formations);
        const char* names[] = {"", "Abc", "Fifteen Letters"};
        for (int i = 0; i < 3; ++i) {
            e->type(e->edit("FormNameEdit"), names[i]);
            copyTo(i + 1);
        }
        e->key(Qt::Key_F9);  // what was typed is in the buffers: the page may show the stored entry
        e->loadLine(12);
        e->goTo(e->w->Formations);
        e->type(e->edit("FormNameEdit"), "From twelve");
        auto seen = copyTo(230);  // past the 199 formations: still a slot
        QCOMPARE(seen->prompt, QString("Select formation buffer  to COPY to"));
        seen = pasteFrom(0);
        QCOMPARE(seen->prompt, QString("Select formation buffer  to PASTE from"));
        QCOMPARE(seen->lines.size(), 249);
        QCOMPARE(seen->lines[0], "001: " + QString(16, ' ') + " [05]  Japan");
        QCOMPARE(seen->lines[1], "002: Abc" + QString(13, ' ') + " [05]  Japan");
        QCOMPARE(seen->lines[2], QString("003: Fifteen Letters  [05]  Japan"));
        QCOMPARE(seen->lines[229], QString("230: From twelve      [12]  USA"));
        QCOMPARE(seen->lines[3], QString("004: *Unused*         [..]  ..."));
        int column = seen->lines[2].indexOf('[');
        for (int i : {0, 1, 3, 229})
            QCOMPARE(seen->lines[i].indexOf('['), column);

        CurrentFormation = 150;
        e->w->ShowFormation();
        pasteFrom(230);
        QCOMPARE(e->edit("FormNameEdit")->text(), QString("From twelve"));
        QCOMPARE(e->w->FormNamelabel->text(), QString("Formation 150"));

        e->goTo(e->w->Weapons);
        seen = copyTo(0);
        QCOMPARE(seen->prompt, QString("Select weapon buffer  to COPY to"));
    }

    void dialogKeysAndDisabledButtons()
    {
        openEditorOn(5);
        bool importDisabled = false, exportDisabled = false;
        whenModal([&](QWidget* w) {
            auto* dlg = static_cast<TPasterDlg*>(w);
            importDisabled = !dlg->BitBtn2->isEnabled();
            exportDisabled = !dlg->BitBtn1->isEnabled();
            dlg->ListBox1->setFocus();
            dlg->ListBox1->setCurrentRow(9);
            QTest::keyClick(dlg->ListBox1, Qt::Key_Return);
        });
        QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
        QVERIFY(importDisabled && exportDisabled);
        QVERIFY(UnitPasteBuffers[9].Used);  // Enter acted as OK on slot 10
        whenModal([](QWidget* w) { doubleClickRow(static_cast<TPasterDlg*>(w)->ListBox1, 20); });
        QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
        QVERIFY(UnitPasteBuffers[20].Used);
    }

    void wholeTablesMoveWithAll()
    {
        openEditorOn(5);
        const OrbData five = Orb;
        copyTo(-1);  // All, from the Units page
        e->goTo(e->w->Weapons);
        copyTo(-1);
        QCOMPARE(UnitPasteBuffers[248].SourceFile, 5);

        e->loadLine(12);
        showUnit(77);
        pasteFrom(-1);
        QCOMPARE(int(CurrentUnit), 77);
        QCOMPARE(e->edit("UnitnameEdit")->text(), toQ(five.unit(77).Name));
        QCOMPARE(e->w->UnitListBox->item(76)->text(), "077  " + toQ(five.unit(77).Name));
        QCOMPARE(e->w->UnitListBox->currentRow(), 76);
        for (int n = 1; n <= UnitCount; ++n) {
            QCOMPARE(Orb.unit(n).Name, five.unit(n).Name);
            QCOMPARE(Orb.unit(n).HiddenByte, five.unit(n).HiddenByte);  // All carries it
        }
        // Formations were never copied: pasting them all empties the table.
        e->goTo(e->w->Formations);
        pasteFrom(-1);
        QCOMPARE(Orb.formation(1).Name, std::string());
        QCOMPARE(int(Orb.formation(199).Slot1), 0);
    }

    void renationaliseMovesOneNation()
    {
        e = std::make_unique<Editor>();
        auto seen = std::make_shared<SeenMessage>();
        acceptMessage(seen);
        e->w->Renationalise1->trigger();
        QCOMPARE(seen->text, QString("Please load a file first!!"));

        e->loadLine(5);
        const OrbData before = Orb;
        QByteArray fileBefore = readAll(tmp.filePath("ORB05"));
        int first = 1;
        while (before.unit(first).Nation != 5)
            ++first;
        showUnit(first);  // the page shows a unit that is about to move
        QString label1, from, to, label4;
        whenModal([&](QWidget* w) {
            auto* dlg = static_cast<TRenatDlg*>(w);
            label1 = dlg->Label1->text();
            from = dlg->RenatFromEdit->text();
            to = dlg->RenatToEdit->text();
            label4 = dlg->Label4->text();
            dlg->RenatToEdit->setText("12");
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);  // twice is the same as once
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        e->w->Renationalise1->trigger();
        QCOMPARE(label1, QString("Current Orb : 05 - Japan"));
        QCOMPARE(from, QString("5"));
        QCOMPARE(to, QString("5"));
        QCOMPARE(label4, QString("Japan"));
        int moved = 0;
        for (int n = 1; n <= UnitCount; ++n) {
            uint8_t was = before.unit(n).Nation;
            QCOMPARE(int(Orb.unit(n).Nation), was == 5 ? 12 : int(was));
            moved += was == 5;
        }
        for (int n = 1; n <= FormationCount; ++n)
            QCOMPARE(int(Orb.formation(n).Nation), before.formation(n).Nation == 5 ? 12 : int(before.formation(n).Nation));
        QVERIFY(moved > 0);
        int formations = 0;
        for (int n = 1; n <= FormationCount; ++n)
            formations += before.formation(n).Nation == 5;
        QCOMPARE(e->status(), QString("Renumbered %1 units and %2 formations from 05 to 12").arg(moved).arg(formations));
        // The page shows the new code, so that a Commit cannot write the old one back.
        QCOMPARE(e->edit("UnitNationEdit")->text(), QString("12"));
        e->key(Qt::Key_F12);
        QCOMPARE(int(Orb.unit(first).Nation), 12);
        QCOMPARE(readAll(tmp.filePath("ORB05")), fileBefore);  // only Save writes the file
        e->save();
        QCOMPARE(int(uint8_t(readAll(tmp.filePath("ORB05"))[25001])), int(Orb.unit(1).Nation));

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
