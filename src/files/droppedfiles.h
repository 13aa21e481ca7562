// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

namespace kelvor {

// The files among what was dropped on the main window (the URLs of the drag's data):
// local files only, as absolute paths, in the order dropped. A URL that names no file
// on this machine (a web address, "file:" with a relative or empty path) is left out.
QStringList DroppedFiles(const QList<QUrl>& urls);

}  // namespace kelvor
