// The buffer selection dialog: the 249 slots of one kind, to copy into or paste from.
#pragma once

#include "core/PasteBuffers.h"

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

class TPasterDlg : public QDialog {
    Q_OBJECT

public:
    // How the dialog closed.
    enum Result { mrCancel = QDialog::Rejected, mrOk = QDialog::Accepted, mrAll = 2 };

    explicit TPasterDlg(QWidget* parent = nullptr);

    uint8_t BufferAction = xaPaste;
    uint8_t BufferKind = xkUnit;
    PasteBufferSlot<UnitRecord>* UnitXfer = nullptr;
    PasteBufferSlot<WeaponRecord>* WeaponXfer = nullptr;
    PasteBufferSlot<FormationRecord>* FormationXfer = nullptr;

    QLabel* LabelStatus = nullptr;
    QFrame* Panel1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* CopyAllBtn = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    // Asked before All pastes the buffers into the table; false leaves the dialog open and the
    // table as it is.
    std::function<bool()> beforePasteAll;

    void SelectUnitBuffer(uint8_t action, PasteBufferSlot<UnitRecord>& xfer);
    void SelectWeaponBuffer(uint8_t action, PasteBufferSlot<WeaponRecord>& xfer);
    void SelectFormationBuffer(uint8_t action, PasteBufferSlot<FormationRecord>& xfer);
    void RefreshBufferList();
    void ClearBufferList();
    void FillBufferList();
    void SetBufferPrompt();
    void OKBtnClick();
    void ListBox1DblClick();
    void CopyAllBtnClick();

protected:
    // Every opening starts in the list, whatever was clicked when the dialog last closed.
    void showEvent(QShowEvent* e) override;
};

// One line of the slot list: number, name column (16 wide), source file and its nation.
QString BufferLine(int n, const std::string& name, bool used, int32_t sourceFile);

extern TPasterDlg* PasterDlg;
