// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/preparegraph.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>

#include "chart/chartmodel.h"
#include "graph/defaultlook.h"
#include "graph/graphfile.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/profiletool.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {
void emptyAllPoints(ChartModel& chart)
{
    for (int i = 0; i < chart.Points(); ++i) {
        chart.setXDataII(-1, i, 0.0);
        chart.setYData(-1, i, kGapValue);
    }
    chart.clearPointFlags();
}

// A template that leaves an axis open (the one shipped with the program) lets every
// graph keep its own Y range there; a range the user fixed in the template wins.
void applyOpenAxes(ChartModel& chart, int subsets, float yMax, float yMin)
{
    for (int a = 0; a < subsets; ++a) {
        chart.setWorkingAxis(a);
        if (chart.ManualScaleControlY() != sgNone)
            continue;
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(yMin);
        chart.setManualMaxY(yMax);
    }
}
}  // namespace

void PrepareGraph(Program& program, ChartModel& chart, int subsets, float yMax, float yMin, double xMax, double xMin,
                  int points, QWidget* parent)
{
    const QString templatePath = program.templatePath();
    bool templateRead = false;
    if (QFileInfo::exists(templatePath)) {
        const GraphFileResult r = ReadGraphFile(chart, templatePath);
        templateRead = r.ok();
        // A damaged template must not leave the chart half set up: say what is wrong
        // with it once and carry on with the default look.
        if (!templateRead)
            program.prompts.error(parent,
                                  QStringLiteral("The graph template ") + QDir::toNativeSeparators(templatePath) +
                                      QStringLiteral(" can not be read, it will use default setting.\n") + r.error);
    }

    chart.setPrepareImages(true);
    chart.setNullDataValueY(kGapValue);
    chart.setSubsetByPoint(false);
    chart.setSubsets(subsets);
    chart.setPoints(points);
    chart.setNoHelp(true);
    chart.setAllowPopup(false);
    // Every point starts empty, including those a template brought along; otherwise
    // the template's own samples would show in the new graph.
    emptyAllPoints(chart);
    // New data arrive in degrees C unless their source says otherwise (a data set in F).
    chart.setDataUnit(chartCelsius);
    // Cursors and alarm events belong to the data a template was saved with, not to its look.
    chart.clearAlarmEvents();
    chart.setCursorState(false, 0.0, 0.0, chart.state().cursorThreshold);
    if (xMin != 0.0) {
        chart.setManualScaleControlX(sgManualMinAndMax);
        chart.setManualMinX(xMin);
        chart.setManualMaxX(xMax);
    }
    chart.setAllowDataLabels(sgNoDataLabels);

    if (!templateRead) {
        // Said once per run: a download prepares its chart twice, and the same note
        // before every graph would only train the user to click it away.
        if (!QFileInfo::exists(templatePath) && !program.graph.TemplateMissingShown) {
            program.graph.TemplateMissingShown = true;
            program.prompts.info(parent,
                                 QStringLiteral("Can not fine the file ") + QDir::toNativeSeparators(templatePath) +
                                     QStringLiteral(" to initialize the graph ,it will use default setting. You "
                                                    "can click Graph Option button , then make some change and save."));
        }
        ApplyDefaultLook(chart, subsets, yMax, yMin);
    } else {
        applyOpenAxes(chart, subsets, yMax, yMin);
    }

    chart.setWorkingAxis(0);
    chart.setAllowGraphAnnotHotSpots(true);
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

TfrmGraph* OpenRealTimeGraph(Program& program)
{
    auto* w = new TfrmGraph(program, GraphRole::RealTime);
    EnrollGraph(program, *w);
    w->setWindowTitle(kRealTimeCaption);
    emit program.windowSignals.realTimeGraphChecked(true);
    w->setClearVisible(true);
    auto* view = new RealTimeView(*w, program.session);
    w->setRealTimeView(view);
    w->alarms().watch(program.session);
    w->profileCheck().watch(program.session);

    const double now = program.clock.nowDays();
    PrepareGraph(program, w->chart(), 4, 50.0f, -10.0f, now + 110.0 * kDaysPerSecond, now, 100, w);
    w->updateAnnotationTools();

    ChartModel& chart = w->chart();
    chart.setNoRandomPointsToExport(true);
    chart.setFocalRect(false);
    chart.setAllowBar(false);
    chart.setLineGapThreshold(1e20);

    w->pnlSamplingRate->setEnabled(true);
    const int rate =
        program.session.recording() ? program.session.settings().rateSeconds : program.session.rateSeconds();
    w->setRateLists(rate / 60, rate % 60);
    // A run that went on while no window showed it is shown from its start.
    view->showSessionRun();
    w->tbntClr->setEnabled(!program.session.recording());

    program.windowSignals.showWindow(w);
    w->move(w->x(), 0);
    return w;
}

void ClearGraph(TfrmGraph& window)
{
    Program& program = window.program();
    ChartModel& chart = window.chart();
    emptyAllPoints(chart);
    window.txtDataNo->clear();
    window.clearStatisticFields();
    if (RealTimeView* view = window.realTimeView()) {
        view->reset();
        if (!program.session.recording())
            program.session.clear();
    }
    for (int k = 3; k <= program.graph.AnnotationCounter; ++k) {
        chart.setGraphAnnotationX(k, 0.0);
        chart.setGraphAnnotationY(k, 0.0);
    }
    program.graph.AnnotationCounter = 3;
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

}  // namespace kelvor
