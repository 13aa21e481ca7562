// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/ui/loggercommands.h"

#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/memorydownload.h"
#include "logger/ui/downloadprogress.h"
#include "logger/ui/librarycommands.h"
#include "logger/ui/loggerwindow.h"
#include "program/monitorpause.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"

namespace kelvor {

namespace {
// Clears the program-wide load flag however the command ends.
struct LoadGuard {
    bool& flag;
    explicit LoadGuard(bool& f) : flag(f) { flag = true; }
    ~LoadGuard() { flag = false; }
};
}  // namespace

void LoadData1Click(Program& program)
{
    if (program.LoadingData)
        return;
    LoadGuard guard(program.LoadingData);
    QWidget* parent = DialogParent(program);
    Prompts& prompts = program.prompts;

    if (!program.monitor.Connected) {
        prompts.info(parent, QString::fromLatin1(kNoConnectionMessage));
        return;
    }
    if (program.live.MeterRecording) {
        prompts.info(parent, QString::fromLatin1(kMeterRecordingMessage));
        return;
    }

    const MonitorPause pause(program.monitorLoop);
    program.monitor.MissedReads = 0;
    TfrmGraph* window = EnsureLoggerGraph(program);

    DownloadProgressWindow progress(parent);
    MemoryDownload download(program.link, &progress, &program.monitorLoop);
    LoadCallbacks callbacks;
    callbacks.decoded = [&](const DataSetDecodeResult&) {
        // Into the library first: from here on the download cannot be lost.
        StoreDownloadInLibrary(program, program.store.memoryImage, program.store);
        if (TfrmGraph* w = LoggerGraph(program))
            FillDataSetList(*w, program.store);
    };
    callbacks.showDataSet = [&](int k) { ShowDataSet(program, k); };
    const LoadOutcome out = LoadDataSets(download, program.store, program.clock, program.workingCopyPath(), callbacks);

    QWidget* box = parent;
    if (TfrmGraph* logger = LoggerGraph(program))
        box = logger;
    (void)window;
    if (out.code == kDownloadOk) {
        program.graph.LoggerGraphUnsaved = true;
        // The download itself is good and kept in memory for "save collection"; only
        // the copy on disk is missing, which the user must know.
        if (!out.workingCopyError.isEmpty())
            prompts.error(box, out.workingCopyError);
        if (out.decode.cutShort)
            prompts.message(box, QMessageBox::Warning, Prompts::title(), DecodeWarning(out.decode));
    } else if (out.code == kNoDataSet) {
        prompts.info(box, QString::fromLatin1(kNoDataMessage));
    } else {
        prompts.error(box, LoadFailureMessage(out.code));
        SendDownloadCancel(program.link);
    }
}

}  // namespace kelvor
