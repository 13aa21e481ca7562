// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "failingvfs.h"
#include "graph/graphfile.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "library/libraryexport.h"
#include "library/libraryschema.h"
#include "library/libraryverdicts.h"
#include "library/runjournal.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"
#include "memoryimage_builder.h"
#include "profile/profilereader.h"

using namespace kelvor;

namespace {

constexpr double kStart = 46027.5;  // 5 Jan 2026 12:00

JournalSample sampleAt(int i)
{
    JournalSample s;
    s.time = kStart + i * 2.0 / 86400.0;
    s.t = {20.0f + float(i % 7), -5.5f + float(i % 3), 100.0f - float(i), 9999.0f};
    s.flags = 0x80 | (i % 11 == 0 ? 0x01 : 0);  // T1 over range now and then; T4 always "----"
    return s;
}

RecordingHeader header(int count = 2000)
{
    RecordingHeader h;
    h.started = kStart;
    h.rateSeconds = 2;
    h.recordCount = count;
    h.meterModel = QStringLiteral("QZX");
    h.meterSerial = QStringLiteral("SN-0042");
    h.name = QStringLiteral("kiln test");
    return h;
}

std::unique_ptr<Library> openIn(const QTemporaryDir& dir, QString* notice = nullptr)
{
    LibraryOpenResult r = Library::open(dir.path());
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    if (notice)
        *notice = r.notice;
    return std::move(r.library);
}

QByteArray threeSetImage()
{
    TestDataSet a, b, c;
    a.values = {250, 260, 270, 280, 251, 261, 271, 281};
    b.values = {100, 101, 102, 103};
    b.flags = 0x10;
    c.values = std::vector<std::int16_t>(40, 300);
    return buildImage({a, b, c});
}

std::vector<DataSet> decodedSets(const QByteArray& image)
{
    ManualClock clock;
    DataSetStore store;
    EXPECT_TRUE(DecodeDataSets(image, store, clock).ok());
    return store.sets;
}

// What an SQL tool reads on a recording's row: its sample count and last time.
std::pair<std::int64_t, double> rowCountAndLastTime(const QTemporaryDir& dir, std::int64_t id)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(Library::pathIn(dir.path())).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT sample_count, last_time FROM recordings WHERE id = ?", -1, &q, nullptr);
    sqlite3_bind_int64(q, 1, id);
    std::pair<std::int64_t, double> out{-1, 0.0};
    if (sqlite3_step(q) == SQLITE_ROW)
        out = {sqlite3_column_int64(q, 0), sqlite3_column_double(q, 1)};
    sqlite3_finalize(q);
    sqlite3_close(db);
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(Library, RecordingRoundTripsWithStatisticsAndAnnotations)
{
    QTemporaryDir dir;
    std::vector<JournalSample> taken;
    RecordingStatistics expected;
    std::int64_t id = 0;
    {
        auto lib = openIn(dir);
        LibraryStatus s;
        id = *lib->beginRecording(header(), &s);
        for (int i = 0; i < 50; ++i) {
            taken.push_back(sampleAt(i));
            expected.add(taken.back());
            ASSERT_TRUE(lib->appendSample(id, i, taken.back()).ok());
        }
        const std::vector<RecordingAnnotation> notes{{kStart, 25.0, 2, 0x0000FF, QStringLiteral("lid opened")}};
        const std::vector<ChartAlarmEvent> alarms{{kStart + 0.001, 2, 181.5f, 0}, {kStart + 0.002, 2, 178.0f, 1}};
        ASSERT_TRUE(lib->endRecording(id, kStateComplete, expected, notes, alarms).ok());
        ASSERT_TRUE(lib->rename(id, QStringLiteral("oven ramp")).ok());
        ASSERT_TRUE(lib->setNote(id, QStringLiteral("probe 3 loose")).ok());
    }
    auto lib = openIn(dir);  // what was committed is what a new connection reads
    QString error;
    const auto data = lib->loadRecording(id, 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->samples, taken);
    EXPECT_FALSE(data->decimated);
    EXPECT_EQ(data->statistics, expected);
    EXPECT_EQ(data->entry.state, QLatin1String(kStateComplete));
    EXPECT_EQ(data->entry.samples, 50);
    EXPECT_EQ(data->entry.name, QStringLiteral("oven ramp"));
    EXPECT_EQ(data->entry.note, QStringLiteral("probe 3 loose"));
    EXPECT_EQ(data->header.meterSerial, QStringLiteral("SN-0042"));
    ASSERT_EQ(data->annotations.size(), 1u);
    EXPECT_EQ(data->annotations[0].text, QStringLiteral("lid opened"));
    EXPECT_EQ(data->alarmEvents,
              (std::vector<ChartAlarmEvent>{{kStart + 0.001, 2, 181.5f, 0}, {kStart + 0.002, 2, 178.0f, 1}}));
    // The statistics follow the run's rules: gaps never enter an average, a flagged
    // extreme keeps its flags.
    EXPECT_EQ(expected.channels[3].averaged, 0);
    EXPECT_EQ(expected.channels[0].maximumFlags & 1, 0);
    EXPECT_EQ(lib->integrityCheck(), QStringLiteral("ok"));
}

TEST(Library, ARecordingKeepsOnlyTheAnnotationsWithinItsRun)
{
    // The chart hands over every annotation cell it has: parked ones (X 0), those of the
    // run before and after, and this run's own, one of them just after the last sample.
    QTemporaryDir dir;
    auto lib = openIn(dir);
    LibraryStatus s;
    const std::int64_t id = *lib->beginRecording(header(), &s);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(lib->appendSample(id, i, sampleAt(i)).ok());
    const double last = sampleAt(9).time;
    const double second = 1.0 / 86400.0;
    const std::vector<RecordingAnnotation> cells{
        {0.0, 0.0, 2, 0, QString()},                                  // parked by Clear
        {0.0, 0.0, 0, 0, QStringLiteral("parked text")},              //
        {kStart - 60 * second, 20.0, 0, 0, QStringLiteral("run 1")},  // the run before
        {kStart, 21.0, 2, 0, QString()},                              // at the first sample
        {kStart + 5 * second, 22.0, 0, 0, QStringLiteral("lid opened")},
        {last + 1.5 * second, 23.0, 0, 0, QStringLiteral("at the end")},  // within one interval (2 s)
        {last + 30 * second, 24.0, 0, 0, QStringLiteral("later")},
    };
    ASSERT_TRUE(lib->endRecording(id, kStateComplete, RecordingStatistics{}, cells).ok());
    QString error;
    const auto data = lib->loadRecording(id, 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    QStringList kept;
    for (const RecordingAnnotation& a : data->annotations)
        kept << (a.text.isEmpty() ? QStringLiteral("cross at %1").arg(a.y) : a.text);
    EXPECT_EQ(kept, (QStringList{"cross at 21", "lid opened", "at the end"}));

    // A library written before the annotations were sorted by run is read the same way.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(lib->path().toUtf8().constData(), &db), SQLITE_OK);
    const QByteArray parked = "INSERT INTO annotations VALUES (" + QByteArray::number(id) + ", 99, 0, 0, 2, 0, '')";
    ASSERT_EQ(sqlite3_exec(db, parked.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(lib->loadRecording(id, 0, &error)->annotations.size(), 3u);
}

TEST(Library, DownloadKeepsTheImageByteForByteAndListsItsSets)
{
    QTemporaryDir dir;
    auto lib = openIn(dir);
    const QByteArray image = threeSetImage();
    LibraryStatus s;
    const auto id =
        lib->storeDownload(image, decodedSets(image), kStart, QStringLiteral("SN-1"), QStringLiteral("download"), &s);
    ASSERT_TRUE(id) << s.error.toStdString();
    QString error;
    const auto d = lib->loadDownload(*id, &error);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->image, image);
    EXPECT_EQ(d->entry.kind, EntryKind::Download);
    EXPECT_EQ(d->entry.dataSets, 3);
    EXPECT_EQ(d->entry.samples, 2 + 1 + 10);
    EXPECT_FALSE(lib->loadRecording(*id, 0, &error));  // a download is not a recording
}

TEST(Library, ListRenameAndDeleteAcrossKinds)
{
    QTemporaryDir dir;
    auto lib = openIn(dir);
    LibraryStatus s;
    const auto rec = *lib->beginRecording(header(), &s);
    lib->appendSample(rec, 0, sampleAt(0));
    const QByteArray image = threeSetImage();
    const auto dl = *lib->storeDownload(image, decodedSets(image), kStart + 1, {}, {}, &s);
    QString error;
    auto rows = lib->list(&error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, rec);
    EXPECT_EQ(rows[0].state, QLatin1String(kStateRecording));
    EXPECT_EQ(rows[1].id, dl);
    ASSERT_TRUE(lib->remove(rec).ok());
    EXPECT_FALSE(lib->remove(rec).ok());  // already gone: said, not ignored
    EXPECT_FALSE(lib->rename(rec, QStringLiteral("x")).ok());
    rows = lib->list(&error);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, dl);
    // Its samples went with it, and ids are never given out twice.
    const auto next = *lib->beginRecording(header(), &s);
    EXPECT_GT(next, dl);
    QString sampleError;
    std::int64_t left = 0;
    lib->forEachSample(
        rec, [&left](const JournalSample&) { return ++left, true; }, &sampleError);
    EXPECT_EQ(left, 0);
}

TEST(Library, LongRecordingLoadsAsAnEnvelopeWithExactStatistics)
{
    QTemporaryDir dir;
    auto lib = openIn(dir);
    LibraryStatus s;
    const auto id = *lib->beginRecording(header(), &s);
    std::vector<JournalSample> all;
    RecordingStatistics expected;
    for (int i = 0; i < 10000; ++i) {
        JournalSample x = sampleAt(i);
        x.t[1] = i == 6543 ? 777.0f : x.t[1];  // one spike the envelope must keep
        if (i < 100)
            x.flags |= 0x04;  // T3 over range for the first stretch
        all.push_back(x);
        expected.add(x);
    }
    ASSERT_TRUE(lib->appendSamples(id, 0, all.data(), all.size()).ok());
    QString error;
    const auto data = lib->loadRecording(id, 1000, &error);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->decimated);
    EXPECT_LE(data->samples.size(), 1002u);
    EXPECT_EQ(data->statistics, expected);
    float highest = -1e9f;
    for (const JournalSample& p : data->samples) {
        highest = std::max(highest, p.t[1]);
        EXPECT_TRUE(p.flags & 0x80) << "T4 was a gap throughout and stays one";
        EXPECT_FALSE(p.flags & 0x08) << "T4 had no reading: never over range";
    }
    // A stretch that was over range stays "OL", not "----".
    EXPECT_EQ(data->samples.front().flags & 0x44, 0x04);
    EXPECT_EQ(highest, 777.0f);
    EXPECT_EQ(data->samples.front().time, all.front().time);
    EXPECT_EQ(data->samples.back().time, all.back().time);
}

// The first released schema, as it was. A library written by that version must open
// with everything in it.
TEST(Library, MigratesAVersionOneLibrary)
{
    QTemporaryDir dir;
    const QByteArray image = threeSetImage();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(Library::pathIn(dir.path())).constData(), &db), SQLITE_OK);
        const char* v1 = R"sql(
