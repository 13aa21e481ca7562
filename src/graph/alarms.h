// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "chart/chartmodel.h"

namespace kelvor {

// Alarms the PC raises on the four channels of a run. Each channel may have a high and
// a low limit. Hysteresis: an alarm is raised when a measurement passes its limit
// (above the high limit, below the low one) and ends only when a measurement is back
// by the hysteresis inside it (at or below high - h, at or above low + h); values in
// between keep the state, so a reading that hovers on the limit raises one alarm, not
// one per sample. OL and ---- change nothing.
struct AlarmLimit {
    bool on = false;
    std::optional<double> high;
    std::optional<double> low;
    bool operator==(const AlarmLimit&) const = default;
};

struct AlarmLimits {
    std::array<AlarmLimit, 4> channels;
    double hysteresis = 1.0;  // degrees, >= 0

    bool anyOn() const;
    // As rules "T1>180 T3<5" (space separated), the form --alarm takes one by one.
    QString rulesText() const;
    bool operator==(const AlarmLimits&) const = default;
};

// One rule "T1>180" or "T3<5" (also "t1 > 180.5"); false with *why on a bad one.
// Adds to `limits` (channel on, its high or low set).
bool AddAlarmRule(const QString& rule, AlarmLimits& limits, QString* why);
// Every rule of a rules text; false (and *why) at the first bad one.
bool ParseAlarmRules(const QString& text, AlarmLimits& limits, QString* why);

enum class AlarmKind : int { HighRaised = 0, HighEnded = 1, LowRaised = 2, LowEnded = 3 };
using AlarmEvent = ChartAlarmEvent;

// "above 180.0", "back below 179.0" etc.: what happened, for lists and messages.
QString AlarmKindText(int kind);
bool IsAlarmRaised(int kind);

// Watches a run sample by sample and says when a channel enters or leaves an alarm.
class AlarmMonitor {
public:
    explicit AlarmMonitor(AlarmLimits limits = {}) : m_limits(limits) {}
    void setLimits(const AlarmLimits& limits);
    const AlarmLimits& limits() const { return m_limits; }
    // All channels back to "no alarm" (a new run).
    void reset();
    // One sample: `values` as the run stores them (the gap value for OL and ----).
    // Appends an event per change.
    void feed(double time, const std::array<float, 4>& values, std::vector<AlarmEvent>& events);
    bool highActive(int channel) const { return m_high[size_t(channel)]; }
    bool lowActive(int channel) const { return m_low[size_t(channel)]; }
    bool active(int channel) const { return highActive(channel) || lowActive(channel); }

private:
    AlarmLimits m_limits;
    std::array<bool, 4> m_high{};
    std::array<bool, 4> m_low{};
};

}  // namespace kelvor
