// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class TfrmGraph;

// Recomputes every statistics field of a graph window from its chart (for a chart that
// was filled all at once); the rate lists are set without running their handler.
void ShowStatistics(TfrmGraph& window);

}  // namespace kelvor