CREATE TABLE schema_version(version INTEGER NOT NULL);
CREATE TABLE items(id INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL CHECK (kind IN ('recording', 'download')), created REAL NOT NULL,
  name TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '');
CREATE TABLE recordings(id INTEGER PRIMARY KEY REFERENCES items(id) ON DELETE CASCADE,
  started REAL NOT NULL, rate_seconds INTEGER NOT NULL, record_count INTEGER NOT NULL,
  meter_model TEXT NOT NULL DEFAULT '', meter_serial TEXT NOT NULL DEFAULT '', unit TEXT NOT NULL DEFAULT 'C',
  state TEXT NOT NULL CHECK (state IN ('recording', 'complete', 'interrupted')),
  sample_count INTEGER NOT NULL DEFAULT 0, last_time REAL);
CREATE TABLE samples(recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL, time REAL NOT NULL, flags INTEGER NOT NULL,
  t1 REAL NOT NULL, t2 REAL NOT NULL, t3 REAL NOT NULL, t4 REAL NOT NULL,
  PRIMARY KEY (recording_id, seq)) WITHOUT ROWID;
CREATE TABLE downloads(id INTEGER PRIMARY KEY REFERENCES items(id) ON DELETE CASCADE,
  downloaded REAL NOT NULL, meter_serial TEXT NOT NULL DEFAULT '', image BLOB NOT NULL);
