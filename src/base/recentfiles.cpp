// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/recentfiles.h"

#include <QFileInfo>
#include <QSettings>

#include "base/settings.h"

namespace kelvor {

namespace {
const QString kKey = QStringLiteral("RecentFiles");

void store(QSettings& settings, const QStringList& list, QString* error)
{
    settings.setValue(kKey, list);
    const QString problem = syncSettings(settings);
    if (error)
        *error = problem;
}
}  // namespace

QStringList readRecentFiles(QSettings& settings)
{
    QStringList list;
    for (const QString& path : settings.value(kKey).toStringList())
        if (!path.isEmpty() && QFileInfo(path).isFile() && !list.contains(path) && list.size() < kRecentFilesMax)
            list << path;
    return list;
}

QStringList addRecentFile(QSettings& settings, const QString& path, QString* error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = readRecentFiles(settings);
    list.removeAll(absolute);
    list.prepend(absolute);
    while (list.size() > kRecentFilesMax)
        list.removeLast();
    store(settings, list, error);
    return list;
}

void clearRecentFiles(QSettings& settings, QString* error) { store(settings, {}, error); }

}  // namespace kelvor
