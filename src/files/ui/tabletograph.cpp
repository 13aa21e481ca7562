// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/tabletograph.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>

#include "chart/chartmodel.h"
#include "files/tabledatetime.h"
#include "files/ui/tfrmlist.h"
#include "graph/realtimestate.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"
#include "widgets/mdiwindows.h"
#include "widgets/tfrmscope.h"

namespace kelvor {

namespace {
// Rows between two looks at the event loop: often enough for the bar and the other
// windows, rarely enough that 100,000 rows do not cost 100,000 event-loop turns.
constexpr int kRowsPerEventTurn = 256;

void drawRows(const TfrmList& list, ChartModel& chart, int n, TfrmScope& progress, Clock& clock)
{
    const QLocale locale;
    for (int t = 1; t <= n; ++t) {
        if (t % kRowsPerEventTurn == 0 || t == n) {
            progress.Progress1->setValue(t);
            clock.processEvents();
        }
        const std::optional<double> x = ParseTableDateTime(list.cell(1, t), list.cell(2, t), locale);
        if (!x)
            continue;  // an unreadable row keeps what PrepareGraph gave it
        for (int c = 0; c < 4; ++c)
            chart.setXDataII(c, t - 1, *x);
        for (int c = 0; c < 4; ++c) {
            const QString cell = list.cell(3 + c, t);
            if (cell == QLatin1String("OL")) {
                chart.setYData(c, t - 1, kGapValue);
                continue;
            }
            const std::optional<float> y = ParseTableValue(cell, locale);
            if (!y)
                break;
            chart.setYData(c, t - 1, *y);
        }
    }
}
}  // namespace

TfrmGraph* btnOutputToGraphClick(Program& program, QWidget* active)
{
    auto* list = qobject_cast<TfrmList*>(active);
    if (!list)
        return nullptr;
    Prompts& prompts = program.prompts;
    if (list->cell(1, 1).isEmpty()) {
        prompts.info(list, QStringLiteral("No data to graph !"));
        return nullptr;
    }
    const int n = list->dataRows();

    auto* w = new TfrmGraph(program);
    w->setWindowTitle(list->windowTitle());
    EnrollGraph(program, *w);
    program.windowSignals.showWindow(w);

    const std::optional<double> startT = ParseTableDateTime(list->cell(1, 1), list->cell(2, 1));
    const std::optional<double> endT = ParseTableDateTime(list->cell(1, n), list->cell(2, n));
    if (!startT || !endT) {
        const int row = startT ? n : 1;
        prompts.error(w, DateTimeConversionError(list->cell(1, row) + QLatin1Char(' ') + list->cell(2, row)));
        return w;
    }
    ChartModel& chart = w->chart();
    PrepareGraph(program, chart, 4, 100.0f, -20.0f, *endT, *startT, n, w);
    w->updateAnnotationTools();

    {
        TfrmScope progress(DialogParent(program));
        progress.setWindowTitle(QStringLiteral("Graphing Progress"));
        progress.showProgress(QStringLiteral("graphing....."), n, false);
        progress.show();
        drawRows(*list, chart, n, progress, program.clock);
        progress.close();
    }

    BringForward(w);
    ShowStatistics(*w);
    chart.PEactions(sgReinitAndReset);
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
    return w;
}

}  // namespace kelvor
