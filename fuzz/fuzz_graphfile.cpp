// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the graph file reader. Whatever it accepts must store and
// load again to the same block; whatever it refuses must leave the chart untouched.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "chart/chartmodel.h"
#include "graph/graphfile.h"

using namespace kelvor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ChartModel chart;
    chart.setMainTitle(QStringLiteral("before"));
    const ChartState before = chart.state();

    // Both as a whole graph file and as a bare state block.
    for (const bool framed : {true, false}) {
        const bool ok =
            framed ? LoadGraphFileBytes(chart, bytes, QStringLiteral("fuzz.ghf")).ok() : chart.LoadState(bytes).ok();
        if (!ok) {
            if (!(chart.state() == before))
                std::abort();
            continue;
        }
        const QByteArray again = chart.StoreState();
        ChartModel copy;
        if (!copy.LoadState(again).ok() || copy.StoreState() != again)
            std::abort();
        return 0;
    }
    return 0;
}
