// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "base/eventlog.h"
#include "chart/runspan.h"
#include "library/libraryschema.h"
#include "library/sqlitestatement.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {

// Result codes that mean the file itself is not a usable library.
bool isDamage(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// How often a recording's commits are made safe against a power cut (see keepWalInHand).
constexpr auto kCheckpointEvery = std::chrono::seconds(1);
constexpr auto kOpenWait = std::chrono::seconds(5);
constexpr int kWriteWaitMs = 250;
// A log that grew past this while held is cut back to nothing once it can be.
constexpr std::int64_t kWalTruncateAbove = std::int64_t(4) << 20;

bool isBusy(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Runs `attempt` (which returns an SQLite result code) again while another connection
// holds the lock it needs, until `deadline`.
template <class Attempt>
int retryWhileBusy(std::chrono::steady_clock::time_point deadline, Attempt attempt)
{
    for (;;) {
        const int rc = attempt();
        if (!isBusy(rc) || std::chrono::steady_clock::now() >= deadline)
            return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Marks a channel of an envelope stretch that has seen no value yet.
constexpr float kEnvelopeEmpty = 1e30f;

// Sums up stretches of `bucket` samples as two points each: per channel the lowest and
// the highest value (a gap where the whole stretch was gaps), at the stretch's first
// and last time. Fed in time order; finish() closes the last, shorter stretch.
class SampleEnvelope {
public:
    SampleEnvelope(std::int64_t bucket, std::vector<JournalSample>& out) : m_bucket(bucket), m_out(out) {}

    void add(const JournalSample& s)
    {
        if (m_inBucket == 0) {
            m_low = JournalSample{s.time, 0, {kEnvelopeEmpty, kEnvelopeEmpty, kEnvelopeEmpty, kEnvelopeEmpty}};
            m_high = JournalSample{s.time, 0, {-kEnvelopeEmpty, -kEnvelopeEmpty, -kEnvelopeEmpty, -kEnvelopeEmpty}};
        }
        m_high.time = s.time;
        m_overRange |= s.flags & 0x0f;
        for (int c = 0; c < 4; ++c) {
            if (s.flags & ((1u << c) | (1u << (c + 4))))
                continue;
            const float v = s.t[std::size_t(c)];
            m_low.t[std::size_t(c)] = std::min(m_low.t[std::size_t(c)], v);
            m_high.t[std::size_t(c)] = std::max(m_high.t[std::size_t(c)], v);
        }
        if (++m_inBucket == m_bucket)
            flush();
    }
    void finish()
    {
        if (m_inBucket > 0)
            flush();
    }

private:
    void flush()
    {
        for (int c = 0; c < 4; ++c) {
            if (m_low.t[std::size_t(c)] == kEnvelopeEmpty) {
                // A stretch of gaps: "OL" when the meter was over range in it, else "----".
                const std::uint8_t why =
                    (m_overRange & (1u << c)) ? std::uint8_t(1u << c) : std::uint8_t(1u << (c + 4));
                m_low.t[std::size_t(c)] = m_high.t[std::size_t(c)] = 9999.0f;
                m_low.flags |= why;
                m_high.flags |= why;
            }
        }
        m_out.push_back(m_low);
        m_out.push_back(m_high);
        m_inBucket = 0;
        m_overRange = 0;
    }

    const std::int64_t m_bucket;
    std::vector<JournalSample>& m_out;
    JournalSample m_low;
    JournalSample m_high;
    std::int64_t m_inBucket = 0;
    std::uint8_t m_overRange = 0;  // channels over range somewhere in the stretch
};

// How a recording began, as its row keeps it (left as it is when there is no row).
void readRecordingHeader(sqlite3* db, std::int64_t id, const QString& name, RecordingHeader& header)
{
    SqliteStatement h(db,
                      "SELECT started, rate_seconds, record_count, open_ended, meter_model, meter_serial, "
                      "unit, i.source FROM recordings JOIN items i USING (id) WHERE id = ?");
    h.bind(1, id);
    if (h.step() != SQLITE_ROW)
        return;
    header.started = h.real(0);
    header.rateSeconds = int(h.int64(1));
    header.recordCount = int(h.int64(2));
    header.openEnded = h.int64(3) != 0;
    header.meterModel = h.text(4);
    header.meterSerial = h.text(5);
    header.unit = h.text(6);
    header.source = h.text(7);
    header.name = name;
    header.meters.clear();
    SqliteStatement m(db, "SELECT model, serial, name FROM recording_meters WHERE recording_id = ? ORDER BY meter");
    m.bind(1, id);
    while (m.step() == SQLITE_ROW && header.meters.size() < std::size_t(kMaxRecordingMeters))
        header.meters.push_back({m.text(0), m.text(1), m.text(2)});
    if (header.meters.size() < 2)
        header.meters.clear();  // one meter is the header's own
}

std::vector<RecordingAnnotation> readAnnotations(sqlite3* db, std::int64_t id)
{
    std::vector<RecordingAnnotation> out;
    SqliteStatement a(db, "SELECT x, y, type, color, text FROM annotations WHERE recording_id = ? ORDER BY number");
    a.bind(1, id);
    while (a.step() == SQLITE_ROW)
        out.push_back({a.real(0), a.real(1), int(a.int64(2)), int(a.int64(3)), a.text(4)});
    return out;
}

std::vector<ChartAlarmEvent> readAlarmEvents(sqlite3* db, std::int64_t id)
{
    std::vector<ChartAlarmEvent> out;
    SqliteStatement e(db, "SELECT x, channel, value, kind FROM alarm_events WHERE recording_id = ? ORDER BY number");
    e.bind(1, id);
    while (e.step() == SQLITE_ROW)
        out.push_back({e.real(0), int(e.int64(1)), float(e.real(2)), int(e.int64(3))});
    return out;
}

// A recording's span for its marks: from its start to its last sample, with one sampling
// interval after it.
struct RecordingSpan {
    double first = 0.0;
    double last = 0.0;
    double slack = 0.0;
    bool holds(double x) const { return LiesWithinRun(x, first, last, slack); }
};

RecordingSpan recordingSpan(double started, double lastTime, int rateSeconds, std::int64_t samples)
{
    const double last = std::max(started, lastTime);
    return {started, last, std::max(RunSlackDays(started, last, samples), rateSeconds / 86400.0)};
}

std::optional<RecordingSpan> readRecordingSpan(sqlite3* db, std::int64_t id)
{
    SqliteStatement q(db,
                      "SELECT started, coalesce(last_time, started), rate_seconds, sample_count FROM recordings "
                      "WHERE id = ?");
    q.bind(1, id);
    if (q.step() != SQLITE_ROW)
        return std::nullopt;
    return recordingSpan(q.real(0), q.real(1), int(q.int64(2)), q.int64(3));
}

// Only the annotations within the run: the chart they come from also holds parked cells
// and those of other runs.
void keepWithin(std::vector<RecordingAnnotation>& marks, const RecordingSpan& span)
{
    std::erase_if(marks, [&span](const RecordingAnnotation& m) { return !span.holds(m.x); });
}

EntryKind kindOf(const QString& text)
{
    return text == QLatin1String("download") ? EntryKind::Download : EntryKind::Recording;
}

// The list's columns, shared by list() and entry(). A recording still being taken has its
// count and last time in its samples, not yet on its row (see appendSamples).
const char* const kEntrySelect = R"sql(
SELECT i.id, i.kind, i.name, i.note,
       coalesce(r.started, d.downloaded, i.created),
       coalesce(CASE WHEN r.state = 'recording' THEN
                  (SELECT time FROM samples sm WHERE sm.recording_id = r.id ORDER BY seq DESC LIMIT 1) END,
                r.last_time, r.started, d.downloaded, i.created),
       CASE WHEN r.state = 'recording' THEN
              coalesce((SELECT max(seq) + 1 FROM samples sm WHERE sm.recording_id = r.id), 0)
            ELSE coalesce(r.sample_count, (SELECT total(samples) FROM download_sets s WHERE s.download_id = i.id))
       END,
       (SELECT count(*) FROM download_sets s WHERE s.download_id = i.id),
       coalesce(r.rate_seconds, 0), coalesce(r.state, ''), coalesce(r.meter_serial, d.meter_serial, '')
FROM items i
LEFT JOIN recordings r ON r.id = i.id
LEFT JOIN downloads d ON d.id = i.id
)sql";

LibraryEntry readEntry(const SqliteStatement& q)
{
    LibraryEntry e;
    e.id = q.int64(0);
    e.kind = kindOf(q.text(1));
    e.name = q.text(2);
    e.note = q.text(3);
    e.start = q.real(4);
    e.end = q.real(5);
    e.samples = q.int64(6);
    e.dataSets = int(q.int64(7));
    e.rateSeconds = int(q.int64(8));
    e.state = q.text(9);
    e.meterSerial = q.text(10);
    return e;
}

}  // namespace

// The statements every write and every journal sample runs, prepared with the connection
// rather than per call (a prepare costs more than the insert it serves).
struct LibraryWriteStatements {
    explicit LibraryWriteStatements(sqlite3* db)
        : begin(db, "BEGIN IMMEDIATE"),
          commit(db, "COMMIT"),
          rollback(db, "ROLLBACK"),
          // OR REPLACE: a batch retried after an uncertain failure writes the same rows again.
          insertSample(db,
                       "INSERT OR REPLACE INTO samples(recording_id, seq, time, flags, t1, t2, t3, t4) "
                       "VALUES (?,?,?,?,?,?,?,?)"),
          insertRow(db,
                    "INSERT OR REPLACE INTO samples(recording_id, seq, time, flags, t1, t2, t3, t4, meters_absent) "
                    "VALUES (?,?,?,?,?,?,?,?,?)"),
          insertMeterSample(db,
                            "INSERT OR REPLACE INTO meter_samples(recording_id, seq, meter, flags, t1, t2, t3, t4) "
                            "VALUES (?,?,?,?,?,?,?,?)")
    {
    }
    SqliteStatement begin;
    SqliteStatement commit;
    SqliteStatement rollback;
    SqliteStatement insertSample;
    SqliteStatement insertRow;
    SqliteStatement insertMeterSample;
};

namespace {

// Runs a statement that returns no rows and readies it for the next time: SQLITE_OK or
// the error.
int runOnce(SqliteStatement& st)
{
    const int rc = st.step();
    st.reset();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Rolls back unless committed.
class Transaction {
public:
    // IMMEDIATE: a locked database is found here, not half-way through the writes.
    explicit Transaction(LibraryWriteStatements& w) : m_w(w), m_rc(runOnce(w.begin)) {}
    ~Transaction()
    {
        if (m_rc == SQLITE_OK && !m_done)
            runOnce(m_w.rollback);
    }
    int began() const { return m_rc; }
    int commit()
    {
        const int rc = runOnce(m_w.commit);
        m_done = rc == SQLITE_OK;
        return rc;
    }

private:
    LibraryWriteStatements& m_w;
    int m_rc;
    bool m_done = false;
};

// The file begins as an SQLite database does (as much of it as there is): a damaged
// library, not another kind of file.
bool looksLikeSqlite(const QString& path)
{
    static const QByteArray kMagic("SQLite format 3\0", 16);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(kMagic.size());
    return !head.isEmpty() && kMagic.startsWith(head);
}

// Why a database SQLite calls malformed is damaged, in words: cut short when its header
// (still in step with itself) counts more pages than the file holds.
QString damageOf(const QString& path, const QString& reason)
{
    QFile f(path);
    const QByteArray h = f.open(QIODevice::ReadOnly) ? f.read(100) : QByteArray();
    if (h.size() == 100) {
        auto byte = [&h](int at) { return std::uint32_t(std::uint8_t(h[at])); };
        auto be32 = [&byte](int at) { return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3); };
        const std::uint32_t pageSize = (byte(16) << 8 | byte(17)) == 1 ? 65536 : (byte(16) << 8 | byte(17));
        const qint64 expected = qint64(be32(28)) * pageSize;
        if (be32(24) == be32(92) && expected > f.size())
            return QStringLiteral("damaged: the file is cut short, %1 of %2 bytes").arg(f.size()).arg(expected);
    }
    return QStringLiteral("damaged: %1").arg(reason);
}

// Each open connection marks the file as in use with a lock file of its own (several
// programs, and several connections in one, may have it open at once).
QString openMarkPattern(const QString& path) { return QFileInfo(path).fileName() + QStringLiteral("-open-*.lock"); }

std::unique_ptr<QLockFile> makeOpenMark(const QString& path)
{
    static std::atomic<int> serial{0};
    auto mark = std::make_unique<QLockFile>(QStringLiteral("%1-open-%2-%3.lock")
                                                .arg(path)
                                                .arg(QCoreApplication::applicationPid())
                                                .arg(serial.fetch_add(1)));
    mark->setStaleLockTime(0);
    // A folder that cannot take it (read-only) only costs the check after a crash.
    if (!mark->tryLock(0))
        return nullptr;
    return mark;
}

// The marks of connections whose program is gone without closing them: taken over, so
// that one opener alone checks the file; released (removed) when the caller is done.
std::vector<std::unique_ptr<QLockFile>> takeMarksOfTheDead(const QString& path)
{
    std::vector<std::unique_ptr<QLockFile>> taken;
    const QFileInfo info(path);
    const QDir dir = info.dir();
    for (const QString& name : dir.entryList({openMarkPattern(path)}, QDir::Files | QDir::Hidden)) {
        auto mark = std::make_unique<QLockFile>(dir.filePath(name));
        mark->setStaleLockTime(0);
        // Succeeds only when the program that made it is no longer running.
        if (mark->tryLock(0))
            taken.push_back(std::move(mark));
    }
    return taken;
}

QString setAsideName(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = info.dir().filePath(QStringLiteral("kelvor-damaged-%1.sqlite").arg(stamp));
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = info.dir().filePath(QStringLiteral("kelvor-damaged-%1-%2.sqlite").arg(stamp).arg(n));
    return candidate;
}

}  // namespace

QString Library::pathIn(const QString& dataDir) { return QDir(dataDir).filePath(QString::fromLatin1(kFileName)); }

Library::Library(QString path) : m_path(std::move(path)) {}

Library::~Library() { closeConnection(); }

void Library::closeConnection()
{
    m_write.reset();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_openMark.reset();  // removes the mark: closed cleanly
}

LibraryStatus Library::fail(int code, const QString& what) const
{
    LibraryStatus s;
    s.code = code ? code : SQLITE_ERROR;
    const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    s.error = what.isEmpty() ? reason : QStringLiteral("%1: %2").arg(what, reason);
    return s;
}

LibraryStatus Library::exec(const char* sql)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? LibraryStatus{} : fail(rc, QString());
}

LibraryStatus Library::connect()
{
    closeConnection();
    LibraryStatus s = openConnection();
    if (!s.ok())
        closeConnection();
    return s;
}

LibraryStatus Library::openConnection()
{
    const QByteArray file = QFile::encodeName(m_path);
    // A connection is used by the thread that opened it alone (everything runs on one
    // thread), so SQLite need not lock it around every call: reading a long run of several
    // meters makes tens of millions of them.
    int rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK)
        return fail(rc, QStringLiteral("cannot open"));
    sqlite3_extended_result_codes(m_db, 1);
    // Opening waits longer than a write: a program starting beside this one may be
    // creating the library or switching it to WAL, and every other opener waits for it.
    sqlite3_busy_timeout(m_db, int(std::chrono::duration_cast<std::chrono::milliseconds>(kOpenWait).count()));
    const auto deadline = std::chrono::steady_clock::now() + kOpenWait;
    // The schema is read here first, so a file that is not a database fails now.
    int version = -1;
    rc = retryWhileBusy(deadline, [&] {
        version = LibrarySchemaVersionOf(m_db);
        return version >= 0 ? SQLITE_OK : sqlite3_errcode(m_db);
    });
    if (version < 0) {
        if (isDamage(rc) && looksLikeSqlite(m_path))
            return LibraryStatus{SQLITE_CORRUPT, damageOf(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)))};
        if (isDamage(rc) || rc == SQLITE_OK || (rc & 0xff) == SQLITE_DONE || (rc & 0xff) == SQLITE_ROW)
            return LibraryStatus{SQLITE_NOTADB, QStringLiteral("not a KELVOR library")};
        return fail(rc, QStringLiteral("cannot read"));
    }
    if (version > kLibrarySchemaVersion)
        return LibraryStatus{
            SQLITE_READONLY,
            QStringLiteral("written by a newer KELVOR (schema version %1); it is left as it is").arg(version)};
    // Checked before anything is written: a damaged file is set aside as it was found,
    // and switching it to WAL would already rewrite its header. The marks of programs that
    // died are taken before the check and held until it is over: another program opening
    // now leaves the check to this one.
    const std::vector<std::unique_ptr<QLockFile>> diedOpen = takeMarksOfTheDead(m_path);
    if (version > 0 && (!diedOpen.empty() || QFileInfo(m_path).size() <= kCheckAlwaysUpTo)) {
        QString verdict;
        {
            SqliteStatement check(m_db, "PRAGMA quick_check(1)");
            rc = check.step();
            verdict = rc == SQLITE_ROW ? check.text(0) : QString();
        }
        if (rc != SQLITE_ROW)
            return isDamage(rc) ? LibraryStatus{rc, damageOf(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)))}
                                : fail(rc, QStringLiteral("cannot check"));
        if (verdict != QLatin1String("ok"))
            return LibraryStatus{SQLITE_CORRUPT, damageOf(m_path, verdict)};
    }
    // Switching a new file to WAL takes its exclusive lock, which another opener may
    // hold for the same switch; SQLite does not always wait for that on its own.
    rc = retryWhileBusy(deadline, [&] {
        SqliteStatement mode(m_db, "PRAGMA journal_mode = WAL");
        return mode.step();
    });
    if (rc != SQLITE_ROW)
        return fail(rc, QStringLiteral("cannot switch to WAL"));
    // NORMAL in WAL mode: a commit is in the WAL before sqlite3_step returns, so a killed
    // process loses nothing committed. FULL would sync the WAL at every commit, which
    // costs a disk flush per sample; appendSamples syncs it once a second instead (the
    // bound for a power cut), whether or not a reader lets the checkpoint through.
    if (LibraryStatus s = exec("PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON"); !s.ok())
        return s;
    // SQLite folds the log into the file (two disk syncs) every 1000 pages by itself, which
    // for a journal writing a page or two per sample is a sync pair every few hundred
    // samples. appendSamples checkpoints once a second anyway; this bound only keeps a
    // burst of writes from growing the log without end.
    if (LibraryStatus s = exec("PRAGMA wal_autocheckpoint = 8192"); !s.ok())
        return s;
    if (const QString e = MigrateLibrary(m_db, version); !e.isEmpty()) {
        rc = sqlite3_errcode(m_db);
        return LibraryStatus{isDamage(rc) ? rc : (rc ? rc : SQLITE_ERROR), e};
    }
    {
        SqliteStatement size(m_db, "PRAGMA page_size");
        if (size.step() == SQLITE_ROW)
            m_pageSize = size.int64(0);
    }
    // Another writer (kelvor-cli record beside the program) holds the lock only for one
    // short transaction; wait that long, but never long enough to stall a monitor tick.
    sqlite3_busy_timeout(m_db, kWriteWaitMs);
    m_write = std::make_unique<LibraryWriteStatements>(m_db);
    m_openMark = makeOpenMark(m_path);
    return {};
}

