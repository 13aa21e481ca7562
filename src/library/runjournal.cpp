// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/runjournal.h"

#include <QLockFile>

#include "library/libraryaccess.h"

namespace kelvor {

RunJournal::RunJournal(LibraryAccess& access) : m_access(access) {}
RunJournal::~RunJournal() = default;

QString RunJournal::report(const QString& problem)
{
    if (problem.isEmpty() || m_told)
        return {};
    m_told = true;
    return problem;
}

QString RunJournal::begin(const RecordingHeader& header)
{
    m_header = header;
    m_id.reset();
    m_pending.clear();
    m_written = 0;
    m_statistics = {};
    m_lock.reset();
    m_active = true;
    m_told = false;
    QString problem;
    flush(&problem);
    return report(problem);
}

QString RunJournal::append(const JournalSample& sample)
{
    if (!m_active)
        return {};
    m_statistics.add(sample);
    m_pending.push_back(sample);
    QString problem;
    flush(&problem);
    return report(problem);
}

QString RunJournal::end(const std::vector<RecordingAnnotation>& annotations,
                        const std::vector<ChartAlarmEvent>& alarmEvents)
{
    if (!m_active)
        return {};
    QString problem;
    if (flush(&problem)) {
        Library* library = m_access.get();
        const LibraryStatus s =
            library ? library->endRecording(*m_id, kStateComplete, m_statistics, annotations, alarmEvents)
                    : LibraryStatus{1, m_access.lastError()};
        if (!s.ok())
            problem = LibraryWriteProblem(m_access.path(), s);
    }
    // Whatever could not be written stays with the run in memory (the graph); a
    // recording left behind in the "recording" state is offered back at the next start.
    m_active = false;
    m_lock.reset();
    return report(problem);
}

bool RunJournal::flush(QString* problem)
{
    Library* library = m_access.get();
    if (!library) {
        *problem = LibraryWriteProblem(m_access.path(), LibraryStatus{1, m_access.lastError()});
        return false;
    }
    LibraryStatus s;
    if (!m_id) {
        m_id = library->beginRecording(m_header, &s);
        if (m_id) {
            // Held for the whole run: tells a program starting beside this one that the
            // recording is alive, not interrupted.
            m_lock = std::make_unique<QLockFile>(m_access.lockPath(*m_id));
            m_lock->setStaleLockTime(0);
            m_lock->tryLock(0);
        }
    }
    if (m_id && !m_pending.empty()) {
        s = library->appendSamples(*m_id, m_written, m_pending.data(), m_pending.size());
        if (s.ok()) {
            m_written += std::int64_t(m_pending.size());
            m_pending.clear();
        }
    }
    if (m_id && s.ok())
        return true;
    *problem = LibraryWriteProblem(m_access.path(), s);
    // Open the file afresh next time: a read-only or replaced file is seen anew.
    m_access.reset();
    return false;
}

}  // namespace kelvor
