// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportresult.h"

#include <QDir>
#include <QSaveFile>

namespace kelvor {

ExportResult SaveExportBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return {QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString())};
}

}  // namespace kelvor
