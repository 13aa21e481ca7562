// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace kelvor {

class ChartModel;
class Program;

// Qt's "desc (patterns);;..." filter form of a "desc|pattern|desc|pattern" list; the
// descriptions stay as they are, each pattern is offered in both letter cases.
QString QtFileFilter(const QString& pipeSeparated);

// The save dialog's filter for a graph: no comma table when the locale writes decimal
// commas.
QString GraphSaveFilter();

// The save command of a graph: a graph file (.ghf), a tab table (.txt) or a comma table
// (.csv), chosen by the extension; an open-ended run is written whole (see WholeRun). Returns true only when the graph is on disk; a
// cancelled dialog or range window, a failed write and an unknown extension return
// false (failures are reported with the file's name and the reason).
bool SaveGraphAs(Program& program, ChartModel& chart, QWidget* parent);

// Writes the chart as the graph template; a failure is reported. True when written.
bool WriteTemplate(Program& program, const ChartModel& chart, QWidget* parent);

}  // namespace kelvor
