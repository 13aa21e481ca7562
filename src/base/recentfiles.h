// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QSettings;

namespace kelvor {

// File > Recent Files: the files opened last, newest first, kept in the settings.
inline constexpr int kRecentFilesMax = 8;

// The list as stored, without the files that are gone.
QStringList readRecentFiles(QSettings& settings);
// Puts `path` (made absolute) at the top, drops its older entry and what is beyond
// the last kRecentFilesMax; returns the new list. An empty error means it was stored.
QStringList addRecentFile(QSettings& settings, const QString& path, QString* error = nullptr);
void clearRecentFiles(QSettings& settings, QString* error = nullptr);

}  // namespace kelvor
