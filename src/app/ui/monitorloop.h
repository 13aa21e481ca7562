// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "meter/monitorcycle.h"
#include "program/program.h"

namespace kelvor {

class TfrmPanel;

// The status text while the meter answers with replies that cannot be read.
inline constexpr const char* kReadingsStoppedText = "No readings: the meter's replies cannot be read";

// What the monitor loop changes on screen when the meter comes and goes.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    virtual void meterFound() = 0;  // status text, commands, the panel's label
    virtual void meterLost() = 0;
    // A probe failed; `why` is the device's own explanation (may be empty).
    virtual void probeFailed(const QString& why) = 0;
    // The meter answers but its replies carry no reading (garbled), and the first
    // reading after such a stretch.
    virtual void readingsStopped() = 0;
    virtual void readingsResumed() = 0;
    // A meter read beside the first (index into Program::otherMeters) was found or lost.
    virtual void otherMeterChanged(std::size_t) {}
    // The front panel the readings and blinks go to; null while none is open.
    virtual TfrmPanel* panel() const = 0;
    // The meter the panel follows: 0 the default, i the other meter i - 1.
    virtual std::size_t panelMeter() const { return 0; }
};

// Runs the monitor cycle on the main window's MainTimer and feeds the panel and the
// real-time run. Owns the three timers of the main window: MainTimer and the two
// blink timers.
class MonitorLoop : public QObject, public MonitorHook {
    Q_OBJECT
public:
    MonitorLoop(Program& program, MonitorView& view, QObject* parent = nullptr);
    ~MonitorLoop() override;

    QTimer& mainTimer() { return m_mainTimer; }
    QTimer& maxMinTimer() { return m_maxMinTimer; }
    QTimer& recFullTimer() { return m_recFullTimer; }

    // Successful live reads so far (the count the old hidden diagnostic label showed).
    int goodReads() const { return m_goodReads; }
    bool maxMinPhase() const { return m_maxMinPhase; }
    bool recFullPhase() const { return m_recFullPhase; }
    bool blinkBusy() const { return m_blinkBusy; }

    void pause() override { PauseMonitor(); }
    void resume() override { ResumeMonitor(); }
    void restart() override;
    // Pauses held now (each MonitorPause, each sender's own pause).
    int pauses() const { return m_pauses; }

public slots:
    void MainTimerTimer();
    void MaxMinTimerTimer();
    void RecFullTimerTimer();
    // Stops the loop for another sender's exchange. Never waits for a tick lower on
    // this thread's stack (it could not finish until we return). Pauses nest: the
    // resume that ends the outermost one restores the timer as it found it.
    void PauseMonitor();
    void ResumeMonitor();

private:
    // Passes a valid reading on: the blink timers, the panel, and a due sample to the run.
    void showReading();
    // The blink timers and the panel take a reading of the meter the panel follows.
    void showOnPanel(const LiveReading& live);
    void setTimerEnabled(QTimer& timer, bool on);
    // The meters beside the first: one tick each, then the row the session takes of all.
    void stepOthers();

    Program& m_program;
    MonitorView& m_view;
    QTimer m_mainTimer;
    QTimer m_maxMinTimer;
    QTimer m_recFullTimer;
    MonitorCycle m_cycle;
    std::vector<std::unique_ptr<MonitorCycle>> m_others;
    int m_goodReads = 0;
    bool m_maxMinPhase = false;
    bool m_recFullPhase = false;
    bool m_blinkBusy = false;
    int m_pauses = 0;
    bool m_runAfterPause = false;  // MainTimer was running when the outermost pause began
};

}  // namespace kelvor