LibraryOpenResult Library::open(const QString& dataDir)
{
    LibraryOpenResult out;
    const QString path = pathIn(dataDir);
    std::unique_ptr<Library> lib(new Library(path));
    LibraryStatus s = lib->connect();
    if (s.ok()) {
        qCInfo(lcLibrary, "opened %s (schema %d)", qPrintable(QDir::toNativeSeparators(path)), lib->schemaVersion());
        out.library = std::move(lib);
        return out;
    }
    if (!isDamage(s.code)) {
        out.error = QStringLiteral("The library %1 cannot be used: %2").arg(QDir::toNativeSeparators(path), s.error);
        qCWarning(lcLibrary, "%s (SQLite code %d)", qPrintable(out.error), s.code);
        return out;
    }
    // Set the file aside with its WAL and shared-memory files; a new one starts in its place.
    lib->closeConnection();
    const QString aside = setAsideName(path);
    if (!QFile::rename(path, aside)) {
        out.error = QStringLiteral("The library %1 is damaged (%2) and cannot be set aside")
                        .arg(QDir::toNativeSeparators(path), s.error);
        return out;
    }
    for (const char* suffix : {"-wal", "-shm"})
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    out.notice = QStringLiteral(
                     "The library %1 could not be read (%2). It was kept as %3 and a new library "
                     "was started.")
                     .arg(QDir::toNativeSeparators(path), s.error, QDir::toNativeSeparators(aside));
    qCWarning(lcLibrary, "%s", qPrintable(out.notice));
    s = lib->connect();
    if (!s.ok()) {
        out.error = QStringLiteral("The library %1 cannot be used: %2").arg(QDir::toNativeSeparators(path), s.error);
        return out;
    }
    out.library = std::move(lib);
    return out;
}

