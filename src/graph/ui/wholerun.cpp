// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/wholerun.h"

#include <vector>

#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/tfrmgraph.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {

// Samples of the run that scrolled out of the window: those before its first one.
bool earlierSamples(Program& program, double firstShown, std::vector<JournalSample>& out, QString* why)
{
    Library* library = program.library ? program.library->get() : nullptr;
    const std::optional<std::int64_t> id = program.journal ? program.journal->recordingId() : std::nullopt;
    if (!library || !id) {
        *why = program.library ? program.library->lastError() : QStringLiteral("there is no library");
        return false;
    }
    return library->forEachSample(
        *id,
        [&](const JournalSample& s) {
            if (!(s.time < firstShown))
                return false;
            out.push_back(s);
            return true;
        },
        why);
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
    const RealTimeState& rt = m_program.realTime;
    const bool ownRun = m_window && static_cast<QWidget*>(m_program.graph.RealTimeGraph.data()) == m_window;
    const int shownPoints = m_shown.Points();
    const std::int64_t left = std::int64_t(rt.SampleCount) - shownPoints;
    if (!ownRun || !rt.OpenEnded || left <= 0 || shownPoints == 0 || m_shown.Subsets() != 4)
        return &m_shown;

    std::vector<JournalSample> earlier;
    QString why;
    const bool read = earlierSamples(m_program, m_shown.XDataII(0, 0), earlier, &why);
    if (!read || std::int64_t(earlier.size()) < left) {
        if (read)
            why = QStringLiteral("the library has %1 of them").arg(earlier.size());
        const QString question =
            QStringLiteral(
                "This window holds only the latest %1 of the run's %2 samples, and the %3 before them "
                "cannot be read back (%4).\nWrite the %1 samples the window holds?")
                .arg(shownPoints)
                .arg(rt.SampleCount)
                .arg(left)
                .arg(why);
        if (m_program.prompts.ask(m_window, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return nullptr;
        return &m_shown;
    }

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
