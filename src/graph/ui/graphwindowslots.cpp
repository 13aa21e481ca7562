// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/graphwindowslots.h"

#include "graph/ui/tfrmgraph.h"
#include "program/program.h"

namespace kelvor {

namespace {
GraphSlot SlotOf(GraphRole role)
{
    switch (role) {
        case GraphRole::RealTime:
            return GraphSlot::RealTime;
        case GraphRole::DataLogger:
            return GraphSlot::DataLogger;
        case GraphRole::File:
        case GraphRole::LibraryRecording:
            break;
    }
    return GraphSlot::NewestFile;
}

TfrmGraph* InSlot(const Program& program, GraphSlot slot)
{
    return qobject_cast<TfrmGraph*>(program.graph.windows.window(slot));
}
}  // namespace

TfrmGraph* RealTimeGraph(const Program& program) { return InSlot(program, GraphSlot::RealTime); }
TfrmGraph* LoggerGraph(const Program& program) { return InSlot(program, GraphSlot::DataLogger); }
TfrmGraph* NewestFileGraph(const Program& program) { return InSlot(program, GraphSlot::NewestFile); }

void EnrollGraph(Program& program, TfrmGraph& window) { program.graph.windows.enroll(SlotOf(window.role()), &window); }

void WithdrawGraph(Program& program, const TfrmGraph& window)
{
    program.graph.windows.withdraw(SlotOf(window.role()), &window);
}

}  // namespace kelvor
