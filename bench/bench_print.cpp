// SPDX-License-Identifier: GPL-3.0-or-later
// Printing to a PDF file offscreen: a 100,000-row table as text lines and a full
// real-time chart on one page.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QPrinter>
#include <QTemporaryDir>

#include "benchsupport.h"
#include "base/clock.h"
#include "program/program.h"
#include "program/prompts.h"
#include "chart/chartmodel.h"
#include "files/ui/tablerowsmodel.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "meter/devicefactory.h"
#include "print/ui/graphprinter.h"
#include "print/ui/tableprinter.h"

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

void BM_PrintTable100k(benchmark::State& state)
{
    Rig rig;
    TableRows rows(100000);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = {"09/12/2026", QString("12:%1:%2").arg(i / 60 % 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                   "21.5", "30.2", "-1.0", "OL"};
    TableRowsModel model;
    model.setRows(std::move(rows));
    for (auto _ : state) {
        if (!PrintTable(*rig.program, nullptr, model))
            state.SkipWithError("table not printed");
    }
}
BENCHMARK(BM_PrintTable100k)->Unit(benchmark::kMillisecond)->Iterations(3);

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
