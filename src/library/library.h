// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "library/librarytypes.h"
#include "logger/datasetstore.h"

struct sqlite3;
class QLockFile;

namespace kelvor {

class Library;
struct LibraryWriteStatements;

struct LibraryOpenResult {
    std::unique_ptr<Library> library;  // null when the library cannot be used at all
    QString notice;                    // something the user should hear (a damaged file set aside), with both names
    QString error;                     // why there is no library
};

// The library of every real-time run and every download: one SQLite database
// (kelvor.sqlite in the data folder, WAL). The GUI, kelvor-cli and the tests all go
// through this class. Nothing here throws: writes return a LibraryStatus, reads an
// empty result with *error set.
class Library {
public:
    static constexpr const char* kFileName = "kelvor.sqlite";
    // Files up to this size are checked whole at every open (at most a few milliseconds).
    static constexpr std::int64_t kCheckAlwaysUpTo = std::int64_t(1) << 20;
    static QString pathIn(const QString& dataDir);

    // Opens (or creates) the library in dataDir and brings its schema up to date.
    // A file that is not a usable database (damaged, or another program's) is renamed
    // beside it, never overwritten, and a new library is started. The whole file is
    // checked only when it is small or a program that had it open died (a power cut, a
    // crash); otherwise opening costs the same at any size, and damage deep inside a
    // large file shows when it is read.
    static LibraryOpenResult open(const QString& dataDir);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const QString& path() const { return m_path; }
    int schemaVersion() const;

    // Closes and opens the connection again (after the file was made writable, the
    // disk was cleared, ...). False with *error when that failed.
    bool reconnect(QString* error);

    // --- recordings (the journal)
    std::optional<std::int64_t> beginRecording(const RecordingHeader& header, LibraryStatus* status);
    // Appends samples first..first+n-1 in one transaction. Only the samples are written:
    // the count and last time go on the recording's row when it ends (endRecording,
    // markInterrupted, updateStatistics), and until then list() and entry() read them from
    // the samples, so a reader never sees one without the other and a sample costs one
    // page of the log.
    LibraryStatus appendSamples(std::int64_t id, std::int64_t first, const JournalSample* samples, std::size_t n);
    LibraryStatus appendSample(std::int64_t id, std::int64_t seq, const JournalSample& s)
    {
        return appendSamples(id, seq, &s, 1);
    }
    // The same for the rows of a run of several meters: samples[k] is the first meter's
    // part of row first+k (MeterGap where it gave none), rests[k] the rest of it.
    LibraryStatus appendRows(std::int64_t id, std::int64_t first, const JournalSample* samples,
                             const JournalRowRest* rests, std::size_t n);
    // Adds alarm events first..first+n-1 of a recording (the numbers endRecording gives
    // them too), so a run that dies keeps the events it had met.
    LibraryStatus appendAlarmEvents(std::int64_t id, std::int64_t first, const ChartAlarmEvent* events, std::size_t n);
    LibraryStatus endRecording(std::int64_t id, const char* state, const RecordingStatistics& statistics,
                               const std::vector<RecordingAnnotation>& annotations,
                               const std::vector<ChartAlarmEvent>& alarmEvents = {});
    // Computes a recording's statistics, count and last time afresh from its samples
    // (after samples were added to a run that was already closed).
    LibraryStatus updateStatistics(std::int64_t id);
    // Marks every recording still in the "recording" state as interrupted (its program
    // died) and returns them, except those `stillWritten` says a live program is
    // writing. Their statistics are computed from the samples; the alarm events and
    // annotations written so far stay.
    std::vector<LibraryEntry> markInterrupted(const std::function<bool(std::int64_t)>& stillWritten,
                                              LibraryStatus* status);

    // Reads a recording. With maxPoints > 0 and more samples than that, `samples`
    // becomes an envelope of about maxPoints points: per stretch of samples, one point
    // at its first time with the channels' minima and one at its last time with their
    // maxima (gaps only where a whole stretch is gaps). Statistics are always exact.
    std::optional<RecordingData> loadRecording(std::int64_t id, std::size_t maxPoints, QString* error) const;
    // The meters of a run of several, in the order of their channels; empty for a run of one.
    std::vector<RecordingMeter> recordingMeters(std::int64_t id) const;
    // Every row of a recording in order: the first meter's sample and, for a run of
    // `meters` meters (2 or more), the rest of the row. False with *error on a read error.
    bool forEachRow(std::int64_t id, int meters,
                    const std::function<bool(const JournalSample&, const JournalRowRest&)>& row, QString* error) const;
    // Calls `row` for every sample in order, without holding them (exports).
    bool forEachSample(std::int64_t id, const std::function<bool(const JournalSample&)>& row, QString* error) const;
    // Samples first..first+maxCount-1 of a recording (fewer where it has fewer), in order,
    // appended to `out`; false with *error when they cannot be read.
    bool readSamples(std::int64_t id, std::int64_t first, std::size_t maxCount, std::vector<JournalSample>& out,
                     QString* error) const;

    // --- downloads
    // Stores a memory image exactly as downloaded, with the data sets decoded from it
    // (listed beside it for SQL tools; the image stays the source of truth).
    std::optional<std::int64_t> storeDownload(const QByteArray& image, const std::vector<DataSet>& sets, double when,
                                              const QString& meterSerial, const QString& source, LibraryStatus* status);
    std::optional<DownloadData> loadDownload(std::int64_t id, QString* error) const;

    // --- both
    std::vector<LibraryEntry> list(QString* error) const;
    std::optional<LibraryEntry> entry(std::int64_t id, QString* error) const;
    LibraryStatus rename(std::int64_t id, const QString& name);
    LibraryStatus setNote(std::int64_t id, const QString& note);
    LibraryStatus remove(std::int64_t id);

    // "ok" from PRAGMA integrity_check, or what it found.
    QString integrityCheck() const;

    // How large the write-ahead log has grown while another program's read transaction
    // keeps it from being folded into the file (0: nothing held). Seen at the checks
    // appendSamples makes every second; once the readers are gone the log is cut back.
    std::int64_t walHeldBytes() const { return m_walHeldBytes; }
    static constexpr std::int64_t kWalWarnBytes = std::int64_t(16) << 20;

private:
    explicit Library(QString path);
    // Opens the connection; on failure none is left open.
    LibraryStatus connect();
    LibraryStatus openConnection();
    void closeConnection();
    LibraryStatus fail(int code, const QString& what) const;
    // The count and last time of a recording's samples onto its row.
    LibraryStatus writeSampleCount(std::int64_t id);
    LibraryStatus updateItemText(std::int64_t id, const char* sql, const QString& text, const QString& what);
    LibraryStatus exec(const char* sql);
    std::optional<RecordingStatistics> computeStatistics(std::int64_t id, QString* error) const;
    LibraryStatus writeStatistics(std::int64_t id, const RecordingStatistics& s);
    void keepWalInHand();

    QString m_path;
    sqlite3* m_db = nullptr;
    // Beside the file while this connection is open: one left by a program that died
    // tells the next opener to check the file.
    std::unique_ptr<QLockFile> m_openMark;
    // Prepared once per connection: a journal commits a sample a second for weeks.
    std::unique_ptr<LibraryWriteStatements> m_write;
    std::chrono::steady_clock::time_point m_lastCheckpoint{};
    std::int64_t m_pageSize = 4096;
    std::int64_t m_walHeldBytes = 0;
    std::int64_t m_walPeakBytes = 0;
};

// A message for a failed write, naming the library file.
QString LibraryWriteProblem(const QString& path, const LibraryStatus& status);

}  // namespace kelvor
