// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace kelvor {

class Program;
class TfrmGraph;
class TfrmList;

// The dialogs' filters in their "description|pattern" form, exactly as the user reads
// them; QtFileFilter() turns them into Qt's form.
QString TableSaveFilterText();     // no CSV type when the locale writes decimal commas
QString DataFileOpenFilterText();  // graph files and tables
inline const char* const kCollectionSaveFilterText = "Data Set Collection file(*.ch4,only for KELVOR)|*.CH4";
inline const char* const kCollectionOpenFilterText = "Data Sets Collection (*.CH4)|*.CH4";

// File > Open and SpeedButton1: a collection or a single file.
void Open1Click(Program& program);
// The single-file branch: a graph file into a new graph window, a table into a new
// table window (a spreadsheet table the program wrote into the graph it came from);
// other extensions are ignored.
void OpenDataFile(Program& program);
// Opens a graph file in a new graph window; a file that cannot be read is reported
// and no window is left behind.
TfrmGraph* OpenGraphFile(Program& program, const QString& path);
// Reads a text table into a new table window (nullptr when the file cannot be opened).
TfrmList* OpenTextTable(Program& program, const QString& path);

// File > Save and SpeedButton2, by the window that is active (may be null). True when
// something was saved.
bool Save1Click(Program& program, QWidget* active);
bool SaveTableAsText(Program& program, TfrmList& list);
// The data sets of the last download or opened collection into a .ch4 file.
bool SaveCollection(Program& program);
// Makes sure of the DataLogger window, then lists and draws a chosen collection.
void OpenCollection(Program& program);
// The same for a named collection file; true when its data sets are shown.
bool OpenCollectionFile(Program& program, const QString& path);

// Lets the DataLogger window's close prompt save through the Save command.
void InstallFileHooks(Program& program);

}  // namespace kelvor
