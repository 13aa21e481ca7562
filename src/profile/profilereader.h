// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "base/result.h"
#include "profile/profile.h"

namespace kelvor {

// A profile file over this size is refused before it is read.
inline constexpr qint64 kMaxProfileFileBytes = 1 << 20;

// Reads a profile (docs/profiles.md). A file that is not one gets a message naming the
// file, the line (and column, for broken JSON), the rule and the field.
Result<Profile> ParseProfile(const QByteArray& text, const QString& fileName);
Result<Profile> ReadProfileFile(const QString& path);

}  // namespace kelvor
