// The main window as a user meets it: start-up and settings, the file list, loading, keys, hints,
// the size limit, and the pick list dialog.
#include "WindowFixture.h"

#include "ui/About.h"
#include "ui/Icons.h"

#include <QComboBox>
#include <QEnterEvent>
#include <QRegularExpression>
#include <QToolButton>

class TestWindow : public WindowSuite {
    Q_OBJECT

public:
    TestWindow() { withSamples = false; }

private slots:
    void startsInTheDefaultDirectoryOfTheSettings()
    {
        putSample(tmp.path(), 5);
        putSample(tmp.path(), 71, "Orb71");
        Editor e;
        QCOMPARE(e.caption(), "Orbtool : No File Loaded " + native(tmp.path()));
        QCOMPARE(QString::fromStdString(CurrentDirectory), native(tmp.path()));
        QCOMPARE(QDir::currentPath(), tmp.path());
#ifdef Q_OS_WIN
        // Upper-cased, and cut only where a program's name ORBTOOL.EXE begins: not this one's.
        QCOMPARE(QString::fromStdString(ProgramDirectory), native(QCoreApplication::applicationFilePath()).toUpper());
#else
        QCOMPARE(QString::fromStdString(ProgramDirectory), QCoreApplication::applicationDirPath() + "/");
#endif
        QCOMPARE(e->Viewer->currentWidget(), e->Load);
        for (QToolButton* b : {e->Back1Btn, e->Fwd1Btn, e->CopyButton, e->PasteButton, e->RestoreButton,
                               e->CommitButton, e->EraseButton, e->PrintButton})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QStringList list = linesOf(e->OrbListBox);
        QCOMPARE(list.size(), 66);
        QCOMPARE(list[45], QString("Orb71 - WW2 - Finland"));
        QCOMPARE(list.filter(QRegularExpression("^ \\? ")).size(), 64);
        QCOMPARE(e->OrbListBox->currentRow(), 5);
        QVERIFY(e->DirectoryListBox1->currentItem()->text().trimmed() == QDir(tmp.path()).dirName());
        QCOMPARE(e->DriveComboBox1->currentText(), QDir::toNativeSeparators(QDir::rootPath()));
    }

    // Without settings, or with a DefaultDir that is gone (said once), the working directory.
    void otherwiseStartsInTheWorkingDirectory()
    {
        putSample(tmp.path(), 70, "orb70");
        QDir::setCurrent(tmp.path());
        for (bool missing : {false, true}) {
            QFile::remove(settingsPath());
            auto seen = std::make_shared<SeenMessage>();
            if (missing) {
                writeSettings(tmp.path() + "/no/such/dir");
                answerBox(QMessageBox::Ok, seen);
            }
            Editor e;
            QCOMPARE(seen->count, int(missing));
            if (missing)
                QCOMPARE(seen->text, QString("Cannot find default directory directory, starting in Orbtool .exe dir"));
            QCOMPARE(e.caption(), "Orbtool : No File Loaded " + native(tmp.path()) + ":");
            QCOMPARE(QString::fromStdString(CurrentDirectory), native(tmp.path()));
            QCOMPARE(e->OrbListBox->currentRow(), 44);  // the line of file 70
        }
    }

    void changingDirectoryRebuildsTheList()
    {
        QDir(tmp.path()).mkpath("sub/ORB05");  // a directory is not a data file
        putSample(tmp.path() + "/sub", 12);
        QDir(tmp.path()).mkdir("ORB12");
        Editor e;
        QCOMPARE(e->OrbListBox->count(), 0);
        QTest::mouseClick(e->OpenBtn, Qt::LeftButton);  // nothing listed: nothing to open
        QVERIFY(!FileLoaded);
        emit e->DirectoryListBox1->itemActivated(e->DirectoryListBox1->findItems("sub", Qt::MatchEndsWith).at(0));
        QCOMPARE(QString::fromStdString(CurrentDirectory), native(tmp.path() + "/sub"));
        QCOMPARE(QDir::currentPath(), tmp.path() + "/sub");
        QCOMPARE(e->OrbListBox->count(), 66);
        QCOMPARE(e->OrbListBox->currentRow(), 12);
        QVERIFY(!FileExistsTable[5]);
        // And back up to the parent, listed above the current directory.
        QList<QListWidgetItem*> up = e->DirectoryListBox1->findItems(QDir(tmp.path()).dirName(), Qt::MatchEndsWith);
        QCOMPARE(up.size(), 1);
        emit e->DirectoryListBox1->itemActivated(up.first());
        QCOMPARE(QString::fromStdString(CurrentDirectory), native(tmp.path()));
        QCOMPARE(e->OrbListBox->count(), 0);
    }

