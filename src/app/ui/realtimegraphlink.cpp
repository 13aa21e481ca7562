// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/program.h"
#include "graph/ui/tfrmgraph.h"

namespace kelvor {

QWidget* Program::realTimeGraphWidget() const { return graph.RealTimeGraph.data(); }

}  // namespace kelvor
