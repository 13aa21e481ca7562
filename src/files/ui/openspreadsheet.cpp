// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/openspreadsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <algorithm>

#include "chart/chartmodel.h"
#include "export/spreadsheetread.h"
#include "files/ui/filecommands.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"
#include "widgets/mdiwindows.h"

namespace kelvor {

TfrmGraph* OpenSpreadsheetTable(Program& program, const QString& path)
{
    const Result<ExportSeries> r = ReadSpreadsheetTable(path);
    if (!r.ok()) {
        program.prompts.error(DialogParent(program), r.error());
        return nullptr;
    }
    const ExportSeries& s = r.value();
    const int n = s.samples();
    auto* w = new TfrmGraph(program);
    w->setWindowTitle(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    EnrollGraph(program, *w);
    program.windowSignals.showWindow(w);

    ChartModel& chart = w->chart();
    const double xMin = n ? s.times.front() : 0.0;
    const double xMax = n ? std::max(s.times.back(), xMin + 1.0 / 86400.0) : 0.0;
    PrepareGraph(program, chart, 4, 100.0f, -20.0f, xMax, xMin, n, w);
    std::vector<double> xs(std::size_t(n) * 4);
    for (int i = 0; i < n; ++i)
        std::fill_n(xs.begin() + 4 * i, 4, s.times[std::size_t(i)]);
    chart.SetAllXDataII(xs.data(), std::int64_t(xs.size()));
    chart.SetAllYData(s.values.data(), std::int64_t(s.values.size()));
    for (int i = 0; i < n; ++i)
        chart.setPointFlags(i, s.flags[std::size_t(i)]);
    chart.setDataUnit(s.unit == QStringLiteral("°F") ? chartFahrenheit : chartCelsius);
    if (QMdiSubWindow* frame = MdiFrameOf(w))
        FitIntoArea(*frame);
    ShowStatistics(*w);
    chart.setAllowDataLabels(sgNoDataLabels);
    chart.PEactions(sgReinitAndReset);
    w->updateAnnotationTools();
    chart.setAllowGraphAnnotHotSpots(true);
    emit program.windowSignals.fileOpened(path);
    return w;
}

bool OpenTableFile(Program& program, const QString& path)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 &&
        IsSpreadsheetTableFile(path))
        return OpenSpreadsheetTable(program, path) != nullptr;
    return OpenTextTable(program, path) != nullptr;
}

}  // namespace kelvor
