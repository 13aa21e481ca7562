// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/workingcopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kelvor {

QString WriteWorkingCopy(const QString& path, const QByteArray& image)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        QFile::remove(path);
        return QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    }
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (file.write(image) != image.size())
        error = file.errorString();
    else if (!file.commit())
        error = file.errorString();
    if (error.isEmpty())
        return {};
    file.cancelWriting();
    QFile::remove(path);
    return QStringLiteral("Cannot write the working copy %1: %2")
        .arg(QDir::toNativeSeparators(path), error);
}

}  // namespace kelvor
