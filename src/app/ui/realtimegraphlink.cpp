// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's view of the real-time graph window, which is built separately: until
// its header exists the shell sees no window.
#include "app/ui/program.h"

#if __has_include("graph/ui/tfrmgraph.h")
#include "graph/ui/tfrmgraph.h"
#define KELVOR_HAVE_GRAPH_WINDOW 1
#endif

namespace kelvor {

QWidget* Program::realTimeGraphWidget() const
{
#ifdef KELVOR_HAVE_GRAPH_WINDOW
    return graph.RealTimeGraph.data();
#else
    return nullptr;
#endif
}

}  // namespace kelvor
