// SPDX-License-Identifier: GPL-3.0-or-later
// A dwell: the longest unbroken stretch within a range, at least and at most so long.
#include "profile/rulecheck.h"

namespace kelvor {

namespace {

// Durations from float-free sample times; this much over a limit is still on it.
constexpr double kSecondsSlack = 1e-6;

class DwellCheck final : public SampleStepCheck<DwellCheck> {
    friend class SampleStepCheck<DwellCheck>;

public:
    DwellCheck(const ProfileRule& rule, const QString& unit, double spanSeconds)
        : m_rule(rule), m_unit(unit), m_span(spanSeconds), m_low(float(rule.low)), m_high(float(rule.high))
    {
    }

    RuleResult result() const override
    {
        RuleResult r;
        r.limitText = limitText();
        if (m_readings > 0) {
            r.measured = m_longest;
            r.measuredText =
                m_stretches == 0
                    ? QStringLiteral("never within the range")
                    : QStringLiteral("longest %1, from %2").arg(SecondsText(m_longest), SecondsText(m_longestFrom));
        }
        const bool longEnough = m_stretches > 0 && m_longest + kSecondsSlack >= m_rule.minSeconds;
        if (m_violated) {
            r.verdict = RuleVerdict::Failed;
            r.violated = true;
            r.violationSeconds = m_violationAt;
            r.violationValue = m_violationValue;
        } else if (!m_finished) {
            r.verdict = longEnough && m_rule.maxSeconds == kNoLimit ? RuleVerdict::Passed : RuleVerdict::Pending;
        } else if (m_readings == 0) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("no reading");
        } else if (longEnough || m_rule.minSeconds <= 0) {
            r.verdict = RuleVerdict::Passed;
        } else if (m_stretches == 0 && m_runEnd + kSecondsSlack < m_span) {
            // Never reached, and the run stopped before the profile is through (an oven
            // switched off early): the range may still have come.
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("the run ends at %1 without reaching the range, before the profile's %2")
                           .arg(SecondsText(m_runEnd), SecondsText(m_span));
        } else if (m_inside) {
            // Cut short inside the range: how long it would have lasted is unknown.
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("the run ends %1 into a stretch within the range")
                           .arg(SecondsText(m_lastTime - m_start));
        } else {
            r.verdict = RuleVerdict::Failed;
        }
        return r;
    }

private:
    void step(double t, float v)
    {
        m_lastTime = t;
        if (std::isnan(v)) {
            m_inside = false;  // a gap breaks the stretch: nobody knows where it went
            return;
        }
        ++m_readings;
        if (!(v >= m_low && v <= m_high)) {
            m_inside = false;
            return;
        }
        if (!m_inside) {
            m_inside = true;
            m_start = t;
            if (m_stretches++ == 0)
                m_longestFrom = t;
        }
        const double length = t - m_start;
        if (length > m_longest) {
            m_longest = length;
            m_longestFrom = m_start;
        }
        if (!m_violated && length > m_rule.maxSeconds + kSecondsSlack) {
            m_violated = true;
            m_violationAt = t;
            m_violationValue = v;
        }
    }

    QString limitText() const
    {
        QString range;
        if (m_rule.high == kNoLimit)
            range = QStringLiteral("at or above %1").arg(TemperatureText(m_rule.low, m_unit));
        else if (m_rule.low == -kNoLimit)
            range = QStringLiteral("at or below %1").arg(TemperatureText(m_rule.high, m_unit));
        else
            range = QStringLiteral("%1 … %2").arg(TemperatureText(m_rule.low, m_unit),
                                                  TemperatureText(m_rule.high, m_unit));
        QString length;
        if (m_rule.minSeconds > 0 && m_rule.maxSeconds < kNoLimit)
            length = QStringLiteral("%1 … %2").arg(SecondsText(m_rule.minSeconds), SecondsText(m_rule.maxSeconds));
        else if (m_rule.minSeconds > 0)
            length = QStringLiteral("at least %1").arg(SecondsText(m_rule.minSeconds));
        else
            length = QStringLiteral("at most %1").arg(SecondsText(m_rule.maxSeconds));
        return range + QStringLiteral(" for ") + length;
    }

    const ProfileRule& m_rule;
    QString m_unit;
    double m_span;
    float m_low, m_high;
    bool m_inside = false;
    double m_start = 0, m_lastTime = 0;
    double m_longest = 0, m_longestFrom = 0;
    long long m_readings = 0, m_stretches = 0;
    bool m_violated = false;
    double m_violationAt = 0;
    float m_violationValue = 0;
};

}  // namespace

std::unique_ptr<RuleCheck> MakeDwellCheck(const ProfileRule& rule, const QString& unit, double spanSeconds)
{
    return std::make_unique<DwellCheck>(rule, unit, spanSeconds);
}

}  // namespace kelvor
