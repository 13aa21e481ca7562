// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/recordingsession.h"

#include <QDateTime>
#include <algorithm>
#include <utility>

#include "base/clock.h"
#include "base/eventlog.h"
#include "graph/realtimerun.h"

namespace kelvor {

RecordingSession::RecordingSession(Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_sources.push_back({});
}

RecordingSession::~RecordingSession() = default;

int RecordingSession::addSource(const SessionSource& source)
{
    m_sources.push_back(source);
    return int(m_sources.size()) - 1;
}

void RecordingSession::setSource(int index, const SessionSource& source)
{
    if (index >= 0 && index < int(m_sources.size()))
        m_sources[std::size_t(index)] = source;
}

void RecordingSession::start(const SessionSettings& settings)
{
    if (recording())
        stop();
    m_settings = settings;
    m_settings.rateSeconds = std::max(0, settings.rateSeconds);
    m_settings.recordCount = std::max(0, settings.recordCount);
    m_samples.clear();
    m_statistics = {};
    m_events.clear();
    m_annotations.clear();
    m_alarms.reset();
    m_firstDue = settings.sampleFirstReading;
    m_startTime = m_clock.nowDays();
    m_endTime = 0.0;
    m_state = SessionState::Recording;
    qCInfo(lcSession, "run started: every %d s, %s", m_settings.rateSeconds,
           m_settings.openEnded ? "open-ended" : qPrintable(QString::number(m_settings.recordCount) + " samples"));
    emit stateChanged(m_state);
}

void RecordingSession::stop()
{
    if (!recording())
        return;
    emit aboutToEnd();
    m_endTime = m_clock.nowDays();
    m_state = SessionState::Ended;
    qCInfo(lcSession, "run ended after %lld samples", qlonglong(sampleCount()));
    emit stateChanged(m_state);
}

void RecordingSession::clear()
{
    stop();
    m_samples.clear();
    m_statistics = {};
    m_events.clear();
    m_alarms.reset();
    m_state = SessionState::Idle;
    emit cleared();
    emit stateChanged(m_state);
}

void RecordingSession::setRateSeconds(int seconds)
{
    if (!recording())
        m_settings.rateSeconds = std::max(0, seconds);
}

bool RecordingSession::takeDueSample(int source, MonitorCycle& cycle)
{
    if (!recording())
        return false;
    if (std::exchange(m_firstDue, false))
        cycle.dueAtNextReading(m_settings.rateSeconds);
    const std::optional<CycleSample> sample = cycle.takeDueSample(m_settings.rateSeconds);
    if (!sample)
        return false;
    takeSample(source, *sample);
    return true;
}

void RecordingSession::takeSample(int source, const CycleSample& sample)
{
    if (!recording())
        return;
    const SessionSample s{sample.days, sample.flags, sample.T, source, sample.missedBefore && sampleCount() > 0};
    if (m_settings.keepSamples)
        m_samples.push_back(s);

    const RecordingStatistics before = m_statistics;
    m_statistics.add(s.journal());
    std::uint8_t moved = 0;
    std::array<float, 4> stored{};
    for (int c = 0; c < 4; ++c) {
        const auto& now = m_statistics.channels[std::size_t(c)];
        const auto& was = before.channels[std::size_t(c)];
        if (now.maximum != was.maximum)
            moved |= std::uint8_t(1u << c);
        if (now.minimum != was.minimum)
            moved |= std::uint8_t(1u << (c + 4));
        stored[std::size_t(c)] = SampleValue(s.flags, c, s.t[std::size_t(c)]);
    }

    std::vector<ChartAlarmEvent> events;
    m_alarms.feed(s.time, stored, events);
    emit sampleAdded(s, moved);
    for (const ChartAlarmEvent& e : events) {
        m_events.push_back(e);
        emit alarmEvent(e);
    }
    if (!m_settings.openEnded && m_settings.recordCount > 0 && sampleCount() >= m_settings.recordCount)
        stop();
}

void RecordingSession::setAlarmLimits(const AlarmLimits& limits) { m_alarms.setLimits(limits); }

QString RecordingSession::maximumText(int channel) const
{
    const auto& ch = m_statistics.channels[std::size_t(channel)];
    return sampleCount() == 0 ? QString() : ExtremeText(ch.maximumFlags, channel, ch.maximum, ch.maximumTime);
}

QString RecordingSession::minimumText(int channel) const
{
    const auto& ch = m_statistics.channels[std::size_t(channel)];
    return sampleCount() == 0 ? QString() : ExtremeText(ch.minimumFlags, channel, ch.minimum, ch.minimumTime);
}

QString RecordingSession::averageText(int channel) const
{
    const auto& ch = m_statistics.channels[std::size_t(channel)];
    return AverageText(ch.sum, ch.averaged);
}

}  // namespace kelvor
