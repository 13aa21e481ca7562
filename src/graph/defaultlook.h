// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kelvor {

class ChartModel;

// The look of a chart prepared without a graph template: four stacked axes, one
// channel each, on a black plot with a dotted green grid, Y from yMin to yMax.
void ApplyDefaultLook(ChartModel& chart, int subsets, float yMax, float yMin);

// The graph file put in place as the template on a first start: the default look with
// its Y axes left open, so every graph prepared from it keeps its own Y range until
// the user fixes one.
QByteArray DefaultTemplateFile();

// Where an installed program keeps its copy of that file, relative to a shared data
// folder ("kelvor/template/graph.ghf"); an administrator may replace it.
QString SharedTemplateName();

// On a first start (no "template" folder yet beside `templatePath`) writes the shared
// copy of the template, or the built-in one, to `templatePath`. A template the user had
// and lost is not brought back: that stays worth a word. Returns an error text, empty
// when it was written or nothing was to be done.
QString InstallDefaultTemplate(const QString& templatePath);

}  // namespace kelvor
