// The record pages through the real window: show, commit, restore, navigation, pickers and save.
#include "WindowFixture.h"

#include "ui/renationalise.h"

#include "core/EditRules.h"
#include "data/Fields.h"

#include <map>

#include <QLabel>

class TestPages : public WindowSuite {
    Q_OBJECT


    // A fresh editor on the sample files, with file 12 loaded.
    void openSample12()
    {
        e = std::make_unique<Editor>();
        e->loadLine(12);
        QVERIFY(FileLoaded);
    }
    QString file12() const { return tmp.filePath("ORB12"); }
    OrbData reread(const QString& path) const
    {
        OrbImage image;
        ReadOrbImage(path.toStdString(), image, false);
        OrbData orb;
        UnpackImage(image.bytes.data(), orb);
        return orb;
    }

    // The edit of each field, named by the page's naming rule and its few exceptions (stated here
    // once, apart from the pages' own tables): each edit gets a value of its own, a commit must
    // put each into its own field, and a save into the file.
    template <class R>
    void everyEditStoresItsOwnField(QWidget* page, int number, const char* prefix,
                                    const std::map<std::string, QString>& exceptions)
    {
        e->goTo(page);
        e->showEntry(number);
        std::vector<std::pair<const FieldDef<R>*, QString>> typed;
        int i = 0;
        for (const auto& f : FieldsOf<R>()) {
            if (!f.editable())
                continue;
            auto ex = exceptions.find(f.name);
            QString control = ex != exceptions.end() ? ex->second : QString("%1%2Edit").arg(prefix, f.name);
            QLineEdit* edit = e->edit(qPrintable(control));
            QVERIFY2(edit, qPrintable(control));
            const int room = qobject_cast<LimitedEdit*>(edit)->typingLimit() < 3 ? 99 : 240;
            QString value = f.width == FieldWidth::Text ? QString("N%1").arg(i) : QString::number(1 + (i * 37) % room);
            e->type(edit, value);
            typed.emplace_back(&f, value);
            ++i;
        }
        e->key(Qt::Key_F12);
        e->save();
        OrbData saved = reread(file12());
        for (const OrbData* orb : {&Orb, &saved})
            for (auto [f, value] : typed)
                QVERIFY2(toQ(FieldText(orb->get<R>(number), *f)) == value, f->name);
    }

private slots:

