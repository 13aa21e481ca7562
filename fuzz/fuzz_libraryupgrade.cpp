// SPDX-License-Identifier: GPL-3.0-or-later
// Libraries of the earlier schemas (1 and 2), as those versions wrote them, changed in
// any way and then opened as every program opens the library. The open either brings
// the library up to date, or sets the file aside unchanged and starts a new one, or
// says why it cannot; a failed upgrade leaves the old schema as it was.
//
// The input's first byte picks the schema (and WAL or rollback journal); then come
// edits: SQL-level changes to the tables (rows removed, values of any type, tables
// dropped, a download's memory image replaced, the schema version changed) and byte
// patches over the finished file.
#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/clock.h"
#include "bytereader.h"
#include "library/library.h"
#include "library/libraryschema.h"
#include "meter/sim/simdemo.h"
#include "meter/sim/simmemory.h"

namespace {

using namespace kelvor;

// The first schema as it shipped, with a recording and a download in it.
const char* const kVersion1 = R"sql(
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
INSERT INTO recordings VALUES (1, 46027.5, 2, 10, 'QZX', 'SN-7', 'C', 'interrupted', 3, 46027.50004);
INSERT INTO samples VALUES (1, 0, 46027.5, 128, 21.5, 22.5, 23.5, 24.5);
INSERT INTO samples VALUES (1, 1, 46027.50002, 129, 3000, 22.0, 23.0, 24.0);
INSERT INTO samples VALUES (1, 2, 46027.50004, 196, 9999, -5.5, 23.0, 24.0);
INSERT INTO items VALUES (2, 'download', 46028.0, 'memory', '');
INSERT INTO downloads VALUES (2, 46028.0, 'SN-7', x'');
)sql";

// The second schema's additions, with the rows a run of that version left.
const char* const kVersion2 = R"sql(
ALTER TABLE items ADD COLUMN source TEXT NOT NULL DEFAULT '';
ALTER TABLE recordings ADD COLUMN open_ended INTEGER NOT NULL DEFAULT 0;
CREATE INDEX items_by_created ON items(created);
CREATE TABLE recording_statistics(recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  channel INTEGER NOT NULL CHECK (channel BETWEEN 1 AND 4),
  maximum REAL, maximum_time REAL, maximum_flags INTEGER,
  minimum REAL, minimum_time REAL, minimum_flags INTEGER,
  average REAL, averaged INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (recording_id, channel)) WITHOUT ROWID;
CREATE TABLE annotations(recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  number INTEGER NOT NULL, x REAL NOT NULL, y REAL NOT NULL, type INTEGER NOT NULL, color INTEGER NOT NULL,
  text TEXT NOT NULL DEFAULT '', PRIMARY KEY (recording_id, number)) WITHOUT ROWID;
CREATE TABLE download_sets(download_id INTEGER NOT NULL REFERENCES downloads(id) ON DELETE CASCADE,
  number INTEGER NOT NULL, start REAL NOT NULL, rate_seconds INTEGER NOT NULL, samples INTEGER NOT NULL,
  unit TEXT NOT NULL, couple TEXT NOT NULL,
  t1_offset REAL NOT NULL, t2_offset REAL NOT NULL, t3_offset REAL NOT NULL, t4_offset REAL NOT NULL,
  PRIMARY KEY (download_id, number)) WITHOUT ROWID;
UPDATE schema_version SET version = 2;
UPDATE items SET source = 'kelvor-cli record' WHERE id = 1;
UPDATE recordings SET open_ended = 1 WHERE id = 1;
INSERT INTO recording_statistics VALUES (1, 1, 3000, 46027.50002, 129, 21.5, 46027.5, 128, 1010.75, 2);
INSERT INTO recording_statistics VALUES (1, 2, 22.5, 46027.5, 128, -5.5, 46027.50004, 196, 13.0, 3);
INSERT INTO annotations VALUES (1, 1, 46027.50001, 25.0, 0, 255, 'door opened');
INSERT INTO annotations VALUES (1, 2, 46027.50003, 0, 1, 65280, '');
INSERT INTO download_sets VALUES (2, 1, 46027.9, 2, 10, 'C', 'K', 0, 0, 0, 0);
)sql";

