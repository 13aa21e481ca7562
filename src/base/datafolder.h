// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvor {

// Where template/, temp/ and the help file live: `overrideDir` when given, else the
// program's own folder when it is writable and not a system folder (portable use),
// else the user's
// application data folder. The folder is created; returns an empty string and sets
// *error when that fails.
QString chooseDataFolder(const QString& overrideDir, const QString& programDir, QString* error);

// True for the folders an installed program lives in (/usr/bin, ...), which never
// count as a portable program folder.
bool isSystemProgramFolder(const QString& programDir);

// Copies the help page shipped with the program into the data folder when it is not
// there yet. Returns false when it could not be written.
bool installHelpFile(const QString& dataDir, const QString& source = QStringLiteral(":/help/KELVORHELP.htm"));

}  // namespace kelvor
