// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "program/meteraccess.h"

class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;

namespace kelvor {

// "Data Logger Setup": meter clock, recording interval, erase, default settings,
// the meter's information, the calibration values and single EEPROM bytes. Each
// button runs its command with the monitor loop paused and reports in the label
// beside it.
class TfrmSetup : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSetup(MeterAccess meter, QWidget* parent = nullptr);
    ~TfrmSetup() override;

    // Creates the window in `area`, centred, and shows it.
    static TfrmSetup* open(MeterAccess meter, QMdiArea& area);

    bool busy() const { return m_busy; }

signals:
    void closed();

public slots:
    void Button1Click();  // Adjust Meter Time To Computer Time
    void Button2Click();  // Adjust Meter Recording Interval
    void Button3Click();  // Erase Meter Memory
    void Button4Click();  // Read information
    void Button5Click();  // setup Other
    void Button6Click();  // Setup All
    void Button7Click();  // Read adjust values
    void Button8Click();  // Write EEProm
    void Button9Click();  // Read EEProm

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QLabel* resultLabel(const char* name);
    QLineEdit* edit(const char* name, const QString& text);
    QPushButton* button(const char* name, const QString& caption, void (TfrmSetup::*slot)());

    // The common run: pause (before or after the first wait), clear the label, wait
    // 500 ms, hourglass, the command, the result, resume.
    int runCommand(QLabel* label, bool pauseAfterWait, const std::function<int()>& command);
    void clearResult(QLabel* label);
    void showResult(QLabel* label, int code, bool withCode);

    void adjustMeterTime();
    void adjustRecordingInterval();
    void eraseMeterMemory();
    // Erasing cannot be undone: Yes/No first, naming the data sets the meter last
    // reported when an information read told them.
    bool confirmErase();
    void confirmedErase();
    void setupOther();
    void readMeterInformation();
    void setupAll();
    void readAdjustValues();
    void writeEEProm();
    void readEEProm();

    // Runs a handler unless another is still in its waits (they process events, so a
    // click could start a second one on the same buffers).
    void guarded(void (TfrmSetup::*handler)());

    MeterAccess m_meter;
    bool m_busy = false;
    bool m_closePending = false;
    std::optional<int> m_dataSets;  // from the last information read or erase
};

}  // namespace kelvor
