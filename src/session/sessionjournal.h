// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "library/librarytypes.h"

namespace kelvor {

class LibraryAccess;
class RecordingSession;
class RunJournal;
struct SessionRow;

// A row of the session as the library keeps it: the first meter's sample (a gap where
// it gave none) and the rest of the row.
JournalSample JournalFirst(const SessionRow& row);
JournalRowRest JournalRest(const SessionRow& row);

// Keeps the session's runs in the library: a run's start opens its recording, each
// sample and alarm event is committed as it arrives, and the run's end marks it complete
// with its annotations and events. A problem of the library is said through problem()
// (once per stretch of failures, as the journal tells it); the run never stops for it.
class SessionJournal : public QObject {
    Q_OBJECT
public:
    SessionJournal(RecordingSession& session, LibraryAccess& library, QObject* parent = nullptr);
    ~SessionJournal() override;

    RunJournal& journal() const { return *m_journal; }

signals:
    void problem(const QString& text);
    // A standing condition of the library (see RunJournal::takeStatusChange); empty when it has passed.
    void libraryStatus(const QString& text);

private:
    void runStarted();
    void runEnded();
    void tell(const QString& text);

    RecordingSession& m_session;
    std::unique_ptr<RunJournal> m_journal;
    bool m_rows = false;  // the run has several sources: rows go in, not source 0's samples
};

}  // namespace kelvor
