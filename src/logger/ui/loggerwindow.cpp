// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/ui/loggerwindow.h"

#include <QFrame>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>

#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/datasetformat.h"
#include "program/program.h"
#include "widgets/mdiwindows.h"

namespace kelvor {

namespace {
constexpr double kEmptyChartSpan = 500.0 * kDaysPerSecond;
}  // namespace

TfrmGraph* EnsureLoggerGraph(Program& program)
{
    if (TfrmGraph* existing = LoggerGraph(program)) {
        BringForward(existing);
        return existing;
    }
    auto* w = new TfrmGraph(program, GraphRole::DataLogger);
    w->setWindowTitle(kLoggerCaption);
    w->pnlDataSets->setVisible(true);
    EnrollGraph(program, *w);
    const double now = program.clock.nowDays();
    PrepareGraph(program, w->chart(), 1, 130.0f, 30.0f, now + kEmptyChartSpan, now, 500, w);
    w->updateAnnotationTools();
    w->chart().setAllowGraphAnnotHotSpots(true);
    program.windowSignals.showWindow(w);
    if (QMdiSubWindow* frame = MdiFrameOf(w)) {
        frame->showNormal();
        if (QWidget* client = frame->parentWidget())
            frame->setGeometry(0, 0, client->width(), std::max(200, client->height() - 60));
        FitIntoArea(*frame);
    }
    BringForward(w);
    return w;
}

void FillDataSetList(TfrmGraph& window, const DataSetStore& store)
{
    QTableWidget* grid = window.Grid2;
    const QSignalBlocker quiet(grid);
    const TextStyle style = TextStyle::system();
    const int count = int(store.sets.size());
    // An empty list keeps one blank row, as a fresh window shows it.
    grid->clearContents();
    grid->setRowCount(std::max(1, count));
    for (int k = 0; k < count; ++k) {
        const QStringList row = DataSetListRow(store.sets[std::size_t(k)], k, style);
        for (int c = 0; c < row.size() && c < grid->columnCount(); ++c)
            grid->setItem(k, c, new QTableWidgetItem(row[c]));
    }
    // Dates and times are as wide as the locale writes them.
    if (count > 0) {
        grid->resizeColumnToContents(1);
        grid->resizeColumnToContents(2);
    }
    grid->clearSelection();
    if (count > 0)
        grid->setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ShowDataSet(Program& program, int k)
{
    TfrmGraph* w = LoggerGraph(program);
    const DataSetStore& store = program.store;
    if (!w || k < 0 || std::size_t(k) >= store.sets.size())
        return;
    const DataSet& set = store.sets[std::size_t(k)];
    const int n = set.sampleCount;
    const double step = set.interval * kDaysPerSecond;
    const double startT = set.start;
    const double endT = startT + n * step;

    ChartModel& chart = w->chart();
    PrepareGraph(program, chart, 4, 100.0f, -20.0f, endT, startT, n, w);
    w->updateAnnotationTools();
    chart.setDataUnit(set.inCelsius ? chartCelsius : chartFahrenheit);
    chart.SetAllXDataII(store.timesOf(std::size_t(k)), std::int64_t(4) * n);
    chart.SetAllYData(store.valuesOf(std::size_t(k)), std::int64_t(4) * n);
    ShowStatistics(*w);
    // The data set knows its own start and rate, also when it has fewer than two
    // samples to measure them by.
    w->txtStartTime->setText(DateTimeText(startT));
    w->setRateLists(set.interval / 60, set.interval % 60);
    w->txtDataNo->setText(QString::number(n));

    chart.PEactions(sgUndoZoom);
    w->UndoZoom->setEnabled(false);
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

void InstallDataLoggerHooks(Program& program)
{
    QObject::connect(&program.windowSignals, &WindowSignals::dataSetChosen, &program.windowSignals,
                     [&program](int k) { ShowDataSet(program, k); });
}

}  // namespace kelvor
