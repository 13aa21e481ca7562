// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/climonitor.h"

namespace kelvor {

namespace {

void tellWaitingForMeter(CliContext& ctx, MeterDevice& device, const QString& label)
{
    const QString problem = device.lastOpenProblem();
    ctx.err << "kelvor-cli: " << label << "waiting for a meter to answer"
            << (problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem)) << '\n';
    ctx.err.flush();
}

void tellMeterLost(CliContext& ctx, const QString& label)
{
    ctx.err << "kelvor-cli: " << label << "the meter stopped answering; looking for it again\n";
    ctx.err.flush();
}

void tellReadingGap(CliContext& ctx, ReadingGap::Change change, const QString& label)
{
    if (change == ReadingGap::Change::Stopped)
        ctx.err << "kelvor-cli: " << label
                << "the meter answers, but its replies cannot be read; no readings until they can\n";
    else if (change == ReadingGap::Change::Resumed)
        ctx.err << "kelvor-cli: " << label << "readings arrive again\n";
    else
        return;
    ctx.err.flush();
}

}  // namespace

CliMonitor::CliMonitor(CliContext& ctx, MeterLink& link)
    : m_ctx(ctx), m_device(link.device()), m_cycle(link, m_state, m_reading)
{
}

CycleTick CliMonitor::step()
{
    const CycleTick tick = m_cycle.step();
    switch (tick.event) {
        case CycleEvent::ProbeFailed:
            // Said once: a meter that is not there yet is the normal start of a session.
            if (!m_toldWaiting) {
                m_toldWaiting = true;
                tellWaitingForMeter(m_ctx, m_device, prefix());
            }
            break;
        case CycleEvent::Found:
            m_everConnected = true;
            break;
        case CycleEvent::Reading:
        case CycleEvent::Garbled:
            tellReadingGap(m_ctx, tick.gap, prefix());
            break;
        case CycleEvent::Missed:
            break;
        case CycleEvent::Lost:
            // The loss already says the meter is being looked for again.
            m_toldWaiting = true;
            tellMeterLost(m_ctx, prefix());
            break;
    }
    return tick;
}

void CliMonitor::pauseAfter(const CycleTick& tick) { m_ctx.pauseUntil(tick.startTick, tick.nextMs); }

void CliMonitor::failNoMeterAnswered()
{
    const QString problem = m_device.lastOpenProblem();
    m_ctx.fail(prefix() + (problem.isEmpty() ? QStringLiteral("no meter answered")
                                             : QStringLiteral("no meter answered: %1").arg(problem)));
}

}  // namespace kelvor
