// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/inputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace kelvor {

QString NotARegularFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("\"%1\" is not a file that can be read (a folder, device or pipe).")
            .arg(QDir::toNativeSeparators(path));
    return {};
}

QString OpenInputFile(QFile& file, qint64 maxBytes, const QString& what)
{
    const QString name = QDir::toNativeSeparators(file.fileName());
    if (QString problem = NotARegularFile(file.fileName()); !problem.isEmpty())
        return problem;
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot open \"%1\": %2").arg(name, file.errorString());
    if (file.size() > maxBytes) {
        file.close();
        return QStringLiteral("\"%1\" is too large for %2: %3 bytes, at most %4.")
            .arg(name, what, QLocale::c().toString(file.size()), QLocale::c().toString(maxBytes));
    }
    return {};
}

}  // namespace kelvor
