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

// The folder chooseDataFolder would take, made absolute, without touching the disk.
QString dataFolderFor(const QString& overrideDir, const QString& programDir);
// Creates the folder and checks that a file can be written in it. Returns what is
// wrong ("cannot create ...", "cannot write in ..."), empty when it is usable.
QString prepareDataFolder(const QString& dir);

// True for the folders an installed program lives in (/usr/bin, ...), which never
// count as a portable program folder.
bool isSystemProgramFolder(const QString& programDir);

// Copies the help page shipped with the program into the data folder when it is not
// there yet, or when the copy there carries an older version stamp than `source`
// (an upgrade brings its new help). Returns false when it could not be written.
bool installHelpFile(const QString& dataDir, const QString& source = QStringLiteral(":/help/KELVORHELP.htm"));

// The version stamp of a help page: the number in its
// <meta name="kelvor-help-version" content="N">, 0 when it has none.
int helpPageVersion(const QByteArray& page);

}  // namespace kelvor