bool Library::reconnect(QString* error)
{
    const LibraryStatus s = connect();
    if (!s.ok() && error)
        *error = s.error;
    return s.ok();
}

int Library::schemaVersion() const { return m_db ? LibrarySchemaVersionOf(m_db) : 0; }

std::optional<std::int64_t> Library::beginRecording(const RecordingHeader& h, LibraryStatus* status)
{
    auto failed = [&](int rc) -> std::optional<std::int64_t> {
        if (status)
            *status = fail(rc, QStringLiteral("cannot begin a recording"));
        return std::nullopt;
    };
    if (!m_db)
        return failed(SQLITE_CANTOPEN);
    Transaction tx(*m_write);
    if (tx.began() != SQLITE_OK)
        return failed(tx.began());
    SqliteStatement item(m_db, "INSERT INTO items(kind, created, name, source) VALUES ('recording', ?, ?, ?)");
    item.bind(1, h.started);
    item.bind(2, h.name);
    item.bind(3, h.source);
    if (int rc = item.step(); rc != SQLITE_DONE)
        return failed(rc);
    const std::int64_t id = sqlite3_last_insert_rowid(m_db);
    SqliteStatement rec(m_db,
                        "INSERT INTO recordings(id, started, rate_seconds, record_count, meter_model, "
                        "meter_serial, unit, state, open_ended) VALUES (?,?,?,?,?,?,?,'recording',?)");
    rec.bind(1, id);
    rec.bind(2, h.started);
    rec.bind(3, h.rateSeconds);
    rec.bind(4, h.recordCount);
    rec.bind(5, h.meterModel);
    rec.bind(6, h.meterSerial);
    rec.bind(7, h.unit);
    rec.bind(8, h.openEnded ? 1 : 0);
    if (int rc = rec.step(); rc != SQLITE_DONE)
        return failed(rc);
    if (h.meters.size() > 1) {
        SqliteStatement meter(m_db, "INSERT INTO recording_meters VALUES (?,?,?,?,?)");
        for (std::size_t k = 0; k < h.meters.size() && k < std::size_t(kMaxRecordingMeters); ++k) {
            meter.bind(1, id);
            meter.bind(2, int(k));
            meter.bind(3, h.meters[k].model);
            meter.bind(4, h.meters[k].serial);
            meter.bind(5, h.meters[k].name);
            if (int rc = meter.step(); rc != SQLITE_DONE)
                return failed(rc);
            meter.reset();
        }
    }
    if (int rc = tx.commit(); rc != SQLITE_OK)
        return failed(rc);
    if (status)
        *status = {};
    return id;
}