INSERT INTO schema_version(version) VALUES (1);
INSERT INTO items VALUES (1, 'recording', 46027.5, 'old run', 'v1 note');
INSERT INTO recordings VALUES (1, 46027.5, 2, 10, 'QZX', 'SN-7', 'C', 'complete', 2, 46027.50002);
INSERT INTO samples VALUES (1, 0, 46027.5, 0, 21.5, 22.5, 23.5, 24.5);
INSERT INTO samples VALUES (1, 1, 46027.50002, 1, 3000, 22.0, 23.0, 24.0);
INSERT INTO items VALUES (2, 'download', 46028.0, '', '');
)sql";
        ASSERT_EQ(sqlite3_exec(db, v1, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO downloads VALUES (2, 46028.0, 'SN-7', ?)", -1, &st, nullptr);
        sqlite3_bind_blob(st, 1, image.constData(), int(image.size()), SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    QString notice;
    auto lib = openIn(dir, &notice);
    ASSERT_TRUE(lib);
    EXPECT_TRUE(notice.isEmpty());
    EXPECT_EQ(lib->schemaVersion(), kLibrarySchemaVersion);
    QString error;
    const auto rec = lib->loadRecording(1, 0, &error);
    ASSERT_TRUE(rec) << error.toStdString();
    ASSERT_EQ(rec->samples.size(), 2u);
    EXPECT_EQ(rec->samples[1].t[0], 3000.0f);
    EXPECT_EQ(rec->entry.note, QStringLiteral("v1 note"));
    EXPECT_FALSE(rec->header.openEnded);
    EXPECT_TRUE(rec->header.meters.empty());  // a run of one meter, as before
    EXPECT_TRUE(rec->otherMeters.empty());
    const auto dl = lib->loadDownload(2, &error);
    ASSERT_TRUE(dl);
    EXPECT_EQ(dl->image, image);
    EXPECT_EQ(dl->entry.dataSets, 3);  // listed from the image during the migration
    // The migrated library takes new recordings like a new one.
    LibraryStatus s;
    EXPECT_TRUE(lib->beginRecording(header(), &s)) << s.error.toStdString();
    EXPECT_EQ(lib->integrityCheck(), QStringLiteral("ok"));
}

namespace {

// A library with a few thousand samples, its WAL folded in when it closes.
void writeFullLibrary(const QString& path)
{
    auto r = Library::open(QFileInfo(path).absolutePath());
    LibraryStatus s;
    const auto id = *r.library->beginRecording(header(), &s);
    std::vector<JournalSample> many(3000, sampleAt(1));
    r.library->appendSamples(id, 0, many.data(), many.size());
}

void cutTo(const QString& path, qint64 size)
{
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    f.resize(size);
}

}  // namespace

TEST(Library, UnusableFileIsSetAsideUntouchedAndANewLibraryStarts)
{
    struct Case {
        const char* what;
        std::function<void(const QString&)> make;
        const char* says;  // what the notice calls the file
    };
    const std::vector<Case> cases{
        {"garbage",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(5000, '\x5a'));
         },
         "not a KELVOR library"},
        {"another program's database",
         [](const QString& p) {
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "CREATE TABLE contacts(name TEXT); INSERT INTO contacts VALUES ('Ann')", nullptr, nullptr,
                          nullptr);
             sqlite3_close(db);
         },
         "not a KELVOR library"},
        {"damaged pages",
         [](const QString& p) {
             writeFullLibrary(p);
             QFile f(p);
             f.open(QIODevice::ReadWrite);
             f.seek(4096 * 3);
             f.write(QByteArray(4096 * 4, '\xff'));
         },
         "damaged"},
        // A copy another tool wrote with a rollback journal: the open must not switch it
        // to WAL (which rewrites its header) before finding the damage.
        {"damaged pages, rollback journal",
         [](const QString& p) {
             writeFullLibrary(p);
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
             sqlite3_close(db);
             QFile f(p);
             f.open(QIODevice::ReadWrite);
             f.seek(4096 * 3);
             f.write(QByteArray(4096 * 4, '\xff'));
         },
         "damaged"},
        // A copy or a disk that stopped half-way: the header still counts every page.
        {"cut to half",
         [](const QString& p) {
             writeFullLibrary(p);
             cutTo(p, QFileInfo(p).size() / 2);
         },
         "damaged: the file is cut short"},
        {"cut to its first page",
         [](const QString& p) {
             writeFullLibrary(p);
             cutTo(p, 4096);
         },
         "damaged: the file is cut short, 4096 of"},
        {"cut inside the header",
         [](const QString& p) {
             writeFullLibrary(p);
             cutTo(p, 50);
         },
         "damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = Library::pathIn(dir.path());
        c.make(path);
        // Fold a left-over WAL into the file so the bytes compared are all of it.
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        const QByteArray before = fileBytes(path);
        QString notice;
        auto lib = openIn(dir, &notice);
        ASSERT_TRUE(lib);
        const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("kelvor-damaged-*.sqlite")});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(fileBytes(QDir(dir.path()).filePath(aside[0])), before);
        EXPECT_TRUE(notice.contains(aside[0])) << notice.toStdString();
        EXPECT_TRUE(notice.contains(QStringLiteral("kelvor.sqlite")));
        EXPECT_TRUE(notice.contains(QLatin1String("(") + QLatin1String(c.says))) << notice.toStdString();
        const bool damaged = QByteArray(c.says).startsWith("damaged");
        EXPECT_EQ(notice.contains(QStringLiteral("not a KELVOR library")), !damaged) << notice.toStdString();
        LibraryStatus s;
        EXPECT_TRUE(lib->beginRecording(header(), &s));
    }
}

