// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli download, sets and export: the data logger without windows.
#include <QDir>

#include "base/atomicfile.h"
#include "base/clock.h"
#include "cli/clicommand.h"
#include "cli/exportformat.h"
#include "cli/profileoutput.h"
#include "files/collection.h"
#include "files/texttable.h"
#include "graph/graphtable.h"
#include "library/libraryaccess.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"
#include "logger/datasetstore.h"
#include "logger/memorydownload.h"
#include "meter/livereading.h"

namespace kelvor {

namespace {

const QCommandLineOption kOutput({QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("Write to FILE (- for standard output)."), QStringLiteral("FILE"));
const QCommandLineOption kIso(
    QStringLiteral("iso"), QStringLiteral("Dates yyyy-MM-dd, times HH:mm:ss and '.' decimals, whatever the locale."));
const QCommandLineOption kSet(QStringLiteral("set"), QStringLiteral("The data set to export, from 1."),
                              QStringLiteral("K"));

// A few live reads before giving up, like the monitor loop's three misses.
constexpr int kLiveAttempts = 3;

TextStyle styleOf(const CliContext& ctx) { return ctx.args.isSet(kIso) ? TextStyle::isoStyle() : TextStyle::system(); }

// Progress on stderr, redrawn every 64 blocks and at the end.
class StderrProgress final : public DownloadListener {
public:
    explicit StderrProgress(QTextStream& err) : m_err(err) {}
    void begin(int total) override
    {
        m_total = total;
        show(0);
    }
    void progress(int received) override
    {
        if (received == m_total || (received / kBlockBytes) % 64 == 0)
            show(received);
    }
    void end() override
    {
        m_err << '\n';
        m_err.flush();
    }

private:
    void show(int received)
    {
        m_err << "\rbytes received " << received << " of " << m_total;
        m_err.flush();
    }
    QTextStream& m_err;
    int m_total = 0;
};

// Reads and decodes a collection for sets/export; on failure the message is written.
bool loadCollection(CliContext& ctx, const QString& path, DataSetStore& store)
{
    const CollectionReadResult file = ReadCollectionFile(path);
    if (!file.ok()) {
        ctx.fail(file.error);
        return false;
    }
    const DataSetDecodeResult r = DecodeDataSets(file.image, store, ctx.clock);
    const QString name = QDir::toNativeSeparators(path);
    switch (r.code) {
        case kDecodeOk:
            break;
        case kNoDataSet:
            ctx.fail(QStringLiteral("\"%1\" holds no data set.").arg(name));
            return false;
        case kTooManyDataSets:
            ctx.fail(QStringLiteral("\"%1\" is damaged: its header claims %2 data sets (4000 at most).")
                         .arg(name)
                         .arg(r.declaredCount));
            return false;
        default:
            ctx.fail(QStringLiteral("\"%1\" is damaged: %2").arg(name, DecodeWarning(r)));
            return false;
    }
    if (r.cutShort)
        ctx.err << "kelvor-cli: warning: \"" << name << "\" is damaged. " << DecodeWarning(r) << '\n';
    if (r.badHours > 0)
        ctx.err << "kelvor-cli: warning: " << r.badHours
                << " data set(s) had no valid start hour; the current hour stands in.\n";
    ctx.err.flush();
    return true;
}

}  // namespace

bool LoadCollectionForCli(CliContext& ctx, const QString& path, DataSetStore& store)
{
    return loadCollection(ctx, path, store);
}

namespace {

QString onePath(CliContext& ctx, const char* what)
{
    if (ctx.positional.size() != 1) {
        ctx.fail(QStringLiteral("%1 needs exactly one collection file (.ch4)").arg(QLatin1String(what)));
        return {};
    }
    // An empty name is what the callers take as "already told": it must be told here.
    if (ctx.positional.first().isEmpty())
        ctx.fail(QStringLiteral("%1 needs a file, not an empty name").arg(QLatin1String(what)));
    return ctx.positional.first();
}

int runSets(CliContext& ctx)
{
    const QString path = onePath(ctx, "sets");
    if (path.isEmpty())
        return kCliUsage;
    DataSetStore store;
    if (!loadCollection(ctx, path, store))
        return kCliFailed;
    const TextStyle style = styleOf(ctx);
    for (std::size_t k = 0; k < store.sets.size(); ++k)
        ctx.out << DataSetListRow(store.sets[k], int(k), style).join(QLatin1Char('\t')) << '\n';
    return kCliOk;
}

int runExport(CliContext& ctx)
{
    const QString path = onePath(ctx, "export");
    if (path.isEmpty())
        return kCliUsage;
    const QString target = ctx.args.value(kOutput);
    const QString format = ChosenExportFormat(ctx, target);
    if (format.isEmpty())
        return kCliUsage;
    if (ctx.args.isSet(kProfileOption) && format != QLatin1String("xlsx")) {
        ctx.fail(QStringLiteral("--profile puts the results into a workbook (-o FILE.xlsx); check prints them"));
        return kCliUsage;
    }
    if (path.endsWith(QLatin1String(".ghf"), Qt::CaseInsensitive))
        return ExportGraphFile(ctx, path, format, target);
    const bool all = ctx.args.isSet(kExportAll);
    bool ok = false;
    const int k = all ? 0 : ctx.args.value(kSet).toInt(&ok);
    if (!all && (!ctx.args.isSet(kSet) || !ok || k < 1)) {
        ctx.fail(QStringLiteral("--set needs the number of a data set, from 1"));
        return kCliUsage;
    }
    const TextStyle style = styleOf(ctx);
    const QChar sep = format != QLatin1String("table") ? QLatin1Char('\t')
                      : target.isEmpty()               ? QLatin1Char('\t')
                                                       : TableSaveSeparator(target);
    if (!TableFitsLocale(ctx, target, sep, style))
        return kCliUsage;
    DataSetStore store;
    if (!loadCollection(ctx, path, store))
        return kCliFailed;
    if (format != QLatin1String("table") && std::size_t(k) <= store.sets.size())
        return WriteFormattedExport(ctx, store, format, k, target);
    if (std::size_t(k) > store.sets.size()) {
        ctx.fail(QStringLiteral("there is no data set %1: \"%2\" holds %3")
                     .arg(k)
                     .arg(QDir::toNativeSeparators(path))
                     .arg(store.sets.size()));
        return kCliFailed;
    }
    const std::size_t index = std::size_t(k - 1);
    const DataSet& set = store.sets[index];
    const float* values = store.valuesOf(index);
    const double* times = store.timesOf(index);
    const QLatin1String lineEnd = target.isEmpty() ? QLatin1String("\n") : QLatin1String("\r\n");

    QString text;
    for (int i = 0; i < set.sampleCount; ++i) {
        const float* y = values + 4 * i;
        AppendGraphTableLine(text, times[4 * i], {y[0], y[1], y[2], y[3]}, sep, style);
        text += lineEnd;
    }
    if (target.isEmpty()) {
        ctx.out << text;
        return kCliOk;
    }
    const QString error = WriteFileAtomically(target, text.toLocal8Bit());
    if (!error.isEmpty()) {
        ctx.fail(error);
        return kCliFailed;
    }
    return kCliOk;
}

// Every download goes into the library first, as in the windowed program. A library
// that cannot take it is reported; the collection file is written all the same.
void keepInLibrary(CliContext& ctx, MeterDevice& device, const DataSetStore& store)
{
    const QString dataDir = ctx.dataDir();
    if (dataDir.isEmpty())
        return;
    LibraryAccess access(dataDir);
    Library* library = access.get();
    if (const QString notice = access.takeNotice(); !notice.isEmpty())
        ctx.fail(notice);
    char serial[64] = {};
    if (device.GetSerialText(serial, int(sizeof serial)) != 0)
        serial[0] = '\0';
    serial[sizeof serial - 1] = '\0';
    LibraryStatus s{1, access.lastError()};
    if (library && library->storeDownload(store.memoryImage, store.sets, ctx.clock.nowDays(),
                                          QString::fromLatin1(serial).trimmed(), QStringLiteral("cli"), &s))
        return;
    ctx.fail(QStringLiteral("warning: the download is not in the library: %1").arg(s.error));
}

int runDownload(CliContext& ctx)
{
    const QString target = ctx.args.value(kOutput);
    if (target.isEmpty()) {
        ctx.fail(QStringLiteral("download needs -o FILE.ch4"));
        return kCliUsage;
    }
    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    // The checks the program makes before a load: a meter that answers "K" with its
    // model code, and a live reading whose recording bit is clear.
    bool connected = link->ProbeMeter() && link->replyHasModelCode();
    bool live = false;
    for (int i = 0; connected && !live && i < kLiveAttempts; ++i)
        live = link->ReadLiveReading() && link->replyIsLiveReading();
    if (!connected || !live) {
        const QString problem = link->device().lastOpenProblem();
        ctx.fail(QString::fromLatin1(kNoConnectionMessage) +
                 (problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem)));
        return kCliFailed;
    }
    LiveReading reading;
    DecodeLiveReading(link->replyBuffer().data(), reading);
    if (reading.MeterRecording) {
        ctx.fail(QString::fromLatin1(kMeterRecordingMessage));
        return kCliFailed;
    }