LibraryStatus Library::appendSamples(std::int64_t id, std::int64_t first, const JournalSample* samples, std::size_t n)
{
    return appendRows(id, first, samples, nullptr, n);
}

LibraryStatus Library::appendRows(std::int64_t id, std::int64_t first, const JournalSample* samples,
                                  const JournalRowRest* rests, std::size_t n)
{
    if (!m_db)
        return fail(SQLITE_CANTOPEN, QStringLiteral("cannot write samples"));
    if (n == 0)
        return {};
    Transaction tx(*m_write);
    if (tx.began() != SQLITE_OK)
        return fail(tx.began(), QStringLiteral("cannot write samples"));
    // A run of one meter writes its rows as every earlier version did.
    SqliteStatement& ins = rests ? m_write->insertRow : m_write->insertSample;
    SqliteStatement& other = m_write->insertMeterSample;
    for (std::size_t k = 0; k < n; ++k) {
        const JournalSample& s = samples[k];
        const std::int64_t seq = first + std::int64_t(k);
        ins.bind(1, id);
        ins.bind(2, seq);
        ins.bind(3, s.time);
        ins.bind(4, int(s.flags));
        for (int c = 0; c < 4; ++c)
            ins.bind(5 + c, double(s.t[std::size_t(c)]));
        if (rests)
            ins.bind(9, int(rests[k].absent));
        if (const int rc = runOnce(ins); rc != SQLITE_OK)
            return fail(rc, QStringLiteral("cannot write samples"));
        if (!rests)
            continue;
        for (std::size_t m = 0; m < rests[k].others.size() && m + 1 < std::size_t(kMaxRecordingMeters); ++m) {
            if (rests[k].absent & (1u << (m + 1)))
                continue;  // a gap is the row that is not there
            const JournalSample& o = rests[k].others[m];
            other.bind(1, id);
            other.bind(2, seq);
            other.bind(3, int(m + 1));
            other.bind(4, int(o.flags));
            for (int c = 0; c < 4; ++c)
                other.bind(5 + c, double(o.t[std::size_t(c)]));
            if (const int rc = runOnce(other); rc != SQLITE_OK)
                return fail(rc, QStringLiteral("cannot write samples"));
        }
    }
    if (int rc = tx.commit(); rc != SQLITE_OK)
        return fail(rc, QStringLiteral("cannot write samples"));
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastCheckpoint >= kCheckpointEvery) {
        m_lastCheckpoint = now;
        keepWalInHand();
    }
    return {};
}

