// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/climeters.h"

#include <algorithm>

#include "base/meternames.h"
#include "base/settings.h"
#include "cli/metersources.h"
#include "meter/choice/devicechoice.h"

namespace kelvor {

CliMeters::CliMeters(CliContext& ctx, const std::vector<MeterLink*>& links, const std::vector<MqttSettings>& remotes,
                     const QStringList& choices)
    : m_ctx(ctx)
{
    std::size_t nextLink = 0, nextRemote = 0;
    for (const QString& choice : choices) {
        Meter m;
        if (IsRemoteMeterChoice(choice)) {
            if (nextRemote >= remotes.size())
                continue;
            m.remote = std::make_unique<RemoteMeter>(remotes[nextRemote++], ctx.clock);
        } else {
            if (nextLink >= links.size())
                continue;
            m.link = links[nextLink++];
            m.local = std::make_unique<CliMonitor>(ctx, *m.link);
        }
        m_meters.push_back(std::move(m));
    }
    const std::vector<SessionSource> named = sources();
    for (std::size_t i = 0; i < m_meters.size() && m_meters.size() > 1; ++i) {
        m_meters[i].label = MeterLabel(named[i].name, named[i].serial, int(i));
        if (m_meters[i].local)
            m_meters[i].local->setLabel(m_meters[i].label);
    }
    for (const Meter& m : m_meters) {
        if (!m.remote)
            continue;
        QObject::connect(m.remote.get(), &RemoteMeter::statusChanged, m.remote.get(),
                         [this, label = m.label](const QString& text) {
                             m_ctx.err << "kelvor-cli: " << (label.isEmpty() ? QString() : label + QStringLiteral(": "))
                                       << "MQTT: " << text << '\n';
                             m_ctx.err.flush();
                         });
        m.remote->start();
    }
}

std::vector<SessionSource> CliMeters::sources() const
{
    std::vector<MeterLink*> links;
    for (const Meter& m : m_meters)
        if (m.link)
            links.push_back(m.link);
    const std::vector<SessionSource> local = ChosenSources(links);
    const std::unique_ptr<QSettings> settings = openProgramSettings();
    std::vector<SessionSource> out;
    std::size_t nextLocal = 0;
    for (const Meter& m : m_meters) {
        if (m.link) {
            out.push_back(local[nextLocal++]);
            continue;
        }
        SessionSource s = m.remote->source();
        s.name = ReadMeterName(*settings, s.serial);
        out.push_back(s);
    }
    return out;
}

void CliMeters::tellRemote(Meter& m, const CycleTick& tick)
{
    const QString label = m.label.isEmpty() ? QString() : m.label + QStringLiteral(": ");
    const RemoteMeter& r = *m.remote;
    switch (tick.event) {
        case CycleEvent::ProbeFailed:
            if (m.toldWaiting)
                return;
            m.toldWaiting = true;
            m_ctx.err << "kelvor-cli: " << label << "waiting for readings from " << r.where() << '\n';
            break;
        case CycleEvent::Found:
            if (m.everConnected)
                m_ctx.err << "kelvor-cli: " << label << "readings from " << r.where() << " arrive again\n";
            m.everConnected = true;
            m.toldWaiting = true;
            break;
        case CycleEvent::Lost:
            m_ctx.err << "kelvor-cli: " << label << "no readings from " << r.where() << " (" << r.gapReason()
                      << "); a gap until they come again\n";
            break;
        default:
            return;
    }
    m_ctx.err.flush();
}

std::vector<CycleTick> CliMeters::step()
{
    std::vector<CycleTick> ticks;
    for (Meter& m : m_meters) {
        if (m.local) {
            ticks.push_back(m.local->step());
            continue;
        }
        ticks.push_back(m.remote->step());
        tellRemote(m, ticks.back());
    }
    return ticks;
}

void CliMeters::pauseAfter(const std::vector<CycleTick>& ticks)
{
    if (ticks.empty())
        return;
    CycleTick first = ticks.front();
    for (const CycleTick& t : ticks)
        first.nextMs = std::min(first.nextMs, t.nextMs);
    m_ctx.pauseUntil(first.startTick, first.nextMs);
}

const LiveReading& CliMeters::reading(std::size_t i) const
{
    const Meter& m = m_meters[i];
    return m.local ? m.local->reading() : m.remote->reading();
}

std::vector<SampleSource*> CliMeters::cycles()
{
    std::vector<SampleSource*> out;
    for (Meter& m : m_meters)
        out.push_back(m.local ? static_cast<SampleSource*>(&m.local->cycle()) : m.remote.get());
    return out;
}

bool CliMeters::atEnd() const
{
    return std::all_of(m_meters.begin(), m_meters.end(),
                       [](const Meter& m) { return m.link && m.link->device().atEnd(); });
}

bool CliMeters::everConnected() const
{
    return std::any_of(m_meters.begin(), m_meters.end(),
                       [](const Meter& m) { return m.local ? m.local->everConnected() : m.everConnected; });
}

void CliMeters::failNoMeterAnswered()
{
    for (const Meter& m : m_meters) {
        if (m.local && !m.local->everConnected())
            m.local->failNoMeterAnswered();
        if (!m.remote || m.everConnected)
            continue;
        const MqttClient& connection = m.remote->connection();
        const QString why =
            connection.isConnected() ? m.remote->gapReason() : QStringLiteral("MQTT: ") + connection.statusText();
        m_ctx.fail((m.label.isEmpty() ? QString() : m.label + QStringLiteral(": ")) +
                   QStringLiteral("no reading came from %1 (%2)").arg(m.remote->where(), why));
    }
}

void CliMeters::stop()
{
    for (Meter& m : m_meters)
        if (m.remote) {
            m.remote->flushDropCount();
            m.remote->stop();
        }
}

}  // namespace kelvor