// A large library is read whole only when a program died with it open: a clean end
// leaves damage deep inside to be found where it is read, a crash has it found at once.
TEST(Library, ALargeLibraryIsCheckedWholeOnlyAfterAProgramDiedWithItOpen)
{
    QTemporaryDir dir;
    const QString path = Library::pathIn(dir.path());
    {
        auto lib = openIn(dir);
        LibraryStatus s;
        const auto id = lib->beginRecording(header(), &s);
        ASSERT_TRUE(id);
        std::vector<JournalSample> chunk;
        for (int i = 0; i < 100'000; ++i)
            chunk.push_back(sampleAt(i));
        ASSERT_TRUE(lib->appendSamples(*id, 0, chunk.data(), chunk.size()).ok());
    }
    ASSERT_GT(QFileInfo(path).size(), Library::kCheckAlwaysUpTo);
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("kelvor.sqlite-open-*")}).isEmpty())
        << "a closed library leaves no mark";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2 / 4096 * 4096);
        f.write(QByteArray(4096 * 2, '\xff'));
    }
    QString notice;
    {
        auto lib = openIn(dir, &notice);
        ASSERT_TRUE(lib);
        EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
        EXPECT_NE(lib->integrityCheck(), QStringLiteral("ok"));  // found where it is read
    }
    // A program that opens the library and dies without closing it.
    const pid_t child = fork();
    if (child == 0) {
        LibraryOpenResult r = Library::open(dir.path());
        r.library.release();  // never closed
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(QDir(dir.path()).entryList({QStringLiteral("kelvor.sqlite-open-*")}).size(), 1);
    const QByteArray damaged = fileBytes(path);
    auto lib = openIn(dir, &notice);
    ASSERT_TRUE(lib);
    EXPECT_TRUE(notice.contains(QStringLiteral("(damaged"))) << notice.toStdString();
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("kelvor-damaged-*.sqlite")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(fileBytes(QDir(dir.path()).filePath(aside[0])), damaged);
    lib.reset();
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("kelvor.sqlite-open-*")}).isEmpty());
}

TEST(Library, NewerSchemaIsLeftAlone)
{
    QTemporaryDir dir;
    openIn(dir).reset();
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(Library::pathIn(dir.path())).constData(), &db);
        sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    LibraryOpenResult r = Library::open(dir.path());
    EXPECT_FALSE(r.library);
    EXPECT_TRUE(r.error.contains(QStringLiteral("newer"))) << r.error.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("kelvor-damaged-*")}).isEmpty());
}

// Failing writes: the run goes on, the user hears of it once, and when the library can
// be written again it holds every sample in order.
TEST(RunJournal, WriteFailuresAreToldOnceAndTheJournalCatchesUp)
{
    struct Case {
        const char* what;
        int code;
    };
    for (const Case c : {Case{"disk full", SQLITE_FULL}, Case{"read-only medium", SQLITE_READONLY},
                         Case{"i/o error", SQLITE_IOERR_WRITE}}) {
        SCOPED_TRACE(c.what);
        FailingVfs vfs;
        QTemporaryDir dir;
        LibraryAccess access(dir.path());
        access.setRetryInterval(std::chrono::milliseconds(0));
        RunJournal journal(access);
        EXPECT_TRUE(journal.begin(header()).isEmpty());
        int told = 0;
        for (int i = 0; i < 30; ++i) {
            if (i == 10)
                FailingVfs::failWritesWith(c.code);
            if (i == 20)
                FailingVfs::failWritesWith(0);
            const QString problem = journal.append(sampleAt(i));
            if (!problem.isEmpty()) {
                ++told;
                EXPECT_TRUE(problem.contains(QStringLiteral("kelvor.sqlite"))) << problem.toStdString();
            }
        }
        EXPECT_EQ(told, 1);
        EXPECT_TRUE(journal.end({}).isEmpty());
        auto lib = openIn(dir);
        QString error;
        const auto data = lib->loadRecording(*journal.recordingId(), 0, &error);
        ASSERT_TRUE(data);
        ASSERT_EQ(data->samples.size(), 30u);
        for (int i = 0; i < 30; ++i)
            EXPECT_EQ(data->samples[std::size_t(i)], sampleAt(i));
        EXPECT_EQ(data->entry.state, QLatin1String(kStateComplete));
        EXPECT_EQ(lib->integrityCheck(), QStringLiteral("ok"));
    }
}

