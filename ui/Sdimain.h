// The main window: menu, tool bar, the Units, Weapons, Formations and Load pages, status bar,
// and the frame the features added beside them stand in (ui/table/, ui/compare/, ui/merge/,
// ui/problems/, ui/references/, ui/recovery/), each reaching it only through the FeatureHost it
// gives them (SdimainHost.cpp). See docs/architecture.md.
// Its methods are spread over several files: Sdimain.cpp (frame, start-up, keys, hints),
// SdimainLoad.cpp (file list, loading, commit/restore/save, navigation), SdimainUnits.cpp,
// SdimainWeapons.cpp, SdimainFormations.cpp (the record pages), SdimainTransfer.cpp
// (copy, paste, renationalise), SdimainGuard.cpp (undo steps and their announcement, typed
// edits, the questions before work is dropped, the modified mark).
#pragma once

#include "core/Globals.h"
#include "core/Tables.h"
#include "data/Fields.h"
#include "ui/Text.h"
#include "ui/shared/FeatureHost.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolButton;
class QFrame;
class QUndoStack;
struct OrbChanges;
struct RenumberResult;
class CompareFeature;
class TableFeature;
class RecoveryFeature;
class MergeFeature;
class WindowHost;

// What a record page shows: the entry number (0: none yet) and that entry as stored when it was
// shown; the page's edits differ from it where the user typed.
template <class R>
struct ShownEntry {
    int number = 0;
    R stored{};
};

class TSDIAppForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TSDIAppForm(QWidget* parent = nullptr);
    ~TSDIAppForm() override;

    // ---- frame ----
    QMenu* FileMenu = nullptr;
    QAction* OpenItem = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* ChangeDirectory1 = nullptr;
    QAction* WriteCSV1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Renationalise1 = nullptr;
    QAction* ExitItem = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* UndoItem = nullptr;
    QAction* RedoItem = nullptr;
    QAction* FindItem = nullptr;       // puts the focus in the page's filter field
    QAction* CopyEntryItem = nullptr;  // the tool bar's Copy and Paste, from the keyboard
    QAction* PasteEntryItem = nullptr;
    QAction* SetDefaults1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;
    QFrame* SpeedPanel = nullptr;
    QToolButton* EraseButton = nullptr;
    QToolButton* CopyButton = nullptr;
    QToolButton* PasteButton = nullptr;
    QToolButton* PrintButton = nullptr;
    QToolButton* Back1Btn = nullptr;
    QToolButton* Fwd1Btn = nullptr;
    QToolButton* RestoreButton = nullptr;
    QToolButton* CommitButton = nullptr;
    QTabWidget* Viewer = nullptr;
    QWidget* Units = nullptr;
    QWidget* Weapons = nullptr;
    QWidget* Formations = nullptr;
    QWidget* Load = nullptr;

    // ---- Load page ----
    QListWidget* OrbListBox = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QPushButton* OpenBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    // ---- record pages ----
    QListWidget* UnitListBox = nullptr;
    QListWidget* wpnlistbox = nullptr;
    QListWidget* FormationListBox = nullptr;
    QLineEdit* UnitFilterEdit = nullptr;  // the filter fields above the entry lists
    QLineEdit* WeaponFilterEdit = nullptr;
    QLineEdit* FormationFilterEdit = nullptr;
    QLabel* UnitNumLabel = nullptr;
    QLabel* UnitClassLabel = nullptr;
    QLabel* UnitNationLabel = nullptr;
    QLabel* UnitMCLabel = nullptr;
    QLabel* UnitWpnNameLbl[4] = {};
    QLabel* WeaponNumberLabel = nullptr;
    QLabel* WeaponClassLabel = nullptr;
    QLabel* FormNamelabel = nullptr;
    QLabel* FormNationLabel = nullptr;
    QLabel* FormCatLabel = nullptr;
    QLabel* FormTypeLabel = nullptr;
    QLabel* FormslotLabel[10] = {};
    QLabel* FormSlotDateLabel[10] = {};  // the member's years
    QLabel* FormSlotKindLabel[10] = {};  // "Unit", "Formation" or nothing
    QLabel* FormTotalsCaption = nullptr;
    QLabel* FormTotalsLabel = nullptr;
    std::vector<FieldEdit<UnitRecord>> unitEdits;
    std::vector<FieldEdit<WeaponRecord>> weaponEdits;
    std::vector<FieldEdit<FormationRecord>> formationEdits;

    // The edit that shows a field of the page, by field name.
    QLineEdit* unitEdit(const char* field) const;
    QLineEdit* weaponEdit(const char* field) const;
    QLineEdit* formationEdit(const char* field) const;

    // ---- operations named after the program's handlers ----
    void FormCreate();
    void SetButtons(bool enabled);
    void ShowHint(const QString& hint);
    void SetList();
    void OrbListBoxDblClick();
    // Opens the data file at path as a double-click on its line would, its folder made the
    // current one; a name that is no data file's is said in a message box.
    void openPath(const QString& path);
    void OpenBtnClick();
    void OpenItemClick();
    void DirectoryListBox1Change();
    void LoadEnter();
    void UnitsEnter();
    void WeaponsEnter();
    void FormationsEnter();
    void UnitlistboxInit(uint8_t select);
    void wpnlistboxInit(uint8_t select);
    void FormationlistboxInit(uint8_t select);
    void Fwd1BtnClick();
    void Back1BtnClick();
    void Fwd1BtnMouseDown(Qt::MouseButton button);
    void Back1BtnMouseDown(Qt::MouseButton button);
    void UnitListBoxDblClick();
    void wpnlistboxDblClick();
    void FormationListBoxDblClick();
    void ShowUnit();
    void SaveUnit();
    void ShowWeapon();
    void SaveWeapon();
    void ShowFormation();
    void SaveFormation();
    void CommitButtonClick();
    void RestoreButtonClick();
    void SaveBtnClick();
    void HelpBtnClick();
    void About1Click();
    void ExitItemClick();
    void InitPasteBuffers();
    void CopyButtonClick();
    void PasteButtonClick();
    void Renationalise1Click();

    // Pickers.
    void UnitGetNationBtnClick();
    void UnitPickUCBtnClick();
    void UnitPickMCBtnClick();
    void UnitWpnPickBtnClick(int slot);  // slot 1..4
    void WpnClassPickbtnClick();
    void FormPickNationBtnClick();
    void FormCatPickBtnClick();
    void FormTypePickBtnClick();
    void FormSlotPickBtnClick(int slot);                              // slot 1..10, left click
    void FormSlotPickBtnMouseDown(int slot, Qt::MouseButton button);  // slot 2..10

    // Whether a record page shows its form (not a view in its place, the table): only then do its
    // edits take the focus.
    bool formShown(uint8_t page) const;

    // ---- keeping work safe ----
    // Every Commit, Paste with All and Renumber, undoable; clean where the file was loaded or saved.
    QUndoStack* UndoStack = nullptr;
    // Saves the loaded file as the Save button does; true when it was written.
    bool saveFile();
    // Before committed work or typed edits would be dropped (closing, loading): asks to save
    // them. True to go on.
    bool confirmDrop();
    // Whether a record page (a page code) holds typed edits: values other than the stored entry
    // it shows. A page keeps them while the user is on another page.
    bool pageTyped(uint8_t page) const;
    // Shows a record page's current entry again where it is not the one the page shows or that
    // entry changed underneath; a page still showing its stored entry keeps what was typed.
    void syncPage(uint8_t page);
    // Before an operation drops typed edits (it changes an entry a page shows with edits of its
    // own): asks to commit them first (where offerCommit), to discard them, or to cancel.
    // after: the tables as the operation would leave them. True to go on.
    bool confirmTypedDrop(const QString& operation, const OrbData& after, bool offerCommit);

    // Shows dir in the directory list (and the drive box); DirectoryListBox1Change then adopts it.
    void setDirectory(const QString& dir);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class WindowHost;
    std::unique_ptr<FeatureHost> host_;  // what the features reach the window through
    CompareFeature* compare_ = nullptr;
    TableFeature* table_ = nullptr;
    RecoveryFeature* recovery_ = nullptr;
    MergeFeature* merge_ = nullptr;
    bool skipDropQuestion_ = false;  // a reload already asked

    void buildMenu();
    void buildToolBar();
    void setToolBarIcons();
    void buildLoadPage();
    void buildUnitsPage();
    void buildWeaponsPage();
    void buildFormationsPage();
    void pageChanged(int index);
    void stepBy(int delta);
    void showMessage(const QString& text, const QString& title = QString());

    // Record pages shown from any record, so that a pasted transfer record shows like a stored one.
    void showUnitRecord(const UnitRecord& u);
    void showWeaponRecord(const WeaponRecord& w);
    void showFormationRecord(const FormationRecord& f);
    void FillXferBufferUnit();
    void FillXferBufferWpn();
    void FillXferBufferFormation();
    void PasteToUnit();
    void PasteToWeapon();
    void PasteToFormation();

    // Records what changed since before as one undoable step named text; the number of entries.
    std::size_t recordStep(const QString& text, const OrbData& before);
    // Pushes changes already made as one undoable step; the number of entries.
    std::size_t pushStep(const QString& text, OrbChanges changes);
    // Every change to the tables, once: the modified mark follows, then every view.
    void announce(const TableChange& change);
    // The lists and the page in front follow a change.
    void followChange(const TableChange& change);
    void renumberDone(const RenumberResult& r);
    // Fits a record list's panel to its widest line after a refill (see the list refills).
    void fitList(QListWidget* list, int widest, bool anew);
    // Sets a list panel's width; returns how much wider the window must be for its page.
    int widenPanel(QWidget* panel, int width);
    // The caption, with the place where the modified mark goes.
    void setCaption(const QString& text);
    // The modified mark: on while the tables differ from the last load or save, and also while
    // committed values exist that the short file loaded cannot hold, since no save writes them.
    void updateModified();
    // Notes the tables as the file on disk now holds them (after a load or a save).
    void noteSaved();
    // Commit of a record page (a page code), as the Commit button does on the page in front.
    void commitPage(uint8_t page);
    // Says what a change stored otherwise than typed; with nothing to say, takes away an earlier
    // such note, which would now speak of values no longer typed.
    void showStoredNote(const QString& note);
    // Undo or redo of one step, asking first where it would drop typed edits.
    void undoStep(bool redo);
    // The labels beside a page's codes, from the codes as the page's edits hold them now.
    void showUnitLabels(const UnitRecord& u);
    void showWeaponLabels(const WeaponRecord& w);
    void showFormationLabels(const FormationRecord& f);
    void typedUnitLabels();
    void typedWeaponLabels();
    void typedFormationLabels();
    // "Unit 017": the entry a record page shows.
    QString shownTitle(uint8_t page) const;
    // Whether after holds another value for the entry a record page shows.
    bool changesShownEntry(uint8_t page, const OrbData& after) const;
    // Forgets what the pages show, so that each shows its entry afresh (after a load).
    void forgetShown();
    ShownEntry<UnitRecord> shownUnit_;
    ShownEntry<WeaponRecord> shownWeapon_;
    ShownEntry<FormationRecord> shownFormation_;

    // The filter field of the page in front, or nullptr on the Load page.
    QLineEdit* pageFilter(uint8_t page) const;
    QLineEdit* pageFilter() const { return pageFilter(CurrentPage); }
    // F4 in edit calls pick (with shift for Shift+F4), as the edit's "..." button would.
    void bindPickKey(QWidget* edit, std::function<void(bool shift)> pick);
    // Handles the window's own keys; true when the key was used.
    bool windowKey(QWidget* target, int key, Qt::KeyboardModifiers mods);

    std::vector<std::pair<QWidget*, std::function<void(bool shift)>>> pickerKeys_;
    QString loadedName_;  // the loaded data file's name as it stands on disk
    QString loadedPath_;  // and its whole path
    // The tables as last loaded or saved, packed as a save writes them: the mark compares with
    // them, so that edits undone by hand (5 to 6, then 6 to 5) leave no mark behind.
    std::vector<uint8_t> savedImage_;
    QString storedNote_;  // the last note of values stored otherwise than typed
    QSize sizeLimit_;
    QSize tableSize_;  // the window's size when a table was last in front
    // Whether the page in front shows its table rather than its form.
    bool tableInFront() const;
    // The form pages' size limit, lifted while a table is in front.
    void applySizeLimit();
    bool filling_ = false;  // set while pages are switched by the program
};

struct RenumberResult;
// "Renumbered 126 units and 71 formations from 05 to 12".
QString RenumberSummary(const RenumberResult& r);
// "Unit 017", "Formation 003": an entry as undo steps name it.
QString EntryTitle(uint8_t page, int number);
