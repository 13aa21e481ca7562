// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvor {

class ChartModel;

// Outcome of a graph file operation: empty error = success. The error names the file
// and what is wrong, ready for a message box.
struct GraphFileResult {
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// A graph file is a 4-byte little-endian length L followed by the L bytes of the
// chart's state block; nothing else.
inline constexpr qint64 kGraphFileMaxBlock = 256ll * 1024 * 1024;

// Writes the whole chart; the old file stays intact until the new one is complete.
GraphFileResult WriteGraphFile(const ChartModel& chart, const QString& path);
// Reads a graph file into the chart; on any fault the chart keeps what it had.
GraphFileResult ReadGraphFile(ChartModel& chart, const QString& path);
// The same check and load for a file already in memory (the Open command, fuzzing).
GraphFileResult LoadGraphFileBytes(ChartModel& chart, const QByteArray& bytes, const QString& path);

}  // namespace kelvor
