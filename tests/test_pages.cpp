// The record pages through the real window: show, commit, restore, navigation, pickers and save.
#include "WindowFixture.h"

#include <QStyleOptionFrame>

#include <map>

class TestPages : public WindowSuite {
    Q_OBJECT

    QString file12() const { return tmp.filePath("ORB12"); }
    QString label(const QString& name) const { return e->w->findChild<QLabel*>(name)->text(); }

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
        OrbData saved = orbOf(readAll(file12()));
        for (const OrbData* orb : {&Orb, &saved})
            for (auto [f, value] : typed)
                QVERIFY2(toQ(FieldText(orb->get<R>(number), *f)) == value, f->name);
    }

private slots:
    void beforeAnyLoadThePagesShowEntryOneOfEmptyTables()
    {
        e = std::make_unique<Editor>();
        e->goTo(e->w->Units);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 001"));
        QCOMPARE(e->edit("UnitCostEdit")->text(), QString("0"));
        QCOMPARE(e->w->UnitListBox->count(), 0);
        QVERIFY(!e->w->CommitButton->isEnabled());
        // Save and Renumber want a file first, and write nothing.
        for (const std::function<void()>& act : std::initializer_list<std::function<void()>>{
                 [this] { QTest::mouseClick(e->w->SaveBtn, Qt::LeftButton); }, [this] { e->w->Renationalise1->trigger(); }}) {
            auto seen = answerBox();
            act();
            QCOMPARE(seen->text, QString("Please load a file first!!"));
        }
        QCOMPARE(e->status(), QString());
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), int(SampleFileNumbers().size()));
    }

    void everyEditStoresItsOwnField()
    {
        open(12);
        everyEditStoresItsOwnField<UnitRecord>(e->w->Units, 100, "Unit",
                                   {{"Name", "UnitnameEdit"}, {"HEATHR", "UNITHEATHREdit"}, {"HEATTS", "UNITHEATTSEdit"}});
        everyEditStoresItsOwnField<WeaponRecord>(e->w->Weapons, 249, "Weapon",
                                   {{"WarheadSize", "WarheadSizeEdit"}, {"SabotRange", "WeaponsabotrangeEdit"}});
        std::map<std::string, QString> codes;
        for (int k = 1; k <= 10; ++k)
            codes["Code" + std::to_string(k)] = QString("Form%1CodeEdit").arg(k, 2, 10, QChar('0'));
        everyEditStoresItsOwnField<FormationRecord>(e->w->Formations, 199, "Form", codes);
    }

    // Typed text is stored as the core converts it (the rules: test_codes), and the status bar
    // says when that is not what was typed; the name beside a code follows the code as it is
    // typed or picked (a line of the pick list its "..." button opens), before any Commit.
    void typedAndPickedValues()
    {
        struct Case {
            const char *page, *control, *typed;  // typed into the edit, or the line `button` picks
            const char *button, *label, *shown;
            const char *stored, *said;  // the value after Commit, and what the status bar says of it
        };
        const Case cases[] = {
            {"Units", "UnitCostEdit", "1a5", nullptr, nullptr, nullptr, "15", "Cost: '1a5' stored as 15"},
            {"Units", "UnitCostEdit", "ABC", nullptr, nullptr, nullptr, "0", "Cost: 'ABC' stored as 0"},
            {"Units", "UnitCostEdit", "007", nullptr, nullptr, nullptr, "7", nullptr},
            {"Formations", "FormSlot3Edit", "5000", nullptr, nullptr, nullptr, "1200", "Slot3: '5000' stored as 1200"},
            {"Units", "UnitNationEdit", "99", nullptr, "UnitNationLabel", "Unknown", "99", nullptr},
            {"Units", "UnitNationEdit", "25", nullptr, "UnitNationLabel", "Pakistan", "25", nullptr},
            {"Units", "UnitNationEdit", "250", nullptr, "UnitNationLabel", "Pakistan", "25", nullptr},  // two characters fit
            {"Units", "UnitClassEdit", "12", nullptr, "UnitClassLabel", "Light Tank", "12", nullptr},
            {"Units", "UnitMCEdit", "4", nullptr, "UnitMCLabel", "Track", "4", nullptr},
            {"Units", "UnitWpn2Edit", "0", nullptr, "UnitWpn2NameLbl", "", "0", nullptr},
            {"Weapons", "WeaponClassEdit", "8", nullptr, "WeaponClassLabel", "Flame", "8", nullptr},
            {"Formations", "FormTypeEdit", "2", nullptr, "FormTypeLabel", "Battalion", "2", nullptr},
            {"Formations", "FormPageEdit", "10", nullptr, "FormCatLabel", "Battalion HQ.", "10", nullptr},
            {"Units", "UnitNationEdit", "44", "UnitGetNationBtn", "UnitNationLabel", "Nazi Germany", "70", nullptr},
            {"Units", "UnitClassEdit", "33", "UnitPickUCBtn", "UnitClassLabel", "Light Ambhibian", "33", nullptr},
            {"Units", "UnitMCEdit", "7", "UnitPickMCBtn", "UnitMCLabel", "Ship", "7", nullptr},
            {"Units", "UnitWpn1Edit", "0", "UnitWpn1PickBtn", "UnitWpn1NameLbl", "", "0", nullptr},  // the first line empties it
            {"Weapons", "WeaponClassEdit", "19", "WpnClassPickbtn", "WeaponClassLabel", "Unknown Class", "19", nullptr},
            {"Formations", "FormTypeEdit", "5", "FormTypePickBtn", "FormTypeLabel", "Bn HQ", "5", nullptr},
            {"Formations", "FormNationEdit", "65", "FormPickNationBtn", "FormNationLabel", "France 2", "91", nullptr},
        };
        open(12);
        for (const Case& c : cases) {
            e->goTo(c.page);
            const QByteArray stored = packedOver(sampleBytes(12), Orb);
            if (c.button) {
                pickLine(QString(c.typed).toInt());
                QTest::mouseClick(e->tool(c.button), Qt::LeftButton);
            } else {
                e->type(c.control, c.typed);
            }
            if (c.label)
                QCOMPARE(label(c.label), QString(c.shown));
            QCOMPARE(packedOver(sampleBytes(12), Orb), stored);  // nothing is stored before Commit
            e->commit();
            QCOMPARE(e->edit(c.control)->text(), QString(c.stored));
            if (c.label)
                QCOMPARE(label(c.label), QString(c.shown));
            QVERIFY2(c.said ? e->status() == c.said : !e->status().contains("stored as"), qPrintable(e->status()));
        }
        QCOMPARE(e->w->UnitWpnNameLbl[2]->text(), toQ(Orb.weapon(249).Name));
        // A pick cancelled changes nothing.
        e->goTo(e->w->Units);
        const QString before = e->w->UnitWpnNameLbl[3]->text(), number = e->edit("UnitWpn4Edit")->text();
        pickLine(-1);
        QTest::mouseClick(e->tool("UnitWpn4PickBtn"), Qt::LeftButton);
        QVERIFY(e->w->UnitWpnNameLbl[3]->text() == before && e->edit("UnitWpn4Edit")->text() == number);
    }

    // Every number edit shows three digits whole (a stored code is up to 255 where typing takes
    // two digits), in the default font and in a large one, and overlaps nothing beside it.
    void numberEditsShowTheirWidestValue()
    {
        const QFont font = QApplication::font();
        for (int points : {0, 14}) {
            if (points) {
                QFont large = font;
                large.setPointSize(points);
                QApplication::setFont(large);
            }
            Editor ed;
            for (QWidget* panel : {ed->findChild<QWidget*>("UnitPanel"), ed->findChild<QWidget*>("Panel5"),
                                   ed->findChild<QWidget*>("FormationPanel")}) {
                const QList<QWidget*> all = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
                for (auto* edit : panel->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
                    if (!edit->validator() || edit->objectName().contains("name", Qt::CaseInsensitive))
                        continue;
                    QStyleOptionFrame option;
                    option.initFrom(edit);
                    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
                    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
                    QVERIFY2(contents.width() - 4 >= edit->fontMetrics().horizontalAdvance("888"),
                             qPrintable(QString("%1 at %2 points").arg(edit->objectName()).arg(points)));
                    for (QWidget* other : all)
                        QVERIFY2(other == edit || !other->isVisibleTo(panel) || qobject_cast<QLabel*>(other) ||
                                     other->geometry().intersected(edit->geometry()).width() <= 1,  // frames may touch
                                 qPrintable(edit->objectName() + " overlaps " + other->objectName()));
                }
            }
        }
        QApplication::setFont(font);
    }

    // Every list line is shown whole, numbers and all fifteen characters, and the page's edits
    // still fit beside the list; a name as wide as fifteen W's widens the list.
    void entryListsShowWholeNames()
    {
        open(12);
        auto check = [this](QWidget* page, const char* editing) {
            e->goTo(page);
            QCoreApplication::processEvents();
            QListWidget* list = e->list();
            for (int row = 0; row < list->count(); ++row)
                QVERIFY2(list->sizeHintForIndex(list->model()->index(row, 0)).width() <= list->viewport()->width(),
                         qPrintable(list->item(row)->text()));
            QWidget* panel = e->w->findChild<QWidget*>(editing);
            QVERIFY2(panel->childrenRect().right() < panel->width(), editing);
        };
        check(e->w->Units, "UnitPanel");
        check(e->w->Formations, "FormationPanel");
        e->goTo(e->w->Weapons);
        e->type("WeaponNameEdit", QString(15, 'W'));
        e->commit();
        check(e->w->Weapons, "Panel5");
        check(e->w->Units, "UnitPanel");
    }

    void formationSlotPickersAndLabels()
    {
        open(12);
        e->goTo(e->w->Formations);
        Orb.edit<FormationRecord>(1, [](FormationRecord& f) {
            f.Slot1 = 0, f.Slot2 = 999, f.Slot3 = 1000, f.Slot4 = 1001, f.Slot5 = 7, f.Slot6 = 1199, f.Slot7 = 1200;
        });
        e->w->ShowFormation();
        const QString shown[] = {"", "", "", toQ(Orb.formation(1).Name), toQ(Orb.unit(7).Name), toQ(Orb.formation(199).Name), ""};
        for (int k = 0; k < 7; ++k)
            QCOMPARE(e->w->FormslotLabel[k]->text(), shown[k]);

        // Right click picks a formation, left click a unit; slot 1 takes no formation.
        pickLine(12);
        e->click(e->tool("FormSlot3PickBtn"), Qt::RightButton);
        QCOMPARE(e->edit("FormSlot3Edit")->text(), QString("1012"));
        // The member's name, kind and years show at once, before any Commit; typed members too.
        const FormationRecord member = Orb.formation(12);
        QCOMPARE(e->w->FormslotLabel[2]->text(), toQ(member.Name));
        QCOMPARE(e->w->FormSlotDateLabel[2]->text(), QString("%1/%2").arg(member.Avail).arg(member.Until));
        QCOMPARE(e->w->FormSlotKindLabel[2]->text(), QString("Formation"));
        e->type("FormSlot5Edit", "9");
        const UnitRecord unit = Orb.unit(9);
        QCOMPARE(e->w->FormslotLabel[4]->text(), toQ(unit.Name));
        QCOMPARE(e->w->FormSlotDateLabel[4]->text(), QString("%1/%2").arg(unit.YrAvail).arg(unit.YrUnavail));
        QCOMPARE(e->w->FormSlotKindLabel[4]->text(), QString("Unit"));
        pickLine(0);
        e->click(e->tool("FormSlot6Btn"), Qt::RightButton);
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
        QCOMPARE(e->w->FormslotLabel[2]->text(), toQ(Orb.unit(40).Name));
        QString slot1 = e->edit("FormSlot1Edit")->text();
        e->click(e->tool("FormSlot1PickBtn"), Qt::RightButton);  // no dialog opens
        QCOMPARE(e->edit("FormSlot1Edit")->text(), slot1);
        QTest::mousePress(e->tool("FormSlot4PickBtn"), Qt::MiddleButton);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        e->commit();
        QVERIFY(Orb.formation(1).Slot3 == 40 && Orb.formation(1).Slot6 == 0);
    }

    // One step with the left button, ten with the right, none with the middle, never past an end;
    // each table keeps its own place.
    void navigationStaysInsideTheTables()
    {
        open(12);
        struct Step {
            const char* page;
            int from;
            bool forward;
            Qt::MouseButton mouse;
            int to;
        };
        const Step steps[] = {
            {"Units", 1, false, Qt::LeftButton, 1},    {"Units", 1, true, Qt::RightButton, 11},
            {"Units", 11, false, Qt::RightButton, 1},  {"Units", 10, false, Qt::RightButton, 10},
            {"Units", 10, true, Qt::MiddleButton, 10}, {"Units", 235, true, Qt::RightButton, 245},
            {"Units", 245, true, Qt::RightButton, 249}, {"Units", 249, true, Qt::LeftButton, 249},
            {"Weapons", 240, true, Qt::RightButton, 249}, {"Weapons", 249, false, Qt::LeftButton, 248},
            {"Formations", 195, true, Qt::RightButton, 199}, {"Formations", 15, false, Qt::RightButton, 5},
        };
        const QMap<QString, QLabel*> number = {
            {"Units", e->w->UnitNumLabel}, {"Weapons", e->w->WeaponNumberLabel}, {"Formations", e->w->FormNamelabel}};
        for (const Step& s : steps) {
            e->goTo(s.page);
            CurrentEntryOf(CurrentPage) = uint8_t(s.from);
            e->click(s.forward ? e->w->Fwd1Btn : e->w->Back1Btn, s.mouse);
            QCOMPARE(e->current(), s.to);
            if (s.from != s.to)
                QVERIFY(number[s.page]->text().endsWith(threeDigits(s.to)) && e->list()->currentRow() == s.to - 1);
        }
        e->goTo(e->w->Units);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 249"));

        // A single click only moves the highlight; a double-click chooses.
        e->w->UnitListBox->setCurrentRow(41);
        QCOMPARE(int(CurrentUnit), 249);
        doubleClickRow(e->w->UnitListBox, 41);
        QCOMPARE(e->w->UnitNumLabel->text(), QString("Unit 042"));
        QCOMPARE(e->w->UnitListBox->item(98)->text(), "099  " + toQ(Orb.unit(99).Name));
        QCOMPARE(e->w->UnitListBox->item(248)->text(), QString("249  "));  // an unnamed unit
    }

    void movingDiscardsUncommittedEditsAndRestoreShowsTheStoredOnes()
    {
        open(12);
        const QString cost = QString::number(Orb.unit(1).Cost);
        e->type("UnitCostEdit", "1");
        QTest::mouseClick(e->w->Fwd1Btn, Qt::LeftButton);
        QTest::mouseClick(e->w->Back1Btn, Qt::LeftButton);
        QCOMPARE(e->edit("UnitCostEdit")->text(), cost);
        e->type("UnitCostEdit", "2");
        e->key(Qt::Key_F9);
        QCOMPARE(e->edit("UnitCostEdit")->text(), cost);
        QCOMPARE(QString::number(Orb.unit(1).Cost), cost);
    }

    void commitRefreshesTheListAndKeepsWhatNoEditShows()
    {
        open(12);
        e->goTo(e->w->Weapons);
        e->showEntry(5);
        e->type("WeaponNameEdit", "Renamed Gun");
        e->key(Qt::Key_F12);
        QCOMPARE(e->w->wpnlistbox->item(4)->text(), QString("005  Renamed Gun"));
        QCOMPARE(e->w->wpnlistbox->currentRow(), 4);
        e->goTo(e->w->Units);
        e->showEntry(30);
        const QByteArray before = packedOver(sampleBytes(12), Orb);
        e->commit();  // hidden bytes, and names as loaded, stay
        QCOMPARE(changes(before, packedOver(sampleBytes(12), Orb)), QStringList());
    }

    // Save writes what was committed, into the folder shown; a failed save says so and keeps the file.
    void saveWritesCommittedValuesToTheCurrentDirectory()
    {
        open(12);
        e->type("UnitCostEdit", "1");  // typed, not committed
        e->save();
        QCOMPARE(readAll(file12()), sampleBytes(12));
        QCOMPARE(e->status(), "Saved " + native(file12()));
        e->goTo(e->w->Units);
        e->type("UnitCostEdit", "1");
        e->key(Qt::Key_F12);
        QDir(tmp.path()).mkdir("other");
        e->w->setDirectory(tmp.filePath("other"));
        e->w->DirectoryListBox1Change();
        QCOMPARE(e->w->UnitListBox->count(), 249);  // the loaded data stays
        e->save();
        QCOMPARE(e->status(), "Saved " + native(tmp.filePath("other/ORB12")));
        QCOMPARE(changes(sampleBytes(12), readAll(tmp.filePath("other/ORB12"))), QStringList{"units 001 Cost"});
        QCOMPARE(readAll(file12()), sampleBytes(12));

        QDir(tmp.path()).mkpath("blocked/ORB12");  // a directory in the way of the file
        e->w->setDirectory(tmp.filePath("blocked"));
        e->w->DirectoryListBox1Change();
        auto seen = answerBox();
        e->save();
        QCOMPARE(seen->title, QString("File Save Error"));
        QVERIFY(seen->text.contains(native(tmp.filePath("blocked/ORB12"))));
        QVERIFY(!e->status().startsWith("Saved "));
        QVERIFY(QFileInfo(tmp.filePath("blocked/ORB12")).isDir());
    }
};

QTEST_MAIN(TestPages)
#include "test_pages.moc"
