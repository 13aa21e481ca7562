// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/climeters.h"

#include <algorithm>

#include "base/meternames.h"

namespace kelvor {

CliMeters::CliMeters(CliContext& ctx, const std::vector<MeterLink*>& links, const std::vector<SessionSource>& sources)
    : m_links(links)
{
    for (std::size_t i = 0; i < links.size(); ++i) {
        m_monitors.push_back(std::make_unique<CliMonitor>(ctx, *links[i]));
        if (links.size() > 1) {
            const SessionSource s = i < sources.size() ? sources[i] : SessionSource{};
            m_monitors.back()->setLabel(MeterLabel(s.name, s.serial, int(i)));
        }
    }
}

std::vector<CycleTick> CliMeters::step()
{
    std::vector<CycleTick> ticks;
    for (const auto& m : m_monitors)
        ticks.push_back(m->step());
    return ticks;
}

void CliMeters::pauseAfter(const std::vector<CycleTick>& ticks)
{
    if (ticks.empty())
        return;
    CycleTick first = ticks.front();
    for (const CycleTick& t : ticks)
        first.nextMs = std::min(first.nextMs, t.nextMs);
    m_monitors.front()->pauseAfter(first);
}

std::vector<MonitorCycle*> CliMeters::cycles()
{
    std::vector<MonitorCycle*> out;
    for (const auto& m : m_monitors)
        out.push_back(&m->cycle());
    return out;
}

bool CliMeters::atEnd() const
{
    return std::all_of(m_links.begin(), m_links.end(), [](MeterLink* l) { return l->device().atEnd(); });
}

bool CliMeters::everConnected() const
{
    return std::any_of(m_monitors.begin(), m_monitors.end(), [](const auto& m) { return m->everConnected(); });
}

void CliMeters::failNoMeterAnswered()
{
    for (const auto& m : m_monitors)
        if (!m->everConnected())
            m->failNoMeterAnswered();
}

}  // namespace kelvor
