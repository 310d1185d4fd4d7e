// An edit changes only what the user changed: the window driven by mouse and keyboard must never
// alter a value nobody touched, and must act on the line and the entry the user chose.
#include "WindowFixture.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>

namespace {
// Every numeric field at the widest value it may hold, every name 15 bytes with some above 127.
template <class R>
void widen(OrbData& orb)
{
    for (int n = 1; n <= CountOf<R>; ++n)
        orb.edit<R>(n, [n](R& r) {
            for (const auto& f : FieldsOf<R>()) {
                if (f.width == FieldWidth::Text)
                    r.*f.text = "W\xe9" "de entry " + std::to_string(100 + n % 900).substr(0, 3) + "\xff\xe4";
                else if (f.editable())
                    f.setNumber(r, std::min<uint32_t>(f.bound, f.width == FieldWidth::U16 ? 65535 : 255) - uint32_t(n % 2));
            }
        });
}

QByteArray wideImage(int n)
{
    OrbData orb = sampleOrb(n);
    widen<UnitRecord>(orb);
    widen<WeaponRecord>(orb);
    widen<FormationRecord>(orb);
    return packedOver(sampleBytes(n), orb);
}

// Focuses the modal dialog w and sends it keys, as a person at the keyboard would.
void keysTo(QWidget* w, std::initializer_list<Qt::Key> keys)
{
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        qWarning("the dialog did not become active");
    for (Qt::Key k : keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == w ? focus : w, k);
    }
}
}  // namespace

class TestFidelity : public WindowSuite {
    Q_OBJECT

private slots:

    // Show + Commit of untouched entries, and Copy + Paste between files, keep every byte.
    void wideValuesSurviveShowCommitCopyAndPaste()
    {
        QByteArray wide = wideImage(5);
        writeAll(tmp.filePath("ORB05"), wide);
        open(5);
        for (QWidget* page : {e->w->Units, e->w->Weapons, e->w->Formations}) {
            e->goTo(page);
            for (int step = 0; step < 20; ++step) {
                e->key(Qt::Key_F12);
                QTest::mouseClick(e->w->Fwd1Btn, Qt::RightButton);
            }
            e->key(Qt::Key_F12);
        }
        e->save();
        QCOMPARE(changedOffsets(readAll(tmp.filePath("ORB05")), wide), QList<int>());

        // Entry 7 of each table of ORB05 into the same entry of ORB12 through slot 1: every field
        // comes along but unit 7's hidden byte, which a single paste leaves as it was.
        for (QWidget* page : {e->w->Units, e->w->Weapons, e->w->Formations}) {
            e->goTo(page);
            e->showEntry(7);
            e->copyTo(1);
        }
        OrbData want = sampleOrb(12);
        want.setWeapon(7, Orb.weapon(7));
        want.setFormation(7, Orb.formation(7));
        UnitRecord unit = Orb.unit(7);
        unit.HiddenByte = want.unit(7).HiddenByte;
        want.setUnit(7, unit);
        e->loadLine(12);
        for (QWidget* page : {e->w->Units, e->w->Weapons, e->w->Formations}) {
            e->goTo(page);
            e->showEntry(7);
            e->pasteFrom(1);
            e->key(Qt::Key_F12);
        }
        QCOMPARE(changes(packedOver(sampleBytes(12), want), packedOver(sampleBytes(12), Orb)), QStringList());
    }