void Library::keepWalInHand()
{
    int frames = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, &frames, &copied);
    // The checkpoint syncs the log only when it can copy something into the file; a
    // reader's snapshot can stop it for as long as the reader likes, so the log is
    // synced here in any case.
    sqlite3_file* wal = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &wal) == SQLITE_OK && wal && wal->pMethods)
        wal->pMethods->xSync(wal, SQLITE_SYNC_NORMAL);
    if (rc != SQLITE_OK || frames < 0)
        return;
    // Each frame is a page and its 24-byte header.
    const std::int64_t bytes = std::int64_t(frames) * (m_pageSize + 24);
    m_walPeakBytes = std::max(m_walPeakBytes, bytes);
    m_walHeldBytes = copied < frames ? bytes : 0;
    if (copied < frames || m_walPeakBytes <= kWalTruncateAbove)
        return;
    // Everything is in the file: give the disk back. Without waiting: a reader that
    // came in since keeps it for the next time.
    sqlite3_busy_timeout(m_db, 0);
    if (sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) == SQLITE_OK)
        m_walPeakBytes = 0;
    sqlite3_busy_timeout(m_db, kWriteWaitMs);
}

LibraryStatus Library::writeSampleCount(std::int64_t id)
{
    SqliteStatement upd(m_db,
                        "UPDATE recordings SET "
                        "sample_count = max(sample_count, "
                        "coalesce((SELECT max(seq) + 1 FROM samples WHERE recording_id = ?1), 0)), "
                        "last_time = coalesce((SELECT time FROM samples WHERE recording_id = ?1 "
                        "ORDER BY seq DESC LIMIT 1), last_time) "
                        "WHERE id = ?1");
    upd.bind(1, id);
    if (int rc = upd.step(); rc != SQLITE_DONE)
        return fail(rc, QStringLiteral("cannot count the samples"));
    return {};
}

LibraryStatus Library::writeStatistics(std::int64_t id, const RecordingStatistics& st)
{
    SqliteStatement ins(m_db, "INSERT OR REPLACE INTO recording_statistics VALUES (?,?,?,?,?,?,?,?,?,?)");
    for (int c = 0; c < 4; ++c) {
        const RecordingChannelStatistics& ch = st.channels[std::size_t(c)];
        ins.bind(1, id);
        ins.bind(2, c + 1);
        if (st.samples > 0) {
            ins.bind(3, double(ch.maximum));
            ins.bind(4, ch.maximumTime);
            ins.bind(5, int(ch.maximumFlags));
            ins.bind(6, double(ch.minimum));
            ins.bind(7, ch.minimumTime);
            ins.bind(8, int(ch.minimumFlags));
        } else {
            for (int k = 3; k <= 8; ++k)
                ins.bindNull(k);
        }
        if (ch.averaged > 0)
            ins.bind(9, ch.sum / double(ch.averaged));
        else
            ins.bindNull(9);
        ins.bind(10, ch.averaged);
        if (int rc = ins.step(); rc != SQLITE_DONE)
            return fail(rc, QStringLiteral("cannot write statistics"));
        ins.reset();
    }
    return {};
}

