// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/monitorloop.h"

#include <algorithm>

#include "panel/ui/tfrmpanel.h"
#include "program/program.h"

namespace kelvor {

MonitorLoop::MonitorLoop(Program& program, MonitorView& view, QObject* parent)
    : QObject(parent), m_program(program), m_view(view), m_cycle(program.link, program.monitor, program.live)
{
    m_mainTimer.setObjectName(QStringLiteral("MainTimer"));
    m_mainTimer.setInterval(int(kProbeIntervalMs));
    m_maxMinTimer.setObjectName(QStringLiteral("MaxMinTimer"));
    m_maxMinTimer.setInterval(500);
    m_recFullTimer.setObjectName(QStringLiteral("RecFullTimer"));
    m_recFullTimer.setInterval(500);
    connect(&m_mainTimer, &QTimer::timeout, this, &MonitorLoop::MainTimerTimer);
    connect(&m_maxMinTimer, &QTimer::timeout, this, &MonitorLoop::MaxMinTimerTimer);
    connect(&m_recFullTimer, &QTimer::timeout, this, &MonitorLoop::RecFullTimerTimer);
    for (const auto& other : m_program.otherMeters)
        m_others.push_back(std::make_unique<MonitorCycle>(other->link, other->monitor, other->live));
    m_program.monitorLoop.install(this);
}

MonitorLoop::~MonitorLoop()
{
    if (m_program.monitorLoop.loop() == this)
        m_program.monitorLoop.install(nullptr);
}

void MonitorLoop::MainTimerTimer()
{
    MonitorState& mon = m_program.monitor;
    if (mon.PollBusy)
        return;  // a sender processed events inside a tick; never run two at once
    if (m_pauses > 0 || m_program.link.busy())
        return;  // a tick already queued when a sender took the link
    mon.PollBusy = true;

    const CycleTick tick = m_cycle.step();
    switch (tick.event) {
        case CycleEvent::ProbeFailed:
            m_view.probeFailed(m_program.device->lastOpenProblem());
            break;
        case CycleEvent::Found:
            m_mainTimer.setInterval(int(kPollIntervalMs));
            m_view.meterFound();
            m_program.publishMeter();
            break;
        case CycleEvent::Reading:
        case CycleEvent::Garbled:
            ++m_goodReads;
            if (tick.gap == ReadingGap::Change::Stopped)
                m_view.readingsStopped();
            else if (tick.gap == ReadingGap::Change::Resumed)
                m_view.readingsResumed();
            if (tick.event == CycleEvent::Reading) {
                showReading();
                m_program.publishLive(toDays(tick.time));
            }
            break;
        case CycleEvent::Missed:
            break;
        case CycleEvent::Lost:
            m_recFullTimer.stop();
            m_mainTimer.setInterval(int(kProbeIntervalMs));
            m_view.meterLost();
            break;
    }
    stepOthers();

    // The browser view hears of the tick after the panel and the run took it.
    m_program.web.tell(0, tick, m_program.live);
    mon.PollBusy = false;
}

void MonitorLoop::showReading()
{
    if (m_view.panelMeter() == 0)
        showOnPanel(m_program.live);

    // The session takes the reading when a sample is due; its observers take it from there.
    // With several meters in the run the row is taken once all of them have ticked.
    if (m_program.runMeters.empty())
        m_program.session.takeDueSample(0, m_cycle);
}

void MonitorLoop::showOnPanel(const LiveReading& live)
{
    setTimerEnabled(m_maxMinTimer, live.MaxMinBlink);
    setTimerEnabled(m_recFullTimer, live.RecFullBlink);
    if (TfrmPanel* panel = m_view.panel())
        panel->RedrawPanel(live);
}

void MonitorLoop::stepOthers()
{
    // A meter the Meters dialog added is read from the next tick on.
    for (std::size_t i = m_others.size(); i < m_program.otherMeters.size(); ++i) {
        OtherMeter& other = *m_program.otherMeters[i];
        m_others.push_back(std::make_unique<MonitorCycle>(other.link, other.monitor, other.live));
    }
    if (m_others.empty())
        return;
    std::vector<CycleTick> ticks;
    for (std::size_t i = 0; i < m_others.size(); ++i) {
        const CycleTick tick = m_others[i]->step();
        if (tick.event == CycleEvent::Found || tick.event == CycleEvent::Lost)
            m_view.otherMeterChanged(i);
        ticks.push_back(tick);
        if (tick.event == CycleEvent::Reading && m_view.panelMeter() == i + 1)
            showOnPanel(m_program.otherMeters[i]->live);
    }
    // The first meter's pace while it is away would leave the others read twice a second.
    m_mainTimer.setInterval(int(kPollIntervalMs));
    if (!m_program.runMeters.empty()) {
        // Only the meters chosen for the run make its rows; the others are watched all the same.
        std::vector<MonitorCycle*> all{&m_cycle};
        for (const std::size_t i : m_program.runMeters)
            if (i < m_others.size())
                all.push_back(m_others[i].get());
        m_program.session.takeDueRow(all);
    }
    // The browser view numbers the meters as the run does: a meter left out of it is not told.
    const std::vector<std::size_t>& run = m_program.runMeters;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const auto at = std::find(run.begin(), run.end(), i);
        if (!run.empty() && at == run.end())
            continue;
        const int index = run.empty() ? int(i + 1) : int(at - run.begin()) + 1;
        m_program.web.tell(index, ticks[i], m_program.otherMeters[i]->live);
    }
}

void MonitorLoop::setTimerEnabled(QTimer& timer, bool on)
{
    // Enabling a running timer must not restart its period, or a blink would stall.
    if (on && !timer.isActive())
        timer.start();
    else if (!on && timer.isActive())
        timer.stop();
}

void MonitorLoop::MaxMinTimerTimer()
{
    m_blinkBusy = true;
    m_maxMinPhase = !m_maxMinPhase;
    if (TfrmPanel* panel = m_view.panel())
        panel->setMaxMinVisible(m_maxMinPhase);
    m_blinkBusy = false;
}

void MonitorLoop::RecFullTimerTimer()
{
    m_recFullPhase = !m_recFullPhase;
    if (TfrmPanel* panel = m_view.panel())
        panel->setRecFullVisible(m_recFullPhase);
}

void MonitorLoop::PauseMonitor()
{
    // Everything runs on the GUI thread, so a tick in progress is lower on this very
    // stack (a handler reached through processed events): waiting for it would never
    // end. Stopping the timer is all there is to do.
    if (m_pauses++ == 0)
        m_runAfterPause = m_mainTimer.isActive();
    m_mainTimer.stop();
}

void MonitorLoop::ResumeMonitor()
{
    if (m_pauses == 0)
        return;  // nothing to end: a resume without its pause changes nothing
    if (--m_pauses == 0 && m_runAfterPause)
        m_mainTimer.start();
}

void MonitorLoop::restart()
{
    if (m_pauses == 0)
        m_mainTimer.start();
}

}  // namespace kelvor
