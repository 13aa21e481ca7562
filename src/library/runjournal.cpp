// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/runjournal.h"

#include <QDir>
#include <QLockFile>
#include <utility>

#include "library/libraryaccess.h"

namespace kelvor {

namespace {
QString reasonOf(const LibraryStatus& s) { return s.error.isEmpty() ? QStringLiteral("unknown error") : s.error; }
}  // namespace

RunJournal::RunJournal(LibraryAccess& access) : m_access(access) {}
RunJournal::~RunJournal() = default;

QString RunJournal::report(bool written, const QString& reason)
{
    if (written) {
        m_told = false;
        return {};
    }
    if (m_told)
        return {};
    m_told = true;
    QString problem = LibraryWriteProblem(m_access.path(), LibraryStatus{1, reason});
    if (!unsavedPath().isEmpty())
        problem += QStringLiteral(" Until then they are also kept in %1.").arg(QDir::toNativeSeparators(unsavedPath()));
    return problem;
}

QString RunJournal::unsavedPath() const { return m_unsaved && m_unsaved->usable() ? m_unsaved->path() : QString(); }

void RunJournal::noteWal(std::int64_t heldBytes)
{
    QString status;
    if (heldBytes > Library::kWalWarnBytes)
        status = QStringLiteral(
                     "The library's write-ahead log %1-wal has grown to %2 MB: another program is reading "
                     "the library and holds it open. Recording goes on; the log shrinks once that "
                     "program lets go.")
                     .arg(QDir::toNativeSeparators(m_access.path()))
                     .arg(double(heldBytes) / (1 << 20), 0, 'f', 0);
    // A bigger figure alone is no news; the condition coming or going is.
    if (status.isEmpty() != m_status.isEmpty())
        m_statusChanged = true;
    m_status = status;
}

std::optional<QString> RunJournal::takeStatusChange()
{
    if (!std::exchange(m_statusChanged, false))
        return std::nullopt;
    return m_status;
}

QString RunJournal::begin(const RecordingHeader& header)
{
    m_header = header;
    m_id.reset();
    m_pending.clear();
    m_pendingRests.clear();
    m_rows = header.meters.size() > 1;
    m_written = 0;
    m_events.clear();
    m_eventsWritten = 0;
    m_statistics = {};
    m_lock.reset();
    m_active = true;
    m_told = false;
    m_toldUnkept = false;
    m_complete = false;
    m_unsaved = std::make_unique<UnsavedSamplesFile>();
    m_unsaved->start(m_access.dataDir(), header);
    QString reason;
    const bool written = flush(&reason);
    return report(written, reason);
}

QString RunJournal::append(const JournalSample& sample)
{
    if (!m_active)
        return {};
    return take(sample, nullptr);
}

QString RunJournal::appendRow(const JournalSample& first, const JournalRowRest& rest)
{
    if (!m_active)
        return {};
    if (!m_rows)
        return take(first, nullptr);
    return take(first, &rest);
}

QString RunJournal::take(const JournalSample& sample, const JournalRowRest* rest)
{
    if (!rest || !(rest->absent & 1u))
        m_statistics.add(sample);
    m_pending.push_back(sample);
    if (m_rows)
        m_pendingRests.push_back(rest ? *rest : JournalRowRest{});
    QString reason;
    const bool written = flush(&reason);
    // Into the file before the problem is told, so that it names the file only when it took the sample.
    const bool kept = written || m_unsaved->add(m_written + std::int64_t(m_pending.size()) - 1, sample, rest);
    QString problem = report(written, reason);
    if (!kept && !m_toldUnkept) {
        m_toldUnkept = true;
        problem =
            (problem.isEmpty() ? QString() : problem + QLatin1Char(' ')) +
            QStringLiteral("Samples the library cannot take are kept in memory only: a killed program loses them.");
    }
    return problem;
}

QString RunJournal::alarmEvent(const ChartAlarmEvent& event)
{
    if (!m_active)
        return {};
    m_events.push_back(event);
    QString reason;
    const bool written = flush(&reason);
    return report(written, reason);
}

QString RunJournal::end(const std::vector<RecordingAnnotation>& annotations,
                        const std::vector<ChartAlarmEvent>& alarmEvents)
{
    if (!m_active)
        return {};
    QString reason;
    if (flush(&reason)) {
        Library* library = m_access.get();
        const LibraryStatus s =
            library ? library->endRecording(*m_id, kStateComplete, m_statistics, annotations, alarmEvents)
                    : LibraryStatus{1, m_access.lastError()};
        m_complete = s.ok();
        if (!s.ok())
            reason = reasonOf(s);
    }
    // Whatever could not be written stays with the run in memory (the graph); a
    // recording left behind in the "recording" state is offered back at the next start.
    m_active = false;
    m_lock.reset();
    const QString kept = unsavedPath();
    m_unsaved->finish(m_pending.empty());
    if (m_complete)
        return {};
    QString problem = endProblem(reason);
    if (!m_pending.empty() && !kept.isEmpty())
        problem += QStringLiteral(" They are kept in %1 and go into the library when it is next opened.")
                       .arg(QDir::toNativeSeparators(kept));
    return problem;
}

QString RunJournal::endProblem(const QString& reason) const
{
    const QString library = QDir::toNativeSeparators(m_access.path());
    const std::int64_t taken = m_written + std::int64_t(m_pending.size());
    if (m_pending.empty())
        return QStringLiteral(
                   "The library %1 cannot be written (%2). All %3 samples of the run are in it, but the "
                   "run could not be closed; it is listed as interrupted from the next start on.")
            .arg(library, reason)
            .arg(taken);
    return QStringLiteral("The library %1 cannot be written (%2). %3 of the %4 samples of the run are not in it.")
        .arg(library, reason)
        .arg(m_pending.size())
        .arg(taken);
}

bool RunJournal::flush(QString* reason)
{
    Library* library = m_access.get();
    if (!library) {
        // Between two tries the access has nothing new to say: the last failure stands.
        *reason = m_access.lastError().isEmpty() && !m_reason.isEmpty()
                      ? m_reason
                      : reasonOf(LibraryStatus{1, m_access.lastError()});
        return false;
    }
    LibraryStatus s;
    if (!m_id) {
        m_id = library->beginRecording(m_header, &s);
        if (m_id) {
            m_unsaved->recordingBegun(*m_id);
            // Held for the whole run: tells a program starting beside this one that the
            // recording is alive, not interrupted.
            m_lock = std::make_unique<QLockFile>(m_access.lockPath(*m_id));
            m_lock->setStaleLockTime(0);
            m_lock->tryLock(0);
        }
    }
    if (m_id && !m_pending.empty()) {
        s = m_rows ? library->appendRows(*m_id, m_written, m_pending.data(), m_pendingRests.data(), m_pending.size())
                   : library->appendSamples(*m_id, m_written, m_pending.data(), m_pending.size());
        if (s.ok()) {
            m_written += std::int64_t(m_pending.size());
            m_pending.clear();
            m_pendingRests.clear();
        }
    }
    if (m_id && s.ok() && pendingEvents() > 0) {
        s = library->appendAlarmEvents(*m_id, m_eventsWritten, m_events.data() + m_eventsWritten, pendingEvents());
        if (s.ok())
            m_eventsWritten = std::int64_t(m_events.size());
    }
    if (m_id && s.ok()) {
        noteWal(library->walHeldBytes());
        return true;
    }
    *reason = m_reason = reasonOf(s);
    // Open the file afresh next time: a read-only or replaced file is seen anew.
    m_access.reset();
    return false;
}

}  // namespace kelvor
