// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "library/librarytypes.h"

class QLockFile;

namespace kelvor {

class Library;

// The samples of a run that the library could not take, in a plain text file beside it
// (kelvor-unsaved-*.txt, described in docs/file-formats.md): appended line by line as
// they fail, so a killed program keeps them; the next program to open the library
// takes them in. Room for them is set aside when the run begins, since the usual
// reason for a failing library is a full disk.
class UnsavedSamplesFile {
public:
    UnsavedSamplesFile();
    ~UnsavedSamplesFile();

    // Starts the file of a new run in dataDir; false when it cannot be made (the run
    // goes on, its unwritten samples then live in memory only).
    bool start(const QString& dataDir, const RecordingHeader& header);
    // The library holds the run as recording `id` (from now on samples go on it).
    void recordingBegun(std::int64_t id);
    // Sample `seq` of the run is not in the library; false when the file did not take it.
    // With several meters, `rest` is the rest of the row.
    bool add(std::int64_t seq, const JournalSample& sample, const JournalRowRest* rest = nullptr);
    // The run is over: the file goes when nothing in it is missing from the library.
    void finish(bool everythingStored);

    bool usable() const { return m_file.isOpen() && !m_failed; }
    QString path() const { return m_file.fileName(); }

private:
    bool put(const QByteArray& line);

    QFile m_file;
    std::unique_ptr<QLockFile> m_lock;
    bool m_failed = false;
};

// Takes the samples of every unsaved-samples file in dataDir whose run is over into the
// library and removes the file. Returns what the user should hear (empty when there
// was nothing).
QString TakeBackUnsavedSamples(Library& library, const QString& dataDir);

}  // namespace kelvor
