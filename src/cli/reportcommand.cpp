// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli report: the PDF report of a data set or a graph file (run by the report
// writer, kelvor-cli-report; see reporthandover.cpp).
#include <QDir>
#include <QFileInfo>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "cli/clicommand.h"
#include "cli/exportformat.h"
#include "cli/reportoptions.h"
#include "graph/graphfile.h"
#include "logger/datasetstore.h"
#include "report/pdfreport.h"

namespace kelvor {

namespace {

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
    ReportContent content;
    content.created = ctx.clock.now();
    content.sampleTable = ctx.args.isSet(kReportSamples);
    if (ctx.args.isSet(kReportTitle))
        content.title = ctx.args.value(kReportTitle);

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
    const ExportResult r = WriteReport(series, content, target);
    if (!r.ok()) {
        ctx.fail(r.error);
        return kCliFailed;
    }
    return kCliOk;
}

const CliRegistration kReport(ReportCommand(runReport));

}  // namespace

}  // namespace kelvor