// A library that fails again after it recovered is told again, and one still failing at
// the end is told there with what is missing, since nothing comes after it.
TEST(RunJournal, EveryStretchOfFailuresIsToldAndTheEndSaysWhatIsMissing)
{
    FailingVfs vfs;
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    access.setRetryInterval(std::chrono::milliseconds(0));
    RunJournal journal(access);
    EXPECT_TRUE(journal.begin(header()).isEmpty());
    std::vector<int> toldAt;
    for (int i = 0; i < 30; ++i) {
        if (i == 5 || i == 20)
            FailingVfs::failWritesWith(SQLITE_FULL);
        if (i == 10)
            FailingVfs::failWritesWith(0);
        if (!journal.append(sampleAt(i)).isEmpty())
            toldAt.push_back(i);
    }
    EXPECT_EQ(toldAt, (std::vector<int>{5, 20}));
    const QString last = journal.end({});
    EXPECT_TRUE(last.contains(QStringLiteral("10 of the 30 samples of the run are not in it"))) << last.toStdString();
    EXPECT_FALSE(journal.complete());
    EXPECT_EQ(journal.written(), 20);
    EXPECT_EQ(journal.pending(), 10u);
}

QStringList unsavedFiles(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("kelvor-unsaved-*")}, QDir::Files);
}

// What the library refused is appended beside it as it fails; a program that dies then
// (here: the journal goes without end()) loses none of it, and the next program to open
// the library takes it in, once, in the right order. Whether the library had the run at
// all or stopped taking it midway.
TEST(RunJournal, RefusedSamplesOutliveTheProgramAndGoInAtTheNextOpen)
{
    struct Case {
        const char* what;
        int failFrom;  // -1: a folder stands where the library should be, for the whole run
    };
    for (const Case c : {Case{"disk full midway", 6}, Case{"no library at all", -1}}) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        RecordingHeader h = header();
        h.name = QStringLiteral("tab\there, line\nthere, back\\slash");
        std::vector<JournalSample> taken;
        {
            FailingVfs vfs;
            if (c.failFrom < 0)
                QDir(dir.path()).mkdir(QString::fromLatin1(Library::kFileName));
            LibraryAccess access(dir.path());
            access.setRetryInterval(std::chrono::milliseconds(0));
            auto journal = std::make_unique<RunJournal>(access);
            QStringList told{journal->begin(h)};
            for (int i = 0; i < 15; ++i) {
                if (i == c.failFrom)
                    FailingVfs::failWritesWith(SQLITE_FULL);
                told << journal->append(sampleAt(i));
                taken.push_back(sampleAt(i));
            }
            told.removeAll(QString());
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(told.first().contains(QStringLiteral("kelvor-unsaved-"))) << told.first().toStdString();
            ASSERT_EQ(unsavedFiles(dir).size(), 2u);  // the file and its run's lock
            journal.reset();
            FailingVfs::failWritesWith(0);
            if (c.failFrom < 0)
                QDir(dir.path()).rmdir(QString::fromLatin1(Library::kFileName));
        }
        LibraryAccess next(dir.path());
        Library* lib = next.get();
        ASSERT_TRUE(lib);
        EXPECT_TRUE(next.takeNotice().contains(QStringLiteral("are now in it"))) << c.what;
        EXPECT_TRUE(unsavedFiles(dir).isEmpty()) << unsavedFiles(dir).join(QLatin1Char(' ')).toStdString();
        LibraryStatus s;
        ASSERT_EQ(lib->markInterrupted({}, &s).size(), 1u);
        QString error;
        const auto data = lib->loadRecording(1, 0, &error);
        ASSERT_TRUE(data) << error.toStdString();
        EXPECT_EQ(data->samples, taken);
        EXPECT_EQ(data->header.name, h.name);
        EXPECT_EQ(data->entry.state, QLatin1String(kStateInterrupted));
        RecordingStatistics expected;
        for (const JournalSample& t : taken)
            expected.add(t);
        EXPECT_EQ(data->statistics, expected);
        LibraryAccess again(dir.path());  // taken in once
        ASSERT_TRUE(again.get());
        EXPECT_TRUE(again.takeNotice().isEmpty());
        EXPECT_EQ(again.get()->list(&error).size(), 1u);
    }
}

// The file as a kill leaves it: its last line may be cut. A run that ends with the
// library whole leaves no file; one that ends without says where the rest is.
TEST(RunJournal, UnsavedSamplesFileIsReadAsAKillLeavesIt)
{
    FailingVfs vfs;
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    access.setRetryInterval(std::chrono::milliseconds(0));
    RunJournal journal(access);
    journal.begin(header());
    journal.append(sampleAt(0));
    FailingVfs::failWritesWith(SQLITE_FULL);
    journal.append(sampleAt(1));
    journal.append(sampleAt(2));
    const QString last = journal.end({});
    EXPECT_TRUE(last.contains(QStringLiteral("2 of the 3 samples"))) << last.toStdString();
    EXPECT_TRUE(last.contains(QStringLiteral("kelvor-unsaved-"))) << last.toStdString();
    FailingVfs::failWritesWith(0);
    const QStringList files = unsavedFiles(dir);
    ASSERT_EQ(files.size(), 1u);  // the run is over: no lock
    QFile f(QDir(dir.path()).filePath(files.first()));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("sample\t3\t46027.6\t0\t1\t2");  // cut off by the kill
    f.close();
    QFile::copy(f.fileName(), QDir(dir.path()).filePath(QStringLiteral("kelvor-unsaved-not-ours.txt")));
    QFile other(QDir(dir.path()).filePath(QStringLiteral("kelvor-unsaved-not-ours.txt")));
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    other.write("something else");  // over the first line
    other.close();

    LibraryAccess next(dir.path());
    ASSERT_TRUE(next.get());
    QString error;
    const auto data = next.get()->loadRecording(*journal.recordingId(), 0, &error);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->samples, (std::vector<JournalSample>{sampleAt(0), sampleAt(1), sampleAt(2)}));
    EXPECT_EQ(unsavedFiles(dir), QStringList{QStringLiteral("kelvor-unsaved-not-ours.txt")});

    RunJournal whole(next);
    whole.begin(header());
    whole.append(sampleAt(0));
    EXPECT_TRUE(whole.end({}).isEmpty());
    EXPECT_EQ(unsavedFiles(dir), QStringList{QStringLiteral("kelvor-unsaved-not-ours.txt")});
}

