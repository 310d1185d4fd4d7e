// The pick list dialog: every value of one kind of code or entry number as a numbered line.
#pragma once

#include <QDialog>

#include <QString>

#include <cstdint>

class QFrame;
class QListWidget;
class QPushButton;

enum PickMode : uint8_t {
    pmUnit = 0,
    pmFormation = 1,
    pmMovementClass = 2,
    pmFormationType = 3,
    pmNationality = 4,
    pmUnitClass = 5,
    pmUnitWeapon = 6,
    pmWeaponClass = 7,
    pmPurchasePage = 8,
};

class TPickForm : public QDialog {
    Q_OBJECT

public:
    explicit TPickForm(QWidget* parent = nullptr);

    QPushButton* OKBtn = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QFrame* Panel1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    uint8_t PickMode = 0;
    int32_t PickResult = -1;

    // Runs the dialog; the picked code or entry number, -2 when cancelled, -1 when nothing was selected.
    // current: the code the caller's edit holds, whose line is selected at opening (line 0 when
    // it has none).
    int32_t ShowPickList(uint8_t mode, int32_t current = 0);
    void FillPickList();
    void GetPickedCode();
    void ListBox1DblClick();
    void OKBtnClick();

protected:
    // Every opening starts in the list, whatever was clicked when the dialog last closed.
    void showEvent(QShowEvent* e) override;
    // Letters typed in the list jump to the next line whose name starts with them.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QString typed_;
    qint64 typedAt_ = 0;
};

extern TPickForm* PickForm;