    void beforeAnyLoadThePagesShowEntryOneOfEmptyTables()
    {
        e = std::make_unique<Editor>();
        e->goTo(e->w->Units);
        QCOMPARE(int(CurrentPage), int(pcUnits));
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 001"));
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString("0"));
        QCOMPARE(e->w->UnitListBox->count(), 0);
        QVERIFY(!e->w->CommitButton->isEnabled());
        doubleClickRow(e->w->UnitListBox, 0);  // nothing there: nothing happens
        QCOMPARE(int(CurrentUnit), 1);
        e->goTo(e->w->Formations);
        QCOMPARE(e->w->FormNamelabel->text(), QString("Formation 001"));
        QCOMPARE(e->w->FormNationLabel->text(), QString("West Germany"));
        QCOMPARE(e->w->FormCatLabel->text(), QString("Default"));
        QCOMPARE(e->w->FormTypeLabel->text(), QString("Unknown"));
        QCOMPARE(e->w->FormslotLabel[0]->text(), QString());
    }

    void saveBeforeLoadAsksForAFile()
    {
        e = std::make_unique<Editor>();
        auto seen = std::make_shared<SeenMessage>();
        acceptMessage(seen);
        QTest::mouseClick(e->w->SaveBtn, Qt::LeftButton);
        QCOMPARE(seen->text, QString("Please load a file first!!"));
        QCOMPARE(e->status(), QString());
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), int(SampleFileNumbers().size()));
    }

    void everyEditStoresItsOwnField()
    {
        openSample12();
        everyEditStoresItsOwnField<UnitRecord>(e->w->Units, 100, "Unit",
                                   {{"Name", "UnitnameEdit"}, {"HEATHR", "UNITHEATHREdit"}, {"HEATTS", "UNITHEATTSEdit"}});
        everyEditStoresItsOwnField<WeaponRecord>(e->w->Weapons, 249, "Weapon",
                                   {{"WarheadSize", "WarheadSizeEdit"}, {"SabotRange", "WeaponsabotrangeEdit"}});
        std::map<std::string, QString> codes;
        for (int k = 1; k <= 10; ++k)
            codes["Code" + std::to_string(k)] = QString("Form%1CodeEdit").arg(k, 2, 10, QChar('0'));
        everyEditStoresItsOwnField<FormationRecord>(e->w->Formations, 199, "Form", codes);
    }

    void typedTextIsReadLeniently_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("said");  // what the status bar says of it; empty: nothing
        // The conversions themselves are the core's; here, that each page applies them on Commit,
        // shows the stored value and says when it is not what was typed.
        QTest::newRow("1a5") << "Units" << "UnitCostEdit" << "1a5" << "15" << "Cost: '1a5' stored as 15";
        QTest::newRow("ABC") << "Units" << "UnitCostEdit" << "ABC" << "0" << "Cost: 'ABC' stored as 0";
        QTest::newRow("007") << "Units" << "UnitCostEdit" << "007" << "7" << "";
        QTest::newRow("icon 70000") << "Units" << "UnitIconEdit" << "70000" << "65535" << "Icon: '70000' stored as 65535";
        QTest::newRow("range 4O") << "Weapons" << "WeaponRangeEdit" << "4O" << "4" << "Range: '4O' stored as 4";
        QTest::newRow("slot 5000") << "Formations" << "FormSlot3Edit" << "5000" << "1200" << "Slot3: '5000' stored as 1200";
        QTest::newRow("code empty") << "Formations" << "Form05CodeEdit" << "" << "0" << "";
    }
    void typedTextIsReadLeniently()
    {
        QFETCH(QString, page);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, said);
        openSample12();
        e->goTo(e->w->findChild<QWidget*>(page));
        QLineEdit* edit = e->edit(qPrintable(control));
        e->type(edit, typed);
        e->commit();
        QCOMPARE(edit->text(), stored);
        if (said.isEmpty())
            QVERIFY2(!e->status().contains("stored as"), qPrintable(e->status()));
        else
            QCOMPARE(e->status(), said);
    }

    // The name beside a code follows the code as it is typed or picked (a pick list line, or its
    // "..." button), before any Commit; Commit stores the code.
    void labelsFollowTheCode_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");   // typed into the edit, when there is no button
        QTest::addColumn<QString>("button");  // the "..." button that picks line `typed`
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("nation 99") << "Units" << "UnitNationEdit" << "99" << "" << "UnitNationLabel" << "Unknown" << 99;
        QTest::newRow("nation 25") << "Units" << "UnitNationEdit" << "25" << "" << "UnitNationLabel" << "Pakistan" << 25;
        QTest::newRow("class 12") << "Units" << "UnitClassEdit" << "12" << "" << "UnitClassLabel" << "Light Tank" << 12;
        QTest::newRow("move 4") << "Units" << "UnitMCEdit" << "4" << "" << "UnitMCLabel" << "Track" << 4;
        QTest::newRow("no weapon") << "Units" << "UnitWpn2Edit" << "0" << "" << "UnitWpn2NameLbl" << "" << 0;
        QTest::newRow("weapon class") << "Weapons" << "WeaponClassEdit" << "8" << "" << "WeaponClassLabel" << "Flame" << 8;
        QTest::newRow("type") << "Formations" << "FormTypeEdit" << "2" << "" << "FormTypeLabel" << "Battalion" << 2;
        QTest::newRow("page") << "Formations" << "FormPageEdit" << "10" << "" << "FormCatLabel" << "Battalion HQ." << 10;
        QTest::newRow("pick nation line 44") << "Units" << "UnitNationEdit" << "44" << "UnitGetNationBtn"
                                             << "UnitNationLabel" << "Nazi Germany" << 70;
        QTest::newRow("pick class") << "Units" << "UnitClassEdit" << "33" << "UnitPickUCBtn" << "UnitClassLabel"
                                    << "Light Ambhibian" << 33;
        QTest::newRow("pick move") << "Units" << "UnitMCEdit" << "7" << "UnitPickMCBtn" << "UnitMCLabel" << "Ship" << 7;
        QTest::newRow("pick weapon class") << "Weapons" << "WeaponClassEdit" << "19" << "WpnClassPickbtn"
                                           << "WeaponClassLabel" << "Unknown Class" << 19;
        QTest::newRow("pick type") << "Formations" << "FormTypeEdit" << "5" << "FormTypePickBtn" << "FormTypeLabel"
                                   << "Bn HQ" << 5;
        QTest::newRow("pick nation line 65") << "Formations" << "FormNationEdit" << "65" << "FormPickNationBtn"
                                             << "FormNationLabel" << "France 2" << 91;
    }
    void labelsFollowTheCode()
    {
        QFETCH(QString, page);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        openSample12();
        e->goTo(e->w->findChild<QWidget*>(page));
        if (button.isEmpty()) {
            e->type(e->edit(qPrintable(control)), typed);
        } else {
            pickLine(typed.toInt());
            QTest::mouseClick(e->tool(qPrintable(button)), Qt::LeftButton);
        }
        QCOMPARE(e->w->findChild<QLabel*>(label)->text(), shown);
        e->commit();
        QCOMPARE(e->edit(qPrintable(control))->text(), QString::number(stored));
        QCOMPARE(e->w->findChild<QLabel*>(label)->text(), shown);
    }

    // A formation picked into a slot shows its own years and kind at once; so does the
    // renationalise dialog's name for a typed code.
    void pickedAndTypedMembersShowTheirOwnDetails()
    {
        openSample12();
        e->goTo(e->w->Formations);
        pickLine(150);
        e->edit("FormSlot3Edit")->setFocus();
        e->key(Qt::Key_F4, Qt::ShiftModifier);
        QCOMPARE(e->edit("FormSlot3Edit")->text(), QString("1150"));
        const FormationRecord member = Orb.formation(150);
        QCOMPARE(e->w->FormSlotDateLabel[2]->text(), QString("%1/%2").arg(member.Avail).arg(member.Until));
        QCOMPARE(e->w->FormSlotKindLabel[2]->text(), QString("Formation"));
        e->type(e->edit("FormSlot3Edit"), "7");
        const UnitRecord unit = Orb.unit(7);
        QCOMPARE(e->w->FormSlotDateLabel[2]->text(), QString("%1/%2").arg(unit.YrAvail).arg(unit.YrUnavail));
        QCOMPARE(e->w->FormSlotKindLabel[2]->text(), QString("Unit"));

        QString toName;
        whenModal([&toName](QWidget* d) {
            auto* dlg = static_cast<TRenatDlg*>(d);
            dlg->RenatToEdit->selectAll();
            QTest::keyClicks(dlg->RenatToEdit, "25");
            toName = dlg->Label5->text();
            dlg->reject();
        });
        e->w->Renationalise1->trigger();
        QCOMPARE(toName, QString("Pakistan"));
    }

    // Every list line is shown whole, numbers and all fifteen characters, and the page's edits
    // still fit beside the list; a name as wide as fifteen W's widens the list.
    void entryListsShowWholeNames()
    {
        openSample12();
        auto check = [this](QWidget* page, QListWidget* list, const char* editing) {
            e->goTo(page);
            QCoreApplication::processEvents();
            for (int row = 0; row < list->count(); ++row)
                QVERIFY2(list->sizeHintForIndex(list->model()->index(row, 0)).width() <= list->viewport()->width(),
                         qPrintable(list->item(row)->text()));
            QWidget* panel = e->w->findChild<QWidget*>(editing);
            QVERIFY2(panel->childrenRect().right() < panel->width(), editing);
        };
        check(e->w->Units, e->w->UnitListBox, "UnitPanel");
        check(e->w->Weapons, e->w->wpnlistbox, "Panel5");
        check(e->w->Formations, e->w->FormationListBox, "FormationPanel");
        e->goTo(e->w->Weapons);
        e->type(e->edit("WeaponNameEdit"), QString(15, 'W'));
        e->commit();
        check(e->w->Weapons, e->w->wpnlistbox, "Panel5");
        check(e->w->Units, e->w->UnitListBox, "UnitPanel");
    }

    void weaponSlotsAndTheirNames()
    {
        openSample12();
        QLineEdit* wpn3 = e->edit("UnitWpn3Edit");
        e->type(wpn3, "250");
        e->commit();
        QCOMPARE(int(Orb.unit(1).Wpn3), 249);
        QCOMPARE(e->w->UnitWpnNameLbl[2]->text(), toQ(Orb.weapon(249).Name));
        e->type(e->edit("UnitNationEdit"), "250");  // two characters fit: 25
        e->commit();
        QCOMPARE(int(Orb.unit(1).Nation), 25);
        const UnitRecord committed = Orb.unit(1);

        // The pick list's first line empties the slot; Cancel changes nothing.
        pickLine(0);
        QTest::mouseClick(e->tool("UnitWpn1PickBtn"), Qt::LeftButton);
        QCOMPARE(e->edit("UnitWpn1Edit")->text(), QString("0"));
        QCOMPARE(e->w->UnitWpnNameLbl[0]->text(), QString());
        pickLine(7);
        QTest::mouseClick(e->tool("UnitWpn2PickBtn"), Qt::LeftButton);
        QCOMPARE(e->edit("UnitWpn2Edit")->text(), QString("7"));
        QCOMPARE(e->w->UnitWpnNameLbl[1]->text(), toQ(Orb.weapon(7).Name));
        QString before = e->w->UnitWpnNameLbl[3]->text(), number = e->edit("UnitWpn4Edit")->text();
        pickLine(-1);
        QTest::mouseClick(e->tool("UnitWpn4PickBtn"), Qt::LeftButton);
        QCOMPARE(e->w->UnitWpnNameLbl[3]->text(), before);
        QCOMPARE(e->edit("UnitWpn4Edit")->text(), number);
        // Picks reach the unit only on Commit.
        QCOMPARE(Orb.unit(1).Wpn1, committed.Wpn1);
        QCOMPARE(Orb.unit(1).Wpn2, committed.Wpn2);
        e->commit();
        QCOMPARE(int(Orb.unit(1).Wpn1), 0);
        QCOMPARE(int(Orb.unit(1).Wpn2), 7);
    }

    void formationSlotPickersAndLabels()
    {
        openSample12();
        e->goTo(e->w->Formations);
        Orb.edit<FormationRecord>(1, [](FormationRecord& f) {
            f.Slot1 = 0, f.Slot2 = 999, f.Slot3 = 1000, f.Slot4 = 1001, f.Slot5 = 7, f.Slot6 = 1199, f.Slot7 = 1200;
        });
        e->w->ShowFormation();
        QCOMPARE(e->w->FormslotLabel[0]->text(), QString());
        QCOMPARE(e->w->FormslotLabel[1]->text(), QString());
        QCOMPARE(e->w->FormslotLabel[2]->text(), QString());
        QCOMPARE(e->w->FormslotLabel[3]->text(), toQ(Orb.formation(1).Name));
        QCOMPARE(e->w->FormslotLabel[4]->text(), toQ(Orb.unit(7).Name));
        QCOMPARE(e->w->FormslotLabel[5]->text(), toQ(Orb.formation(199).Name));
        QCOMPARE(e->w->FormslotLabel[6]->text(), QString());

        // Right click picks a formation, left click a unit; slot 1 takes no formation.
        pickLine(12);
        QTest::mousePress(e->tool("FormSlot3PickBtn"), Qt::RightButton);
        QTest::mouseRelease(e->tool("FormSlot3PickBtn"), Qt::RightButton);
        QCOMPARE(e->edit("FormSlot3Edit")->text(), QString("1012"));
        QCOMPARE(e->w->FormslotLabel[2]->text(), toQ(Orb.formation(12).Name));
        pickLine(0);
        QTest::mousePress(e->tool("FormSlot6Btn"), Qt::RightButton);
        QTest::mouseRelease(e->tool("FormSlot6Btn"), Qt::RightButton);
        QCOMPARE(e->edit("FormSlot6Edit")->text(), QString("0"));
        QCOMPARE(e->w->FormslotLabel[5]->text(), QString());
        QString pickCaption;
        whenModal([&](QWidget* w) {
            pickCaption = w->windowTitle();
            PickForm->ListBox1->setCurrentRow(40);
            QTest::mouseClick(PickForm->OKBtn, Qt::LeftButton);
        });
        QTest::mouseClick(e->tool("FormSlot3PickBtn"), Qt::LeftButton);
        QCOMPARE(pickCaption, QString("Pick List : Unit"));
        QCOMPARE(e->edit("FormSlot3Edit")->text(), QString("40"));
        QCOMPARE(e->w->FormslotLabel[2]->text(), toQ(Orb.unit(40).Name));
        QString slot1 = e->edit("FormSlot1Edit")->text();
        QTest::mousePress(e->tool("FormSlot1PickBtn"), Qt::RightButton);  // no dialog opens
        QTest::mouseRelease(e->tool("FormSlot1PickBtn"), Qt::RightButton);
        QCOMPARE(e->edit("FormSlot1Edit")->text(), slot1);
        QTest::mousePress(e->tool("FormSlot4PickBtn"), Qt::MiddleButton);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        e->commit();
        QCOMPARE(int(Orb.formation(1).Slot3), 40);
        QCOMPARE(int(Orb.formation(1).Slot6), 0);
    }

    void navigationStaysInsideTheTables()
    {
        openSample12();
        auto right = [this](QToolButton* b) {
            QTest::mousePress(b, Qt::RightButton);
            QTest::mouseRelease(b, Qt::RightButton);
        };
        QTest::mouseClick(e->w->Back1Btn, Qt::LeftButton);
        QCOMPARE(int(CurrentUnit), 1);
        right(e->w->Fwd1Btn);
        QCOMPARE(int(CurrentUnit), 11);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 011"));
        QCOMPARE(e->w->UnitListBox->currentRow(), 10);
        right(e->w->Back1Btn);
        QCOMPARE(int(CurrentUnit), 1);
        CurrentUnit = 10;
        right(e->w->Back1Btn);
        QCOMPARE(int(CurrentUnit), 10);
        QTest::mousePress(e->w->Fwd1Btn, Qt::MiddleButton);
        QTest::mouseRelease(e->w->Fwd1Btn, Qt::MiddleButton);
        QCOMPARE(int(CurrentUnit), 10);
        CurrentUnit = 235;
        right(e->w->Fwd1Btn);
        QCOMPARE(int(CurrentUnit), 245);
        right(e->w->Fwd1Btn);
        QCOMPARE(int(CurrentUnit), 249);
        QTest::mouseClick(e->w->Fwd1Btn, Qt::LeftButton);
        QCOMPARE(int(CurrentUnit), 249);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 249"));

        e->goTo(e->w->Weapons);
        CurrentWeapon = 240;
        right(e->w->Fwd1Btn);
        QCOMPARE(int(CurrentWeapon), 249);
        QTest::mouseClick(e->w->Back1Btn, Qt::LeftButton);
        QCOMPARE(e->w->WeaponNumberLabel->text(), QString("Weapon 248"));
        e->goTo(e->w->Formations);
        CurrentFormation = 195;
        right(e->w->Fwd1Btn);
        QCOMPARE(int(CurrentFormation), 199);
        CurrentFormation = 15;
        right(e->w->Back1Btn);
        QCOMPARE(int(CurrentFormation), 5);
        QCOMPARE(e->w->FormNamelabel->text(), QString("Formation 005"));
        // Each table keeps its own place.
        e->goTo(e->w->Units);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 249"));
        QCOMPARE(e->w->UnitListBox->currentRow(), 248);

        // A single click only moves the highlight; a double-click chooses.
        e->w->UnitListBox->setCurrentRow(41);
        QCOMPARE(int(CurrentUnit), 249);
        doubleClickRow(e->w->UnitListBox, 41);
        QCOMPARE(int(CurrentUnit), 42);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 042"));
        QCOMPARE(e->w->UnitListBox->item(98)->text(), "099  " + toQ(Orb.unit(99).Name));
        QCOMPARE(e->w->UnitListBox->item(248)->text(), QString("249  "));  // an unnamed unit
    }

    void movingDiscardsUncommittedEditsAndRestoreShowsTheStoredOnes()
    {
        openSample12();
        uint8_t cost = Orb.unit(1).Cost;
        e->type(e->edit("UnitCostEdit"), "1");
        QTest::mouseClick(e->w->Fwd1Btn, Qt::LeftButton);
        QTest::mouseClick(e->w->Back1Btn, Qt::LeftButton);
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString::number(cost));
        e->type(e->edit("UnitCostEdit"), "2");
        e->key(Qt::Key_F9);
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString::number(cost));
        QCOMPARE(Orb.unit(1).Cost, cost);
    }

    void commitRefreshesTheListAndKeepsWhatNoEditShows()
    {
        openSample12();
        e->goTo(e->w->Weapons);
        CurrentWeapon = 5;
        e->w->RestoreButtonClick();
        e->type(e->edit("WeaponNameEdit"), "Renamed Gun");
        e->key(Qt::Key_F12);
        QCOMPARE(e->w->wpnlistbox->item(4)->text(), QString("005  Renamed Gun"));
        QCOMPARE(e->w->wpnlistbox->currentRow(), 4);

        e->goTo(e->w->Units);
        CurrentUnit = 30;
        e->w->RestoreButtonClick();
        const UnitRecord before = Orb.unit(30);
        e->commit();
        QCOMPARE(Orb.unit(30).HiddenByte, before.HiddenByte);
        QCOMPARE(std::memcmp(Orb.unit(30).IconBytes, before.IconBytes, 2), 0);
        QCOMPARE(Orb.unit(30).Name, before.Name);
        QCOMPARE(Orb.unit(30).Icon, before.Icon);
    }

    void saveWritesOnlyCommittedValues()
    {
        openSample12();
        QByteArray original = readAll(file12());
        e->type(e->edit("UnitCostEdit"), "1");  // typed, not committed
        e->save();
        QCOMPARE(readAll(file12()), original);
        QCOMPARE(e->status(), "Saved " + native(tmp.path() + "/ORB12"));

        e->goTo(e->w->Units);
        e->type(e->edit("UnitCostEdit"), "1");
        e->key(Qt::Key_F12);
        e->save();
        QCOMPARE(changedOffsets(original, readAll(file12())), original[24751] == 1 ? QList<int>{} : QList<int>{24751});
    }

    void saveGoesToTheCurrentDirectory()
    {
        openSample12();
        QDir(tmp.path()).mkdir("other");
        e->w->Viewer->setCurrentWidget(e->w->Load);
        e->w->setDirectory(tmp.filePath("other"));
        e->w->DirectoryListBox1Change();
        QCOMPARE(e->w->UnitListBox->count(), 249);  // the loaded data stays
        e->save();
        QCOMPARE(readAll(tmp.filePath("other/ORB12")), readAll(file12()));
        QCOMPARE(e->status(), "Saved " + native(tmp.filePath("other") + "/ORB12"));
    }

    void aFailedSaveSaysSoAndKeepsTheOldFile()
    {
        openSample12();
        QDir(tmp.path()).mkpath("blocked/ORB12");  // a directory in the way of the file
        e->w->setDirectory(tmp.filePath("blocked"));
        e->w->DirectoryListBox1Change();
        e->type(e->edit("UnitCostEdit"), "3");
        e->commit();
        auto seen = std::make_shared<SeenMessage>();
        acceptMessage(seen);
        e->save();
        QCOMPARE(seen->title, QString("File Save Error"));
        QVERIFY(seen->text.contains(native(tmp.filePath("blocked/ORB12"))));
        QVERIFY(!e->status().startsWith("Saved "));
        QVERIFY(QFileInfo(tmp.filePath("blocked/ORB12")).isDir());
        QCOMPARE(readAll(file12()), sampleBytes(12));
    }
};

QTEST_MAIN(TestPages)
#include "test_pages.moc"
