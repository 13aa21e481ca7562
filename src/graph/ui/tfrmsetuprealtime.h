// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvor {

// The dialog before a real-time run: how many records, at which rate, and how long that
// takes. Created for each run; remembers nothing.
class TfrmSetupRealTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupRealTime(QWidget* parent = nullptr);

    // Sets the rate lists without running the period handler.
    void setRateLists(int minutesIndex, int secondsIndex);
    // Recomputes the recording period after the user chose a rate.
    void ComboBox1Change();
    // The period of the count and rate the fields show now.
    void showPeriod();

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* edtRealTimeNo;
    QLabel* Label3;
    QComboBox* ComboBox1;  // minutes, "00".."60"
    QComboBox* ComboBox2;  // seconds, "00".."60"
    QLabel* Label12;
    QLabel* Label4;
    QLineEdit* edtPeriod;
    QLabel* Label5;
    // Open-ended logging: the run goes on past the count, the graph keeps the latest.
    QCheckBox* chkOpenEnded;
    QPushButton* btnOpenSingleSet;  // "Start"
    QPushButton* Button1;           // "Cancel"
};

}  // namespace kelvor
