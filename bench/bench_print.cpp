// SPDX-License-Identifier: GPL-3.0-or-later
// Printing to a PDF file offscreen: a table of 10,000 and 100,000 rows beside a plain
// QPrinter drawing the same rows, and a full real-time chart on one page.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include "base/clock.h"
#include "benchsupport.h"
#include "chart/chartmodel.h"
#include "files/ui/tablerowsmodel.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "meter/devicefactory.h"
#include "print/tableprintout.h"
#include "print/ui/graphprinter.h"
#include "print/ui/tableprinter.h"
#include "program/program.h"
#include "program/prompts.h"

using namespace kelvor;

namespace {

struct Rig : bench::SimProgram {
    Rig()
    {
        prompts.dialogResult = QDialog::Rejected;  // the customise dialog is cancelled,
        prompts.print = true;                      // the print dialog confirmed
        start();
        program->printer().setOutputFormat(QPrinter::PdfFormat);
        program->printer().setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    }
};

TableRows tableRows(int n)
{
    TableRows rows(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = {"09/12/2026", QString("12:%1:%2").arg(i / 60 % 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                   "21.5",       "30.2",
                   "-1.0",       "OL"};
    return rows;
}

void setPerRow(benchmark::State& state, int rows)
{
    state.counters["per_row"] = benchmark::Counter(double(state.iterations()) * rows,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Arg: data rows. File > Print of a table window's grid, to PDF.
void BM_PrintTable(benchmark::State& state)
{
    Rig rig;
    TableRowsModel model;
    model.setRows(tableRows(int(state.range(0))));
    for (auto _ : state) {
        if (!PrintTable(*rig.program, nullptr, model))
            state.SkipWithError("table not printed");
    }
    setPerRow(state, int(state.range(0)));
}
BENCHMARK(BM_PrintTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The anchor: the same rows from a plain QPrinter, one drawText per line (the cells
// joined by a blank), in the same font on the same pages.
void BM_PrintPlainAnchor(benchmark::State& state)
{
    Rig rig;
    const TableRows rows = tableRows(int(state.range(0)));
    QPrinter& printer = rig.program->printer();
    for (auto _ : state) {
        QPainter painter(&printer);
        painter.setFont(tablePrintFont());
        const int ascent = painter.fontMetrics().ascent();
        const TablePaging paging = tablePaging(printer);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (paging.newPageBefore(int(r)))
                printer.newPage();
            QString line = QString::number(r + 1);
            for (const QString& cell : rows[r])
                line += QLatin1Char(' ') + cell;
            painter.drawText(1, paging.rowTop(int(r)) + ascent, line);
        }
    }
    setPerRow(state, int(state.range(0)));
}
BENCHMARK(BM_PrintPlainAnchor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintGraph16000(benchmark::State& state)
{
    Rig rig;
    TfrmGraph* graph = OpenRealTimeGraph(*rig.program);
    ChartModel& chart = graph->chart();
    const int n = 16000;
    PrepareGraph(*rig.program, chart, 4, 100.0f, -20.0f, n / 86400.0, 0.0, n, nullptr);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 4; ++c) {
            chart.setXDataII(c, i, i / 86400.0);
            chart.setYData(c, i, float(20 + c * 10 + (i % 100) / 10.0));
        }
    chart.PEactions(sgReinitAndReset);
    QApplication::processEvents();
    for (auto _ : state) {
        if (!PrintChart(*rig.program, graph, graph->view()))
            state.SkipWithError("chart not printed");
    }
    delete graph;
}
BENCHMARK(BM_PrintGraph16000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }
