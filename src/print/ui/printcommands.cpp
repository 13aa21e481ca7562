// SPDX-License-Identifier: GPL-3.0-or-later
// File > Print and File > Printer Setup of the main window.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>

#include "app/ui/maincommands.h"
#include "app/ui/program.h"
#include "app/ui/prompts.h"
#include "app/ui/tfrmmain.h"
#include "files/ui/tfrmlist.h"
#include "graph/ui/tfrmgraph.h"
#include "print/ui/graphprinter.h"
#include "print/ui/tableprinter.h"

namespace kelvor::commands {

// Only tables and graphs print; the front panel, the setup window or no window at all
// leave the command without effect.
void Print(TfrmMain& main)
{
    QMdiSubWindow* sub = main.mdiArea().activeSubWindow();
    QWidget* child = sub ? sub->widget() : nullptr;
    if (!child)
        return;
    if (auto* graph = qobject_cast<TfrmGraph*>(child)) {
        PrintGraph(main.program(), *graph);
        return;
    }
    if (auto* list = qobject_cast<TfrmList*>(child))
        PrintTable(main.program(), list, *list->Grid1->model());
}

void PrinterSetup(TfrmMain& main) { main.program().prompts.printerSetup(&main, main.program().printer()); }

}  // namespace kelvor::commands
