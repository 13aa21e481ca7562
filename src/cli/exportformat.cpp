// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/exportformat.h"

#include <QDir>
#include <QFileInfo>

#include "chart/chartmodel.h"
#include "cli/clicommand.h"
#include "cli/profileoutput.h"
#include "export/exportseries.h"
#include "export/seriescheck.h"
#include "export/spreadsheetcsv.h"
#include "export/xlsxworkbook.h"
#include "graph/graphfile.h"
#include "logger/datasetformat.h"
#include "logger/datasetstore.h"

namespace kelvor {

QString ChosenExportFormat(CliContext& ctx, const QString& target)
{
    QString format = ctx.args.value(kExportFormat).toLower();
    if (format.isEmpty())
        format = target.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? QStringLiteral("xlsx")
                                                                              : QStringLiteral("table");
    if (format != QLatin1String("table") && format != QLatin1String("spreadsheet") && format != QLatin1String("xlsx")) {
        ctx.fail(QStringLiteral("--format is table, spreadsheet or xlsx, not \"%1\"").arg(format));
        return {};
    }
    if (format == QLatin1String("xlsx") && target.isEmpty()) {
        ctx.fail(QStringLiteral("a workbook needs -o FILE.xlsx"));
        return {};
    }
    if (ctx.args.isSet(kExportAll) && format != QLatin1String("xlsx")) {
        ctx.fail(QStringLiteral("--all writes a workbook: use -o FILE.xlsx"));
        return {};
    }
    return format;
}

bool TableFitsLocale(CliContext& ctx, const QString& target, QChar sep, const TextStyle& style)
{
    if (sep != QLatin1Char(',') || style.locale.decimalPoint() != QStringLiteral(","))
        return true;
    ctx.fail(QStringLiteral("export: the locale writes decimal commas, which cannot go into the "
                            "comma-separated \"%1\"; add --iso for '.' decimals or write a .txt file")
                 .arg(QDir::toNativeSeparators(target)));
    return false;
}

namespace {
int writeSeries(CliContext& ctx, const std::vector<ExportSeries>& series, const QString& format, const QString& target)
{
    std::optional<Profile> profile;
    int channel = -1;
    if (const int code = ProfileFromArgs(ctx, profile, channel); code != kCliOk)
        return code;
    if (profile && format != QLatin1String("xlsx")) {
        ctx.fail(QStringLiteral("--profile puts the results into a workbook (-o FILE.xlsx); check prints them"));
        return kCliUsage;
    }
    Status r;
    if (format == QLatin1String("xlsx")) {
        std::vector<SeriesCheck> checks;
        for (const ExportSeries& s : series)
            if (profile)
                checks.push_back(CheckSeries(s, *profile, channel));
        r = WriteWorkbook(series, target, checks);
    } else if (target.isEmpty()) {
        ctx.out << QString::fromUtf8(SpreadsheetCsv(series.front()));
        return kCliOk;
    } else {
        r = WriteSpreadsheetCsv(series.front(), target);
    }
    if (!r.ok()) {
        ctx.fail(r.error());
        return kCliFailed;
    }
    return kCliOk;
}
}  // namespace

int WriteFormattedExport(CliContext& ctx, const DataSetStore& store, const QString& format, int set,
                         const QString& target)
{
    std::vector<ExportSeries> series;
    for (int k = 0; k < int(store.sets.size()); ++k)
        if (set == 0 || set == k + 1)
            series.push_back(SeriesFromDataSet(store, k));
    return writeSeries(ctx, series, format, target);
}

int ExportGraphFile(CliContext& ctx, const QString& path, const QString& format, const QString& target)
{
    if (format == QLatin1String("table")) {
        ctx.fail(
            QStringLiteral("a graph file exports as a spreadsheet table (--format spreadsheet) or a "
                           "workbook (-o FILE.xlsx)"));
        return kCliUsage;
    }
    ChartModel chart;
    if (const GraphFileResult r = ReadGraphFile(chart, path); !r.ok()) {
        ctx.fail(r.error);
        return kCliFailed;
    }
    const QString name = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    return writeSeries(ctx, {SeriesFromChart(chart, name)}, format, target);
}

}  // namespace kelvor
