// The main window's frame: menu, tool bar, pages, status bar, start-up, keys, hints and size limit.
#include "ui/Sdimain.h"

#include "ui/About.h"
#include "ui/Icons.h"
#include "ui/SdimainHost.h"
#include "ui/compare/CompareFeature.h"
#include "ui/merge/MergeFeature.h"
#include "ui/problems/ProblemsFeature.h"
#include "ui/recovery/RecoveryFeature.h"
#include "ui/references/ReferencesFeature.h"
#include "ui/table/TableFeature.h"
#include "core/Settings.h"
#include "ui/Style.h"
#include "ui/Widgets.h"

#include "core/IniText.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QAction>
#include <cstdlib>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include <functional>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>
#include <QCloseEvent>
#include <QDockWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

void TSDIAppForm::setToolBarIcons()
{
    // The style's own where it has one; the others in the palette's tones, light on a dark one.
    const QPalette pal = palette();
    EraseButton->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    CopyButton->setIcon(GlyphIcon("copy", pal));
    PasteButton->setIcon(GlyphIcon("paste", pal));
    PrintButton->setIcon(GlyphIcon("print", pal));
    Back1Btn->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    Fwd1Btn->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
}

void TSDIAppForm::changeEvent(QEvent* e)
{
    // A new palette (the desktop's dark mode switched on) takes the glyphs to its colours.
    if ((e->type() == QEvent::PaletteChange || e->type() == QEvent::ApplicationPaletteChange) && Fwd1Btn)
        setToolBarIcons();
    // Active again (back from another program, which may have changed the loaded file meanwhile):
    // asked once the activation is over, and not over a dialog of this window's.
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, [this] {
            if (isActiveWindow() && !QApplication::activeModalWidget())
                recovery_->checkDisk(false);
        });
    QMainWindow::changeEvent(e);
}

TSDIAppForm::TSDIAppForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("SDIAppForm");
    resize(788, 556);
    buildMenu();
    buildToolBar();

    Viewer = new QTabWidget(this);
    Viewer->setObjectName("Viewer");
    setCentralWidget(Viewer);
    Units = new QWidget;
    Units->setObjectName("Units");
    Weapons = new QWidget;
    Weapons->setObjectName("Weapons");
    Formations = new QWidget;
    Formations->setObjectName("Formations");
    Load = new QWidget;
    Load->setObjectName("Load");
    Viewer->addTab(Units, "Units");
    Viewer->addTab(Weapons, "Weapons");
    Viewer->addTab(Formations, "Formations");
    Viewer->addTab(Load, "Load");
    buildUnitsPage();
    buildWeaponsPage();
    buildFormationsPage();
    buildLoadPage();
    for (const char* panel : {"UnitPanel", "Panel5", "FormationPanel"})
        FitNumberEdits(findChild<QWidget*>(panel));
    // The features, each reaching the window through the host; their commands stand in the menus
    // in the order they are made.
    host_ = std::make_unique<WindowHost>(*this);
    compare_ = new CompareFeature(*host_);  // its context menus go on the pages' edits
    merge_ = new MergeFeature(*host_);
    table_ = new TableFeature(*host_);
    new ProblemsFeature(*host_);
    new ReferencesFeature(*host_);
    recovery_ = new RecoveryFeature(*host_);

    statusBar()->setObjectName("StatusBar");
    statusBar()->setSizeGripEnabled(false);

    for (LimitedEdit* e : findChildren<LimitedEdit*>())
        connect(e, &LimitedEdit::refused, this, [this](const QString& chars) {
            statusBar()->showMessage("A name holds Latin-1 characters only: \"" + chars + "\" left out");
        });
    connect(Viewer, &QTabWidget::currentChanged, this, &TSDIAppForm::pageChanged);
    // F12 and F9 reach the window before the focused control, wherever the focus is.
    qApp->installEventFilter(this);
    FormCreate();
}

