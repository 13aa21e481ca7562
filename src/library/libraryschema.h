// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct sqlite3;

namespace kelvor {

// The library's schema version this program writes. docs/file-formats.md describes it.
inline constexpr int kLibrarySchemaVersion = 4;

// The version recorded in the file: 0 for a database without our tables, -1 when the
// file has tables of its own but no version table (another program's database).
int LibrarySchemaVersionOf(sqlite3* db);

// Brings the schema up to kLibrarySchemaVersion, one step per version, all in one
// transaction. `from` is the version read before; it is read again under the write
// lock, so a second program opening the library at the same time waits for the first
// and then finds the work done. Empty on success, else what failed.
QString MigrateLibrary(sqlite3* db, int from);

}  // namespace kelvor
