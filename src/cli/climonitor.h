// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/clicommand.h"
#include "cli/serveoption.h"
#include "meter/monitorcycle.h"

namespace kelvor {

// The monitor cycle as kelvor-cli's commands run it: one tick at a time, the pause to
// the next, and on err what the user should know on the way (waiting for a meter, the
// meter gone, replies that cannot be read).
class CliMonitor {
public:
    CliMonitor(CliContext& ctx, MeterLink& link);

    // One tick, its news said on err.
    CycleTick step();
    // Lets the rest of the tick's interval pass (less on an interrupt).
    void pauseAfter(const CycleTick& tick);

    MonitorCycle& cycle() { return m_cycle; }
    const LiveReading& reading() const { return m_reading; }
    bool everConnected() const { return m_everConnected; }
    // Fails with "no meter answered", with the device's reason when it has one.
    void failNoMeterAnswered();
    // With several meters each says which one its news is about ("KV-0042: ...").
    void setLabel(const QString& label) { m_label = label; }

private:
    QString prefix() const { return m_label.isEmpty() ? QString() : m_label + QStringLiteral(": "); }

    CliContext& m_ctx;
    MeterDevice& m_device;
    MonitorState m_state;
    LiveReading m_reading;
    MonitorCycle m_cycle;
    bool m_toldWaiting = false;
    bool m_everConnected = false;
    QString m_label;
};

}  // namespace kelvor
