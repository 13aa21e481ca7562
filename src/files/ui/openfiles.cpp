// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/openfiles.h"

#include <QDir>
#include <QFileInfo>

#include "files/ui/filecommands.h"
#include "files/ui/openspreadsheet.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"

namespace kelvor {

OpenableKind OpenableKindOf(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        return OpenableKind::Graph;
    if (ext == QLatin1String("txt") || ext == QLatin1String("csv"))
        return OpenableKind::Table;
    if (ext == QLatin1String("ch4"))
        return OpenableKind::Collection;
    return OpenableKind::None;
}

bool OpenFileByKind(Program& program, const QString& path)
{
    switch (OpenableKindOf(path)) {
        case OpenableKind::Graph:
            return OpenGraphFile(program, path) != nullptr;
        case OpenableKind::Table:
            return OpenTableFile(program, path);
        case OpenableKind::Collection:
            return OpenCollectionFile(program, path);
        case OpenableKind::None:
            break;
    }
    program.prompts.error(DialogParent(program),
                          QStringLiteral("Cannot open \"%1\": KELVOR opens graph files (*.ghf), tables (*.txt, *.csv) "
                                         "and data set collections (*.ch4).")
                              .arg(QDir::toNativeSeparators(path)));
    return false;
}

void OpenFiles(Program& program, const QStringList& paths)
{
    for (const QString& path : paths)
        OpenFileByKind(program, path);
}

}  // namespace kelvor
