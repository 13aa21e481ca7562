// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kelvor {

// The outcome of an export: empty error when the file is in place.
struct ExportResult {
    QString error;  // names the file and the reason
    bool ok() const { return error.isEmpty(); }
};

// Replaces path with bytes in one step: the old file stays untouched on any failure.
ExportResult SaveExportBytes(const QString& path, const QByteArray& bytes);

}  // namespace kelvor
