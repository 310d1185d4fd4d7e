// Helpers for driving the real windows on the offscreen platform.
#pragma once

#include "TestFiles.h"

#include "core/EditRules.h"
#include "core/Globals.h"
#include "core/PasteBuffers.h"
#include "data/Fields.h"
#include "ui/Application.h"
#include "ui/Picker.h"
#include "ui/RecordPage.h"
#include "ui/Sdimain.h"
#include "ui/Widgets.h"
#include "ui/compare/CompareFeature.h"
#include "ui/merge/MergeFeature.h"
#include "ui/problems/ProblemsFeature.h"
#include "ui/recovery/RecoveryFeature.h"
#include "ui/references/ReferencesFeature.h"
#include "ui/table/TableFeature.h"
#include "ui/paster.h"
#include "ui/renationalise.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

// Runs act on the next modal dialog as soon as it is open (the test's own code waits in exec()).
// A dialog already open when this is called does not count: it waits for the one opened from it.
inline void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(5);
    QPointer<QWidget> already = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, already] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == already.data())
            modal = nullptr;
        if (!modal && clock->elapsed() < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (modal)
            act(modal);
    });
    timer->start();
}

// Double-clicks line `row` of a list, pressing first as a hand does.
inline void doubleClickRow(QListWidget* list, int row)
{
    list->scrollToItem(list->item(row));
    QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The lines of a list, top to bottom.
inline QStringList linesOf(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// What a message box said; filled when the box is answered.
struct SeenMessage {
    QString title, text;
    int count = 0;
};

// Answers the next message box with button b (Cancel: the Escape key), noting what it said.
inline std::shared_ptr<SeenMessage> answerBox(QMessageBox::StandardButton b = QMessageBox::Ok,
                                              std::shared_ptr<SeenMessage> seen = std::make_shared<SeenMessage>())
{
    whenModal([b, seen](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            qWarning("expected a message box, got %s", qPrintable(w->objectName()));
            return static_cast<QDialog*>(w)->reject();
        }
        seen->title = box->windowTitle();
        seen->text = box->text();
        ++seen->count;
        if (b == QMessageBox::Cancel)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            QTest::mouseClick(box->button(b), Qt::LeftButton);
    });
    return seen;
}

// Answers the next file dialog by typing path and Enter (then runs next, which may queue an
// answer to the dialog that comes after it).
inline void typeIntoFileDialog(const QString& path, std::function<void()> next = {})
{
    whenModal([path, next](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return static_cast<QDialog*>(w)->reject();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->setFocus();
        name->setText(path);  // as typed, without the completer's pop-up in the way
        if (next)
            next();
        QTest::keyClick(name, Qt::Key_Return);
    });
}

// Picks line `row` of the next pick list and presses OK (or Cancel when row < 0).
inline void pickLine(int row)
{
    whenModal([row](QWidget* w) {
        auto* pick = static_cast<TPickForm*>(w);
        if (row < 0) {
            QTest::mouseClick(pick->BitBtn1, Qt::LeftButton);
            return;
        }
        pick->ListBox1->setCurrentRow(row);
        QTest::mouseClick(pick->OKBtn, Qt::LeftButton);
    });
}

// Answers the next Renumber dialog: types the codes given (null: left as shown), runs beforeOk
// (which may queue an answer to a question that comes over the dialog), presses OK and closes it.
inline void renumberWith(const char* from, const char* to, std::function<void()> beforeOk = {})
{
    whenModal([=](QWidget* d) {
        auto* dlg = static_cast<TRenatDlg*>(d);
        for (auto [edit, text] : {std::pair{dlg->RenatFromEdit, from}, std::pair{dlg->RenatToEdit, to}})
            if (text) {
                edit->selectAll();
                QTest::keyClicks(edit, text);
            }
        if (beforeOk)
            beforeOk();
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        dlg->reject();
    });
}

// What the buffer dialog showed when it was answered.
struct SeenBuffers {
    QString prompt;
    QStringList lines;
    int selected = -2;
};
// Answers the next buffer dialog: slot n (from 1) and OK, Escape (0), or All (-1).
inline std::shared_ptr<SeenBuffers> answerBuffers(int slot)
{
    auto seen = std::make_shared<SeenBuffers>();
    whenModal([seen, slot](QWidget* w) {
        auto* dlg = static_cast<TPasterDlg*>(w);
        seen->prompt = dlg->LabelStatus->text();
        seen->lines = linesOf(dlg->ListBox1);
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

// A path as the window shows it: with the system's own separators.
inline QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The settings file as the editor looks for it: beside the test program. On Windows the program's
// folder is found only for a program named ORBTOOL.EXE, so there the user's own folder holds it.
inline QString settingsPath()
{
#ifdef Q_OS_WIN
    const QString dir = qEnvironmentVariable("APPDATA") + "/Orbtool";
    QDir().mkpath(dir);
    return dir + "/Orbtool.ini";
#else
    return QCoreApplication::applicationDirPath() + "/Orbtool.ini";
#endif
}

inline void writeSettings(const QString& defaultDir)
{
    writeAll(settingsPath(), ("[Orbtool]\nDefaultDir=" + defaultDir + "\n").toUtf8());
}


// Points the editor's folder of unsaved work at dir: the user's data folder as the system names it.
inline void useDataFolder(const QString& dir)
{
    qputenv("XDG_DATA_HOME", dir.toLocal8Bit());
    qputenv("LOCALAPPDATA", QDir::toNativeSeparators(dir).toLocal8Bit());
}

// A data folder of its own for each editor unless a test shares one: a window closed without
// saving leaves its work there, as a crash does, and the next editor would be asked about it.
inline QString freshDataFolder()
{
    static QTemporaryDir root;
    static int count = 0;
    const QString dir = root.filePath(QString::number(++count));
    QDir().mkpath(dir);
    return dir;
}

// A fresh run of the editor: program state reset, windows created and shown.
struct Editor {
    std::unique_ptr<TSDIAppForm> w;

    explicit Editor(const QString& dataFolder = freshDataFolder())
    {
        useDataFolder(dataFolder);
        ResetProgramState();
        w.reset(CreateOrbtoolWindows());
        w->show();
        activate();
    }
    TSDIAppForm* operator->() const { return w.get(); }
    // The window's added features, each a class of its own.
    CompareFeature* compare() const { return w->findChild<CompareFeature*>(); }
    TableFeature* table() const { return w->findChild<TableFeature*>(); }
    ProblemsFeature* problems() const { return w->findChild<ProblemsFeature*>(); }
    ReferencesFeature* references() const { return w->findChild<ReferencesFeature*>(); }
    RecoveryFeature* recovery() const { return w->findChild<RecoveryFeature*>(); }
    MergeFeature* merge() const { return w->findChild<MergeFeature*>(); }

    QString status() const { return w->statusBar()->currentMessage(); }
    // The caption as the window shows it: the modified mark, when there is one, is "*".
    QString caption() const { return w->windowHandle() ? w->windowHandle()->title() : w->windowTitle(); }
    bool marked() const { return caption().endsWith("*"); }
    QLineEdit* edit(const char* name) const { return w->findChild<QLineEdit*>(name); }
    QToolButton* tool(const char* name) const { return w->findChild<QToolButton*>(name); }

    // Loads the file of list line `line` by double-clicking it.
    void loadLine(int line)
    {
        w->Viewer->setCurrentWidget(w->Load);
        doubleClickRow(w->OrbListBox, line);
    }
    // Makes the window active again as the application sees it, which shortcuts follow. With no
    // window manager nothing hands the activation back when a dialog closes, and the platform may
    // call the window active while a closed dialog still holds the application's activation.
    void activate()
    {
        if (w->isActiveWindow())
            return;
        w->activateWindow();
        if (!QTest::qWaitFor([this] { return w->isActiveWindow(); }))
            qWarning("the editor window is not active");
    }
    // Presses a key on whatever has the focus, as the user would.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        activate();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == w.get() ? focus : w.get(), k, mods);
    }
    // Replaces an edit's text by typing, so that its length limit applies.
    void type(QLineEdit* e, const QString& text)
    {
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
        if (ascii)
            QTest::keyClicks(e, text);
        else
            e->insert(text);  // the key simulator knows ASCII only; insert() keeps the length limit
    }
    void type(const char* edit, const QString& text) { type(this->edit(edit), text); }
    // The entry list and the entry shown of the page in front.
    QListWidget* list() const
    {
        return CurrentPage == pcUnits ? w->UnitListBox : CurrentPage == pcWeapons ? w->wpnlistbox : w->FormationListBox;
    }
    QLineEdit* filter() const
    {
        return CurrentPage == pcUnits ? w->UnitFilterEdit : CurrentPage == pcWeapons ? w->WeaponFilterEdit : w->FormationFilterEdit;
    }
    static int current() { return CurrentEntryOf(CurrentPage); }
    // Shows entry n of the page in front by double-clicking its line.
    void showEntry(int n) { doubleClickRow(list(), n - 1); }
    void commit() { QTest::mouseClick(w->CommitButton, Qt::LeftButton); }
    // Copy or Paste through the buffer dialog, answered as answerBuffers says.
    std::shared_ptr<SeenBuffers> copyTo(int slot)
    {
        auto seen = answerBuffers(slot);
        QTest::mouseClick(w->CopyButton, Qt::LeftButton);
        return seen;
    }
    std::shared_ptr<SeenBuffers> pasteFrom(int slot)
    {
        auto seen = answerBuffers(slot);
        QTest::mouseClick(w->PasteButton, Qt::LeftButton);
        return seen;
    }
    // Clicks a tool button with the mouse button given, pressing and releasing as a hand does.
    void click(QToolButton* b, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QTest::mousePress(b, mouse);
        QTest::mouseRelease(b, mouse);
    }
    // Brings a page to the front by clicking its tab, as the user would.
    void clickTab(QWidget* page)
    {
        QTabBar* bar = w->Viewer->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(w->Viewer->indexOf(page)).center());
    }
    void goTo(QWidget* page) { w->Viewer->setCurrentWidget(page); }
    void goTo(const QString& page) { goTo(w->findChild<QWidget*>(page)); }
    // Save, pressed on the Load page as the user must.
    void save()
    {
        goTo(w->Load);
        QTest::mouseClick(w->SaveBtn, Qt::LeftButton);
    }
};

// A suite of window tests: a fresh folder for each case, named in the settings as the start
// directory and holding every sample file (unless the suite wants it empty), and the editor a
// case starts.
class WindowSuite : public QObject {
    Q_OBJECT

protected:
    QTemporaryDir tmp;
    QString startDir = QDir::currentPath();
    bool withSamples = true;
    std::unique_ptr<Editor> e;

    // A fresh editor with list line `line` loaded.
    void open(int line)
    {
        e.reset();  // the old window's dialogs go before the new window's come
        e = std::make_unique<Editor>();
        e->loadLine(line);
    }

    // The case's folder afresh, and the settings naming it.
    void freshFolder()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
        if (withSamples)
            for (int n : SampleFileNumbers())
                putSample(tmp.path(), n);
        writeSettings(tmp.path());
        QDir::setCurrent(startDir);
    }

private slots:
    void init() { freshFolder(); }
    void cleanup()
    {
        e.reset();
        QFile::remove(settingsPath());
        QDir::setCurrent(startDir);
    }
};
