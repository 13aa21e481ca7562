// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ui/graphprinter.h"

#include <QPrinter>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/wholerun.h"
#include "print/ui/printfiletarget.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {

void setCustomizePages(ChartModel& chart, bool on)
{
    chart.setAllowFontPage(on);
    chart.setAllowPage1(on);
    chart.setAllowPage2(on);
    chart.setAllowSubsetsPage(on);
}

}  // namespace

void PrintGraph(Program& program, TfrmGraph& window)
{
    ChartModel& chart = window.chart();
    setCustomizePages(chart, false);
    chart.PEactions(sgCustomize);  // its outcome does not matter: printing follows anyway
    setCustomizePages(chart, true);

    QWidget* parent = &window;
    WholeRun run(program, chart, parent);
    ChartModel* whole = run.chart();
    if (!whole)
        return;
    if (whole != &chart) {
        // The window draws only the latest samples of its run: the page draws them all.
        ChartView view(*whole);
        view.resize(window.view().size());
        whole->PEactions(sgReinitAndReset);
        PrintChart(program, parent, view);
        return;
    }
    window.view().setPrintHandler([&program, parent](ChartView& view) { PrintChart(program, parent, view); });
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgPrintDialog);
}

bool PrintChart(Program& program, QWidget* parent, ChartView& view)
{
    QPrinter& printer = program.printer();
    const QPageLayout::Orientation before = printer.pageLayout().orientation();
    printer.setPageOrientation(view.model().DefOrientation() == sgPortrait ? QPageLayout::Portrait
                                                                           : QPageLayout::Landscape);
    const auto restore = [&] { printer.setPageOrientation(before); };
    if (!program.prompts.printDialog(parent, printer)) {
        restore();
        return false;
    }

    QString error;
    {
        PrintFileTarget target(printer);
        error = target.error();
        if (error.isEmpty())
            error = view.print(printer) ? target.commit() : QStringLiteral("The printer could not be started.");
    }
    restore();
    if (!error.isEmpty())
        program.prompts.error(parent, error);
    return error.isEmpty();
}

}  // namespace kelvor
