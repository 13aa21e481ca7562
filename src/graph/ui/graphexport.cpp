// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/graphexport.h"

#include <QFileInfo>
#include <QTableWidget>

#include "export/spreadsheetcsv.h"
#include "export/xlsxworkbook.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

QString ExportSaveFilters()
{
    return QStringLiteral(";;") + kSpreadsheetFilter + QStringLiteral(";;") + kWorkbookFilter;
}

std::vector<ExportSeries> GraphSeries(Program& program, const ChartModel& chart, QWidget* window, bool everySet)
{
    std::vector<ExportSeries> series;
    auto* graph = qobject_cast<TfrmGraph*>(window);
    const int sets = int(program.store.sets.size());
    if (graph && graph->isLoggerWindow() && sets > 0) {
        const int drawn = std::clamp(graph->Grid2->currentRow(), 0, sets - 1);
        for (int k = 0; k < sets; ++k)
            if (everySet || k == drawn)
                series.push_back(SeriesFromDataSet(program.store, k));
        return series;
    }
    const QString title = window ? window->windowTitle() : QString();
    const bool realTime = (graph && graph->isRealTimeWindow()) || title.isEmpty();
    series.push_back(SeriesFromChart(chart, realTime ? QStringLiteral("Real-time run") : QFileInfo(title).fileName()));
    if (!realTime)
        series.back().source.front().second = title;
    return series;
}

std::optional<bool> SaveGraphExport(Program& program, const ChartModel& chart, QWidget* window, const QString& path,
                                    const QString& selectedFilter)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    Status r;
    if (ext == QLatin1String("xlsx"))
        r = WriteWorkbook(GraphSeries(program, chart, window, true), path);
    else if (selectedFilter == kSpreadsheetFilter && ext == QLatin1String("csv"))
        r = WriteSpreadsheetCsv(GraphSeries(program, chart, window, false).front(), path);
    else
        return std::nullopt;
    if (!r.ok())
        program.prompts.error(window, r.error());
    return r.ok();
}

}  // namespace kelvor
