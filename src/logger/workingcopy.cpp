// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/workingcopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/atomicfile.h"

namespace kelvor {

QString WriteWorkingCopy(const QString& path, const QByteArray& image)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        QFile::remove(path);
        return QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    }
    AtomicFile file(path);
    if (file.open() && file.write(image) && file.commit())
        return {};
    return QStringLiteral("Cannot write the working copy %1: %2").arg(QDir::toNativeSeparators(path), file.reason());
}

}  // namespace kelvor
