// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryschema.h"

#include <sqlite3.h>

#include "base/clock.h"
#include "library/sqlitestatement.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {

// Version 1: items with their recordings (samples) and downloads (memory images).
// Never edit a step that has shipped; add the next one.
const char* const kToVersion1 = R"sql(
CREATE TABLE schema_version(version INTEGER NOT NULL);
CREATE TABLE items(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL CHECK (kind IN ('recording', 'download')),
  created REAL NOT NULL,
  name TEXT NOT NULL DEFAULT '',
  note TEXT NOT NULL DEFAULT '');
CREATE TABLE recordings(
  id INTEGER PRIMARY KEY REFERENCES items(id) ON DELETE CASCADE,
  started REAL NOT NULL,
  rate_seconds INTEGER NOT NULL,
  record_count INTEGER NOT NULL,
  meter_model TEXT NOT NULL DEFAULT '',
  meter_serial TEXT NOT NULL DEFAULT '',
  unit TEXT NOT NULL DEFAULT 'C',
  state TEXT NOT NULL CHECK (state IN ('recording', 'complete', 'interrupted')),
  sample_count INTEGER NOT NULL DEFAULT 0,
  last_time REAL);
CREATE TABLE samples(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  time REAL NOT NULL,
  flags INTEGER NOT NULL,
  t1 REAL NOT NULL, t2 REAL NOT NULL, t3 REAL NOT NULL, t4 REAL NOT NULL,
  PRIMARY KEY (recording_id, seq)) WITHOUT ROWID;
CREATE TABLE downloads(
  id INTEGER PRIMARY KEY REFERENCES items(id) ON DELETE CASCADE,
  downloaded REAL NOT NULL,
  meter_serial TEXT NOT NULL DEFAULT '',
  image BLOB NOT NULL);
INSERT INTO schema_version(version) VALUES (1);
)sql";

// Version 2: where an item came from, open-ended runs, statistics and annotations of
// a recording, and the data sets of a download listed beside its image.
const char* const kToVersion2 = R"sql(
ALTER TABLE items ADD COLUMN source TEXT NOT NULL DEFAULT '';
ALTER TABLE recordings ADD COLUMN open_ended INTEGER NOT NULL DEFAULT 0;
CREATE INDEX items_by_created ON items(created);
CREATE TABLE recording_statistics(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  channel INTEGER NOT NULL CHECK (channel BETWEEN 1 AND 4),
  maximum REAL, maximum_time REAL, maximum_flags INTEGER,
  minimum REAL, minimum_time REAL, minimum_flags INTEGER,
  average REAL,
  averaged INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (recording_id, channel)) WITHOUT ROWID;
CREATE TABLE annotations(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  number INTEGER NOT NULL,
  x REAL NOT NULL, y REAL NOT NULL,
  type INTEGER NOT NULL, color INTEGER NOT NULL,
  text TEXT NOT NULL DEFAULT '',
  PRIMARY KEY (recording_id, number)) WITHOUT ROWID;
CREATE TABLE download_sets(
  download_id INTEGER NOT NULL REFERENCES downloads(id) ON DELETE CASCADE,
  number INTEGER NOT NULL,
  start REAL NOT NULL,
  rate_seconds INTEGER NOT NULL,
  samples INTEGER NOT NULL,
  unit TEXT NOT NULL,
  couple TEXT NOT NULL,
  t1_offset REAL NOT NULL, t2_offset REAL NOT NULL, t3_offset REAL NOT NULL, t4_offset REAL NOT NULL,
  PRIMARY KEY (download_id, number)) WITHOUT ROWID;
)sql";

// Version 3: the alarm events of a real-time run (limit crossings seen by the PC).
const char* const kToVersion3 = R"sql(
CREATE TABLE alarm_events(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  number INTEGER NOT NULL,
  x REAL NOT NULL,
  channel INTEGER NOT NULL,
  value REAL NOT NULL,
  kind INTEGER NOT NULL,
  PRIMARY KEY (recording_id, number)) WITHOUT ROWID;
)sql";

// Version 4: runs of several meters. Each meter of such a run is listed with what it is
// known by; `samples` keeps the first meter's channels of every row (a row it gave no
// reading for holds "----" on all four) and says which meters gave none, and the other
// meters' readings are rows of their own. A run of one meter writes nothing new.
const char* const kToVersion4 = R"sql(
CREATE TABLE recording_meters(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  meter INTEGER NOT NULL CHECK (meter BETWEEN 0 AND 7),
  model TEXT NOT NULL DEFAULT '',
  serial TEXT NOT NULL DEFAULT '',
  name TEXT NOT NULL DEFAULT '',
  PRIMARY KEY (recording_id, meter)) WITHOUT ROWID;