TSDIAppForm::~TSDIAppForm()
{
    qApp->removeEventFilter(this);
    // The undo stack goes with the window's children, after this object has stopped being a
    // main window: its last signals must not reach it.
    disconnect(UndoStack, nullptr, this, nullptr);
    // The features go before the host they reach the window through.
    for (Feature* f : findChildren<Feature*>(Qt::FindDirectChildrenOnly))
        delete f;
}

void TSDIAppForm::buildMenu()
{
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QString& hint, bool enabled) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setStatusTip(hint);
        a->setEnabled(enabled);
        return a;
    };
    menuBar()->setObjectName("SDIAppMenu");
    FileMenu = menuBar()->addMenu("&File");
    FileMenu->setObjectName("FileMenu");
    OpenItem = item(FileMenu, "OpenItem", "&Open...", "Open a file", true);
    SaveAs1 = item(FileMenu, "SaveAs1", "&Save...", "Save current file", true);
    ChangeDirectory1 = item(FileMenu, "ChangeDirectory1", "&Change Directory", "", true);
    FileMenu->addSeparator()->setObjectName("N1");
    WriteCSV1 = item(FileMenu, "WriteCSV1", "&Write CSV...", "Write comma separated data file", false);
    Print1 = item(FileMenu, "Print1", "&Print", "Get Hard Copy", false);
    Renationalise1 = item(FileMenu, "Renationalise1", "&Renationalise",
                          "Renumber units, formations to another nation's ID", true);
    FileMenu->addSeparator()->setObjectName("N2");
    ExitItem = item(FileMenu, "ExitItem", "E&xit", "Exit application", true);
    ExitItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    SaveAs1->setShortcut(QKeySequence::Save);
    SaveAs1->setEnabled(false);  // until a file is loaded

    // Undo and redo of every change to the tables, named after the step.
    UndoStack = new QUndoStack(this);
    // No limit: a step keeps only the entries it changed (a Commit two records, a Paste All of a
    // whole table some tens of kilobytes), and every step back to the loaded file stays undoable.
    UndoStack->setObjectName("UndoStack");
    EditMenu = menuBar()->addMenu("&Edit");
    EditMenu->setObjectName("EditMenu");
    UndoItem = UndoStack->createUndoAction(this);
    UndoItem->setObjectName("UndoItem");
    UndoItem->setShortcuts({QKeySequence::Undo});
    UndoItem->setStatusTip("Take back the last Commit, Paste All or Renumber");
    RedoItem = UndoStack->createRedoAction(this);
    RedoItem->setObjectName("RedoItem");
    RedoItem->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    RedoItem->setStatusTip("Do again what was taken back");
    EditMenu->addAction(UndoItem);
    EditMenu->addAction(RedoItem);
    EditMenu->addSeparator();
    FindItem = item(EditMenu, "FindItem", "&Find...", "Find an entry by part of its number or name", true);
    FindItem->setShortcut(QKeySequence::Find);
    CopyEntryItem = item(EditMenu, "CopyEntryItem", "&Copy to Buffer...", "Copy to Paste Buffer", false);
    CopyEntryItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    PasteEntryItem = item(EditMenu, "PasteEntryItem", "&Paste from Buffer...", "Paste from Buffer", false);
    PasteEntryItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    connect(FindItem, &QAction::triggered, this, [this] {
        if (QLineEdit* filter = pageFilter()) {
            filter->setFocus();
            filter->selectAll();
        }
    });
    connect(CopyEntryItem, &QAction::triggered, this, &TSDIAppForm::CopyButtonClick);
    connect(PasteEntryItem, &QAction::triggered, this, &TSDIAppForm::PasteButtonClick);
    // Undo and redo ask first where they would drop typed edits: the actions go through undoStep.
    disconnect(UndoItem, &QAction::triggered, UndoStack, nullptr);
    disconnect(RedoItem, &QAction::triggered, UndoStack, nullptr);
    connect(UndoItem, &QAction::triggered, this, [this] { undoStep(false); });
    connect(RedoItem, &QAction::triggered, this, [this] { undoStep(true); });

    menuBar()->addMenu("&View")->setObjectName("ViewMenu");  // the features' views
    QMenu* orbtool = menuBar()->addMenu("&Orbtool");
    orbtool->setObjectName("Orbtool1");
    SetDefaults1 = item(orbtool, "SetDefaults1", "Set &Defaults", "", false);
    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("Help1");
    Help2 = item(help, "Help2", "&Help", "", true);
    help->addSeparator()->setObjectName("N3");
    About1 = item(help, "About1", "&About...", "", true);

    connect(OpenItem, &QAction::triggered, this, &TSDIAppForm::OpenItemClick);
    connect(SaveAs1, &QAction::triggered, this, &TSDIAppForm::SaveBtnClick);
    connect(Renationalise1, &QAction::triggered, this, &TSDIAppForm::Renationalise1Click);
    connect(ExitItem, &QAction::triggered, this, &TSDIAppForm::ExitItemClick);
    connect(Help2, &QAction::triggered, this, &TSDIAppForm::HelpBtnClick);
    connect(About1, &QAction::triggered, this, &TSDIAppForm::About1Click);
}

