// SPDX-License-Identifier: GPL-3.0-or-later
// Spreadsheet tables, workbooks and PDF reports of long runs. Each result also shows
// its time as a multiple of the anchor: the program's tab table of the same 100,000
// rows, written in the same run on the same machine.
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "base/clock.h"
#include "benchsupport.h"
#include "export/exportseries.h"
#include "export/spreadsheetcsv.h"
#include "export/xlsxworkbook.h"
#include "graph/graphtable.h"
#include "logger/datasetformat.h"
#include "report/pdfreport.h"

using namespace kelvor;

namespace {

using Clock = std::chrono::steady_clock;

// A run of n samples a second apart: slow waves, T4 over range now and then.
ExportSeries makeSeries(int n, const QString& name)
{
    ExportSeries s;
    s.name = name;
    s.unit = QStringLiteral("°C");
    s.source = {{QStringLiteral("Source"), name}};
    const double start = toDays(QDateTime(QDate(2026, 3, 28), QTime(12, 0, 0)));
    s.times.resize(size_t(n));
    s.values.resize(4 * size_t(n));
    for (int i = 0; i < n; ++i) {
        s.times[size_t(i)] = start + i * kDaysPerSecond;
        for (int c = 0; c < 4; ++c)
            s.values[size_t(4 * i + c)] = float(20.0 + 40.0 * c + 15.0 * std::sin(i / (300.0 + 70 * c)));
        if (i % 997 < 5)
            s.values[size_t(4 * i + 3)] = 9999.0f;
    }
    return s;
}

// The described tab table of the same rows, as kelvor-cli export writes it.
double anchorSeconds()
{
    static const double seconds = [] {
        const ExportSeries s = makeSeries(100000, QStringLiteral("anchor"));
        QTemporaryDir dir;
        const TextStyle style = TextStyle::isoStyle();
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            const auto t0 = Clock::now();
            QString text;
            for (int i = 0; i < s.samples(); ++i) {
                AppendGraphTableLine(text, s.times[size_t(i)],
                                     {s.value(i, 0), s.value(i, 1), s.value(i, 2), s.value(i, 3)}, QLatin1Char('\t'),
                                     style);
                text += QLatin1String("\r\n");
            }
            (void)SaveExportBytes(dir.filePath(QStringLiteral("anchor.txt")), text.toLocal8Bit());
            best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
        }
        return best;
    }();
    return seconds;
}

// Runs `work` per iteration and reports the mean time against the anchor and the target.
template <typename Work>
double timed(benchmark::State& state, double targetSeconds, Work work)
{
    const double anchor = anchorSeconds();
    double total = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!work()) {
            state.SkipWithError("the file was not written");
            return 0;
        }
        total += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    const double mean = total / double(state.iterations());
    state.counters["anchor_ms"] = anchor * 1e3;
    state.counters["x_anchor"] = mean / anchor;
    if (targetSeconds > 0)
        state.counters["x_target"] = mean / targetSeconds;
    return mean;
}

void BM_SpreadsheetCsv100k(benchmark::State& state)
{
    const ExportSeries s = makeSeries(100000, QStringLiteral("Run"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    timed(state, 0.2, [&] { return WriteSpreadsheetCsv(s, path).ok(); });
}
BENCHMARK(BM_SpreadsheetCsv100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Workbook4x16k(benchmark::State& state)
{
    std::vector<ExportSeries> sets;
    for (int k = 1; k <= 4; ++k)
        sets.push_back(makeSeries(16000, QStringLiteral("Set %1").arg(k)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sets.xlsx"));
    timed(state, 1.0, [&] { return WriteWorkbook(sets, path).ok(); });
}
BENCHMARK(BM_Workbook4x16k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Workbook100k(benchmark::State& state)
{
    const std::vector<ExportSeries> run = {makeSeries(100000, QStringLiteral("Run"))};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.xlsx"));
    timed(state, 2.0, [&] { return WriteWorkbook(run, path).ok(); });
}
BENCHMARK(BM_Workbook100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Report100k(benchmark::State& state)
{
    const ExportSeries s = makeSeries(100000, QStringLiteral("Real-time run"));
    ReportContent content;
    content.created = QDateTime(QDate(2026, 3, 29), QTime(9, 0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    timed(state, 1.0, [&] { return WriteReport(s, content, path).ok(); });
}
BENCHMARK(BM_Report100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// With the sample table: the time grows with the rows; pages/s is the figure.
void BM_ReportWithTable(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const ExportSeries s = makeSeries(rows, QStringLiteral("Real-time run"));
    ReportContent content;
    content.sampleTable = true;
    content.created = QDateTime(QDate(2026, 3, 29), QTime(9, 0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    const double mean = timed(state, 0, [&] { return WriteReport(s, content, path).ok(); });
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray pdf = file.readAll();
    const double pages = double(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
    state.counters["pages"] = pages;
    state.counters["pages_per_s"] = mean > 0 ? pages / mean : 0;
}
BENCHMARK(BM_ReportWithTable)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