LibraryStatus Library::appendAlarmEvents(std::int64_t id, std::int64_t first, const ChartAlarmEvent* events,
                                         std::size_t n)
{
    if (!m_db)
        return fail(SQLITE_CANTOPEN, QStringLiteral("cannot write alarm events"));
    if (n == 0)
        return {};
    Transaction tx(*m_write);
    if (tx.began() != SQLITE_OK)
        return fail(tx.began(), QStringLiteral("cannot write alarm events"));
    // A number written before (a retry after a failed commit) is written again, not doubled.
    SqliteStatement ins(m_db, "INSERT OR REPLACE INTO alarm_events VALUES (?,?,?,?,?,?)");
    for (std::size_t k = 0; k < n; ++k) {
        const ChartAlarmEvent& e = events[k];
        ins.bind(1, id);
        ins.bind(2, first + std::int64_t(k));
        ins.bind(3, e.x);
        ins.bind(4, e.subset);
        ins.bind(5, double(e.value));
        ins.bind(6, e.kind);
        if (int rc = ins.step(); rc != SQLITE_DONE)
            return fail(rc, QStringLiteral("cannot write alarm events"));
        ins.reset();
    }
    if (int rc = tx.commit(); rc != SQLITE_OK)
        return fail(rc, QStringLiteral("cannot write alarm events"));
    return {};
}

LibraryStatus Library::endRecording(std::int64_t id, const char* state, const RecordingStatistics& statistics,
                                    const std::vector<RecordingAnnotation>& annotations,
                                    const std::vector<ChartAlarmEvent>& alarmEvents)
{
    if (!m_db)
        return fail(SQLITE_CANTOPEN, QStringLiteral("cannot end the recording"));
    Transaction tx(*m_write);
    if (tx.began() != SQLITE_OK)
        return fail(tx.began(), QStringLiteral("cannot end the recording"));
    SqliteStatement upd(m_db, "UPDATE recordings SET state = ? WHERE id = ?");
    upd.bind(1, QString::fromLatin1(state));
    upd.bind(2, id);
    if (int rc = upd.step(); rc != SQLITE_DONE)
        return fail(rc, QStringLiteral("cannot end the recording"));
    // While the run was taken its count and last time were only in its samples.
    if (LibraryStatus s = writeSampleCount(id); !s.ok())
        return s;
    if (LibraryStatus s = writeStatistics(id, statistics); !s.ok())
        return s;
    std::vector<RecordingAnnotation> ownAnnotations = annotations;
    if (const std::optional<RecordingSpan> span = readRecordingSpan(m_db, id))
        keepWithin(ownAnnotations, *span);
    SqliteStatement clear(m_db, "DELETE FROM annotations WHERE recording_id = ?");
    clear.bind(1, id);
    clear.step();
    SqliteStatement ins(m_db, "INSERT INTO annotations VALUES (?,?,?,?,?,?,?)");
    for (std::size_t k = 0; k < ownAnnotations.size(); ++k) {
        const RecordingAnnotation& a = ownAnnotations[k];
        ins.bind(1, id);
        ins.bind(2, std::int64_t(k));
        ins.bind(3, a.x);
        ins.bind(4, a.y);
        ins.bind(5, a.type);
        ins.bind(6, a.color);
        ins.bind(7, a.text);
        if (int rc = ins.step(); rc != SQLITE_DONE)
            return fail(rc, QStringLiteral("cannot write annotations"));
        ins.reset();
    }
    SqliteStatement clearEvents(m_db, "DELETE FROM alarm_events WHERE recording_id = ?");
    clearEvents.bind(1, id);
    clearEvents.step();
    SqliteStatement event(m_db, "INSERT INTO alarm_events VALUES (?,?,?,?,?,?)");
    for (std::size_t k = 0; k < alarmEvents.size(); ++k) {
        const ChartAlarmEvent& e = alarmEvents[k];
        event.bind(1, id);
        event.bind(2, std::int64_t(k));
        event.bind(3, e.x);
        event.bind(4, e.subset);
        event.bind(5, double(e.value));
        event.bind(6, e.kind);
        if (int rc = event.step(); rc != SQLITE_DONE)
            return fail(rc, QStringLiteral("cannot write alarm events"));
        event.reset();
    }
    if (int rc = tx.commit(); rc != SQLITE_OK)
        return fail(rc, QStringLiteral("cannot end the recording"));
    return {};
}

std::optional<RecordingStatistics> Library::computeStatistics(std::int64_t id, QString* error) const
{
    RecordingStatistics st;
    // The first meter's rows where it gave no reading hold no values to count.
    if (!forEachRow(
            id, 1,
            [&st](const JournalSample& s, const JournalRowRest& rest) {
                if (!(rest.absent & 1u))
                    st.add(s);
                return true;
            },
            error))
        return std::nullopt;
    return st;
}

LibraryStatus Library::updateStatistics(std::int64_t id)
{
    QString error;
    const auto st = computeStatistics(id, &error);
    if (!st)
        return LibraryStatus{SQLITE_ERROR, error};
    if (LibraryStatus s = writeSampleCount(id); !s.ok())
        return s;
    return writeStatistics(id, *st);
}

std::vector<LibraryEntry> Library::markInterrupted(const std::function<bool(std::int64_t)>& stillWritten,
                                                   LibraryStatus* status)
{
    std::vector<LibraryEntry> found;
    if (status)
        *status = {};
    if (!m_db)
        return found;
    std::vector<std::int64_t> ids;
    {
        SqliteStatement q(m_db, "SELECT id FROM recordings WHERE state = 'recording' ORDER BY id");
        while (q.step() == SQLITE_ROW)
            if (!stillWritten || !stillWritten(q.int64(0)))
                ids.push_back(q.int64(0));
    }
    for (std::int64_t id : ids) {
        QString error;
        const auto st = computeStatistics(id, &error);
        // What the journal wrote while the run lived stays with it.
        LibraryStatus s =
            st ? endRecording(id, kStateInterrupted, *st, readAnnotations(m_db, id), readAlarmEvents(m_db, id))
               : LibraryStatus{SQLITE_ERROR, error};
        if (!s.ok()) {
            if (status)
                *status = s;
            continue;
        }
        if (auto e = entry(id, nullptr))
            found.push_back(*e);
    }
    return found;
}

bool Library::forEachSample(std::int64_t id, const std::function<bool(const JournalSample&)>& row, QString* error) const
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("the library is not open");
        return false;
    }
    SqliteStatement q(m_db, "SELECT time, flags, t1, t2, t3, t4 FROM samples WHERE recording_id = ? ORDER BY seq");
    q.bind(1, id);
    int rc;
    JournalSample s;
    while ((rc = q.step()) == SQLITE_ROW) {
        s.time = q.real(0);
        s.flags = std::uint8_t(q.int64(1));
        for (int c = 0; c < 4; ++c)
            s.t[std::size_t(c)] = float(q.real(2 + c));
        if (!row(s))
            return true;
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    return true;
}

bool Library::readSamples(std::int64_t id, std::int64_t first, std::size_t maxCount, std::vector<JournalSample>& out,
                          QString* error) const
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("the library is not open");
        return false;
    }
    SqliteStatement q(m_db,
                      "SELECT time, flags, t1, t2, t3, t4 FROM samples WHERE recording_id = ? AND seq >= ? "
                      "ORDER BY seq LIMIT ?");
    q.bind(1, id);
    q.bind(2, first);
    q.bind(3, std::int64_t(std::min<std::size_t>(maxCount, std::size_t(INT64_MAX))));
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        JournalSample s;
        s.time = q.real(0);
        s.flags = std::uint8_t(q.int64(1));
        for (int c = 0; c < 4; ++c)
            s.t[std::size_t(c)] = float(q.real(2 + c));
        out.push_back(s);
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    return true;
}

std::vector<RecordingMeter> Library::recordingMeters(std::int64_t id) const
{
    RecordingHeader h;
    if (m_db)
        readRecordingHeader(m_db, id, QString(), h);
    return h.meters;
}

bool Library::forEachRow(std::int64_t id, int meters,
                         const std::function<bool(const JournalSample&, const JournalRowRest&)>& row,
                         QString* error) const
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("the library is not open");
        return false;
    }
    meters = std::clamp(meters, 1, kMaxRecordingMeters);
    SqliteStatement q(m_db,
                      "SELECT seq, time, flags, t1, t2, t3, t4, meters_absent FROM samples WHERE recording_id = ? "
                      "ORDER BY seq");
    // The other meters' rows come in the same order: the two walk side by side.
    SqliteStatement o(m_db,
                      "SELECT seq, meter, flags, t1, t2, t3, t4 FROM meter_samples WHERE recording_id = ? "
                      "ORDER BY seq, meter");
    q.bind(1, id);
    o.bind(1, id);
    int orc = meters > 1 ? o.step() : SQLITE_DONE;
    int rc;
    JournalSample s;
    JournalRowRest rest;
    while ((rc = q.step()) == SQLITE_ROW) {
        const std::int64_t seq = q.int64(0);
        s.time = q.real(1);
        s.flags = std::uint8_t(q.int64(2));
        for (int c = 0; c < 4; ++c)
            s.t[std::size_t(c)] = float(q.real(3 + c));
        rest.absent = std::uint8_t(q.int64(7));
        rest.others.assign(std::size_t(meters - 1), MeterGap(s.time));
        std::uint8_t present = 1;  // the first meter's part is always in the row
        while (orc == SQLITE_ROW && o.int64(0) <= seq) {
            const std::int64_t m = o.int64(1);
            if (o.int64(0) == seq && m >= 1 && m < meters) {
                JournalSample& other = rest.others[std::size_t(m - 1)];
                other.flags = std::uint8_t(o.int64(2));
                for (int c = 0; c < 4; ++c)
                    other.t[std::size_t(c)] = float(o.real(3 + c));
                present |= std::uint8_t(1u << m);
            }
            orc = o.step();
        }
        // A meter's row that is not there is a gap, whatever the mask says.
        rest.absent |= std::uint8_t(~present & ((1u << meters) - 1u));
        if (!row(s, rest))
            return true;
    }
    if (rc != SQLITE_DONE || (orc != SQLITE_DONE && orc != SQLITE_ROW)) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    return true;
}

