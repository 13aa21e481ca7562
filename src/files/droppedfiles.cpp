// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/droppedfiles.h"

#include <QDir>

namespace kelvor {

QStringList DroppedFiles(const QList<QUrl>& urls)
{
    QStringList files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        // A relative name would be taken from wherever this program happens to run.
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QDir::isAbsolutePath(path))
            files << path;
    }
    return files;
}

}  // namespace kelvor
