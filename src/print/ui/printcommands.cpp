// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ui/printcommands.h"

#include <QTableView>

#include "files/ui/tfrmlist.h"
#include "graph/ui/tfrmgraph.h"
#include "print/ui/graphprinter.h"
#include "print/ui/tableprinter.h"

namespace kelvor {

void PrintActiveWindow(Program& program, QWidget* child)
{
    if (!child)
        return;
    if (auto* graph = qobject_cast<TfrmGraph*>(child)) {
        PrintGraph(program, *graph);
        return;
    }
    if (auto* list = qobject_cast<TfrmList*>(child))
        PrintTable(program, list, *list->Grid1->model());
}

}  // namespace kelvor