std::optional<RecordingData> Library::loadRecording(std::int64_t id, std::size_t maxPoints, QString* error) const
{
    const std::optional<LibraryEntry> e = entry(id, error);
    if (!e)
        return std::nullopt;
    if (e->kind != EntryKind::Recording) {
        if (error)
            *error = QStringLiteral("item %1 is a download, not a recording").arg(id);
        return std::nullopt;
    }
    RecordingData data;
    data.entry = *e;
    readRecordingHeader(m_db, id, e->name, data.header);

    // Stretches of `bucket` samples each become two envelope points.
    const std::int64_t n = e->samples;
    const std::int64_t bucket = maxPoints >= 2 && n > std::int64_t(maxPoints)
                                    ? (n + std::int64_t(maxPoints / 2) - 1) / std::int64_t(maxPoints / 2)
                                    : 1;
    data.decimated = bucket > 1;
    // The count on the row only sizes the first allocation; the rows decide the rest.
    data.samples.reserve(std::size_t(std::clamp<std::int64_t>(bucket > 1 ? (n / bucket + 1) * 2 : n, 0, 1 << 20)));
    SampleEnvelope envelope(bucket, data.samples);
    const int meters = std::max<int>(1, int(data.header.meters.size()));
    data.otherMeters.resize(std::size_t(meters - 1));
    data.otherStatistics.resize(std::size_t(meters - 1));
    std::vector<SampleEnvelope> others;
    for (auto& list : data.otherMeters) {
        list.reserve(data.samples.capacity());
        others.emplace_back(bucket, list);
    }
    const bool ok = forEachRow(
        id, meters,
        [&](const JournalSample& s, const JournalRowRest& rest) {
            if (!(rest.absent & 1u))
                data.statistics.add(s);
            if (bucket == 1) {
                data.samples.push_back(s);
                if (meters > 1)
                    data.absent.push_back(rest.absent);
            } else {
                envelope.add(s);
            }
            for (std::size_t m = 0; m < rest.others.size(); ++m) {
                const JournalSample& o = rest.others[m];
                if (!(rest.absent & (1u << (m + 1))))
                    data.otherStatistics[m].add(o);
                if (bucket == 1)
                    data.otherMeters[m].push_back(o);
                else
                    others[m].add(o);
            }
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;
    envelope.finish();
    for (SampleEnvelope& other : others)
        other.finish();
    // A library written before the marks were sorted by run may hold others too.
    const RecordingSpan span = recordingSpan(data.header.started, e->end, data.header.rateSeconds, n);
    data.annotations = readAnnotations(m_db, id);
    keepWithin(data.annotations, span);
    data.alarmEvents = readAlarmEvents(m_db, id);
    return data;
}

std::optional<std::int64_t> Library::storeDownload(const QByteArray& image, const std::vector<DataSet>& sets,
                                                   double when, const QString& meterSerial, const QString& source,
                                                   LibraryStatus* status)
{
    auto failed = [&](int rc) -> std::optional<std::int64_t> {
        if (status)
            *status = fail(rc, QStringLiteral("cannot store the download"));
        return std::nullopt;
    };
    if (!m_db)
        return failed(SQLITE_CANTOPEN);
    Transaction tx(*m_write);
    if (tx.began() != SQLITE_OK)
        return failed(tx.began());
    SqliteStatement item(m_db, "INSERT INTO items(kind, created, source) VALUES ('download', ?, ?)");
    item.bind(1, when);
    item.bind(2, source);
    if (int rc = item.step(); rc != SQLITE_DONE)
        return failed(rc);
    const std::int64_t id = sqlite3_last_insert_rowid(m_db);
    SqliteStatement d(m_db, "INSERT INTO downloads(id, downloaded, meter_serial, image) VALUES (?,?,?,?)");
    d.bind(1, id);
    d.bind(2, when);
    d.bind(3, meterSerial);
    d.bindBlob(4, image);
    if (int rc = d.step(); rc != SQLITE_DONE)
        return failed(rc);
    SqliteStatement ins(m_db, "INSERT INTO download_sets VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    for (std::size_t k = 0; k < sets.size(); ++k) {
        const DataSet& s = sets[k];
        ins.bind(1, id);
        ins.bind(2, int(k + 1));
        ins.bind(3, s.start);
        ins.bind(4, s.interval);
        ins.bind(5, s.sampleCount);
        ins.bind(6, FormatUnit(s));
        ins.bind(7, FormatCouple(s.thermoType));
        for (int c = 0; c < 4; ++c)
            ins.bind(8 + c, OffsetInUnit(s, c));
        if (int rc = ins.step(); rc != SQLITE_DONE)
            return failed(rc);
        ins.reset();
    }
    if (int rc = tx.commit(); rc != SQLITE_OK)
        return failed(rc);
    if (status)
        *status = {};
    return id;
}

std::optional<DownloadData> Library::loadDownload(std::int64_t id, QString* error) const
{
    const std::optional<LibraryEntry> e = entry(id, error);
    if (!e)
        return std::nullopt;
    SqliteStatement q(m_db, "SELECT image FROM downloads WHERE id = ?");
    q.bind(1, id);
    if (q.step() != SQLITE_ROW) {
        if (error)
            *error = QStringLiteral("item %1 is a recording, not a download").arg(id);
        return std::nullopt;
    }
    return DownloadData{*e, q.blob(0)};
}

std::vector<LibraryEntry> Library::list(QString* error) const
{
    std::vector<LibraryEntry> out;
    if (!m_db) {
        if (error)
            *error = QStringLiteral("the library is not open");
        return out;
    }
    SqliteStatement q(m_db, (QByteArray(kEntrySelect) + " ORDER BY i.id").constData());
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        out.push_back(readEntry(q));
    if (rc != SQLITE_DONE && error)
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return out;
}

std::optional<LibraryEntry> Library::entry(std::int64_t id, QString* error) const
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("the library is not open");
        return std::nullopt;
    }
    SqliteStatement q(m_db, (QByteArray(kEntrySelect) + " WHERE i.id = ?").constData());
    q.bind(1, id);
    if (q.step() == SQLITE_ROW)
        return readEntry(q);
    if (error)
        *error = QStringLiteral("there is no item %1 in the library").arg(id);
    return std::nullopt;
}

LibraryStatus Library::updateItemText(std::int64_t id, const char* sql, const QString& text, const QString& what)
{
    if (!m_db)
        return fail(SQLITE_CANTOPEN, what);
    SqliteStatement q(m_db, sql);
    q.bind(1, text);
    q.bind(2, id);
    if (int rc = q.step(); rc != SQLITE_DONE)
        return fail(rc, what);
    if (sqlite3_changes(m_db) == 0)
        return {SQLITE_NOTFOUND, QStringLiteral("there is no item %1 in the library").arg(id)};
    return {};
}

LibraryStatus Library::rename(std::int64_t id, const QString& name)
{
    return updateItemText(id, "UPDATE items SET name = ? WHERE id = ?", name, QStringLiteral("cannot rename"));
}

LibraryStatus Library::setNote(std::int64_t id, const QString& note)
{
    return updateItemText(id, "UPDATE items SET note = ? WHERE id = ?", note, QStringLiteral("cannot write the note"));
}

LibraryStatus Library::remove(std::int64_t id)
{
    if (!m_db)
        return fail(SQLITE_CANTOPEN, QStringLiteral("cannot delete"));
    SqliteStatement q(m_db, "DELETE FROM items WHERE id = ?");
    q.bind(1, id);
    if (int rc = q.step(); rc != SQLITE_DONE)
        return fail(rc, QStringLiteral("cannot delete"));
    if (sqlite3_changes(m_db) == 0)
        return {SQLITE_NOTFOUND, QStringLiteral("there is no item %1 in the library").arg(id)};
    return {};
}

QString Library::integrityCheck() const
{
    if (!m_db)
        return QStringLiteral("not open");
    SqliteStatement q(m_db, "PRAGMA integrity_check");
    QStringList lines;
    while (q.step() == SQLITE_ROW)
        lines << q.text(0);
    return lines.join(QLatin1Char('\n'));
}

QString LibraryWriteProblem(const QString& path, const LibraryStatus& status)
{
    return QStringLiteral(
               "The library %1 cannot be written (%2). Recording goes on; the samples are kept in "
               "memory and written as soon as the library can take them.")
        .arg(QDir::toNativeSeparators(path), status.error);
}

}  // namespace kelvor