TEST(RunJournal, LockedLibraryKeepsSamplesInMemoryUntilFree)
{
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    access.setRetryInterval(std::chrono::milliseconds(0));
    RunJournal journal(access);
    journal.begin(header());
    journal.append(sampleAt(0));
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(Library::pathIn(dir.path())).constData(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(journal.append(sampleAt(1)).isEmpty());
    EXPECT_TRUE(journal.append(sampleAt(2)).isEmpty());
    EXPECT_EQ(journal.pending(), 2u);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    journal.append(sampleAt(3));
    EXPECT_EQ(journal.pending(), 0u);
    EXPECT_EQ(journal.written(), 4);
}

TEST(RunJournal, UnfinishedRecordingIsMarkedInterruptedOnlyOnceItsWriterIsGone)
{
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    auto journal = std::make_unique<RunJournal>(access);
    journal->begin(header());
    // The alarm events go in as they happen, between the samples, like the samples.
    const std::vector<ChartAlarmEvent> events{{sampleAt(2).time, 0, 181.5f, 0}, {sampleAt(5).time, 0, 178.0f, 1}};
    for (int i = 0; i < 7; ++i) {
        journal->append(sampleAt(i));
        if (i == 2 || i == 5) {
            EXPECT_TRUE(journal->alarmEvent(events[i == 2 ? 0 : 1]).isEmpty());
        }
    }
    EXPECT_EQ(journal->pendingEvents(), 0u);
    const std::int64_t id = *journal->recordingId();
    const RecordingStatistics expected = journal->statistics();

    LibraryAccess other(dir.path());  // a second program starting beside the first
    auto alive = [&other](std::int64_t rec) { return other.isBeingWritten(rec); };
    LibraryStatus s;
    EXPECT_TRUE(other.get()->markInterrupted(alive, &s).empty());
    // A run being taken is counted from its samples.
    const auto live = other.get()->entry(id, nullptr);
    ASSERT_TRUE(live);
    EXPECT_EQ(live->samples, 7);
    EXPECT_EQ(live->end, sampleAt(6).time);

    journal.reset();  // the writer dies without ending the run
    const auto found = other.get()->markInterrupted(alive, &s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].id, id);
    EXPECT_EQ(found[0].samples, 7);
    EXPECT_EQ(found[0].state, QLatin1String(kStateInterrupted));
    QString error;
    const auto data = other.get()->loadRecording(id, 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->statistics, expected);
    EXPECT_EQ(data->alarmEvents, events);                          // marking it interrupted kept them
    EXPECT_TRUE(other.get()->markInterrupted(alive, &s).empty());  // asked once
    // SQL tools read the count and last time of a run that ended from its row.
    EXPECT_EQ(rowCountAndLastTime(dir, id), std::make_pair(std::int64_t(7), sampleAt(6).time));
}

// Samples taken back into a run that has already ended move its count and last time.
TEST(Library, SamplesAddedToAnEndedRunAreCountedOnItsRow)
{
    QTemporaryDir dir;
    auto lib = openIn(dir);
    LibraryStatus s;
    const std::int64_t id = *lib->beginRecording(header(), &s);
    std::vector<JournalSample> first{sampleAt(0), sampleAt(1), sampleAt(2)};
    ASSERT_TRUE(lib->appendSamples(id, 0, first.data(), first.size()).ok());
    RecordingStatistics st;
    ASSERT_TRUE(lib->endRecording(id, kStateInterrupted, st, {}).ok());
    EXPECT_EQ(rowCountAndLastTime(dir, id), std::make_pair(std::int64_t(3), sampleAt(2).time));
    std::vector<JournalSample> more{sampleAt(3), sampleAt(4)};
    ASSERT_TRUE(lib->appendSamples(id, 3, more.data(), more.size()).ok());
    ASSERT_TRUE(lib->updateStatistics(id).ok());
    EXPECT_EQ(rowCountAndLastTime(dir, id), std::make_pair(std::int64_t(5), sampleAt(4).time));
    const auto e = lib->entry(id, nullptr);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->samples, 5);
    EXPECT_EQ(e->end, sampleAt(4).time);
    EXPECT_EQ(lib->loadRecording(id, 0, nullptr)->statistics.samples, 5);
}

