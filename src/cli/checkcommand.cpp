// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli check: a stored run (a library item or a file) against a profile.
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <optional>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "cli/clicommand.h"
#include "cli/exportformat.h"
#include "cli/profileoutput.h"
#include "export/exportseries.h"
#include "export/seriescheck.h"
#include "export/spreadsheetread.h"
#include "files/tabledatetime.h"
#include "files/texttable.h"
#include "graph/graphfile.h"
#include "library/libraryaccess.h"
#include "library/libraryseries.h"
#include "logger/datasetstore.h"
#include "profile/profilereader.h"

namespace kelvor {

namespace {

const QCommandLineOption kJson(QStringLiteral("json"), QStringLiteral("The results as one JSON object."));
const QCommandLineOption kSet(QStringLiteral("set"),
                              QStringLiteral("The data set of a collection file or a download, from 1."),
                              QStringLiteral("K"));

bool isItemNumber(const QString& text)
{
    bool ok = false;
    return text.toLongLong(&ok) > 0 && ok;
}

// The data set asked for with --set: 0 when none is given, -1 after saying it is no number.
int setOption(CliContext& ctx)
{
    if (!ctx.args.isSet(kSet))
        return 0;
    bool ok = false;
    const int k = ctx.args.value(kSet).toInt(&ok);
    if (!ok || k < 1) {
        ctx.fail(QStringLiteral("--set needs the number of a data set, from 1"));
        return -1;
    }
    return k;
}

std::optional<ExportSeries> itemSeries(CliContext& ctx, std::int64_t id, int set)
{
    const QString dataDir = ctx.dataDir();
    if (dataDir.isEmpty())
        return std::nullopt;
    LibraryAccess access(dataDir);
    Library* library = access.get();
    if (const QString notice = access.takeNotice(); !notice.isEmpty())
        ctx.fail(notice);
    if (!library) {
        ctx.fail(access.lastError());
        return std::nullopt;
    }
    const LibraryItemSeries item = SeriesOfLibraryItem(*library, id, set, ctx.clock);
    if (!item.ok()) {
        ctx.fail(item.error);
        return std::nullopt;
    }
    if (item.series.size() != 1) {
        ctx.fail(QStringLiteral("item %1 is a download of %2 data sets: choose one with --set K")
                     .arg(id)
                     .arg(item.series.size()));
        return std::nullopt;
    }
    return item.series.front();
}

// A text table holds no unit: its values are taken in the profile's.
std::optional<ExportSeries> tableSeries(CliContext& ctx, const QString& path, const QString& unit)
{
    const TableReadResult table = ReadTextTable(path);
    if (!table.ok()) {
        ctx.fail(table.error);
        return std::nullopt;
    }
    ExportSeries s;
    s.unit = unit;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const TableRow& row = table.rows[i];
        const std::optional<double> at = ParseTableDateTime(row[0], row[1]);
        if (!at) {
            ctx.fail(QStringLiteral("\"%1\", line %2: %3")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(i + 1)
                         .arg(DateTimeConversionError(row[0] + QLatin1Char(' ') + row[1])));
            return std::nullopt;
        }
        s.times.push_back(*at);
        for (int c = 0; c < 4; ++c)
            s.values.push_back(ParseTableValue(row[size_t(2 + c)]).value_or(9999.0f));
    }
    return s;
}

std::optional<ExportSeries> fileSeries(CliContext& ctx, const QString& path, int set, const QString& unit)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ghf")) {
        ChartModel chart;
        const GraphFileResult r = ReadGraphFile(chart, path);
        if (!r.ok()) {
            ctx.fail(r.error);
            return std::nullopt;
        }
        return SeriesFromChart(chart, path);
    }
    if (suffix == QLatin1String("ch4")) {
        DataSetStore store;
        if (!LoadCollectionForCli(ctx, path, store))
            return std::nullopt;
        if (set == 0 && store.sets.size() != 1) {
            ctx.fail(QStringLiteral("\"%1\" holds %2 data sets: choose one with --set K")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(store.sets.size()));
            return std::nullopt;
        }
        if (std::size_t(std::max(set, 1)) > store.sets.size()) {
            ctx.fail(QStringLiteral("there is no data set %1: \"%2\" holds %3")
                         .arg(set)
                         .arg(QDir::toNativeSeparators(path))
                         .arg(store.sets.size()));
            return std::nullopt;
        }
        return SeriesFromDataSet(store, std::max(set, 1) - 1);
    }
    if (IsSpreadsheetTableFile(path)) {
        Result<ExportSeries> r = ReadSpreadsheetTable(path);
        if (!r.ok()) {
            ctx.fail(r.error());
            return std::nullopt;
        }
        return std::move(r).value();
    }
    return tableSeries(ctx, path, unit);
}

int runCheck(CliContext& ctx)
{
    if (ctx.positional.size() != 1 || !ctx.args.isSet(kProfileOption)) {
        ctx.fail(QStringLiteral("use: check RUN|FILE --profile P [--channel T2] [--json]"));
        return kCliUsage;
    }
    int channel = -1;
    if (!ProfileChannelFromArgs(ctx, channel))
        return kCliUsage;
    const int set = setOption(ctx);
    if (set < 0)
        return kCliUsage;
    const Result<Profile> profile = ReadProfileFile(ctx.args.value(kProfileOption));
    if (!profile.ok()) {
        ctx.fail(profile.error());
        return kCliFailed;
    }
    const QString run = ctx.positional.first();
    const std::optional<ExportSeries> series = isItemNumber(run) && !QFileInfo::exists(run)
                                                   ? itemSeries(ctx, run.toLongLong(), set)
                                                   : fileSeries(ctx, run, set, profile->unit);
    if (!series)
        return kCliFailed;
    const SeriesCheck check = CheckSeries(*series, profile.value(), channel);
    if (ctx.args.isSet(kJson))
        PrintProfileJson(ctx, check.profile, check.results, check.verdict, run);
    else
        PrintProfileResults(ctx, check.profile, check.results, check.verdict);
    return VerdictExitCode(check.verdict);
}

const CliRegistration kCheck({
    QStringLiteral("check"),
    QStringLiteral("Check a run against a profile (docs/profiles.md): a library item (its number; a download "
                   "with --set K), a graph file (.ghf), a collection (.ch4, --set K), a spreadsheet table or a "
                   "text table (taken in the profile's unit). Prints each rule's result, what was measured, its "
                   "limit and the first violation, tab-separated, then the verdict. Exit 0 PASS, 3 FAIL, 1 "
                   "cannot check, 2 bad command line."),
    QStringLiteral("RUN|FILE"),
    [](QCommandLineParser& p) {
        p.addOptions({kProfileOption, kProfileChannelOption, kJson, kSet});
    },
    runCheck,
});

}  // namespace

}  // namespace kelvor
