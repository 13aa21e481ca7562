// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/monitorcycle.h"

#include "base/clock.h"
#include "base/eventlog.h"
#include "meter/meterlink.h"

namespace kelvor {

MonitorCycle::MonitorCycle(MeterLink& link, MonitorState& state, LiveReading& reading)
    : m_link(link), m_state(state), m_reading(reading)
{
}

CycleTick MonitorCycle::step()
{
    Clock& clock = m_link.clock();
    CycleTick tick;
    tick.startTick = clock.tickMs();
    countSeconds(clock.now());
    // Read again: this is the time a sample of this tick carries.
    tick.time = clock.now();
    m_tickTime = tick.time;
    m_readingThisTick = false;

    // A tick that has just found the meter does not read yet.
    tick.event = m_state.Connected ? poll(tick.gap) : probe();
    tick.nextMs = m_state.Connected ? kPollIntervalMs : kProbeIntervalMs;
    return tick;
}

void MonitorCycle::countSeconds(const QDateTime& now)
{
    const std::uint16_t second = std::uint16_t(now.time().second());
    if (second != m_state.LastSecond) {
        ++m_state.SecondTicks;
        m_state.LastSecond = second;
    }
}

CycleEvent MonitorCycle::probe()
{
    if (!m_link.ProbeMeter() || !m_link.replyHasModelCode())
        return CycleEvent::ProbeFailed;
    m_state.Connected = true;
    m_state.MissedReads = 0;
    m_gap.reset();
    qCInfo(lcMeter, "meter found");
    return CycleEvent::Found;
}

CycleEvent MonitorCycle::poll(ReadingGap::Change& gap)
{
    if (!m_link.ReadLiveReading()) {
        if (++m_state.MissedReads < kMaxMissedReads)
            return CycleEvent::Missed;
        m_state.Connected = false;
        qCWarning(lcMeter, "meter lost after %d missed readings", m_state.MissedReads);
        m_state.MissedReads = 0;
        return CycleEvent::Lost;
    }
    // The meter answered, so it is there, whatever the reply holds.
    m_state.MissedReads = 0;
    const bool isReading = m_link.replyIsLiveReading();
    gap = m_gap.reply(isReading);
    if (!isReading)
        return CycleEvent::Garbled;  // the previous reading stands
    DecodeLiveReading(m_link.replyBuffer().data(), m_reading);
    m_readingThisTick = true;
    return CycleEvent::Reading;
}

std::optional<CycleSample> MonitorCycle::takeDueSample(int rateSeconds)
{
    if (!m_readingThisTick || m_state.SecondTicks < rateSeconds)
        return std::nullopt;
    CycleSample sample;
    // Two intervals or more since the last sample: at least one due sample could not
    // be taken (the meter was away), and a line must not pretend otherwise. Taking
    // every reading has no interval to miss.
    sample.missedBefore = rateSeconds > 0 && m_state.SecondTicks >= 2 * rateSeconds;
    m_state.SecondTicks = 0;
    m_readingThisTick = false;  // one sample per reading
    sample.time = m_tickTime;
    sample.days = toDays(m_tickTime);
    sample.flags = m_reading.ChannelFlags;
    sample.T = m_reading.T;
    return sample;
}

void MonitorCycle::dueAtNextReading(int rateSeconds) { m_state.SecondTicks = rateSeconds; }

}  // namespace kelvor
