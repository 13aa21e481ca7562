// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

class Library;
class Program;
struct LibraryEntry;

// Export… of the Library window: offers every file the item can become (the tables,
// spreadsheet table, workbook and report of the graph and data set windows, and the
// graph file of a recording or the collection of a download), asks for the name and
// writes it. A name typed without an extension gets the chosen type's. True when the
// file was written; a failure is shown with the file's name and the reason.
bool ExportLibraryEntry(Program& program, QWidget* parent, const Library& library, const LibraryEntry& entry);

}  // namespace kelvor