TEST(RunJournal, AlarmEventsWaitForALockedLibraryAndKeepTheirOrder)
{
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    access.setRetryInterval(std::chrono::milliseconds(0));
    RunJournal journal(access);
    journal.begin(header());
    journal.append(sampleAt(0));
    const std::vector<ChartAlarmEvent> events{
        {sampleAt(0).time, 1, 5.0f, 2}, {sampleAt(1).time, 1, 9.0f, 3}, {sampleAt(2).time, 3, 99.0f, 0}};
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(Library::pathIn(dir.path())).constData(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(journal.alarmEvent(events[0]).isEmpty());
    EXPECT_TRUE(journal.alarmEvent(events[1]).isEmpty());  // told once
    EXPECT_EQ(journal.pendingEvents(), 2u);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    journal.alarmEvent(events[2]);
    EXPECT_EQ(journal.pendingEvents(), 0u);

    // Read while the run is still being taken: a kill now loses none of them.
    auto lib = openIn(dir);
    QString error;
    const auto data = lib->loadRecording(*journal.recordingId(), 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->alarmEvents, events);
    EXPECT_EQ(data->entry.state, QLatin1String(kStateRecording));
}

// Another program's read transaction keeps the log from being folded into the file: the
// journal says so once the log passes the bound, and once the reader is gone the log is
// cut back and the status clears. Every sample is kept throughout.
TEST(RunJournal, AWriteAheadLogHeldByAReaderIsToldAndCutBackOnceItGoes)
{
    using Clock = std::chrono::steady_clock;
    QTemporaryDir dir;
    const QString path = Library::pathIn(dir.path());
    const QString walPath = path + QStringLiteral("-wal");
    LibraryAccess access(dir.path());
    RunJournal journal(access);
    journal.begin(header(0));
    int appended = 0;
    journal.append(sampleAt(appended++));
    sqlite3* reader = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &reader);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM samples", nullptr, nullptr, nullptr), SQLITE_OK);

    // Appends until the journal's status changes (the checks come once a second).
    auto appendUntilStatusChanges = [&](std::chrono::seconds limit) -> std::optional<QString> {
        const auto until = Clock::now() + limit;
        while (Clock::now() < until) {
            EXPECT_TRUE(journal.append(sampleAt(appended++)).isEmpty());
            if (auto status = journal.takeStatusChange())
                return status;
        }
        return std::nullopt;
    };
    const auto told = appendUntilStatusChanges(std::chrono::seconds(30));
    ASSERT_TRUE(told) << "no word after " << appended << " samples, the log at " << QFileInfo(walPath).size();
    EXPECT_TRUE(told->contains(QStringLiteral("kelvor.sqlite-wal"))) << told->toStdString();
    EXPECT_TRUE(told->contains(QStringLiteral("another program is reading"))) << told->toStdString();
    EXPECT_GT(QFileInfo(walPath).size(), Library::kWalWarnBytes);
    EXPECT_FALSE(journal.takeStatusChange());  // told once, not per sample

    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    const auto cleared = appendUntilStatusChanges(std::chrono::seconds(5));
    ASSERT_TRUE(cleared);
    EXPECT_TRUE(cleared->isEmpty()) << cleared->toStdString();
    EXPECT_LT(QFileInfo(walPath).size(), 1 << 20);

    EXPECT_TRUE(journal.end({}).isEmpty());
    QString error;
    EXPECT_EQ(access.get()->entry(*journal.recordingId(), &error)->samples, appended);
}

namespace {

// A row of three meters: meter 2 gives no reading in rows 4..7, meter 1 none in row 9.
struct ThreeMeterRow {
    JournalSample first;
    JournalRowRest rest;
};
ThreeMeterRow threeMeterRow(int i)
{
    ThreeMeterRow r;
    r.first = i == 9 ? MeterGap(sampleAt(i).time) : sampleAt(i);
    r.rest.absent = std::uint8_t((i == 9 ? 1u : 0u) | (i >= 4 && i <= 7 ? 2u : 0u));
    JournalSample two = sampleAt(i + 100);
    two.time = sampleAt(i).time;
    JournalSample three{sampleAt(i).time, 0, {float(i), 1.0f, 2.0f, 3.0f}};
    r.rest.others = {r.rest.absent & 2u ? MeterGap(two.time) : two, three};
    return r;
}

RecordingHeader threeMeterHeader()
{
    RecordingHeader h = header();
    h.meters = {{QStringLiteral("QZX"), QStringLiteral("SN-0042"), QStringLiteral("Oven A")},
                {QStringLiteral("QZX"), QStringLiteral("SN-0057"), QString()},
                {QStringLiteral("QZX"), QStringLiteral("SN-0099"), QStringLiteral("Cold room")}};
    return h;
}

}  // namespace

// A run of three meters keeps every channel and each meter's serial and name, the gaps
// of each meter its own, also for the rows a full disk kept out of the library until the
// next open; its table names every channel and its graph file is one per meter.
TEST(RunJournal, SeveralMetersKeepEveryChannelThroughAFailingLibrary)
{
    QTemporaryDir dir;
    {
        FailingVfs vfs;
        LibraryAccess access(dir.path());
        access.setRetryInterval(std::chrono::milliseconds(0));
        RunJournal journal(access);
        EXPECT_EQ(journal.begin(threeMeterHeader()), QString());
        for (int i = 0; i < 12; ++i) {
            if (i == 6)
                FailingVfs::failWritesWith(SQLITE_FULL);
            const ThreeMeterRow r = threeMeterRow(i);
            journal.appendRow(r.first, r.rest);
        }
        EXPECT_EQ(journal.written(), 6);
        FailingVfs::failWritesWith(0);
    }  // the program dies: rows 6..11 are in the unsaved-samples file only
    LibraryAccess next(dir.path());
    Library* lib = next.get();
    ASSERT_TRUE(lib);
    EXPECT_TRUE(next.takeNotice().contains(QStringLiteral("6 samples"))) << next.takeNotice().toStdString();
    LibraryStatus s;
    ASSERT_EQ(lib->markInterrupted({}, &s).size(), 1u);
    QString error;
    const auto data = lib->loadRecording(1, 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->header.meters, threeMeterHeader().meters);
    ASSERT_EQ(data->samples.size(), 12u);
    ASSERT_EQ(data->otherMeters.size(), 2u);
    RecordingStatistics first, second, third;
    for (int i = 0; i < 12; ++i) {
        const ThreeMeterRow r = threeMeterRow(i);
        EXPECT_EQ(data->samples[std::size_t(i)], r.first) << i;
        EXPECT_EQ(data->otherMeters[0][std::size_t(i)], r.rest.others[0]) << i;
        EXPECT_EQ(data->otherMeters[1][std::size_t(i)], r.rest.others[1]) << i;
        if (!(r.rest.absent & 1u))
            first.add(r.first);
        if (!(r.rest.absent & 2u))
            second.add(r.rest.others[0]);
        third.add(r.rest.others[1]);
    }
    EXPECT_EQ(data->statistics, first);  // the first meter's gap is no sample of it
    EXPECT_EQ(data->otherStatistics[0], second);
    EXPECT_EQ(data->otherStatistics[1], third);
    EXPECT_EQ(data->otherStatistics[0].samples, 8);

    // The envelope of a long view keeps each meter apart: meter 3's T1 runs 0..11.
    const auto envelope = lib->loadRecording(1, 4, &error);
    ASSERT_TRUE(envelope && envelope->decimated);
    ASSERT_EQ(envelope->otherMeters.size(), 2u);
    ASSERT_EQ(envelope->otherMeters[1].size(), envelope->samples.size());
    EXPECT_EQ(envelope->otherMeters[1].front().t[0], 0.0f);
    EXPECT_EQ(envelope->otherMeters[1].back().t[0], 11.0f);

    // The table: a header naming meter and serial, twelve lines of 2 + 12 fields, a gap
    // where a meter gave no reading.
    ManualClock clock;
    const QString table = dir.filePath(QStringLiteral("run.txt"));
    const LibraryExportResult t = ExportLibraryItem(*lib, 1, table, 0, TextStyle::isoStyle(), clock);
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.lines, 12);
    const QStringList lines =
        QString::fromLocal8Bit(fileBytes(table)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13);
    const QStringList head = lines[0].split(QLatin1Char('\t'));
    ASSERT_EQ(head.size(), 14);
    EXPECT_EQ(head[2], QStringLiteral("Oven A (SN-0042) T1"));
    EXPECT_EQ(head[6], QStringLiteral("SN-0057 T1"));
    EXPECT_EQ(head[13], QStringLiteral("Cold room (SN-0099) T4"));
    const QStringList row5 = lines[1 + 5].split(QLatin1Char('\t'));
    ASSERT_EQ(row5.size(), 14);
    EXPECT_EQ(row5[10], QStringLiteral("5.0"));
    EXPECT_EQ(row5[6], lines[1 + 9].split(QLatin1Char('\t'))[2]);  // a gap reads as a gap in every column

    // The graph file: one per meter, the others beside the first.
    const QString graph = dir.filePath(QStringLiteral("run.ghf"));
    const LibraryExportResult g = ExportLibraryItem(*lib, 1, graph, 0, TextStyle::isoStyle(), clock);
    ASSERT_TRUE(g.ok()) << g.error.toStdString();
    for (int m = 1; m <= 3; ++m) {
        ChartModel chart;
        ASSERT_TRUE(ReadGraphFile(chart, MeterGraphPath(graph, m)).ok()) << m;
        EXPECT_EQ(chart.Points(), 12);
        EXPECT_TRUE(
            chart.SubsetLabels(0).startsWith(MeterColumnName(threeMeterHeader().meters[std::size_t(m - 1)], m - 1)));
    }
    EXPECT_EQ(MeterGraphPath(graph, 3), dir.filePath(QStringLiteral("run-3.ghf")));
}