    void loadingByEachRoute()
    {
        putSample(tmp.path(), 5);
        putSample(tmp.path(), 76, "orb76");
        Editor e;
        QString line5 = e->OrbListBox->item(5)->text();
        e.loadLine(5);
        QCOMPARE(int(CurrentFileNumber), 5);
        QCOMPARE(e.caption(), "Orbtool : " + line5);
        // The folder the file was read from, not the program's.
        QCOMPARE(e.status(), "Loaded " + native(tmp.path() + "/ORB05") + ": " + line5);
        QCOMPARE(e->Viewer->currentWidget(), e->Units);
        QCOMPARE(e->UnitListBox->count(), 249);
        QCOMPARE(e->UnitListBox->currentRow(), 0);
        QCOMPARE(e.edit("UnitnameEdit")->text(), toQ(Orb.unit(1).Name));
        QCOMPARE(QApplication::focusWidget(), e.edit("UnitnameEdit"));
        QVERIFY(e->CommitButton->isEnabled() && e->Fwd1Btn->isEnabled() && e->CopyButton->isEnabled());
        QVERIFY(!e->EraseButton->isEnabled());

        // File, Open on a record page only brings the Load page to the front...
        CurrentUnit = 9;
        e->OpenItem->trigger();
        QCOMPARE(e->Viewer->currentWidget(), e->Load);
        QVERIFY(!e->CommitButton->isEnabled());
        QCOMPARE(int(CurrentUnit), 9);
        // ...and there it loads the selected line: line 50 is file 76.
        e->OrbListBox->setCurrentRow(50);
        e->OpenItem->trigger();
        QCOMPARE(int(CurrentFileNumber), 76);
        QCOMPARE(int(CurrentUnit), 1);
        e.goTo(e->Load);
        e->OrbListBox->setCurrentRow(5);
        QTest::mouseClick(e->OpenBtn, Qt::LeftButton);
        QCOMPARE(int(CurrentFileNumber), 5);
        QCOMPARE(e->Viewer->currentWidget(), e->Units);

        // A path given at start-up: its folder becomes the current one, in any letter case.
        QDir(tmp.path()).mkdir("mod");
        putSample(tmp.filePath("mod"), 12, "Orb12");
        e->openPath(tmp.filePath("mod/Orb12"));
        QCOMPARE(int(CurrentFileNumber), 12);
        QCOMPARE(e.status().left(e.status().indexOf(':', 8)), "Loaded " + native(tmp.path() + "/mod/Orb12"));
        auto seen = answerBox();
        e->openPath(tmp.filePath("mod/notes.txt"));
        QCOMPARE(seen->text, "'" + tmp.filePath("mod/notes.txt") + "' is not a data file name (ORB05, ORB12, ORB70, ...)");
        QCOMPARE(int(CurrentFileNumber), 12);
    }

