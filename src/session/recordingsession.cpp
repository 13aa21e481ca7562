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

void RecordingSession::setSources(std::vector<SessionSource> sources)
{
    if (sources.empty())
        sources.push_back({});
    if (sources.size() > std::size_t(kMaxSessionSources))
        sources.resize(std::size_t(kMaxSessionSources));
    m_sources = std::move(sources);
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
    resetRun();
    m_annotations.clear();
    m_firstDue = settings.sampleFirstReading;
    m_startTime = m_clock.nowDays();
    m_endTime = 0.0;
    m_state = SessionState::Recording;
    qCInfo(lcSession, "run started: every %d s, %s", m_settings.rateSeconds,
           m_settings.openEnded ? "open-ended" : qPrintable(QString::number(m_settings.recordCount) + " samples"));
    emit stateChanged(m_state);
}

void RecordingSession::resetRun()
{
    m_samples.clear();
    m_rows.clear();
    m_taken = 0;
    m_statistics.assign(std::max<std::size_t>(1, m_sources.size()), RecordingStatistics{});
    m_lastPresent.clear();
    m_events.clear();
    m_alarms.reset();
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
    resetRun();
    m_state = SessionState::Idle;
    emit cleared();
    emit stateChanged(m_state);
}

void RecordingSession::setRateSeconds(int seconds)
{
    if (!recording())
        m_settings.rateSeconds = std::max(0, seconds);
}

bool RecordingSession::takeDueSample(int source, SampleSource& cycle)
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
    SessionRow row;
    row.time = sample.days;
    row.at = sample.time;
    row.afterMiss = sample.missedBefore && m_taken > 0;
    row.meters.push_back({true, sample.flags, sample.T, row.afterMiss});
    takeRow(std::move(row), source);
}

bool RecordingSession::takeDueRow(const std::vector<SampleSource*>& cycles)
{
    if (cycles.size() == 1)
        return takeDueSample(0, *cycles.front());
    if (!recording() || cycles.empty())
        return false;
    if (std::exchange(m_firstDue, false))
        for (SampleSource* c : cycles)
            c->dueAtNextReading(m_settings.rateSeconds);
    // One time base for all: the meters are read in the same tick, so their counts run
    // together; the one that counted longest (it may have been away) says whether the row
    // is due.
    int counted = 0;
    bool anyReading = false;
    QDateTime at;
    for (SampleSource* c : cycles) {
        counted = std::max(counted, c->secondsCounted());
        if (c->hasReading()) {
            anyReading = true;
            if (!at.isValid() || c->tickTime() < at)
                at = c->tickTime();
        }
    }
    if (!anyReading || counted < m_settings.rateSeconds)
        return false;

    SessionRow row;
    row.at = at;
    row.time = toDays(at);
    row.afterMiss = m_settings.rateSeconds > 0 && counted >= 2 * m_settings.rateSeconds && m_taken > 0;
    m_lastPresent.resize(cycles.size(), true);
    for (std::size_t i = 0; i < cycles.size(); ++i) {
        SessionMeterReading m;
        if (const std::optional<CycleSample> sample = cycles[i]->takeDueSample(0)) {
            m.present = true;
            m.flags = sample->flags;
            m.t = sample->T;
            m.afterGap = m_taken > 0 && (row.afterMiss || !m_lastPresent[i]);
        }
        cycles[i]->restartCount();
        m_lastPresent[i] = m.present;
        row.meters.push_back(m);
    }
    takeRow(std::move(row), 0);
    return true;
}

void RecordingSession::takeRow(SessionRow row, int sourceOfFirst)
{
    ++m_taken;
    if (m_statistics.size() < row.meters.size())
        m_statistics.resize(row.meters.size());
    for (std::size_t i = 1; i < row.meters.size(); ++i)
        if (row.meters[i].present)
            m_statistics[i].add(row.meters[i].journal(row.time));

    std::vector<ChartAlarmEvent> events;
    if (const SessionMeterReading& first = row.meters.front(); first.present) {
        const SessionSample s{row.time, first.flags, first.t, sourceOfFirst, first.afterGap};
        if (m_settings.keepSamples)
            m_samples.push_back(s);
        const std::uint8_t moved = addToStatistics(s);
        std::array<float, 4> stored{};
        for (int c = 0; c < 4; ++c)
            stored[std::size_t(c)] = SampleValue(s.flags, c, s.t[std::size_t(c)]);
        m_alarms.feed(s.time, stored, events);
        emit sampleAdded(s, moved);
    }
    if (m_settings.keepSamples && row.meters.size() > 1)
        m_rows.push_back(row);
    emit rowAdded(row);
    for (const ChartAlarmEvent& e : events) {
        m_events.push_back(e);
        emit alarmEvent(e);
    }
    if (!m_settings.openEnded && m_settings.recordCount > 0 && sampleCount() >= m_settings.recordCount)
        stop();
}

std::uint8_t RecordingSession::addToStatistics(const SessionSample& s)
{
    RecordingStatistics& statistics = m_statistics.front();
    const RecordingStatistics before = statistics;
    statistics.add(s.journal());
    std::uint8_t moved = 0;
    for (int c = 0; c < 4; ++c) {
        const auto& now = statistics.channels[std::size_t(c)];
        const auto& was = before.channels[std::size_t(c)];
        if (now.maximum != was.maximum)
            moved |= std::uint8_t(1u << c);
        if (now.minimum != was.minimum)
            moved |= std::uint8_t(1u << (c + 4));
    }
    return moved;
}

const RecordingStatistics& RecordingSession::statistics(int source) const
{
    return source > 0 && source < int(m_statistics.size()) ? m_statistics[std::size_t(source)] : m_statistics.front();
}

void RecordingSession::setAlarmLimits(const AlarmLimits& limits) { m_alarms.setLimits(limits); }

QString RecordingSession::maximumText(int channel, int source) const
{
    const RecordingStatistics& of = statistics(source);
    const auto& ch = of.channels[std::size_t(channel)];
    return of.samples == 0 ? QString() : ExtremeText(ch.maximumFlags, channel, ch.maximum, ch.maximumTime);
}

QString RecordingSession::minimumText(int channel, int source) const
{
    const RecordingStatistics& of = statistics(source);
    const auto& ch = of.channels[std::size_t(channel)];
    return of.samples == 0 ? QString() : ExtremeText(ch.minimumFlags, channel, ch.minimum, ch.minimumTime);
}

QString RecordingSession::averageText(int channel, int source) const
{
    const auto& ch = statistics(source).channels[std::size_t(channel)];
    return AverageText(ch.sum, ch.averaged);
}

}  // namespace kelvor