void TSDIAppForm::buildToolBar()
{
    SpeedPanel = new QFrame(this);
    SpeedPanel->setObjectName("SpeedPanel");
    SpeedPanel->setFixedHeight(30);
    SpeedPanel->setFrameShape(QFrame::StyledPanel);
    auto button = [this](const char* name, int left, int width, const QString& hint, const QIcon& icon,
                         const QString& text = QString()) {
        auto* b = new QToolButton(SpeedPanel);
        b->setObjectName(name);
        b->setGeometry(left, 2, width, 25);
        b->setIcon(icon);
        if (!text.isEmpty()) {
            b->setText(text);
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        b->setFocusPolicy(Qt::NoFocus);
        setHint(b, hint);
        b->setEnabled(false);
        return b;
    };
    EraseButton = button("EraseButton", 8, 25, "Cear this form", QIcon());
    CopyButton = button("CopyButton", 48, 25, "Copy to Paste Buffer", QIcon());
    PasteButton = button("PasteButton", 72, 25, "Paste from Buffer", QIcon());
    PrintButton = button("PrintButton", 112, 25, QString(), QIcon());
    Back1Btn = button("Back1Btn", 152, 25, "Right click << 10  [PgUp; Shift+PgUp << 10]", QIcon());
    Fwd1Btn = button("Fwd1Btn", 176, 25, "Right click >> 10  [PgDn; Shift+PgDn >> 10]", QIcon());
    Back1Btn->setAutoRaise(true);
    Fwd1Btn->setAutoRaise(true);
    setToolBarIcons();
    RestoreButton = button("RestoreButton", 224, 70, "Restore to last Commit action [F9]",
                           style()->standardIcon(QStyle::SP_BrowserReload), "Restore");
    CommitButton = button("CommitButton", 304, 70, "Commit your changes [F12]",
                          style()->standardIcon(QStyle::SP_DialogApplyButton), "Commit");

    connect(CopyButton, &QToolButton::clicked, this, &TSDIAppForm::CopyButtonClick);
    connect(PasteButton, &QToolButton::clicked, this, &TSDIAppForm::PasteButtonClick);
    connect(Back1Btn, &QToolButton::clicked, this, &TSDIAppForm::Back1BtnClick);
    connect(Fwd1Btn, &QToolButton::clicked, this, &TSDIAppForm::Fwd1BtnClick);
    connect(RestoreButton, &QToolButton::clicked, this, &TSDIAppForm::RestoreButtonClick);
    connect(CommitButton, &QToolButton::clicked, this, &TSDIAppForm::CommitButtonClick);
    onMouseDown(Back1Btn, [this](Qt::MouseButton b) { Back1BtnMouseDown(b); });
    onMouseDown(Fwd1Btn, [this](Qt::MouseButton b) { Fwd1BtnMouseDown(b); });

    // The tool bar sits under the menu bar, above the pages.
    auto* bar = new QToolBar(this);
    bar->setObjectName("SpeedBar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    bar->addWidget(SpeedPanel);
    SpeedPanel->setMinimumWidth(380);  // the buttons end at 374; the window may shrink to that
    SpeedPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addToolBar(Qt::TopToolBarArea, bar);
}

void TSDIAppForm::FormCreate()
{
    InstallOrbtoolStyle();
    setCaption("Orbtool : Initialising");
    InitPasteBuffers();
    filling_ = true;
    Viewer->setCurrentWidget(Load);
    filling_ = false;
    setCaption("Orbtool : No File Loaded");
    CurrentPage = pcLoad;
    SetButtons(false);
    FileLoaded = false;
    CurrentWeapon = CurrentUnit = CurrentFormation = 1;
    sizeLimit_ = size();
    setMaximumSize(sizeLimit_);
    FileImage = OrbImage{};

#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    ProgramDirectory = ProgramDirectoryOf(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString(), windows);

    // An installed program's folder is not the user's to write: settings may live in the user's
    // own configuration folder.
    const std::string settingsFile =
        windows ? FindSettingsFile(ProgramDirectory, nullptr, nullptr, std::getenv("APPDATA"))
                : FindSettingsFile(ProgramDirectory, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    // Read through a path, not the C library's narrow file names: on Windows those cannot name a
    // folder outside the local code page.
    std::ifstream in(std::filesystem::u8path(settingsFile), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CurrentDirectory = ResolveDefaultDir(IniValue(text, "Orbtool", "DefaultDir", ""), settingsFile);
    if (!CurrentDirectory.empty() && !QDir::setCurrent(QString::fromStdString(CurrentDirectory))) {
        showMessage("Cannot find default directory directory, starting in Orbtool .exe dir");
        CurrentDirectory.clear();
    }

    if (!CurrentDirectory.empty()) {
        setDirectory(QString::fromStdString(CurrentDirectory));
        setCaption("Orbtool : No File Loaded " + QString::fromStdString(CurrentDirectory));
    } else {
        QString cwd = QDir::toNativeSeparators(QDir::currentPath());
        setCaption("Orbtool : No File Loaded " + cwd + ":");
        CurrentDirectory = cwd.toStdString();
        setDirectory(cwd);
    }
    QDir::setCurrent(QString::fromStdString(CurrentDirectory));
    SetList();
}

void TSDIAppForm::SetButtons(bool enabled)
{
    for (QToolButton* b : {Back1Btn, Fwd1Btn, CopyButton, PasteButton, RestoreButton, CommitButton})
        b->setEnabled(enabled);
    CopyEntryItem->setEnabled(enabled);
    PasteEntryItem->setEnabled(enabled);
}

QLineEdit* TSDIAppForm::pageFilter(uint8_t page) const
{
    switch (page) {
    case pcWeapons: return WeaponFilterEdit;
    case pcUnits: return UnitFilterEdit;
    case pcFormations: return FormationFilterEdit;
    default: return nullptr;
    }
}

void TSDIAppForm::bindPickKey(QWidget* edit, std::function<void(bool shift)> pick)
{
    pickerKeys_.emplace_back(edit, std::move(pick));
}

bool TSDIAppForm::windowKey(QWidget* target, int key, Qt::KeyboardModifiers mods)
{
    const bool shift = mods & Qt::ShiftModifier;
    if (table_->owns(target))
        return table_->key(target, key, mods);
    if (key == Qt::Key_F12) {
        CommitButtonClick();
        return false;  // the control keeps the key too: F12 commits and the edit keeps its focus
    }
    if (key == Qt::Key_F9) {
        RestoreButtonClick();
        return false;
    }
    if (key == Qt::Key_F7 && CurrentPage != pcLoad && merge_->conflictsLeft() > 0) {
        merge_->stepToConflict(shift ? -1 : 1);
        return true;
    }
    if (key == Qt::Key_F7 && CurrentPage != pcLoad && compare_->comparing()) {
        compare_->stepToDifference(shift ? -1 : 1);
        return true;
    }
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) && CurrentPage != pcLoad && FileLoaded) {
        stepBy((key == Qt::Key_PageDown ? 1 : -1) * (shift ? 10 : 1));
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (target == OrbListBox) {
            OrbListBoxDblClick();
            return true;
        }
        if (target == UnitListBox || target == wpnlistbox || target == FormationListBox) {
            target == UnitListBox ? UnitListBoxDblClick() : target == wpnlistbox ? wpnlistboxDblClick()
                                                                                 : FormationListBoxDblClick();
            return true;
        }
    }
    if (key == Qt::Key_F4)
        for (const auto& [edit, pick] : pickerKeys_)
            if (edit == target) {
                pick(shift);
                return true;
            }
    return false;
}

void TSDIAppForm::ShowHint(const QString& hint)
{
    statusBar()->showMessage(hint);
}

bool TSDIAppForm::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool TSDIAppForm::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && watched->isWidgetType() && !QApplication::activeModalWidget()) {
        auto* w = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        // A key travels from the focused control up through its parents; act on its first stop only.
        // With the focus in no control of this window, the window itself is the first stop.
        bool first = w == focus || (w == this && (!focus || focus->window() != this));
        if (first && w->window() == this) {
            auto* ke = static_cast<QKeyEvent*>(e);
            if (windowKey(w, ke->key(), ke->modifiers()))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TSDIAppForm::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (tableInFront()) {
        tableSize_ = size();
        return;
    }
    if (sizeLimit_.isValid() && (height() > sizeLimit_.height() || width() > sizeLimit_.width()))
        resize(std::min(width(), sizeLimit_.width()), std::min(height(), sizeLimit_.height()));
}

bool TSDIAppForm::formShown(uint8_t page) const
{
    // A view in the form's place hides the page's list panel and its form.
    QWidget* shown = page == pcUnits ? Units : page == pcWeapons ? Weapons : Formations;
    return !shown->layout()->itemAt(1)->widget()->isHidden();
}

bool TSDIAppForm::tableInFront() const
{
    return CurrentPage != pcLoad && FileLoaded && !formShown(CurrentPage);
}

void TSDIAppForm::applySizeLimit()
{
    // The form pages are laid out for one size; a table shows more the larger the window is, so
    // while one is in front the window may grow, and takes back the size it last had with a table.
    if (!sizeLimit_.isValid())
        return;  // still building
    if (tableInFront()) {
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (tableSize_.isValid() && tableSize_ != size())
            resize(tableSize_);
        return;
    }
    setMaximumSize(sizeLimit_);
}

void TSDIAppForm::showMessage(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? QCoreApplication::applicationName() : title, text,
                    QMessageBox::Ok, isVisible() ? this : nullptr);
    box.setObjectName("MessageBox");
    box.exec();
}

void TSDIAppForm::HelpBtnClick()
{
    showMessage("for this beta, the only help is the readme.txt file");
}

void TSDIAppForm::About1Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TSDIAppForm::ExitItemClick()
{
    close();
}

void TSDIAppForm::setCaption(const QString& text)
{
    setWindowTitle(text + "[*]");
}

void TSDIAppForm::closeEvent(QCloseEvent* e)
{
    if (confirmDrop()) {
        recovery_->dropJournal();  // saved, or dropped by the user's answer
        e->accept();
    }
    else
        e->ignore();
}

void TSDIAppForm::pageChanged(int index)
{
    QWidget* page = Viewer->widget(index);
    if (page == Units)
        UnitsEnter();
    else if (page == Weapons)
        WeaponsEnter();
    else if (page == Formations)
        FormationsEnter();
    else if (page == Load && !filling_)
        LoadEnter();
    emit host_->frontChanged();
    applySizeLimit();
}
