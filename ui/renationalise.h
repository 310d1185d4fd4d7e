// The renationalise dialog: moves every unit and formation of one nation code to another.
#pragma once

#include <QDialog>

#include <cstdint>

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

    void init(uint8_t n);
    void BitBtn1Click();
    void UnitWpn1PickBtnClick();
    void SpeedButton1Click();

protected:
    void showEvent(QShowEvent* e) override;
};

// Gives every unit and formation of nation `from` the nation `to`; returns how many changed.
int Renumber(uint8_t from, uint8_t to);

extern TRenatDlg* RenatDlg;
