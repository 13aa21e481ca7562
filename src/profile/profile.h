// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <limits>
#include <vector>

namespace kelvor {

// A profile: the rules a run must keep on its channels to prove a process (a reflow
// oven's solder profile, a soak, a food cooling rule). Read from the JSON file described
// in docs/profiles.md; times are seconds from the run's first sample.

enum class RuleKind { Band, Rate, Dwell, Peak, Cooling };

struct CurvePoint {
    double seconds = 0;
    double value = 0;
};

struct CoolingStage {
    double to = 0;             // the temperature to reach
    double withinSeconds = 0;  // after the previous stage ended (the first: after passing `from`)
};

inline constexpr double kNoLimit = std::numeric_limits<double>::infinity();

struct ProfileRule {
    RuleKind kind = RuleKind::Band;
    QString name;     // the file's "name", else one made from the rule
    int channel = 0;  // 0..3 for T1..T4
    int line = 0;     // where the rule begins in the file (1-based; 0 when not from a file)

    // Band: the value stays within the curves (linear between points) over the time
    // the curves cover; a curve of one point is a constant over the whole run.
    std::vector<CurvePoint> upper, lower;

    // Rate: the change over at least windowSeconds (the next sample further back when
    // the interval is longer) no faster than maxPerSecond, between from and until.
    bool rise = true;
    double maxPerSecond = 0;
    bool perMinute = false;  // how the file gave it, for the texts
    double windowSeconds = 0;
    double fromSeconds = 0, untilSeconds = kNoLimit;

    // Dwell: the longest unbroken stretch of samples within [low, high].
    double low = -kNoLimit, high = kNoLimit;
    double minSeconds = 0, maxSeconds = kNoLimit;

    // Peak: the run's maximum within [peakMin, peakMax], first reached by beforeSeconds.
    double peakMin = -kNoLimit, peakMax = kNoLimit, beforeSeconds = kNoLimit;

    // Cooling: from passing below `from`, each stage's temperature reached in its time.
    double from = 0;
    std::vector<CoolingStage> stages;
};

struct Profile {
    QString name;
    QString unit = QStringLiteral("°C");  // "°C" or "°F": the unit the limits are in
    // A step between samples longer than this is a gap (0: no such limit).
    double maxSpacingSeconds = 0;
    std::vector<ProfileRule> rules;
};

// How long a run must last before a rule may call a range or a peak it never reached a
// failure: the latest time a rule names (a band curve's last point, a rate's
// untilSeconds, a peak's beforeSeconds) or a dwell's minSeconds (no shorter run can hold
// that stretch), whichever is later. 0 when no rule names a time.
double ProfileSpanSeconds(const Profile& profile);

// The state of one rule: pending while a run goes on and nothing is decided yet.
enum class RuleVerdict { Pending, Passed, Failed, CannotCheck };

struct RuleResult {
    RuleVerdict verdict = RuleVerdict::Pending;
    double measured = std::numeric_limits<double>::quiet_NaN();  // NaN: nothing measured
    QString measuredText;                                        // "peak 245.0 °C at 300 s"
    QString limitText;                                           // "235.0 … 250.0 °C, by 360 s"
    bool violated = false;                                       // the first violation's time and value follow
    double violationSeconds = 0;
    double violationValue = std::numeric_limits<double>::quiet_NaN();  // NaN: no value (a deadline passed in a gap)
    QString reason;                                                    // why it cannot be checked
};

// "PASS", "FAIL", "CANNOT CHECK" or "PENDING".
QString VerdictText(RuleVerdict v);
// FAIL when any rule failed, else CANNOT CHECK when any could not be checked, else
// PENDING when any is undecided, else PASS (a profile without rules cannot be checked).
RuleVerdict OverallVerdict(const std::vector<RuleResult>& results);
// A failure's first violation ("at 214 s: 250.8 °C"), else why the rule could not be
// checked (empty when there is nothing to say).
QString ResultDetailText(const RuleResult& r, const QString& unit);
// "T1".."T4" for channel 0..3.
QString ProfileChannelName(int channel);
// The name of a kind as the file spells it ("band", "rate", ...).
QString RuleKindName(RuleKind kind);

}  // namespace kelvor
