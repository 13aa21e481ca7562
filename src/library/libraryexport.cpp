// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryexport.h"

#include <QDir>
#include <QFileInfo>

#include "base/atomicfile.h"

#include "chart/chartmodel.h"
#include "export/seriescheck.h"
#include "export/spreadsheetcsv.h"
#include "export/xlsxworkbook.h"
#include "files/texttable.h"
#include "graph/graphfile.h"
#include "graph/graphtable.h"
#include "graph/realtimerun.h"
#include "library/library.h"
#include "library/libraryseries.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {

QString problem(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// Lines are handed over in chunks; the old file stays until the last one is in.
class TableWriter {
public:
    explicit TableWriter(const QString& path) : m_file(path) { m_file.open(); }
    void line(const QString& text)
    {
        m_chunk += text;
        m_chunk += QLatin1String("\r\n");
        ++m_lines;
        if (m_chunk.size() > 64 * 1024)
            writeChunk();
    }
    // Empty on success.
    QString finish()
    {
        writeChunk();
        if (m_file.commit())
            return {};
        return problem(m_file.path(), m_file.reason());
    }
    std::int64_t lines() const { return m_lines; }

private:
    void writeChunk()
    {
        m_file.write(m_chunk.toLocal8Bit());
        m_chunk.clear();
    }
    AtomicFile m_file;
    QString m_chunk;
    std::int64_t m_lines = 0;
};

// A run of several meters: a header naming each meter's channels, then every row with
// every channel; a meter without a reading in a row shows its channels as gaps.
LibraryExportResult severalMetersTable(const Library& library, std::int64_t id, const QString& path,
                                       const TextStyle& style, const std::vector<RecordingMeter>& meters)
{
    LibraryExportResult out;
    TableWriter writer(path);
    const QChar sep = TableSaveSeparator(path);
    QStringList header{QStringLiteral("Date"), QStringLiteral("Time")};
    for (std::size_t m = 0; m < meters.size(); ++m)
        for (int c = 1; c <= 4; ++c)
            header << QStringLiteral("%1 T%2").arg(MeterColumnName(meters[m], int(m))).arg(c);
    writer.line(header.join(sep));
    QString line;
    QString error;
    const bool read = library.forEachRow(
        id, int(meters.size()),
        [&](const JournalSample& s, const JournalRowRest& rest) {
            line.clear();
            std::array<float, 4> y{};
            for (int c = 0; c < 4; ++c)
                y[std::size_t(c)] = SampleValue(s.flags, c, s.t[std::size_t(c)]);
            AppendGraphTableLine(line, s.time, y, sep, style);
            for (const JournalSample& o : rest.others)
                for (int c = 0; c < 4; ++c) {
                    line += sep;
                    line += FormatTemperature(double(SampleValue(o.flags, c, o.t[std::size_t(c)])), style);
                }
            writer.line(line);
            return true;
        },
        &error);
    if (!read) {
        out.error = error;
        return out;
    }
    out.error = writer.finish();
    out.lines = writer.lines() - 1;
    return out;
}

LibraryExportResult recordingTable(const Library& library, std::int64_t id, const QString& path, const TextStyle& style)
{
    if (const std::vector<RecordingMeter> meters = library.recordingMeters(id); meters.size() > 1)
        return severalMetersTable(library, id, path, style, meters);
    LibraryExportResult out;
    TableWriter writer(path);
    const QChar sep = TableSaveSeparator(path);
    QString line;
    QString error;
    const bool read = library.forEachSample(
        id,
        [&](const JournalSample& s) {
            line.clear();
            std::array<float, 4> y{};
            for (int c = 0; c < 4; ++c)
                y[std::size_t(c)] = SampleValue(s.flags, c, s.t[std::size_t(c)]);
            AppendGraphTableLine(line, s.time, y, sep, style);
            writer.line(line);
            return true;
        },
        &error);
    if (!read) {
        out.error = error;
        return out;
    }
    out.error = writer.finish();
    out.lines = writer.lines();
    return out;
}

// One graph file: four channels, with the run's marks.
QString writeGraph(const RecordingData& data, const std::vector<JournalSample>& samples, const QString& label,
                   bool alarms, const QString& path, const QString& templatePath)
{
    ChartModel chart;
    if (templatePath.isEmpty() || !ReadGraphFile(chart, templatePath).ok())
        chart.setMainTitle(QString());
    const int n = int(samples.size());
    chart.setSubsets(4);
    chart.setPoints(n);
    chart.setUsingXDataII(true);
    chart.setNullDataValueY(kGapValue);
    for (int c = 0; c < 4; ++c)
        chart.setSubsetLabels(
            c, label.isEmpty() ? QStringLiteral("T%1").arg(c + 1) : QStringLiteral("%1 T%2").arg(label).arg(c + 1));
    for (int i = 0; i < n; ++i) {
        const JournalSample& s = samples[std::size_t(i)];
        for (int c = 0; c < 4; ++c) {
            chart.setXDataII(c, i, s.time);
            chart.setYData(c, i, SampleValue(s.flags, c, s.t[std::size_t(c)]));
        }
    }
    if (n > 0) {
        chart.setManualMinX(samples.front().time);
        chart.setManualMaxX(samples.back().time);
    }
    for (std::size_t k = 0; k < data.annotations.size(); ++k) {
        const RecordingAnnotation& a = data.annotations[k];
        const int at = int(k) + 4;  // the window numbers its annotations from 4
        chart.setGraphAnnotationType(at, a.type);
        chart.setGraphAnnotationX(at, a.x);
        chart.setGraphAnnotationY(at, a.y);
        chart.setGraphAnnotationColor(at, a.color);
        chart.setGraphAnnotationText(at, a.text);
    }
    if (alarms)
        for (const ChartAlarmEvent& e : data.alarmEvents)
            chart.addAlarmEvent(e);
    const GraphFileResult r = WriteGraphFile(chart, path);
    return r.ok() ? QString() : r.error;
}

// A graph file holds four channels: a run of several meters is written as one graph
// file per meter, the first at `path`, meter k (from 2) beside it as NAME-k.ghf
// (docs/file-formats.md).
LibraryExportResult recordingGraph(const Library& library, std::int64_t id, const QString& path,
                                   const QString& templatePath)
{
    LibraryExportResult out;
    QString error;
    const auto data = library.loadRecording(id, 0, &error);
    if (!data) {
        out.error = error;
        return out;
    }
    const std::vector<RecordingMeter>& meters = data->header.meters;
    const bool several = meters.size() > 1;
    out.error =
        writeGraph(*data, data->samples, several ? MeterColumnName(meters[0], 0) : QString(), true, path, templatePath);
    out.lines = std::int64_t(data->samples.size());
    for (std::size_t m = 0; several && out.error.isEmpty() && m < data->otherMeters.size(); ++m) {
        out.error = writeGraph(*data, data->otherMeters[m], MeterColumnName(meters[m + 1], int(m + 1)), false,
                               MeterGraphPath(path, int(m + 2)), templatePath);
        out.lines += std::int64_t(data->otherMeters[m].size());
    }
    return out;
}

LibraryExportResult downloadFile(const Library& library, std::int64_t id, const QString& path, int set,
                                 const TextStyle& style, const Clock& clock, bool collection)
{
    LibraryExportResult out;
    QString error;
    const auto d = library.loadDownload(id, &error);
    if (!d) {
        out.error = error;
        return out;
    }
    if (collection) {
        AtomicFile file(path);
        if (!file.open() || !file.write(d->image) || !file.commit())
            out.error = problem(path, file.reason());
        out.lines = d->image.size();
        return out;
    }
    DataSetStore store;
    if (!DecodeDataSets(d->image, store, clock).ok() || set < 1 || std::size_t(set) > store.sets.size()) {
        out.error =
            QStringLiteral("there is no data set %1 in item %2 (it holds %3)").arg(set).arg(id).arg(store.sets.size());
        return out;
    }
    const std::size_t k = std::size_t(set - 1);
    TableWriter writer(path);
    const QChar sep = TableSaveSeparator(path);
    QString line;
    for (int i = 0; i < store.sets[k].sampleCount; ++i) {
        const float* y = store.valuesOf(k) + 4 * i;
        line.clear();
        AppendGraphTableLine(line, store.timesOf(k)[4 * i], {y[0], y[1], y[2], y[3]}, sep, style);
        writer.line(line);
    }
    out.error = writer.finish();
    out.lines = writer.lines();
    return out;
}

LibraryExportResult seriesFile(const Library& library, std::int64_t id, const QString& path, int set,
                               const Clock& clock, bool workbook, const Profile* profile = nullptr, int channel = -1)
{
    const LibraryItemSeries item = SeriesOfLibraryItem(library, id, set, clock);
    if (!item.ok())
        return {0, item.error};
    if (!workbook && item.series.size() != 1)
        return {0, QStringLiteral("a spreadsheet table holds one data set: choose one of the %1 of item %2")
                       .arg(item.series.size())
                       .arg(id)};
    std::vector<SeriesCheck> checks;
    for (const ExportSeries& s : item.series)
        if (profile)
            checks.push_back(CheckSeries(s, *profile, channel));
    const Status r =
        workbook ? WriteWorkbook(item.series, path, checks) : WriteSpreadsheetCsv(item.series.front(), path);
    std::int64_t lines = 0;
    for (const ExportSeries& s : item.series)
        lines += s.samples();
    return {lines, r.ok() ? QString() : r.error()};
}

}  // namespace

QString MeterGraphPath(const QString& path, int meter)
{
    if (meter <= 1)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-%1").arg(meter) + suffix);
}

LibraryExportResult ExportLibrarySpreadsheet(const Library& library, std::int64_t id, const QString& path, int set,
                                             const Clock& clock)
{
    return seriesFile(library, id, path, set, clock, false);
}

LibraryExportResult ExportLibraryWorkbook(const Library& library, std::int64_t id, const QString& path, int set,
                                          const Clock& clock, const Profile* profile, int channel)
{
    return seriesFile(library, id, path, set, clock, true, profile, channel);
}

LibraryExportResult ExportLibraryItem(const Library& library, std::int64_t id, const QString& path, int set,
                                      const TextStyle& style, const Clock& clock, const QString& templatePath)
{
    QString error;
    const auto entry = library.entry(id, &error);
    if (!entry)
        return {0, error};
    const QString ext = QFileInfo(path).suffix().toLower();
    const bool table = ext == QLatin1String("txt") || ext == QLatin1String("csv");
    if (ext == QLatin1String("xlsx"))
        return seriesFile(library, id, path, set, clock, true);
    if (entry->kind == EntryKind::Recording) {
        if (table)
            return recordingTable(library, id, path, style);
        if (ext == QLatin1String("ghf"))
            return recordingGraph(library, id, path, templatePath);
        return {0, QStringLiteral("a recording is exported as .txt, .csv, .ghf or .xlsx, not \"%1\"").arg(path)};
    }
    if (table || ext == QLatin1String("ch4"))
        return downloadFile(library, id, path, set, style, clock, !table);
    return {0, QStringLiteral("a download is exported as .ch4, .txt, .csv or .xlsx, not \"%1\"").arg(path)};
}

}  // namespace kelvor
