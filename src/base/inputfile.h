// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFile;

namespace kelvor {

// Opens a file that is about to be read whole. What is not a regular file (a device
// such as /dev/zero, a pipe, a folder) could block the reader or never end, and a
// file over maxBytes would be pulled into memory for nothing: both are refused
// before anything is read. Returns an empty string, or the message naming the path
// and, for a size, what the file is said to be (`what`, e.g. "a capture").
QString OpenInputFile(QFile& file, qint64 maxBytes, const QString& what);

// Just the first check: empty for a regular file or a missing one (opening reports that).
QString NotARegularFile(const QString& path);

}  // namespace kelvor