    StderrProgress progress(ctx.err);
    MemoryDownload download(*link, &progress);
    DataSetStore store;
    int code = download.DownloadMemory(store.memoryImage);
    DataSetDecodeResult decoded;
    if (code == kDownloadOk) {
        decoded = DecodeDataSets(store.memoryImage, store, ctx.clock);
        code = decoded.code;
    }
    if (code != kDownloadOk) {
        if (code != kNoDataSet)
            SendDownloadCancel(*link);
        ctx.fail(LoadFailureMessage(code));
        return kCliFailed;
    }
    if (decoded.cutShort)
        ctx.err << "kelvor-cli: warning: " << DecodeWarning(decoded) << '\n';
    keepInLibrary(ctx, link->device(), store);
    store.collectionImage = store.memoryImage;
    const Status saved = SaveCollection(store, QString(), target);
    if (!saved.ok()) {
        ctx.fail(saved.error());
        return kCliFailed;
    }
    // With the collection itself on standard output, the summary goes beside it.
    QTextStream& said = target == QLatin1String(kStandardOutputPath) ? ctx.err : ctx.out;
    said << "downloaded " << store.collectionImage.size() << " bytes, " << store.sets.size() << " data set(s) to "
         << (target == QLatin1String(kStandardOutputPath) ? QStringLiteral("standard output")
                                                          : QDir::toNativeSeparators(target))
         << '\n';
    return kCliOk;
}

const CliRegistration kDownload({
    QStringLiteral("download"),
    QStringLiteral("Copy the meter's recorded memory into a data set collection file (-o FILE.ch4)."),
    QString(),
    [](QCommandLineParser& p) { p.addOption(kOutput); },
    runDownload,
});

const CliRegistration kSets({
    QStringLiteral("sets"),
    QStringLiteral("List the data sets of a collection file: Set, DATE, TIME, Rate, Nums, Unit, Couple, "
                   "T1..T4 Offset, tab-separated."),
    QStringLiteral("FILE.ch4"),
    [](QCommandLineParser& p) { p.addOption(kIso); },
    runSets,
});

const CliRegistration kExport({
    QStringLiteral("export"),
    QStringLiteral("Write data set K of a collection as a table: date, time, T1..T4 (tab; comma for -o *.csv, "
                   "which needs --iso where the locale writes decimal commas), as a spreadsheet table "
                   "(--format spreadsheet) or as an Excel workbook (-o *.xlsx, --all for every set). "
                   "A graph file (.ghf) exports as a spreadsheet table or a workbook. --profile P lists each "
                   "rule's result and the verdict on the workbook's Info sheet."),
    QStringLiteral("FILE.ch4|FILE.ghf"),
    [](QCommandLineParser& p) {
        p.addOptions({kSet, kOutput, kIso, kExportFormat, kExportAll, kProfileOption, kProfileChannelOption});
    },
    runExport,
});

}  // namespace

}  // namespace kelvor
