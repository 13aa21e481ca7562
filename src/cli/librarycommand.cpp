// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli library list / export / delete: the Library window without a window.
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define KELVOR_STDIN_IS_TERMINAL() (_isatty(_fileno(stdin)) != 0)
#else
#include <unistd.h>
#define KELVOR_STDIN_IS_TERMINAL() (isatty(STDIN_FILENO) != 0)
#endif

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/clock.h"
#include "base/localoffsets.h"
#include "cli/clicommand.h"
#include "cli/exportformat.h"
#include "cli/profileoutput.h"
#include "cli/reportoptions.h"
#include "files/texttable.h"
#include "library/libraryaccess.h"
#include "library/libraryexport.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {

const QCommandLineOption kJson(QStringLiteral("json"), QStringLiteral("list: one JSON array of objects."));
const QCommandLineOption kIso(
    QStringLiteral("iso"), QStringLiteral("Dates yyyy-MM-dd, times HH:mm:ss and '.' decimals, whatever the locale."));
const QCommandLineOption kOutput({QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("export: the file to write, its kind chosen by its name: .txt or "
                                                ".csv (a table), .xlsx (a workbook), .pdf (a report), .ghf (a graph "
                                                "file, of a recording) or .ch4 (the collection, of a download)."),
                                 QStringLiteral("FILE"));
const QCommandLineOption kSet(QStringLiteral("set"),
                              QStringLiteral("export: the data set of a download, from 1 (needed for a table)."),
                              QStringLiteral("K"));
const QCommandLineOption kYes({QStringLiteral("y"), QStringLiteral("yes")}, QStringLiteral("delete: without asking."));

QString kindText(EntryKind k)
{
    return k == EntryKind::Recording ? QStringLiteral("recording") : QStringLiteral("download");
}

// Local wall time without an offset, as a local QDateTime prints it in ISO.
QString isoText(double days) { return WallDateTime(days).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")); }

// A name or note may hold tabs and line breaks, which would split the row; they are
// written as \t, \n and \r, and a backslash as \\, so every row reads back whole.
QString tableField(const QString& text)
{
    if (!text.contains(QLatin1Char('\\')) && !text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            default:
                out += c;
        }
    }
    return out;
}

void printList(CliContext& ctx, const std::vector<LibraryEntry>& rows, bool json, const TextStyle& style)
{
    if (json) {
        QJsonArray array;
        for (const LibraryEntry& e : rows) {
            QJsonObject o{{QStringLiteral("id"), qint64(e.id)},
                          {QStringLiteral("kind"), kindText(e.kind)},
                          {QStringLiteral("start"), isoText(e.start)},
                          {QStringLiteral("samples"), qint64(e.samples)},
                          {QStringLiteral("meterSerial"), e.meterSerial},
                          {QStringLiteral("name"), e.name},
                          {QStringLiteral("note"), e.note}};
            if (e.kind == EntryKind::Recording) {
                o.insert(QStringLiteral("end"), isoText(e.end));
                o.insert(QStringLiteral("rateSeconds"), e.rateSeconds);
                o.insert(QStringLiteral("state"), e.state);
            } else {
                o.insert(QStringLiteral("dataSets"), e.dataSets);
            }
            array.append(o);
        }
        ctx.out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return;
    }
    ctx.out << "ID\tKind\tDate\tTime\tSamples\tSets\tRate\tState\tSerial\tName\tNote\n";
    // Each row is put together first and written whole: a stream's own number formatting
    // and a call per field would cost more than the query.
    QString line;
    for (const LibraryEntry& e : rows) {
        const QDateTime start = WallDateTime(e.start);
        const QChar tab = QLatin1Char('\t');
        line.resize(0);
        for (const QString& field :
             {QString::number(e.id), kindText(e.kind), FormatTableDate(start, style), FormatTableTime(start, style),
              QString::number(e.samples), e.kind == EntryKind::Download ? QString::number(e.dataSets) : QString(),
              e.kind == EntryKind::Recording ? FormatRate(e.rateSeconds) : QString(), e.state,
              tableField(e.meterSerial), tableField(e.name), tableField(e.note)}) {
            line += field;
            line += tab;
        }
        line[line.size() - 1] = QLatin1Char('\n');
        ctx.out << line;
    }
}

bool confirmDelete(CliContext& ctx, const LibraryEntry& e)
{
    if (ctx.args.isSet(kYes))
        return true;
    if (!KELVOR_STDIN_IS_TERMINAL()) {
        ctx.fail(QStringLiteral("delete removes the item for good; stdin is not a terminal, so confirm with --yes"));
        return false;
    }
    ctx.err << "Delete the " << kindText(e.kind) << " of " << isoText(e.start) << " (item " << e.id
            << ") from the library? [y/N] ";
    ctx.err.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return true;
    ctx.fail(QStringLiteral("delete cancelled; nothing was removed"));
    return false;
}

// The item number an export or delete names; 0 with a message when it is not one.
std::int64_t itemNumber(CliContext& ctx)
{
    bool ok = false;
    const std::int64_t id = ctx.positional[1].toLongLong(&ok);
    if (!ok || id <= 0) {
        ctx.fail(QStringLiteral("'%1' is not an item number (see library list)").arg(ctx.positional[1]));
        return 0;
    }
    return id;
}

int listItems(CliContext& ctx, LibraryAccess& access, Library& library, const TextStyle& style)
{
    // Runs whose program died show as what they are.
    LibraryStatus s;
    library.markInterrupted([&access](std::int64_t rec) { return access.isBeingWritten(rec); }, &s);
    QString error;
    const std::vector<LibraryEntry> rows = library.list(&error);
    if (!error.isEmpty()) {
        ctx.fail(error);
        return kCliFailed;
    }
    printList(ctx, rows, ctx.args.isSet(kJson), style);
    return kCliOk;
}

bool endsWith(const QString& target, const char* suffix)
{
    return target.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

// The data set a download's export is of: 0 for every one (a workbook with --all, or the
// collection file), else the --set given, which a table of one data set needs; -1 after
// saying what is wrong.
int chosenSet(CliContext& ctx, const LibraryEntry& entry, const QString& format, const QString& target)
{
    if (entry.kind != EntryKind::Download || (format == QLatin1String("table") && endsWith(target, ".ch4")) ||
        ctx.args.isSet(kExportAll))
        return 0;
    bool ok = false;
    const int set = ctx.args.value(kSet).toInt(&ok);
    if (!ctx.args.isSet(kSet) || !ok || set < 1) {
        ctx.fail(QStringLiteral("--set needs the number of a data set, from 1"));
        return -1;
    }
    return set;
}

int exportItem(CliContext& ctx, Library& library, const LibraryEntry& entry, const QString& dataDir,
               const TextStyle& style)
{
    const QString target = ctx.args.value(kOutput);
    const QString format = ChosenExportFormat(ctx, target);
    if (format.isEmpty())
        return kCliUsage;
    const bool report = format == QLatin1String("table") && endsWith(target, ".pdf");
    const int set = chosenSet(ctx, entry, format, target);
    if (set < 0)
        return kCliUsage;
    if (report) {
        if (!libraryReport()) {
            ctx.fail(QStringLiteral("a PDF report needs the report writer kelvor-cli-report"));
            return kCliFailed;
        }
        return libraryReport()(ctx, library, entry, set, target);
    }
    std::optional<Profile> profile;
    int channel = -1;
    if (const int code = ProfileFromArgs(ctx, profile, channel); code != kCliOk)
        return code;
    if (profile && format != QLatin1String("xlsx")) {
        ctx.fail(
            QStringLiteral("--profile goes into a workbook (-o FILE.xlsx) or a report (-o FILE.pdf); check "
                           "prints the results"));
        return kCliUsage;
    }
    if (format == QLatin1String("table") && !TableFitsLocale(ctx, target, TableSaveSeparator(target), style))
        return kCliUsage;
    const LibraryExportResult r =
        format == QLatin1String("spreadsheet") ? ExportLibrarySpreadsheet(library, entry.id, target, set, ctx.clock)
        : format == QLatin1String("xlsx")
            ? ExportLibraryWorkbook(library, entry.id, target, set, ctx.clock, profile ? &*profile : nullptr, channel)
            : ExportLibraryItem(library, entry.id, target, std::max(set, 1), style, ctx.clock,
                                QDir(dataDir).filePath(QStringLiteral("template/graph.ghf")));
    if (!r.ok()) {
        ctx.fail(r.error);
        return kCliFailed;
    }
    return kCliOk;
}

int deleteItem(CliContext& ctx, LibraryAccess& access, Library& library, const LibraryEntry& entry)
{
    if (entry.kind == EntryKind::Recording && entry.state == QLatin1String(kStateRecording) &&
        access.isBeingWritten(entry.id)) {
        ctx.fail(QStringLiteral("item %1 is being recorded right now; stop that first").arg(entry.id));
        return kCliFailed;
    }
    if (!confirmDelete(ctx, entry))
        return kCliFailed;
    const LibraryStatus s = library.remove(entry.id);
    if (!s.ok()) {
        ctx.fail(s.error);
        return kCliFailed;
    }
    ctx.err << "kelvor-cli: item " << entry.id << " deleted\n";
    return kCliOk;
}

int runLibrary(CliContext& ctx)
{
    const QString action = ctx.positional.value(0);
    const int wantArgs = action == QLatin1String("list") ? 1 : 2;
    if ((action != QLatin1String("list") && action != QLatin1String("export") && action != QLatin1String("delete")) ||
        ctx.positional.size() != wantArgs) {
        ctx.fail(QStringLiteral("use: library list [--json] | library export ID -o FILE | library delete ID [--yes]"));
        return kCliUsage;
    }
    const std::int64_t id = wantArgs == 2 ? itemNumber(ctx) : 0;
    if (wantArgs == 2 && id == 0)
        return kCliUsage;
    if (action == QLatin1String("export") && ctx.args.value(kOutput).isEmpty()) {
        ctx.fail(QStringLiteral("export needs -o FILE"));
        return kCliUsage;
    }
    const QString dataDir = ctx.dataDir();
    if (dataDir.isEmpty())
        return kCliFailed;
    LibraryAccess access(dataDir);
    Library* library = access.get();
    if (const QString notice = access.takeNotice(); !notice.isEmpty())
        ctx.fail(notice);
    if (!library) {
        ctx.fail(access.lastError());
        return kCliFailed;
    }
    const TextStyle style = ctx.args.isSet(kIso) ? TextStyle::isoStyle() : TextStyle::system();
    if (action == QLatin1String("list"))
        return listItems(ctx, access, *library, style);

    QString error;
    const auto entry = library->entry(id, &error);
    if (!entry) {
        ctx.fail(error);
        return kCliFailed;
    }
    if (action == QLatin1String("export"))
        return exportItem(ctx, *library, *entry, dataDir, style);
    return deleteItem(ctx, access, *library, *entry);
}

const CliRegistration kLibrary({
    QStringLiteral("library"),
    QStringLiteral("The library of runs and downloads: list [--json], export ID -o FILE, delete ID [--yes]. "
                   "export writes what the graph and data set windows write: a table, a spreadsheet table "
                   "(--format spreadsheet), a workbook (-o *.xlsx), a report (-o *.pdf, --title, --samples), a "
                   "graph file or the collection; of a download it needs --set K (a workbook takes --all). "
                   "--profile P adds the check against a profile to a workbook's Info sheet or a report. list "
                   "writes tab-separated rows; a tab, line break or backslash in a name or note is written as "
                   "\\t, \\n (\\r) or \\\\."),
    QStringLiteral("list|export ID|delete ID"),
    [](QCommandLineParser& p) {
        p.addOptions({kJson, kIso, kOutput, kSet, kExportFormat, kExportAll, kReportTitle, kReportSamples, kYes,
                      kProfileOption, kProfileChannelOption});
    },
    runLibrary,
});

}  // namespace

}  // namespace kelvor
