// The renationalise dialog: moves every unit and formation of one nation code to another.
#pragma once

#include <QDialog>

#include "core/Renumber.h"

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TRenatDlg : public QDialog {
    Q_OBJECT

public:
    explicit TRenatDlg(QWidget* parent = nullptr);

    uint8_t RenatFileNumber = 0;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* RenatFromEdit = nullptr;
    QToolButton* UnitWpn1PickBtn = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* RenatToEdit = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // Every Renumber press since init, in order.
    std::vector<RenumberResult> Presses;
    // Asked before each renumbering with its codes; false leaves the tables as they are.
    std::function<bool(uint8_t from, uint8_t to)> beforeRenumber;

    void init(uint8_t n);
    void BitBtn1Click();
    void UnitWpn1PickBtnClick();
    void SpeedButton1Click();

signals:
    // A Renumber press changed OrbData as r says.
    void renumbered(const RenumberResult& r);

protected:
    void showEvent(QShowEvent* e) override;
    // F4 in a code edit opens its pick list, as on the record pages.
    void keyPressEvent(QKeyEvent* e) override;
};

extern TRenatDlg* RenatDlg;
