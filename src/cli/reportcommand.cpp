// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli report: the PDF report of a data set or a graph file (run by the report
// writer, kelvor-cli-report; see reporthandover.cpp).
#include <QDir>
#include <QFileInfo>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "cli/clicommand.h"
#include "cli/exportformat.h"
#include "cli/profileoutput.h"
#include "cli/reportoptions.h"
#include "graph/graphfile.h"
#include "library/libraryseries.h"
#include "library/librarytypes.h"
#include "logger/datasetstore.h"
#include "report/pdfreport.h"

namespace kelvor {

namespace {

ReportContent contentFromArgs(CliContext& ctx)
{
    ReportContent content;
    content.created = ctx.clock.now();
    content.sampleTable = ctx.args.isSet(kReportSamples);
    if (ctx.args.isSet(kReportTitle))
        content.title = ctx.args.value(kReportTitle);
    return content;
}

int writeReport(CliContext& ctx, const ExportSeries& series, ReportContent content, const QString& target)
{
    std::optional<Profile> profile;
    int channel = -1;
    if (const int code = ProfileFromArgs(ctx, profile, channel); code != kCliOk)
        return code;
    if (profile)
        content.check = CheckSeries(series, *profile, channel);
    const Status r = WriteReport(series, content, target);
    if (!r.ok()) {
        ctx.fail(r.error());
        return kCliFailed;
    }
    return kCliOk;
}

// A library item's report: its name is the default title, and what the library knows
// of the meter and the run's annotations go in.
int libraryItemReport(CliContext& ctx, const Library& library, const LibraryEntry& entry, int set,
                      const QString& target)
{
    const LibraryItemSeries item = SeriesOfLibraryItem(library, entry.id, set, ctx.clock);
    if (!item.ok() || item.series.size() != 1) {
        ctx.fail(item.ok() ? QStringLiteral("a report shows one data set") : item.error);
        return kCliFailed;
    }
    ExportSeries series = item.series.front();
    // The report names the meter on a line of its own.
    series.source.removeIf([](const QPair<QString, QString>& row) { return row.first == QLatin1String("Meter"); });
    ReportContent content = contentFromArgs(ctx);
    if (!ctx.args.isSet(kReportTitle) && !item.name.isEmpty())
        content.title = item.name;
    content.meter = item.meter;
    content.annotations = item.annotations;
    content.alarmEvents = item.alarmEvents;
    return writeReport(ctx, series, std::move(content), target);
}

int runReport(CliContext& ctx)
{
    if (ctx.positional.size() != 1) {
        ctx.fail(QStringLiteral("report needs exactly one collection (.ch4) or graph file (.ghf)"));
        return kCliUsage;
    }
    const QString source = ctx.positional.first();
    const QString target = ctx.args.value(kReportOutput);
    if (target.isEmpty()) {
        ctx.fail(QStringLiteral("report needs -o FILE.pdf"));
        return kCliUsage;
    }
    ReportContent content = contentFromArgs(ctx);

    ExportSeries series;
    if (QFileInfo(source).suffix().toLower() == QLatin1String("ghf")) {
        ChartModel chart;
        const GraphFileResult r = ReadGraphFile(chart, source);
        if (!r.ok()) {
            ctx.fail(r.error);
            return kCliFailed;
        }
        series = SeriesFromChart(chart, QDir::toNativeSeparators(QFileInfo(source).absoluteFilePath()));
        for (const GraphAnnotation& a : chart.graphAnnotations())
            content.annotations.append({a.x, a.text.isEmpty() ? QStringLiteral("(cross mark)") : a.text});
        content.alarmEvents = chart.alarmEvents();
    } else {
        bool ok = false;
        const int k = ctx.args.value(kReportSet).toInt(&ok);
        if (!ok || k < 1) {
            ctx.fail(QStringLiteral("--set needs the number of a data set, from 1"));
            return kCliUsage;
        }
        DataSetStore store;
        if (!LoadCollectionForCli(ctx, source, store))
            return kCliFailed;
        if (std::size_t(k) > store.sets.size()) {
            ctx.fail(QStringLiteral("there is no data set %1: \"%2\" holds %3")
                         .arg(k)
                         .arg(QDir::toNativeSeparators(source))
                         .arg(store.sets.size()));
            return kCliFailed;
        }
        series = SeriesFromDataSet(store, k - 1);
        series.source.append({QStringLiteral("File"), QDir::toNativeSeparators(QFileInfo(source).absoluteFilePath())});
    }
    return writeReport(ctx, series, std::move(content), target);
}

const CliRegistration kReport(ReportCommand(runReport));
const LibraryReportRegistration kLibraryReport(libraryItemReport);

}  // namespace

}  // namespace kelvor
