// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/sessionjournal.h"

#include "library/runjournal.h"
#include "session/recordingsession.h"

namespace kelvor {

JournalSample JournalFirst(const SessionRow& row)
{
    if (row.meters.empty() || !row.meters.front().present)
        return MeterGap(row.time);
    return row.meters.front().journal(row.time);
}

JournalRowRest JournalRest(const SessionRow& row)
{
    JournalRowRest rest;
    for (std::size_t m = 0; m < row.meters.size() && m < std::size_t(kMaxRecordingMeters); ++m) {
        const SessionMeterReading& r = row.meters[m];
        if (!r.present)
            rest.absent |= std::uint8_t(1u << m);
        if (m > 0)
            rest.others.push_back(r.present ? r.journal(row.time) : MeterGap(row.time));
    }
    return rest;
}

SessionJournal::SessionJournal(RecordingSession& session, LibraryAccess& library, QObject* parent)
    : QObject(parent), m_session(session), m_journal(std::make_unique<RunJournal>(library))
{
    connect(&session, &RecordingSession::stateChanged, this, [this](SessionState state) {
        if (state == SessionState::Recording)
            runStarted();
        else
            runEnded();
    });
    connect(&session, &RecordingSession::sampleAdded, this, [this](const SessionSample& s, std::uint8_t) {
        if (!m_journal->active() || m_rows)
            return;
        tell(m_journal->append(s.journal()));
        if (const auto status = m_journal->takeStatusChange())
            emit libraryStatus(*status);
    });
    // A run of several meters keeps every row, the first meter's gaps too.
    connect(&session, &RecordingSession::rowAdded, this, [this](const SessionRow& row) {
        if (!m_journal->active() || !m_rows)
            return;
        tell(m_journal->appendRow(JournalFirst(row), JournalRest(row)));
        if (const auto status = m_journal->takeStatusChange())
            emit libraryStatus(*status);
    });
    connect(&session, &RecordingSession::alarmEvent, this, [this](const ChartAlarmEvent& e) {
        if (m_journal->active())
            tell(m_journal->alarmEvent(e));
    });
}

SessionJournal::~SessionJournal() = default;

void SessionJournal::runStarted()
{
    if (m_journal->active())
        runEnded();
    const SessionSettings& settings = m_session.settings();
    const SessionSource& meter = m_session.sources().front();
    RecordingHeader h;
    h.started = m_session.startTime();
    h.rateSeconds = settings.rateSeconds;
    h.recordCount = settings.recordCount;
    h.openEnded = settings.openEnded;
    h.meterModel = meter.model;
    h.meterSerial = meter.serial;
    h.name = settings.name;
    h.source = settings.origin;
    m_rows = m_session.sources().size() > 1;
    if (m_rows)
        for (const SessionSource& s : m_session.sources())
            h.meters.push_back({s.model, s.serial, s.name});
    tell(m_journal->begin(h));
}

void SessionJournal::runEnded()
{
    if (!m_journal->active())
        return;
    tell(m_journal->end(m_session.annotations(), m_session.alarmEvents()));
}

void SessionJournal::tell(const QString& text)
{
    if (!text.isEmpty())
        emit problem(text);
}

}  // namespace kelvor