    // The tool bar's icons: the style's own for erase and the steps; the glyphs from files in the
    // palette's tones for their roles (a dark palette's light text among them), at 1x and 2x, and
    // the clipboard's colour of its own. The emblem in the About box and as the window's icon.
    void toolBarIconsAndEmblem()
    {
        Editor e;
        const std::pair<QToolButton*, QStyle::StandardPixmap> standard[] = {
            {e->EraseButton, QStyle::SP_DialogResetButton}, {e->Back1Btn, QStyle::SP_ArrowBack}, {e->Fwd1Btn, QStyle::SP_ArrowForward}};
        for (const auto& [b, which] : standard)
            QVERIFY2(b->icon().pixmap(16).toImage() == e->style()->standardIcon(which).pixmap(16).toImage(),
                     qPrintable(b->objectName()));
        const struct {
            QColor text, base, button;
        } palettes[] = {{QColor(250, 250, 250), QColor(30, 30, 40), QColor(50, 50, 50)},   // dark
                        {QColor(0, 0, 160), QColor(255, 255, 200), QColor(200, 220, 200)}};  // any tones
        for (const auto& t : palettes) {
            QPalette pal = e->palette();
            pal.setColor(QPalette::ButtonText, t.text);
            pal.setColor(QPalette::Base, t.base);
            pal.setColor(QPalette::Button, t.button);
            e->setPalette(pal);
            for (QToolButton* b : {e->CopyButton, e->PasteButton, e->PrintButton}) {
                QCOMPARE(b->icon().availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
                for (int size : {16, 32}) {
                    const QImage image = b->icon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
                    int text = 0, other = 0;
                    for (int y = 0; y < image.height(); ++y)
                        for (int x = 0; x < image.width(); ++x) {
                            const QColor c = image.pixelColor(x, y);
                            text += c == t.text;
                            other += c.alpha() != 0 && c != t.text && c != t.base && c != t.button &&
                                     c != QColor(200, 160, 90);
                        }
                    QVERIFY2(text > 0 && other == 0, qPrintable(b->objectName() + QString::number(size)));
                }
            }
        }
        QCOMPARE(EmblemIcon().availableSizes(), QList<QSize>({QSize(48, 48), QSize(256, 256)}));
        TAboutBox about;
        const QPixmap emblem = about.ProgramIcon->pixmap();
        QCOMPARE(emblem.deviceIndependentSize(), QSizeF(64, 64));
        QCOMPARE(emblem.toImage().pixelColor(28, 10), QColor(90, 120, 70));  // the back symbol's fill
    }

    void missingAndUnreadableFiles()
    {
        putSample(tmp.path(), 5);
        Editor e;
        e.loadLine(5);
        const std::string loadedName = Orb.unit(1).Name;
        e.goTo(e->Load);
        auto seen = answerBox();
        e->OrbListBox->setCurrentRow(12);
        QTest::mouseClick(e->OpenBtn, Qt::LeftButton);
        QCOMPARE(seen->title, QString("File Not Found"));
        QCOMPARE(seen->text, QString("Try changing your current directory !"));
        QCOMPARE(e.status(), "Not found: " + native(tmp.path() + "/ORB12"));  // the message names no file
        QCOMPARE(int(CurrentFileNumber), 5);
        QCOMPARE(Orb.unit(1).Name, loadedName);
        QCOMPARE(e->Viewer->currentWidget(), e->Load);
        // The file appeared after the list was built: it loads although its line says " ? ".
        putSample(tmp.path(), 12);
        QTest::mouseClick(e->OpenBtn, Qt::LeftButton);
        QCOMPARE(int(CurrentFileNumber), 12);
        // Listed, but no longer a file: not found either (why a load fails: test_datafile).
        QFile::remove(tmp.filePath("ORB05"));
        QDir(tmp.path()).mkdir("ORB05");
        e.goTo(e->Load);
        e->OrbListBox->setCurrentRow(5);
        answerBox(QMessageBox::Ok, seen);
        QTest::mouseClick(e->OpenBtn, Qt::LeftButton);
        QCOMPARE(seen->title, QString("File Not Found"));
        QCOMPARE(int(CurrentFileNumber), 12);
    }

    // On the Load page the record keys say so; while a dialog is open they do nothing.
    void functionKeysOnTheLoadPage()
    {
        Editor e;
        e->OrbListBox->setFocus();
        e.key(Qt::Key_F12);
        QCOMPARE(e.status(), QString("Unknown Page!"));
        e.key(Qt::Key_F9, Qt::ShiftModifier);
        QCOMPARE(e.status(), QString("Wrong Page"));
        e->statusBar()->showMessage("quiet");
        whenModal([](QWidget* w) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key_F12);
            QTest::keyClick(w, Qt::Key_Return);
        });
        e->About1->trigger();
        QCOMPARE(e.status(), QString("quiet"));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));  // a button's hint, in the status bar
        QApplication::sendEvent(e->CommitButton, &enter);
        QCOMPARE(e.status(), QString("Commit your changes [F12]"));
        QCOMPARE(e->size(), QSize(788, 556));  // and no wider than it opens
        e->resize(1000, 800);
        QVERIFY(e->width() <= 788 && e->height() <= 556);
    }

    // A line gives its own code (nations have holes in theirs); Cancel, Escape and closing give -2;
    // a mode no caller uses shows no line and gives -1. (Each picker's lines: test_pages, test_find.)
    void pickListResults()
    {
        Editor e;
        Orb.edit<UnitRecord>(249, [](UnitRecord& u) { u.Name = "UNIT249"; });
        const std::tuple<int, int, int, const char*> picks[] = {
            {pmNationality, 43, 43, "43 - Generic Red"}, {pmNationality, 44, 70, "70 - Nazi Germany"},
            {pmNationality, 65, 91, "91 - France 2"}, {0, 249, 249, "249 - UNIT249"}, {9, -1, -1, nullptr}};
        for (const auto& [mode, line, code, text] : picks) {
            QString shown;
            whenModal([&, line = line](QWidget*) {
                PickForm->ListBox1->setCurrentRow(line);
                shown = PickForm->ListBox1->currentItem() ? PickForm->ListBox1->currentItem()->text() : QString();
                QTest::mouseClick(PickForm->OKBtn, Qt::LeftButton);
            });
            QCOMPARE(PickForm->ShowPickList(uint8_t(mode)), code);
            QCOMPARE(shown, QString(text));
        }
        pickLine(-1);
        QCOMPARE(PickForm->ShowPickList(pmNationality), -2);
        for (bool escape : {true, false}) {
            whenModal([escape](QWidget* w) {
                PickForm->ListBox1->setCurrentRow(3);
                escape ? QTest::keyClick(w, Qt::Key_Escape) : void(w->close());
            });
            QCOMPARE(PickForm->ShowPickList(pmUnitClass), -2);
        }
        whenModal([](QWidget*) { doubleClickRow(PickForm->ListBox1, 4); });
        QCOMPARE(PickForm->ShowPickList(pmMovementClass), 4);
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
