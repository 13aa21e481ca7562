// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/wholerun.h"

#include <vector>

#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "library/librarytypes.h"
#include "program/program.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {

// Points of the run that scrolled out of the window: its samples before the first one
// shown, with the break the window drew before a sample taken after missed ones.
std::vector<JournalSample> earlierPoints(const RecordingSession& session, double firstShown)
{
    constexpr std::uint8_t kNoReadings = 0xF0;  // "----" on every channel
    std::vector<JournalSample> out;
    for (const SessionSample& s : session.samples()) {
        if (!(s.time < firstShown))
            break;
        if (s.afterMiss && !out.empty())
            out.push_back({out.back().time + (s.time - out.back().time) / 2.0, kNoReadings, {}});
        out.push_back(s.journal());
    }
    return out;
}

}  // namespace

WholeRun::WholeRun(Program& program, ChartModel& shown, QWidget* window)
    : m_program(program), m_shown(shown), m_window(window)
{
}

WholeRun::~WholeRun() = default;

ChartModel* WholeRun::chart()
{
    if (m_whole)
        return m_whole.get();
    auto* graph = qobject_cast<TfrmGraph*>(m_window);
    const RealTimeView* view = graph ? graph->realTimeView() : nullptr;
    const RecordingSession& session = m_program.session;
    const int shownPoints = m_shown.Points();
    if (!view || &graph->chart() != &m_shown || !session.settings().openEnded || view->points() <= shownPoints ||
        shownPoints == 0 || m_shown.Subsets() != 4)
        return &m_shown;

    // The session holds every sample of its run, whatever the window still shows.
    const std::vector<JournalSample> earlier = earlierPoints(session, m_shown.XDataII(0, 0));
    auto whole = std::make_unique<ChartModel>();
    if (!whole->LoadState(m_shown.StoreState()).ok())
        return &m_shown;  // a copy of a chart that is in memory does not fail
    const int n = int(earlier.size()) + shownPoints;
    std::vector<double> xs(std::size_t(n) * 4);
    std::vector<float> ys(std::size_t(n) * 4);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 4; ++c) {
            const std::size_t at = std::size_t(i) * 4 + std::size_t(c);
            if (i < int(earlier.size())) {
                const JournalSample& s = earlier[std::size_t(i)];
                xs[at] = s.time;
                ys[at] = SampleValue(s.flags, c, s.t[std::size_t(c)]);
            } else {
                xs[at] = m_shown.XDataII(c, i - int(earlier.size()));
                ys[at] = m_shown.YData(c, i - int(earlier.size()));
            }
        }
    whole->setPoints(n);
    whole->SetAllXDataII(xs.data(), std::int64_t(xs.size()));
    whole->SetAllYData(ys.data(), std::int64_t(ys.size()));
    whole->setManualMinX(xs.front());
    m_whole = std::move(whole);
    return m_whole.get();
}

}  // namespace kelvor
