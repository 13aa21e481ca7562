// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kelvor {

// Writes the working copy (the last good download or opened collection) atomically,
// creating its folder. Returns an empty string on success, else what went wrong with
// the path. A copy that could not be replaced stays as it was (a whole earlier
// download); the current one is still held in memory for saving.
QString WriteWorkingCopy(const QString& path, const QByteArray& image);

}  // namespace kelvor