ALTER TABLE samples ADD COLUMN meters_absent INTEGER NOT NULL DEFAULT 0;
CREATE TABLE meter_samples(
  recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  meter INTEGER NOT NULL CHECK (meter BETWEEN 1 AND 7),
  flags INTEGER NOT NULL,
  t1 REAL NOT NULL, t2 REAL NOT NULL, t3 REAL NOT NULL, t4 REAL NOT NULL,
  PRIMARY KEY (recording_id, seq, meter)) WITHOUT ROWID;
)sql";

QString lastError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

QString execScript(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    const QString text = message ? QString::fromUtf8(message) : lastError(db);
    sqlite3_free(message);
    return text;
}

// Lists the data sets of every download stored before version 2.
QString backfillDownloadSets(sqlite3* db)
{
    SqliteStatement images(db, "SELECT id, image FROM downloads");
    SqliteStatement insert(db, "INSERT INTO download_sets VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    if (!images.prepared() || !insert.prepared())
        return lastError(db);
    SystemClock clock;  // only for dates the meter wrote as nonsense
    while (images.step() == SQLITE_ROW) {
        DataSetStore store;
        if (!DecodeDataSets(images.blob(1), store, clock).ok())
            continue;
        for (std::size_t k = 0; k < store.sets.size(); ++k) {
            const DataSet& s = store.sets[k];
            insert.bind(1, images.int64(0));
            insert.bind(2, int(k + 1));
            insert.bind(3, s.start);
            insert.bind(4, s.interval);
            insert.bind(5, s.sampleCount);
            insert.bind(6, FormatUnit(s));
            insert.bind(7, FormatCouple(s.thermoType));
            for (int c = 0; c < 4; ++c)
                insert.bind(8 + c, OffsetInUnit(s, c));
            if (insert.step() != SQLITE_DONE)
                return lastError(db);
            insert.reset();
        }
    }
    return {};
}

QString step(sqlite3* db, int to)
{
    switch (to) {
        case 1:
            return execScript(db, kToVersion1);
        case 2:
            if (QString e = execScript(db, kToVersion2); !e.isEmpty())
                return e;
            return backfillDownloadSets(db);
        case 3:
            return execScript(db, kToVersion3);
        case 4:
            return execScript(db, kToVersion4);
        default:
            return QStringLiteral("no migration to version %1").arg(to);
    }
}

}  // namespace

int LibrarySchemaVersionOf(sqlite3* db)
{
    SqliteStatement tables(db, "SELECT count(*), sum(name = 'schema_version') FROM sqlite_schema");
    if (tables.step() != SQLITE_ROW)
        return -1;
    if (tables.int64(0) == 0)
        return 0;
    if (tables.int64(1) != 1)
        return -1;
    SqliteStatement version(db, "SELECT max(version) FROM schema_version");
    if (version.step() != SQLITE_ROW || version.isNull(0))
        return -1;
    return int(version.int64(0));
}

QString MigrateLibrary(sqlite3* db, int from)
{
    if (from >= kLibrarySchemaVersion)
        return {};
    if (QString e = execScript(db, "BEGIN IMMEDIATE"); !e.isEmpty())
        return e;
    // Read again under the write lock: another program starting at the same time may
    // have created or upgraded the library while this one waited for it.
    from = LibrarySchemaVersionOf(db);
    if (from < 0 || from > kLibrarySchemaVersion) {
        const QString e = lastError(db);
        execScript(db, "ROLLBACK");
        return QStringLiteral("cannot read the schema version: %1").arg(e);
    }
    for (int to = from + 1; to <= kLibrarySchemaVersion; ++to) {
        QString e = step(db, to);
        if (e.isEmpty() && to > 1) {
            SqliteStatement bump(db, "UPDATE schema_version SET version = ?");
            bump.bind(1, to);
            if (bump.step() != SQLITE_DONE)
                e = lastError(db);
        }
        if (!e.isEmpty()) {
            execScript(db, "ROLLBACK");
            return QStringLiteral("cannot bring the library to version %1: %2").arg(to).arg(e);
        }
    }
    if (QString e = execScript(db, "COMMIT"); !e.isEmpty()) {
        execScript(db, "ROLLBACK");
        return e;
    }
    return {};
}

}  // namespace kelvor
