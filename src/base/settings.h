// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <memory>

namespace kelvor {

// The two values the program keeps between runs.
struct StoredSettings {
    int RealTimeRate = 2;  // seconds between real-time samples
    int AnnoColor = 0;     // 0x00BBGGRR of new annotations
};

// The rate lists run from 00 to 60 minutes and 00 to 60 seconds.
inline constexpr int kMinRealTimeRate = 1;
inline constexpr int kMaxRealTimeRate = 60 * 60 + 60;

// Missing, unreadable, non-integer or out-of-range values give the defaults.
StoredSettings readSettings(QSettings& settings);
// Returns what went wrong storing them (see syncSettings), empty when they were stored.
QString writeSettings(QSettings& settings, const StoredSettings& values);
// Writes what is pending and says what went wrong ("cannot write /path/KELVOR.conf"),
// empty when all is on disk.
QString syncSettings(QSettings& settings);

// The program's own store: HKEY_LOCAL_MACHINE\SOFTWARE\TOVRA on Windows, the user's
// native settings of organisation "TOVRA" elsewhere. A non-empty iniFile replaces it
// (tests, portable use).
std::unique_ptr<QSettings> openProgramSettings(const QString& iniFile = {});

}  // namespace kelvor