// Verdicts against a profile: a recording (T1 20, 21, 22 °C) and a download of three
// sets (T1 25.0 °F = -3.9 °C, -12.2 °C, 30.0 °F = -1.1 °C); a download fails when any
// set fails. An item is read and checked again only when it changed.
TEST(LibraryVerdicts, EachItemIsCheckedOnceUntilItChanges)
{
    QTemporaryDir dir;
    auto lib = openIn(dir);
    LibraryStatus s;
    RecordingHeader h = header();
    const std::int64_t run = *lib->beginRecording(h, &s);
    for (int i = 0; i < 3; ++i) {
        JournalSample j{kStart + i * 2.0 / 86400.0, 0, {20.0f + float(i), 0.0f, 0.0f, 0.0f}};
        ASSERT_TRUE(lib->appendSample(run, i, j).ok());
    }
    const QByteArray image = threeSetImage();
    const std::int64_t download =
        *lib->storeDownload(image, decodedSets(image), kStart, QStringLiteral("SN-1"), QStringLiteral("d"), &s);
    const Result<Profile> profile = ParseProfile(R"({"kelvorProfile": 1, "rules": [
        {"kind": "band", "lower": [[0, -5]]}, {"kind": "peak", "max": 27}]})",
                                                 QStringLiteral("p.json"));
    ASSERT_TRUE(profile.ok()) << profile.error().toStdString();

    ManualClock clock;
    LibraryVerdicts verdicts;
    QString error;
    std::vector<LibraryEntry> rows = lib->list(&error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(verdicts.verdictOf(*lib, rows[0], clock));  // no profile, nothing checked
    verdicts.setProfile(profile.value());
    auto verdictOf = [&](std::int64_t id) {
        for (const LibraryEntry& e : rows)
            if (e.id == id)
                return verdicts.verdictOf(*lib, e, clock).value_or(LibraryVerdict{});
        return LibraryVerdict{};
    };
    EXPECT_EQ(verdictOf(run).verdict, RuleVerdict::Passed);
    EXPECT_EQ(verdictOf(run).text, QStringLiteral("PASS"));
    EXPECT_EQ(verdictOf(download).verdict, RuleVerdict::Failed);
    EXPECT_EQ(verdictOf(download).text, QStringLiteral("FAIL (1 of 3 sets)"));
    EXPECT_EQ(verdicts.checks(), 2);

    // The run goes on: its row has moved, so it is checked again.
    ASSERT_TRUE(lib->appendSample(run, 3, {kStart + 6.0 / 86400.0, 0, {28.0f, 0.0f, 0.0f, 0.0f}}).ok());
    rows = lib->list(&error);
    EXPECT_EQ(verdictOf(run).verdict, RuleVerdict::Failed);
    verdictOf(download);
    EXPECT_EQ(verdicts.checks(), 3);

    // An item that cannot be read cannot be checked; the message says why.
    LibraryEntry gone = rows[0];
    gone.id = 999;
    const LibraryVerdict missing = verdicts.verdictOf(*lib, gone, clock).value();
    EXPECT_EQ(missing.verdict, RuleVerdict::CannotCheck);
    EXPECT_TRUE(missing.text.startsWith(QStringLiteral("CANNOT CHECK: "))) << missing.text.toStdString();
}
