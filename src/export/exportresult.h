// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "base/result.h"

namespace kelvor {

// Replaces path with bytes in one step: the old file stays untouched on any failure,
// which then names the file and the reason.
Status SaveExportBytes(const QString& path, const QByteArray& bytes);

}  // namespace kelvor
