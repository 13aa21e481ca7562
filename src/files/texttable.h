// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QIODevice;

namespace kelvor {

// One row of a text table: date, time, T1..T4 as the file holds them.
using TableRow = std::array<QString, 6>;
using TableRows = std::vector<TableRow>;

// Separator for reading: comma for a ".csv" extension (any case), else TAB.
QChar TableReadSeparator(const QString& path);
// Separator for saving: comma when the name's last three characters, lower-cased,
// are "csv" (so "DATA.CSV" and even "xcsv" take commas), else TAB.
QChar TableSaveSeparator(const QString& fileName);

// Called every few hundred rows with the rows read or written so far; returning
// false stops the work.
using TableRowProgress = std::function<bool(int rowsDone)>;
inline constexpr int kTableProgressBatch = 512;

struct TableReadResult {
    TableRows rows;
    bool cancelled = false;  // stopped by the progress callback; rows read so far are kept
    QString error;           // the file could not be opened, or a line was absurdly long
    bool ok() const { return error.isEmpty(); }
};

// Reads lines until the first one without the separator (an empty line included) or
// the end. A line may end with a separator after its last field or not; fields after
// the sixth are dropped. Lines longer than 179 characters are read whole (one line
// over kMaxTableLineBytes ends the reading with an error; the rows before it stay).
inline constexpr qint64 kMaxTableLineBytes = 1 << 20;
// A table file over kMaxTableFileBytes is refused before reading: its rows would take
// several times that in memory (a real-time run of a week at one sample a second is
// about 30 MiB of table).
inline constexpr qint64 kMaxTableFileBytes = 64ll << 20;
TableReadResult ReadTextTable(const QString& path, const TableRowProgress& progress = {});
TableReadResult ReadTextTable(QIODevice& device, QChar separator, const TableRowProgress& progress = {});

struct TableSaveResult {
    int lines = 0;           // lines in the file (0 unless committed)
    bool cancelled = false;  // the user stopped it: nothing was written, an old file stays
    QString error;           // the file could not be written: path and reason
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Writes rows first..last (1-based, inclusive; the range window's entries go through
// NormaliseTableRange of graph/graphtable.h, the same rules as the graph export)
// each as its six fields with a separator after every field and CR LF, atomically.
TableSaveResult SaveTableAsText(const TableRows& rows, const QString& path, int first, int last,
                                const TableRowProgress& progress = {});

}  // namespace kelvor
