// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

class Program;
class TfrmGraph;
struct ReportContent;

// Asks the report's title (starting from content.title) and whether to add the sample
// table, into `content`. False when cancelled.
bool AskReportOptions(Program& program, QWidget* parent, ReportContent& content);

// "Report…" of a graph window: asks for the title and whether to add the sample table,
// then for the PDF file, and writes the report. True when the file was written;
// cancelling writes nothing, a failure is shown with the file's name and the reason.
bool ReportGraphWindow(Program& program, TfrmGraph& window);

// File › Report: the report of the active window when it is a graph window.
void ReportActiveWindow(Program& program, QWidget* activeChild);

}  // namespace kelvor