    // The limit binds what the user puts in: typing, typing over a selection, pasting.
    void typingIsLimitedButShownValuesAreWhole()
    {
        open(12);
        QLineEdit* cls = e->edit("UnitClassEdit");
        Orb.edit<UnitRecord>(1, [](UnitRecord& u) { u.Class = 207; });
        e->w->RestoreButtonClick();
        QCOMPARE(cls->text(), QString("207"));
        QTest::keyClick(cls, Qt::Key_End);
        QTest::keyClick(cls, Qt::Key_5);
        QCOMPARE(cls->text(), QString("207"));  // no room for a fourth digit
        QTest::keyClick(cls, Qt::Key_Backspace);
        QTest::keyClick(cls, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cls->text(), QString("207"));  // the edit's own undo brings the whole value back
        cls->selectAll();
        QTest::keyClicks(cls, "123");
        QCOMPARE(cls->text(), QString("12"));
        QLineEdit* cost = e->edit("UnitCostEdit");
        cost->clear();
        QApplication::clipboard()->setText("98765");
        QTest::keyClick(cost, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cost->text(), QString("987"));

        // A name takes only what a byte can hold; the rest is left out with a word in the status bar.
        QLineEdit* name = e->edit("UnitnameEdit");
        e->type(name, "Tiger");
        QKeyEvent euro(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\u20ac"));
        QApplication::sendEvent(name, &euro);
        QInputMethodEvent ime;
        ime.setCommitString(QString::fromUtf8("\u65e5\u672c\u00e9"));
        QApplication::sendEvent(name, &ime);
        QCOMPARE(name->text(), QString::fromUtf8("Tiger\u00e9"));
        QVERIFY(e->status().contains(QString::fromUtf8("\u65e5\u672c")));
        e->key(Qt::Key_F12);
        QCOMPARE(Orb.unit(1).Name, std::string("Tiger\xe9"));
    }

    // After a mouse click on OK or Cancel, the next opening still answers the keyboard.
    void dialogsListenToTheKeyboardOnEveryOpening()
    {
        open(12);
        auto* pickUC = e->w->findChild<QToolButton*>("UnitPickUCBtn");
        for (const char* button : {"OKBtn", "BitBtn1"}) {
            whenModal([button](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>(button), Qt::LeftButton); });
            QTest::mouseClick(pickUC, Qt::LeftButton);
            whenModal([](QWidget* d) { keysTo(d, {Qt::Key_End, Qt::Key_Up, Qt::Key_Return}); });
            QTest::mouseClick(pickUC, Qt::LeftButton);
            QCOMPARE(e->edit("UnitClassEdit")->text(), QString("68"));  // the unit class list ends at 69
        }
        for (const char* button : {"OKBtn", "CancelBtn"}) {
            whenModal([button](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>(button), Qt::LeftButton); });
            QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
            whenModal([](QWidget* d) { keysTo(d, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}); });
            QTest::mouseClick(e->w->CopyButton, Qt::LeftButton);
            QVERIFY(UnitPasteBuffers[2].Used);
            UnitPasteBuffers[2].Used = false;
        }
    }

    // The second press of a quick pair arrives as a double-click: it must act all the same.
    void quickRightPressesAllCount()
    {
        open(12);
        e->showEntry(2);
        for (auto [button, pairs] : {std::pair{e->w->Fwd1Btn, 5}, std::pair{e->w->Back1Btn, 2}})
            for (int pair = 0; pair < pairs; ++pair) {
                QTest::mouseClick(button, Qt::RightButton);
                QTest::mouseDClick(button, Qt::RightButton);
            }
        QCOMPARE(int(CurrentUnit), 2 + 100 - 40);
        e->goTo(e->w->Formations);
        int opened = 0;
        for (bool twice : {false, true}) {
            whenModal([&opened](QWidget* d) { ++opened, static_cast<QDialog*>(d)->reject(); });
            twice ? QTest::mouseDClick(e->tool("FormSlot3PickBtn"), Qt::RightButton)
                  : QTest::mouseClick(e->tool("FormSlot3PickBtn"), Qt::RightButton);
        }
        QCOMPARE(opened, 2);
    }

    // A short file keeps its length; what could not be written is named, not hidden.
    void aShortFileSaysWhatItCannotHold()
    {
        writeAll(tmp.filePath("ORB05"), sampleBytes(5).left(30000));
        open(5);
        QVERIFY(e->status().contains("short file: 30000 of 44500 bytes"));
        e->goTo(e->w->Formations);
        e->showEntry(3);
        e->type(e->edit("FormNameEdit"), "Lost");
        e->key(Qt::Key_F12);
        auto seen = answerBox();
        e->save();
        QCOMPARE(seen->title, QString("File Save Warning"));
        QVERIFY2(seen->text.contains("formations 3") && seen->text.contains("1 committed value past its end was not"),
                 qPrintable(seen->text));
        QVERIFY(!e->status().endsWith("ORB05"));
        QCOMPARE(readAll(tmp.filePath("ORB05")), sampleBytes(5).left(30000));
        // No save can write the rename: the mark stays, and loading another file asks first.
        QVERIFY(e->marked());
        auto asked = answerBox(QMessageBox::Cancel);
        e->loadLine(5);
        QCOMPARE(asked->count, 1);
        QCOMPARE(asked->text, QString("Save changes to ORB05?"));
        QCOMPARE(QString(Orb.formation(3).Name.c_str()), QString("Lost"));
    }

};

QTEST_MAIN(TestFidelity)
#include "test_fidelity.moc"
