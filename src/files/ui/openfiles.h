// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace kelvor {

class Program;

// The kinds of file the program opens, by extension (any case).
enum class OpenableKind { None, Graph, Table, Collection };
OpenableKind OpenableKindOf(const QString& path);

// Opens a file as File > Open would for its kind: a graph file into a graph window, a
// table into a table window, a collection into the DataLogger window. Failures are
// reported as Open reports them; a file of another kind is named in a message.
// True when it was opened.
bool OpenFileByKind(Program& program, const QString& path);
// The same for several files (command line, drag and drop, a second copy's request).
void OpenFiles(Program& program, const QStringList& paths);

}  // namespace kelvor
