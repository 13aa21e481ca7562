// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/realtimecommands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>
#include <algorithm>

#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/journalhooks.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/mdiwindows.h"

#include <QCheckBox>
#include <utility>

namespace kelvor {

namespace {

void restoreNormal(QWidget& w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w.parentWidget()))
        sub->showNormal();
    else if (w.isWindow() && (w.isMinimized() || w.isMaximized()))
        w.showNormal();
}

// What an open-ended run's graph holds: its samples at the chosen rate.
double openEndedSpan(const ChartModel& chart, const RealTimeState& rt)
{
    return std::max(1, chart.Points()) * std::max(1, rt.RateSeconds) * kDaysPerSecond;
}

void redraw(ChartModel& chart)
{
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

void enableRunCommands(Program& program, bool run, bool stop)
{
    emit program.windowSignals.runEnabled(run);
    emit program.windowSignals.stopEnabled(stop);
}

void stopRun(Program& program)
{
    RealTimeState& rt = program.realTime;
    rt.Running = false;
    enableRunCommands(program, true, false);

    TfrmGraph* w = program.graph.RealTimeGraph;
    if (!w) {
        JournalRunEnded(program, nullptr);
        return;
    }
    restoreNormal(*w);
    w->tbntClr->setEnabled(true);
    const double stopTime = program.clock.nowDays();
    ChartModel& chart = w->chart();
    if (chart.Points() > rt.SampleCount) {
        ShortenRunStore(chart, rt.SampleCount);
        redraw(chart);
    }
    chart.setManualMaxX(stopTime);
    for (int s = 0; s < chart.Subsets() && s < 4; ++s)
        w->avgField(s)->setText(rt.OpenEnded ? AverageText(rt.ChannelSum[s], rt.ChannelAveraged[s])
                                             : RunAverageText(chart, s, rt.SampleCount));
    redraw(chart);
    JournalRunEnded(program, &chart);
}

}  // namespace

void RealTimeRunClick(Program& program, QWidget* parent)
{
    if (!program.monitor.Connected)
        return;
    RealTimeState& rt = program.realTime;
    TfrmGraph* w = program.graph.RealTimeGraph;
    if (!w) {
        w = OpenRealTimeGraph(program);
        BringForward(w);
    } else {
        BringForward(w);
        if (rt.Running || rt.SampleCount != 0) {
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
        dialog.edtPeriod->setText(RunPeriodText(2000, rt.RateSeconds));
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
    rt.RateSeconds = rate;
    if (rate == 0)
        return;

    ChartModel& chart = w->chart();
    PrepareRunStore(chart, rt, count);
    rt.OpenEnded = openEnded;
    for (int c = 0; c < 4; ++c)
        w->minField(c)->clear(), w->maxField(c)->clear();
    for (int c = 0; c < 4; ++c)
        w->avgField(c)->clear();
    const double now = program.clock.nowDays();
    w->txtStartTime->setText(DateTimeText(now));
    chart.setManualMinX(now);
    chart.setManualMaxX(now + (openEnded ? openEndedSpan(chart, rt) : 100.0 * kDaysPerSecond));
    // Cursors left on the last run's times would read nothing of this one.
    w->cursors().reset();
    redraw(chart);

    w->tbntClr->setEnabled(false);
    rt.Running = true;
    enableRunCommands(program, false, true);
    JournalRunStarted(program);
}

void RealTimeStopClick(Program& program) { stopRun(program); }

void AppendRealTimeSample(Program& program, std::uint8_t flags, double time, float t1, float t2, float t3, float t4)
{
    TfrmGraph* w = program.graph.RealTimeGraph;
    if (!w)
        return;
    RealTimeState& rt = program.realTime;
    ChartModel& chart = w->chart();
    const bool missed = std::exchange(rt.SampleMissed, false);
    const int n = missed && rt.SampleCount > 0 && !WriteRunBreak(chart, rt, time) ? -1 : NextRunSlot(chart, rt);
    if (n < 0) {  // no room (the store was changed behind the run's back)
        RealTimeStopClick(program);
        return;
    }
    if (rt.OpenEnded && rt.SampleCount >= chart.Points()) {
        // The axis moves with the samples kept, rather than leaving them in a corner.
        chart.setManualMaxX(std::max(chart.ManualMinX() + openEndedSpan(chart, rt), time));
    }
    if (!(chart.ManualMaxX() >= time))
        chart.setManualMaxX(time + rt.AxisExtendDays);
    const std::array<float, 4> values{t1, t2, t3, t4};
    WriteRunSample(chart, n, flags, time, values);

    AddToRunAverages(rt, flags, values);
    JournalSampleTaken(program, flags, time, values);
    const std::uint8_t moved = UpdateExtremes(rt, values);
    for (int c = 0; c < 4; ++c) {
        if (moved & (1u << c))
            w->maxField(c)->setText(ExtremeText(flags, c, values[size_t(c)], time));
        if (moved & (1u << (c + 4)))
            w->minField(c)->setText(ExtremeText(flags, c, values[size_t(c)], time));
    }
    redraw(chart);

    rt.SampleCount += 1;
    w->txtDataNo->setText(QString::number(rt.SampleCount - rt.GapPoints));
    if (!rt.OpenEnded && rt.SampleCount > chart.Points() - 1)
        RealTimeStopClick(program);
}

void InstallRealTimeRun(Program& program)
{
    program.appendRealTimeSample = [&program](std::uint8_t flags, double time, float t1, float t2, float t3, float t4) {
        AppendRealTimeSample(program, flags, time, t1, t2, t3, t4);
    };
}

}  // namespace kelvor
