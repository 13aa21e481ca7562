// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

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

QString dataFolderFor(const QString& overrideDir, const QString& programDir)
{
    QString dir = overrideDir;
    if (dir.isEmpty()) {
        const QFileInfo own(programDir);
        const bool portable = own.isDir() && own.isWritable() && !isSystemProgramFolder(programDir);
        dir = portable ? programDir : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    return dir.isEmpty() ? dir : QDir(dir).absolutePath();
}

QString prepareDataFolder(const QString& dir)
{
    if (dir.isEmpty())
        return QStringLiteral("there is no folder for the program's data");
    const QString shown = QDir::toNativeSeparators(dir);
    if (!QDir().mkpath(dir))
        return QStringLiteral("cannot create the data folder '%1'").arg(shown);
    // The folder's permission bits do not tell about read-only mounts or full disks:
    // only a real file does.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".kelvor-write-check-XXXXXX")));
    if (!probe.open() || probe.write("ok", 2) != 2 || !probe.flush())
        return QStringLiteral("cannot write in the data folder '%1': %2").arg(shown, probe.errorString());
    return {};
}

QString chooseDataFolder(const QString& overrideDir, const QString& programDir, QString* error)
{
    const QString dir = dataFolderFor(overrideDir, programDir);
    if (dir.isEmpty() || !QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create the data folder '%1'").arg(dir);
        return {};
    }
    return dir;
}

int helpPageVersion(const QByteArray& page)
{
    static const QRegularExpression stamp(QStringLiteral(R"re(<meta\s+name="kelvor-help-version"\s+content="(\d+)")re"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = stamp.match(QString::fromUtf8(page.left(4096)));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

bool installHelpFile(const QString& dataDir, const QString& source)
{
    const QString target = QDir(dataDir).filePath(QStringLiteral("KELVORHELP.htm"));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QFileInfo::exists(target);
    const QByteArray page = in.readAll();
    if (QFileInfo::exists(target)) {
        QFile installed(target);
        if (installed.open(QIODevice::ReadOnly) && helpPageVersion(installed.read(4096)) >= helpPageVersion(page))
            return true;
    }
    return WriteFileAtomically(target, page).isEmpty();
}

}  // namespace kelvor
