// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "library/librarytypes.h"
#include "library/unsavedsamples.h"

class QLockFile;

namespace kelvor {

class LibraryAccess;

// Keeps one real-time run in the library while it is taken: every sample and every
// alarm event is committed as it arrives. When the library cannot be written (disk
// full, read-only, locked, damaged) the samples wait in memory and go in with the next one that can be
// written; the run itself never stops for it. They are also appended to the run's
// unsaved-samples file beside the library, so that a killed program does not lose them.
//
// Each call returns a problem to tell the user, once per stretch of failures (a library
// that recovers and fails again is told again); empty otherwise. end() always says when
// the run did not go into the library whole, since nothing comes after it.
class RunJournal {
public:
    explicit RunJournal(LibraryAccess& access);
    ~RunJournal();

    QString begin(const RecordingHeader& header);
    QString append(const JournalSample& sample);
    // A row of a run of several meters (begun with a header listing them): the first
    // meter's sample (MeterGap where it gave none) and the rest of the row.
    QString appendRow(const JournalSample& first, const JournalRowRest& rest);
    QString alarmEvent(const ChartAlarmEvent& event);
    // Writes what is left and marks the run complete with its statistics and annotations.
    QString end(const std::vector<RecordingAnnotation>& annotations,
                const std::vector<ChartAlarmEvent>& alarmEvents = {});

    bool active() const { return m_active; }
    // The run is in the library whole and marked complete (after end()).
    bool complete() const { return m_complete; }
    std::optional<std::int64_t> recordingId() const { return m_id; }
    std::int64_t written() const { return m_written; }
    std::size_t pending() const { return m_pending.size(); }
    // Every alarm event of the run, written or still waiting.
    const std::vector<ChartAlarmEvent>& alarmEvents() const { return m_events; }
    std::size_t pendingEvents() const { return m_events.size() - std::size_t(m_eventsWritten); }
    // Where the samples the library does not hold are kept; empty when nowhere but in memory.
    QString unsavedPath() const;
    const RecordingStatistics& statistics() const { return m_statistics; }
    // A standing condition of the library the user should see while the run goes on (a
    // write-ahead log that another program's reader keeps growing), once each time it
    // changes: the new text, empty when it has passed; nullopt while nothing changed.
    std::optional<QString> takeStatusChange();

private:
    // Brings the library up to date; false with *reason when it could not.
    bool flush(QString* reason);
    // The problem to tell after a flush, once per stretch of failures.
    QString report(bool written, const QString& reason);
    // What end() says when the run is not in the library whole.
    QString endProblem(const QString& reason) const;
    void noteWal(std::int64_t heldBytes);
    QString take(const JournalSample& sample, const JournalRowRest* rest);

    LibraryAccess& m_access;
    RecordingHeader m_header;
    std::optional<std::int64_t> m_id;
    std::vector<JournalSample> m_pending;
    std::vector<JournalRowRest> m_pendingRests;  // beside m_pending, for a run of several meters
    bool m_rows = false;                         // the run has several meters
    std::int64_t m_written = 0;
    std::vector<ChartAlarmEvent> m_events;
    std::int64_t m_eventsWritten = 0;  // m_events[0..m_eventsWritten) are in the library
    RecordingStatistics m_statistics;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<UnsavedSamplesFile> m_unsaved;
    QString m_reason;  // why the library last failed
    bool m_active = false;
    bool m_told = false;
    QString m_status;
    bool m_statusChanged = false;
    bool m_complete = false;
    bool m_toldUnkept = false;
};

}  // namespace kelvor