struct Table {
    const char* name;
    std::vector<const char*> columns;
};
const std::vector<Table> kTables{
    {"items", {"id", "kind", "created", "name", "note", "source"}},
    {"recordings",
     {"id", "started", "rate_seconds", "record_count", "meter_model", "meter_serial", "unit", "state", "sample_count",
      "last_time", "open_ended"}},
    {"samples", {"recording_id", "seq", "time", "flags", "t1", "t2", "t3", "t4"}},
    {"downloads", {"id", "downloaded", "meter_serial", "image"}},
    {"schema_version", {"version"}},
    {"recording_statistics",
     {"recording_id", "channel", "maximum", "maximum_time", "maximum_flags", "minimum", "average", "averaged"}},
    {"annotations", {"recording_id", "number", "x", "y", "type", "color", "text"}},
    {"download_sets", {"download_id", "number", "start", "rate_seconds", "samples", "unit", "couple", "t1_offset"}},
};

QByteArray demoImage()
{
    const ManualClock clock;
    SimMemory memory;
    loadDemoDataSets(memory, 3, clock.now());
    const std::vector<std::uint8_t> used = memory.usedImage();
    return QByteArray(reinterpret_cast<const char*>(used.data()), qsizetype(used.size()));
}

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// A value of any storage class, from the input.
void bindValue(sqlite3_stmt* st, int at, fuzz::ByteReader& in)
{
    switch (in.byte() % 6) {
        case 0:
            sqlite3_bind_null(st, at);
            break;
        case 1:
            sqlite3_bind_int64(st, at, std::int64_t(std::int8_t(in.byte())) << (in.byte() % 60));
            break;
        case 2: {
            static const double kOdd[] = {0.0, -0.0, 1e308, -1e308, 5e-324, 46027.5, -1.0, 2147483648.0};
            const std::uint8_t k = in.byte();
            sqlite3_bind_double(st, at, k < 8 ? kOdd[k] : double(std::int8_t(k)) * 1000.25);
            break;
        }
        case 3: {
            const std::string t = in.text(40);
            sqlite3_bind_text(st, at, t.data(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const std::string b = in.text(40);
            sqlite3_bind_blob(st, at, b.data(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
    }
}

void run(sqlite3* db, const QByteArray& sql, fuzz::ByteReader* values, int count)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return;
    for (int i = 1; i <= count && values; ++i)
        bindValue(st, i, *values);
    sqlite3_step(st);
    sqlite3_finalize(st);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where the libraries are made: memory when the system has it there, as a sync to
// disk on every commit would leave the fuzzer a few runs a second.
QString scratchFolder()
{
    static const QString base =
        QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return base + QStringLiteral("/kelvor-fuzz-XXXXXX");
}

// Builds the library of `version` in `path`, the demo memory as its download.
bool buildLibrary(const QString& path, int version, bool wal)
{
    static const QByteArray image = demoImage();
    sqlite3* db = nullptr;
    // The file is copied for every input: built once per kind.
    static QByteArray built[4];
    QByteArray& done = built[(version - 1) * 2 + (wal ? 1 : 0)];
    if (!done.isEmpty()) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(done) == done.size();
    }
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK && exec(db, kVersion1) &&
              (version < 2 || exec(db, kVersion2)) && (!wal || exec(db, "PRAGMA journal_mode = WAL"));
    sqlite3_stmt* st = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "UPDATE downloads SET image = ? WHERE id = 2", -1, &st, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_blob(st, 1, image.constData(), int(image.size()), SQLITE_STATIC);
        ok = sqlite3_step(st) == SQLITE_DONE;
    }
    sqlite3_finalize(st);
    ok = sqlite3_close(db) == SQLITE_OK && ok;
    done = ok ? fileBytes(path) : QByteArray();
    return ok && !done.isEmpty();
}

// The edits of the input; byte patches are collected for after the database is closed.
void editLibrary(const QString& path, fuzz::ByteReader& in, std::vector<std::pair<std::uint32_t, char>>& patches)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    exec(db, "PRAGMA synchronous = OFF; BEGIN");
    for (int n = 0; n < 24 && !in.empty(); ++n) {
        const std::uint8_t op = in.byte();
        const Table& t = kTables[std::size_t(in.byte()) % kTables.size()];
        const char* column = t.columns[std::size_t(in.byte()) % t.columns.size()];
        switch (op % 8) {
            case 0:
            case 1: {
                const std::uint32_t at = std::uint32_t(in.byte()) << 16 | std::uint32_t(in.byte()) << 8 | in.byte();
                patches.emplace_back(at, char(in.byte()));
                break;
            }
            case 2:
            case 3:
                run(db, QByteArray("UPDATE ") + t.name + " SET " + column + " = ?" + (op & 8 ? " WHERE rowid = 1" : ""),
                    &in, 1);
                break;
            case 4:
                run(db, QByteArray("DELETE FROM ") + t.name + (op & 8 ? " WHERE " + QByteArray(column) + " = 1" : ""),
                    nullptr, 0);
                break;
            case 5: {
                // A memory image cut short, grown or changed.
                QByteArray image;
                const int length = in.byte() * 24;
                for (int i = 0; i < length; ++i)
                    image += char(in.empty() ? i : in.byte());
                sqlite3_stmt* st = nullptr;
                if (sqlite3_prepare_v2(db, "UPDATE downloads SET image = ?", -1, &st, nullptr) == SQLITE_OK) {
                    sqlite3_bind_blob(st, 1, image.constData(), int(image.size()), SQLITE_TRANSIENT);
                    sqlite3_step(st);
                }
                sqlite3_finalize(st);
                break;
            }
            case 6:
                run(db, QByteArray("UPDATE schema_version SET version = ") + QByteArray::number(int(in.byte() % 6) - 1),
                    nullptr, 0);
                break;
            default:
                if (op & 8)
                    run(db, QByteArray("DROP TABLE ") + t.name, nullptr, 0);
                else
                    run(db, QByteArray("INSERT INTO ") + t.name + " (" + column + ") VALUES (?)", &in, 1);
                break;
        }
    }
    exec(db, "COMMIT");
    sqlite3_close(db);
}

// The schema version in the file as a second program reads it; -2 when it cannot be read.
int versionOf(const QString& path)
{
    sqlite3* db = nullptr;
    int version = -2;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        version = LibrarySchemaVersionOf(db);
    sqlite3_close(db);
    return version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)quiet;
    fuzz::ByteReader in(data, size);
    const std::uint8_t kind = in.byte();
    QTemporaryDir dir(scratchFolder());
    const QString path = Library::pathIn(dir.path());
    if (!buildLibrary(path, 1 + (kind & 1), (kind & 2) != 0))
        std::abort();
    std::vector<std::pair<std::uint32_t, char>> patches;
    editLibrary(path, in, patches);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QByteArray file = fileBytes(path);
    if (!patches.empty() && !file.isEmpty()) {
        for (const auto& [at, byte] : patches)
            file[qsizetype(at % std::uint32_t(file.size()))] = byte;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(file) != file.size())
            std::abort();
    }
    const int before = versionOf(path);

    LibraryOpenResult r = Library::open(dir.path());
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("kelvor-damaged-*.sqlite")});
    if (!r.library) {
        if (r.error.isEmpty())
            std::abort();  // no library and no word why
        // A failed upgrade is rolled back: the file keeps the schema it had.
        if (aside.isEmpty() && before >= 1 && before < kLibrarySchemaVersion && versionOf(path) != before)
            std::abort();
        return 0;
    }
    if (r.library->schemaVersion() != kLibrarySchemaVersion)
        std::abort();  // opened but left on an old schema
    if (!r.notice.isEmpty()) {
        if (aside.size() != 1)
            std::abort();
        // Set aside byte for byte, whatever its journal mode.
        if (fileBytes(QDir(dir.path()).filePath(aside.front())) != file)
            std::abort();
    } else if (!aside.isEmpty()) {
        std::abort();  // set aside without a word
    }
    QString error;
    for (const LibraryEntry& e : r.library->list(&error)) {
        if (e.kind == EntryKind::Recording)
            r.library->loadRecording(e.id, 1000, &error);
        else
            r.library->loadDownload(e.id, &error);
    }
    LibraryStatus s;
    r.library->markInterrupted({}, &s);
    RecordingHeader h;
    h.started = 46030.0;
    h.rateSeconds = 2;
    if (!r.library->beginRecording(h, &s) && s.error.isEmpty())
        std::abort();
    return 0;
}
