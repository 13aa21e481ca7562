// SPDX-License-Identifier: GPL-3.0-or-later
// The data logger's and the table window's heavy paths, offscreen: drawing a full data
// set with its statistics, reading a 100,000-line table into a table window and saving
// it back.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include "base/clock.h"
#include "benchsupport.h"
#include "chart/chartmodel.h"
#include "files/ui/filecommands.h"
#include "files/ui/tabletograph.h"
#include "files/ui/tfrmlist.h"
#include "graph/graphfile.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/ui/loggerwindow.h"
#include "meter/devicefactory.h"
#include "program/program.h"
#include "program/prompts.h"

using namespace kelvor;

namespace {

struct Rig : bench::SimProgram {
    Rig()
    {
        start();
        ChartModel chart;
        PrepareGraph(*program, chart, 4, 100.0f, -20.0f, 0.0, 0.0, 0, nullptr);
        QDir().mkpath(QFileInfo(program->templatePath()).absolutePath());
        WriteGraphFile(chart, program->templatePath());
    }
};

// One data set of n samples at 2 s, as a full meter memory holds it.
void fillStore(DataSetStore& store, int n)
{
    DataSet s;
    s.start = toDays(QDateTime(QDate(2026, 1, 5), QTime(8, 0, 0)));
    s.interval = 2;
    s.sampleCount = n;
    store.sets = {s};
    store.values.resize(std::size_t(4 * n));
    store.times.resize(std::size_t(4 * n));
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 4; ++c) {
            store.values[std::size_t(4 * i + c)] = float(20.0 + 30.0 * std::sin(i * 0.002 + c) + (i % 5) * 0.1);
            store.times[std::size_t(4 * i + c)] = s.start + i * 2 * kDaysPerSecond;
        }
}

void BM_ShowDataSet16000(benchmark::State& state)
{
    Rig rig;
    fillStore(rig.program->store, 16000);
    TfrmGraph* w = EnsureLoggerGraph(*rig.program);
    w->resize(1400, 900);
    FillDataSetList(*w, rig.program->store);
    QApplication::processEvents();
    for (auto _ : state) {
        ShowDataSet(*rig.program, 0);
        QApplication::processEvents();  // the chart's repaint
    }
    delete w;
}
BENCHMARK(BM_ShowDataSet16000)->Unit(benchmark::kMillisecond);

QString writeTable(const QString& path, int lines)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int i = 0; i < lines; ++i) {
        // 12-hour times: an hour past 12 before "AM" is no time, and the row would be refused.
        chunk += "1/5/26\t" + QByteArray::number(1 + i / 3600 % 12) + ':' + QByteArray::number(10 + i / 60 % 50) + ':' +
                 QByteArray::number(10 + i % 50) + " AM\t21.5\t30.2\t-1.0\tOL\t\r\n";
        if (chunk.size() > (1 << 16)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return path;
}

void BM_ReadTable100k(benchmark::State& state)
{
    Rig rig;
    const QString path = writeTable(rig.dir.filePath(QStringLiteral("big.txt")), 100000);
    for (auto _ : state) {
        TfrmList* list = OpenTextTable(*rig.program, path);
        QApplication::processEvents();
        state.PauseTiming();
        const bool whole = list && list->dataRows() == 100000;
        delete list;
        if (!whole) {
            state.SkipWithError("table not read whole");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadTable100k)->Unit(benchmark::kMillisecond);

void BM_SaveTable100k(benchmark::State& state)
{
    Rig rig;
    const QString path = writeTable(rig.dir.filePath(QStringLiteral("big.txt")), 100000);
    TfrmList* list = OpenTextTable(*rig.program, path);
    rig.prompts.saveName = rig.dir.filePath(QStringLiteral("back.txt"));
    for (auto _ : state) {
        if (!SaveTableAsText(*rig.program, *list))
            state.SkipWithError("table not saved");
    }
    delete list;
}
BENCHMARK(BM_SaveTable100k)->Unit(benchmark::kMillisecond);

// Output Tabular to graph of a 100,000-row table whose dates and times are in the
// locale's short formats (en_US here, as the table above is written).
void BM_TableToGraph100k(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig rig;
    const QString path = writeTable(rig.dir.filePath(QStringLiteral("big.txt")), 100000);
    TfrmList* list = OpenTextTable(*rig.program, path);
    for (auto _ : state) {
        TfrmGraph* graph = btnOutputToGraphClick(*rig.program, list);
        QApplication::processEvents();
        state.PauseTiming();
        const int points = graph ? graph->chart().Points() : -1;
        delete graph;
        if (points != 100000) {
            state.SkipWithError(qPrintable(QStringLiteral("table not drawn whole: %1 points").arg(points)));
            break;
        }
        state.ResumeTiming();
    }
    delete list;
    QLocale::setDefault(QLocale::system());
}
BENCHMARK(BM_TableToGraph100k)->Unit(benchmark::kMillisecond);

constexpr int kGraphPoints = 100000;

// File > Open of a graph file of four channels of 100,000 points, drawn in its window.
void BM_OpenGraphFile4x100k(benchmark::State& state)
{
    Rig rig;
    const QString path = rig.dir.filePath(QStringLiteral("big.ghf"));
    {
        ChartModel chart;
        PrepareGraph(*rig.program, chart, 4, 100.0f, -20.0f, kGraphPoints / 86400.0, 0.0, kGraphPoints, nullptr);
        for (int i = 0; i < kGraphPoints; ++i)
            for (int c = 0; c < 4; ++c) {
                chart.setXDataII(c, i, i / 86400.0);
                chart.setYData(c, i, float(20 + c * 10 + (i % 100) / 10.0));
            }
        WriteGraphFile(chart, path);
    }
    for (auto _ : state) {
        TfrmGraph* graph = OpenGraphFile(*rig.program, path);
        QApplication::processEvents();
        state.PauseTiming();
        if (!graph || graph->chart().Points() != kGraphPoints)
            state.SkipWithError("graph file not opened whole");
        delete graph;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenGraphFile4x100k)->Unit(benchmark::kMillisecond);

// Its anchor: a bare QCustomPlot given the same four channels and drawn once.
void BM_BareGraph4x100k(benchmark::State& state)
{
    QVector<double> x(kGraphPoints);
    std::array<QVector<double>, 4> y;
    for (int c = 0; c < 4; ++c) {
        y[std::size_t(c)].resize(kGraphPoints);
        for (int i = 0; i < kGraphPoints; ++i) {
            x[i] = i / 86400.0;
            y[std::size_t(c)][i] = 20 + c * 10 + (i % 100) / 10.0;
        }
    }
    for (auto _ : state) {
        QCustomPlot plot;
        plot.resize(1000, 700);
        for (int c = 0; c < 4; ++c)
            plot.addGraph()->setData(x, y[std::size_t(c)], true);
        plot.rescaleAxes();
        plot.replot();
        plot.show();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_BareGraph4x100k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }
