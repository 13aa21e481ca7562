// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/ui/librarycommands.h"

#include <QLineEdit>

#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "library/libraryaccess.h"
#include "logger/datasetdecoder.h"
#include "logger/ui/loggerwindow.h"
#include "logger/workingcopy.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"

namespace kelvor {

namespace {

void tellNotice(Program& program)
{
    const QString notice = program.library->takeNotice();
    if (!notice.isEmpty())
        program.prompts.error(DialogParent(program), notice);
}

QString recordingTitle(const RecordingData& data)
{
    const QString when = DateTimeText(data.entry.start);
    return data.entry.name.isEmpty() ? QStringLiteral("Recording %1").arg(when)
                                     : QStringLiteral("%1 (%2)").arg(data.entry.name, when);
}

}  // namespace

void InstallLibrary(Program& program) { program.library = std::make_unique<LibraryAccess>(program.dataDir); }

void StoreDownloadInLibrary(Program& program, const QByteArray& image, const DataSetStore& decoded)
{
    char serial[64] = {};
    if (!program.device || program.device->GetSerialText(serial, int(sizeof serial)) != 0)
        serial[0] = '\0';
    serial[sizeof serial - 1] = '\0';
    const QString serialText = QString::fromLatin1(serial).trimmed();
    if (TfrmGraph* w = LoggerGraph(program)) {
        w->RecordingName.clear();
        w->RecordingMeter = MeterText(QString(), serialText);
    }
    if (!program.library)
        return;
    Library* library = program.library->get();
    tellNotice(program);
    LibraryStatus status;
    if (library) {
        if (library->storeDownload(image, decoded.sets, program.clock.nowDays(), serialText, QStringLiteral("download"),
                                   &status))
            return;
    } else {
        status = {1, program.library->lastError()};
    }
    program.prompts.error(DialogParent(program), QStringLiteral("The download could not be kept in the library %1: %2")
                                                     .arg(program.library->path(), status.error));
}

void OfferInterruptedRecordings(Program& program)
{
    if (!program.library)
        return;
    Library* library = program.library->get();
    tellNotice(program);
    QWidget* parent = DialogParent(program);
    if (!library) {
        program.prompts.error(parent, program.library->lastError());
        return;
    }
    LibraryAccess& access = *program.library;
    LibraryStatus status;
    const std::vector<LibraryEntry> found =
        library->markInterrupted([&access](std::int64_t id) { return access.isBeingWritten(id); }, &status);
    for (const LibraryEntry& e : found) {
        const QString question = QStringLiteral(
                                     "A real-time recording started %1 with %2 samples was interrupted. "
                                     "Open it?")
                                     .arg(DateTimeText(e.start))
                                     .arg(e.samples);
        if (program.prompts.ask(parent, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            continue;
        QString error;
        const auto data = library->loadRecording(e.id, kGraphPointsFromLibrary, &error);
        if (!data) {
            program.prompts.error(parent, error);
            continue;
        }
        OpenRecordingInGraph(program, *data, true);
    }
}

TfrmGraph* OpenRecordingInGraph(Program& program, const RecordingData& data, bool unsaved)
{
    auto* w = new TfrmGraph(program, GraphRole::LibraryRecording);
    w->setWindowTitle(recordingTitle(data));
    w->RecordingName = data.entry.name;
    w->RecordingMeter = MeterText(data.header.meterModel, data.header.meterSerial);
    EnrollGraph(program, *w);
    program.windowSignals.showWindow(w);

    const std::vector<JournalSample>& s = data.samples;
    const int n = int(s.size());
    const double xMin = n ? s.front().time : data.entry.start;
    const double xMax = n ? s.back().time : data.entry.start;
    ChartModel& chart = w->chart();
    PrepareGraph(program, chart, 4, 100.0f, -20.0f, xMax, xMin, n, w);
    {
        std::vector<double> xs(std::size_t(n) * 4);
        std::vector<float> ys(std::size_t(n) * 4);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 4; ++c) {
                xs[std::size_t(i) * 4 + std::size_t(c)] = s[std::size_t(i)].time;
                ys[std::size_t(i) * 4 + std::size_t(c)] =
                    SampleValue(s[std::size_t(i)].flags, c, s[std::size_t(i)].t[std::size_t(c)]);
            }
        chart.SetAllXDataII(xs.data(), std::int64_t(xs.size()));
        chart.SetAllYData(ys.data(), std::int64_t(ys.size()));
        for (int i = 0; i < n; ++i)
            chart.setPointFlags(i, s[std::size_t(i)].flags);
    }

    // The statistics of every sample, written the way the run writes them.
    const RecordingStatistics& st = data.statistics;
    w->txtStartTime->setText(DateTimeText(data.header.started));
    w->txtDataNo->setText(QString::number(data.entry.samples));
    if (data.header.rateSeconds > 0)
        w->setRateLists(data.header.rateSeconds / 60, data.header.rateSeconds % 60);
    for (int c = 0; c < 4; ++c) {
        const RecordingChannelStatistics& ch = st.channels[std::size_t(c)];
        w->maxField(c)->setText(st.samples ? ExtremeText(ch.maximumFlags, c, ch.maximum, ch.maximumTime) : QString());
        w->minField(c)->setText(st.samples ? ExtremeText(ch.minimumFlags, c, ch.minimum, ch.minimumTime) : QString());
        w->avgField(c)->setText(AverageText(ch.sum, ch.averaged));
    }
    GraphState& g = program.graph;
    for (const RecordingAnnotation& a : data.annotations) {
        const int k = ++g.AnnotationCounter;
        chart.setGraphAnnotationType(k, a.type);
        chart.setGraphAnnotationX(k, a.x);
        chart.setGraphAnnotationY(k, a.y);
        chart.setGraphAnnotationColor(k, a.color);
        chart.setGraphAnnotationText(k, a.text);
    }
    for (const ChartAlarmEvent& e : data.alarmEvents)
        chart.addAlarmEvent(e);
    chart.setAllowGraphAnnotHotSpots(true);
    chart.PEactions(sgReinitAndReset);
    w->updateAnnotationTools();
    w->UnsavedData = unsaved;
    return w;
}

bool OpenLibraryItem(Program& program, std::int64_t id)
{
    QWidget* parent = DialogParent(program);
    Library* library = program.library ? program.library->get() : nullptr;
    if (!library) {
        program.prompts.error(parent, program.library ? program.library->lastError() : QString());
        return false;
    }
    QString error;
    const auto entry = library->entry(id, &error);
    if (entry && entry->kind == EntryKind::Recording) {
        if (const auto data = library->loadRecording(id, kGraphPointsFromLibrary, &error)) {
            OpenRecordingInGraph(program, *data, false);
            return true;
        }
    } else if (entry) {
        if (const auto d = library->loadDownload(id, &error)) {
            TfrmGraph* window = EnsureLoggerGraph(program);
            const DataSetDecodeResult r = DecodeDataSets(d->image, program.store, program.clock);
            if (r.ok()) {
                window->RecordingName = d->entry.name;
                window->RecordingMeter = MeterText(QString(), d->entry.meterSerial);
                program.store.collectionImage = d->image;
                FillDataSetList(*window, program.store);
                if (const QString e = WriteWorkingCopy(program.workingCopyPath(), d->image); !e.isEmpty())
                    program.prompts.error(window, e);
                ShowDataSet(program, 0);
                return true;
            }
            error = QStringLiteral("The download of %1 holds no data set that can be read.")
                        .arg(DateTimeText(d->entry.start));
        }
    }
    program.prompts.error(parent, error);
    return false;
}

}  // namespace kelvor
