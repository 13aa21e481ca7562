// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/atomicfile.h"

namespace kelvor {

bool isSystemProgramFolder(const QString& programDir)
{
#ifdef Q_OS_UNIX
    // An installed program lives in the system's folders; even where root may write
    // there, its data belongs to the user, never beside /usr/bin/kelvor.
    const QString dir = QDir::cleanPath(programDir);
    for (const char* prefix : {"/usr", "/bin", "/sbin", "/lib"})
        if (dir == QLatin1String(prefix) || dir.startsWith(QLatin1String(prefix) + QLatin1Char('/')))
            return true;
#else
    Q_UNUSED(programDir);
#endif
    return false;
}

QString chooseDataFolder(const QString& overrideDir, const QString& programDir, QString* error)
{
    QString dir = overrideDir;
    if (dir.isEmpty()) {
        const QFileInfo own(programDir);
        const bool portable = own.isDir() && own.isWritable() && !isSystemProgramFolder(programDir);
        dir = portable ? programDir : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
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
    return WriteFileAtomically(target, in.readAll()).isEmpty();
}

}  // namespace kelvor
