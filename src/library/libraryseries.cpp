// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryseries.h"

#include "base/clock.h"
#include "base/localoffsets.h"
#include "graph/realtimerun.h"
#include "library/library.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {

QString isoText(double days) { return IsoTextWithOffset(days, LocalOffsets().offsetAt(days)); }

// A run of several meters: who they are, the channels of meters 2.. beside the first's,
// and which meters gave no reading in each row.
void addOtherMeters(const RecordingData& data, ExportSeries& s)
{
    const std::vector<RecordingMeter>& meters = data.header.meters;
    if (meters.size() < 2 || data.otherMeters.size() + 1 != meters.size())
        return;
    for (std::size_t m = 0; m < meters.size(); ++m) {
        ExportMeter em{meters[m].model, meters[m].serial, meters[m].name, {}, {}};
        if (m > 0) {
            const std::vector<JournalSample>& samples = data.otherMeters[m - 1];
            em.values.reserve(4 * samples.size());
            em.flags.reserve(samples.size());
            for (const JournalSample& j : samples) {
                for (int c = 0; c < 4; ++c)
                    em.values.push_back(SampleValue(j.flags, c, j.t[std::size_t(c)]));
                em.flags.push_back(j.flags);
            }
        }
        s.meters.push_back(std::move(em));
    }
    s.absent = data.absent;
}

void recording(const Library& library, std::int64_t id, LibraryItemSeries& out)
{
    QString error;
    const auto data = library.loadRecording(id, 0, &error);
    if (!data) {
        out.error = error;
        return;
    }
    ExportSeries s;
    s.name = QStringLiteral("Recording %1").arg(id);
    s.unit = data->header.unit == QLatin1String("F") ? QStringLiteral("°F") : QStringLiteral("°C");
    s.times.reserve(data->samples.size());
    s.values.reserve(4 * data->samples.size());
    s.flags.reserve(data->samples.size());
    for (const JournalSample& j : data->samples) {
        s.times.push_back(j.time);
        for (int c = 0; c < 4; ++c)
            s.values.push_back(SampleValue(j.flags, c, j.t[std::size_t(c)]));
        s.flags.push_back(j.flags);  // "OL" and "----" stay apart
    }
    addOtherMeters(*data, s);
    out.name = data->entry.name;
    out.meter = MeterText(data->header.meterModel, data->header.meterSerial);
    s.source = {{QStringLiteral("Source"), QStringLiteral("Recording %1 of the library").arg(id)}};
    if (!out.name.isEmpty())
        s.source.append({QStringLiteral("Name"), out.name});
    s.source.append({QStringLiteral("Start"), isoText(data->header.started)});
    s.source.append(
        {QStringLiteral("Interval"), QStringLiteral("%1 (mm:ss)").arg(FormatRate(data->header.rateSeconds))});
    s.source.append({QStringLiteral("Samples"), QString::number(s.samples())});
    // Several meters are listed by the workbook and the report themselves.
    if (s.meterCount() == 1 && !out.meter.isEmpty())
        s.source.append({QStringLiteral("Meter"), out.meter});
    if (!data->entry.note.isEmpty())
        s.source.append({QStringLiteral("Note"), data->entry.note});
    for (const RecordingAnnotation& a : data->annotations)
        out.annotations.append({a.x, a.text.isEmpty() ? QStringLiteral("(cross mark)") : a.text});
    out.alarmEvents = data->alarmEvents;
    out.series.push_back(std::move(s));
}

void download(const Library& library, std::int64_t id, int set, const Clock& clock, LibraryItemSeries& out)
{
    QString error;
    const auto d = library.loadDownload(id, &error);
    if (!d) {
        out.error = error;
        return;
    }
    DataSetStore store;
    const bool decoded = DecodeDataSets(d->image, store, clock).ok();
    if (!decoded || set < 0 || std::size_t(set) > store.sets.size()) {
        out.error =
            QStringLiteral("there is no data set %1 in item %2 (it holds %3)").arg(set).arg(id).arg(store.sets.size());
        return;
    }
    out.name = d->entry.name;
    out.meter = d->entry.meterSerial;
    for (int k = 0; k < int(store.sets.size()); ++k) {
        if (set != 0 && set != k + 1)
            continue;
        ExportSeries s = SeriesFromDataSet(store, k);
        s.source.append({QStringLiteral("Library item"), QString::number(id)});
        if (!out.name.isEmpty())
            s.source.append({QStringLiteral("Name"), out.name});
        if (!out.meter.isEmpty())
            s.source.append({QStringLiteral("Meter"), out.meter});
        out.series.push_back(std::move(s));
    }
}

}  // namespace

LibraryItemSeries SeriesOfLibraryItem(const Library& library, std::int64_t id, int set, const Clock& clock)
{
    LibraryItemSeries out;
    QString error;
    const auto entry = library.entry(id, &error);
    if (!entry)
        out.error = error;
    else if (entry->kind == EntryKind::Recording)
        recording(library, id, out);
    else
        download(library, id, set, clock, out);
    return out;
}

}  // namespace kelvor
