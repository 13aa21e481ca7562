// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "library/librarytypes.h"

class QLockFile;

namespace kelvor {

class LibraryAccess;

// Keeps one real-time run in the library while it is taken: every sample is committed
// as it arrives. When the library cannot be written (disk full, read-only, locked,
// damaged) the samples wait in memory and go in with the next one that can be
// written; the run itself never stops for it.
//
// Each call returns a problem to tell the user, at most once per run; empty otherwise.
class RunJournal {
public:
    explicit RunJournal(LibraryAccess& access);
    ~RunJournal();

    QString begin(const RecordingHeader& header);
    QString append(const JournalSample& sample);
    // Writes what is left and marks the run complete with its statistics and annotations.
    QString end(const std::vector<RecordingAnnotation>& annotations,
                const std::vector<ChartAlarmEvent>& alarmEvents = {});

    bool active() const { return m_active; }
    std::optional<std::int64_t> recordingId() const { return m_id; }
    std::int64_t written() const { return m_written; }
    std::size_t pending() const { return m_pending.size(); }
    const RecordingStatistics& statistics() const { return m_statistics; }

private:
    // Brings the library up to date; false when it could not.
    bool flush(QString* problem);
    QString report(const QString& problem);

    LibraryAccess& m_access;
    RecordingHeader m_header;
    std::optional<std::int64_t> m_id;
    std::vector<JournalSample> m_pending;
    std::int64_t m_written = 0;
    RecordingStatistics m_statistics;
    std::unique_ptr<QLockFile> m_lock;
    bool m_active = false;
    bool m_told = false;
};

}  // namespace kelvor
