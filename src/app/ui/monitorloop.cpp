// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/monitorloop.h"

#include "base/eventlog.h"
#include "graph/ui/tfrmgraph.h"
#include "panel/ui/tfrmpanel.h"
#include "program/program.h"

namespace kelvor {

MonitorLoop::MonitorLoop(Program& program, MonitorView& view, QObject* parent)
    : QObject(parent), m_program(program), m_view(view)
{
    m_mainTimer.setObjectName(QStringLiteral("MainTimer"));
    m_mainTimer.setInterval(kProbeIntervalMs);
    m_maxMinTimer.setObjectName(QStringLiteral("MaxMinTimer"));
    m_maxMinTimer.setInterval(500);
    m_recFullTimer.setObjectName(QStringLiteral("RecFullTimer"));
    m_recFullTimer.setInterval(500);
    connect(&m_mainTimer, &QTimer::timeout, this, &MonitorLoop::MainTimerTimer);
    connect(&m_maxMinTimer, &QTimer::timeout, this, &MonitorLoop::MaxMinTimerTimer);
    connect(&m_recFullTimer, &QTimer::timeout, this, &MonitorLoop::RecFullTimerTimer);
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

    const std::uint16_t second = std::uint16_t(m_program.clock.now().time().second());
    if (second != mon.LastSecond) {
        ++m_program.realTime.SecondTicks;
        mon.LastSecond = second;
    }
    const double sampleTime = m_program.clock.nowDays();

    if (!mon.Connected)
        probe();
    else
        poll(sampleTime);

    mon.PollBusy = false;
}

void MonitorLoop::probe()
{
    MeterLink& link = m_program.link;
    if (!link.ProbeMeter() || !link.replyHasModelCode()) {
        m_view.probeFailed(m_program.device->lastOpenProblem());
        return;
    }
    m_program.monitor.Connected = true;
    qCInfo(lcMeter, "meter found");
    m_gap.reset();
    m_mainTimer.setInterval(kPollIntervalMs);
    m_view.meterFound();
}

void MonitorLoop::poll(double sampleTime)
{
    MeterLink& link = m_program.link;
    MonitorState& mon = m_program.monitor;
    if (!link.ReadLiveReading()) {
        if (++mon.MissedReads >= kMaxMissedReads)
            connectionLost();
        return;
    }
    ++m_goodReads;
    mon.MissedReads = 0;
    const ReadingGap::Change gap = m_gap.reply(link.replyIsLiveReading());
    if (gap == ReadingGap::Change::Stopped)
        m_view.readingsStopped();
    else if (gap == ReadingGap::Change::Resumed)
        m_view.readingsResumed();
    if (!link.replyIsLiveReading())
        return;  // garbled: keep the previous reading, and it is not a miss either

    LiveReading& live = m_program.live;
    DecodeLiveReading(link.replyBuffer().data(), live);
    setTimerEnabled(m_maxMinTimer, live.MaxMinBlink);
    setTimerEnabled(m_recFullTimer, live.RecFullBlink);
    if (m_program.panel)
        m_program.panel->RedrawPanel(live);

    RealTimeState& rt = m_program.realTime;
    if (rt.Running && rt.SecondTicks >= rt.RateSeconds) {
        // Two intervals or more since the last sample: at least one due sample could not
        // be taken (the meter was away), and the line must not pretend otherwise.
        if (rt.SecondTicks >= 2 * rt.RateSeconds)
            rt.SampleMissed = true;
        rt.SecondTicks = 0;
        // --- real-time run hand-over ---
        if (m_program.graph.RealTimeGraph && m_program.appendRealTimeSample) {
            m_program.appendRealTimeSample(live.ChannelFlags, sampleTime, live.T[0], live.T[1], live.T[2], live.T[3]);
            rt.Unsaved = true;
        }
    }
}

void MonitorLoop::connectionLost()
{
    MonitorState& mon = m_program.monitor;
    m_recFullTimer.stop();
    mon.Connected = false;
    qCWarning(lcMeter, "meter lost after %d missed readings", mon.MissedReads);
    mon.MissedReads = 0;
    m_mainTimer.setInterval(kProbeIntervalMs);
    m_view.meterLost();
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
    if (m_program.panel)
        m_program.panel->setMaxMinVisible(m_maxMinPhase);
    m_blinkBusy = false;
}

void MonitorLoop::RecFullTimerTimer()
{
    m_recFullPhase = !m_recFullPhase;
    if (m_program.panel)
        m_program.panel->setRecFullVisible(m_recFullPhase);
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
