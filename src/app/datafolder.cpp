// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kelvor {

QString chooseDataFolder(const QString& overrideDir, const QString& programDir, QString* error)
{
    QString dir = overrideDir;
    if (dir.isEmpty()) {
        const QFileInfo own(programDir);
        dir = own.isDir() && own.isWritable() ? programDir
                                              : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    if (dir.isEmpty() || !QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create the data folder '%1'").arg(dir);
        return {};
    }
    return QDir(dir).absolutePath();
}

bool installHelpFile(const QString& dataDir, const QString& source)
{
    const QString target = QDir(dataDir).filePath(QStringLiteral("KELVORHELP.htm"));
    if (QFileInfo::exists(target))
        return true;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(in.readAll());
    return out.commit();
}

}  // namespace kelvor
