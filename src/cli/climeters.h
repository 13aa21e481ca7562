// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "cli/climonitor.h"
#include "session/recordingsession.h"

namespace kelvor {

// Several meters read as one: in each round every meter's cycle ticks once, in the
// order the meters were given, so their readings share the round's time; the pause
// runs from the first tick to the shortest interval any of them asks for.
class CliMeters {
public:
    CliMeters(CliContext& ctx, const std::vector<MeterLink*>& links, const std::vector<SessionSource>& sources);

    // One tick of every meter; each meter's news is said on err under its name.
    std::vector<CycleTick> step();
    void pauseAfter(const std::vector<CycleTick>& ticks);

    std::size_t size() const { return m_monitors.size(); }
    CliMonitor& monitor(std::size_t i) { return *m_monitors[i]; }
    std::vector<MonitorCycle*> cycles();
    // Every device has nothing more to give (replays at their end).
    bool atEnd() const;
    bool everConnected() const;
    // Says "no meter answered" for each meter that never did.
    void failNoMeterAnswered();

private:
    std::vector<MeterLink*> m_links;
    std::vector<std::unique_ptr<CliMonitor>> m_monitors;
};

}  // namespace kelvor
