// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/realtimecommands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>
#include <algorithm>

#include "base/localetext.h"
#include "base/meternames.h"
#include "base/settings.h"
#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/librarytypes.h"
#include "program/meterlist.h"
#include "program/program.h"
#include "program/prompts.h"
#include "session/recordingsession.h"
#include "widgets/mdiwindows.h"

#include <QCheckBox>

namespace kelvor {

namespace {

void redraw(ChartModel& chart)
{
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

QString serialOf(MeterDevice& device)
{
    char text[64] = {};
    if (device.GetSerialText(text, int(sizeof text)) != 0)
        return {};
    text[sizeof text - 1] = '\0';
    return QString::fromLatin1(text).trimmed();
}

}  // namespace

void RealTimeRunClick(Program& program, QWidget* parent)
{
    if (!program.monitor.Connected)
        return;
    TfrmGraph* w = RealTimeGraph(program);
    if (!w) {
        w = OpenRealTimeGraph(program);
        BringForward(w);
    } else {
        BringForward(w);
        if (program.session.recording() || w->realTimeView()->points() != 0) {
            const auto answer =
                program.prompts.ask(parent,
                                    QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n"
                                                   "Do you want to save the Real-Time graph ?"),
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel)
                return;
            // Samples that did not reach the disk are not thrown away: the run goes on.
            if (answer == QMessageBox::Yes && !SaveGraphAs(program, w->chart(), w))
                return;
        }
    }

    int count = 0;
    bool openEnded = false;
    QString rejected;
    {
        TfrmSetupRealTime dialog(parent);
        dialog.setRateLists(w->ComboBox1->currentIndex(), w->ComboBox2->currentIndex());
        dialog.edtPeriod->setText(RunPeriodText(2000, program.session.rateSeconds()));
        if (program.prompts.exec(dialog) != QDialog::Accepted)
            return;
        const QString text = dialog.edtRealTimeNo->text();
        openEnded = dialog.chkOpenEnded->isChecked();
        const auto parsed = ParseRecordCount(text);
        w->setRateLists(dialog.ComboBox1->currentIndex(), dialog.ComboBox2->currentIndex());
        if (parsed)
            count = *parsed;
        else
            rejected = text;
    }
    if (count == 0) {
        program.prompts.error(parent, rejected + QStringLiteral(" is not valid.\n"));
        return;
    }
    const int rate = std::max(0, w->ComboBox1->currentIndex()) * 60 + std::max(0, w->ComboBox2->currentIndex());
    RecordingSession& session = program.session;
    session.setRateSeconds(rate);
    if (rate == 0)
        return;

    // The last run ends here, before the store is made ready for the new one.
    session.stop();
    const QString model = kMeterModel;
    const QString serial = program.device ? serialOf(*program.device) : QString();
    w->RecordingName.clear();
    w->RecordingMeter = MeterText(model, serial);
    // The meters ticked in Real Time > Meters… take part, fixed for the whole run.
    program.runMeters = ChosenOtherMeters(program);
    if (program.runMeters.empty()) {
        session.setSources({{model, serial}});
    } else {
        // Every meter of the run, each with the name the settings keep for its serial.
        const std::unique_ptr<QSettings> names = openProgramSettings(program.settingsFile);
        std::vector<SessionSource> sources{{model, serial, ReadMeterName(*names, serial)}};
        for (const std::size_t i : program.runMeters) {
            const QString otherSerial = DeviceSerial(*program.otherMeters[i]->device);
            sources.push_back({model, otherSerial, ReadMeterName(*names, otherSerial)});
        }
        session.setSources(std::move(sources));
    }
    RealTimeView& view = *w->realTimeView();
    view.prepareRun(count, openEnded);
    // Cursors left on the last run's times would read nothing of this one.
    w->cursors().reset();
    redraw(w->chart());
    w->tbntClr->setEnabled(false);

    program.keepRunsInLibrary();
    SessionSettings settings;
    settings.rateSeconds = rate;
    settings.recordCount = count;
    settings.openEnded = openEnded;
    session.start(settings);
}

void RealTimeStopClick(Program& program) { program.session.stop(); }

}  // namespace kelvor
