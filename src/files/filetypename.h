// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace kelvor {

// The extensions a save dialog's filter offers, one per file type and at most five
// (".TXT", ".CH4"). Accepts the "desc|pattern|desc|pattern" form, where each is the first
// four characters from the "." of its type's pattern, and Qt's "desc (patterns);;..."
// form, where each is the first pattern's whole extension (".xlsx").
QStringList FilterTypeExtensions(const QString& filter);

// What the file name box shows after the user picks file type `typeIndex` (from 1):
// the typed name, without its folder, with its extension replaced by that type's.
// An empty name stays empty; an index without a type leaves the name as typed.
QString NameForFileType(const QString& filter, int typeIndex, const QString& typedName);

// A comma-separated table cannot hold numbers written with a decimal comma: "23,5"
// would read back as the two fields 23 and 5. The message for such a save, naming it.
QString DecimalCommaCsvMessage(const QString& path);

}  // namespace kelvor
