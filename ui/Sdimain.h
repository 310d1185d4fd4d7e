// The main window: menu, tool bar, the Units, Weapons, Formations and Load pages, status bar.
// Its methods are spread over several files: Sdimain.cpp (frame, start-up, keys, hints),
// SdimainLoad.cpp (file list, loading, commit/restore/save, navigation), SdimainUnits.cpp,
// SdimainWeapons.cpp, SdimainFormations.cpp (the record pages), SdimainTransfer.cpp
// (copy, paste, renationalise).
#pragma once

#include "core/Globals.h"
#include "data/Fields.h"

#include <QMainWindow>

#include <functional>
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

// One edit of a record page tied to one record field; Show, Save, Copy and Paste walk these.
template <class R>
struct FieldEdit {
    const FieldDef<R>* field;
    QLineEdit* edit;
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

    // ---- keeping work safe ----
    // Every Commit, Paste with All and Renumber, undoable; clean where the file was loaded or saved.
    QUndoStack* UndoStack = nullptr;
    // Saves the loaded file as the Save button does; true when it was written.
    bool saveFile();
    // Before committed work would be dropped (closing, loading): asks to save it. True to go on.
    // When closing, uncommitted edits on the page in front count too.
    bool confirmDrop(bool closing);
    // Whether the page in front shows something other than the stored entry.
    bool pageHasUncommittedEdits() const;

    // Shows dir in the directory list (and the drive box); DirectoryListBox1Change then adopts it.
    void setDirectory(const QString& dir);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildMenu();
    void buildToolBar();
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
    void showChanges(const OrbChanges& changes);
    void renumberDone(const RenumberResult& r);
    // The caption, with the place where the modified mark goes.
    void setCaption(const QString& text);

    // The filter field of the page in front, or nullptr on the Load page.
    QLineEdit* pageFilter() const;
    // F4 in edit calls pick (with shift for Shift+F4), as the edit's "..." button would.
    void bindPickKey(QWidget* edit, std::function<void(bool shift)> pick);
    // Handles the window's own keys; true when the key was used.
    bool windowKey(QWidget* target, int key, Qt::KeyboardModifiers mods);

    std::vector<std::pair<QWidget*, std::function<void(bool shift)>>> pickerKeys_;
    QString loadedName_;  // the loaded data file's name as it stands on disk
    QSize sizeLimit_;
    bool filling_ = false;  // set while pages are switched by the program
};

// Text of a name or other byte string, one character per byte, and back.
QString toQ(const std::string& bytes);
std::string fromQ(const QString& text);
// An entry's number as three digits: 007, 042, 249.
QString threeDigits(int n);
struct RenumberResult;
// "Renumbered 126 units and 71 formations from 05 to 12".
QString RenumberSummary(const RenumberResult& r);
// "Unit 017", "Formation 003": an entry as undo steps name it.
QString EntryTitle(uint8_t page, int number);
