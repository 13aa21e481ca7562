// SPDX-License-Identifier: GPL-3.0-or-later
// A peak: the run's maximum within a range, first reached by a time.
#include "profile/rulecheck.h"

namespace kelvor {

namespace {

class PeakCheck final : public SampleStepCheck<PeakCheck> {
    friend class SampleStepCheck<PeakCheck>;

public:
    PeakCheck(const ProfileRule& rule, const QString& unit, double spanSeconds)
        : m_rule(rule),
          m_unit(unit),
          m_due(rule.beforeSeconds < kNoLimit ? rule.beforeSeconds : spanSeconds),
          m_min(float(rule.peakMin)),
          m_max(float(rule.peakMax))
    {
    }

    RuleResult result() const override
    {
        RuleResult r;
        QString range =
            m_rule.peakMax == kNoLimit    ? QStringLiteral("at least %1").arg(TemperatureText(m_rule.peakMin, m_unit))
            : m_rule.peakMin == -kNoLimit ? QStringLiteral("at most %1").arg(TemperatureText(m_rule.peakMax, m_unit))
                                          : QStringLiteral("%1 … %2").arg(TemperatureText(m_rule.peakMin, m_unit),
                                                                          TemperatureText(m_rule.peakMax, m_unit));
        if (m_rule.beforeSeconds < kNoLimit)
            range += QStringLiteral(", reached by %1").arg(SecondsText(m_rule.beforeSeconds));
        r.limitText = QStringLiteral("peak ") + range;
        if (m_readings > 0) {
            r.measured = m_peak;
            r.measuredText =
                QStringLiteral("peak %1 at %2").arg(TemperatureText(m_peak, m_unit), SecondsText(m_peakAt));
        }
        if (m_violated) {
            r.verdict = RuleVerdict::Failed;
            r.violated = true;
            r.violationSeconds = m_violationAt;
            r.violationValue = m_violationValue;
        } else if (!m_finished) {
            r.verdict = RuleVerdict::Pending;
        } else if (m_readings == 0) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("no reading");
        } else if (m_runEnd < m_due && (m_peak < m_min || m_last >= m_peak)) {
            // Stopped early, below the range or still at its highest: the peak the run
            // was heading for was not recorded.
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("the run ends at %1, %2, before the peak is due (%3)")
                           .arg(SecondsText(m_runEnd),
                                m_peak < m_min ? QStringLiteral("below the range") : QStringLiteral("at its highest"),
                                SecondsText(m_due));
        } else {
            r.verdict = m_peak >= m_min ? RuleVerdict::Passed : RuleVerdict::Failed;
        }
        return r;
    }

private:
    void step(double t, float v)
    {
        if (!m_violated)
            decide(t, v);
        // The peak measured is the run's own, also after a failure.
        if (std::isnan(v))
            return;
        m_last = v;
        if (m_readings++ == 0 || v > m_peak) {
            m_peak = v;
            m_peakAt = t;
        }
    }

    void decide(double t, float v)
    {
        const bool late = t > m_rule.beforeSeconds;
        // Past the time, a peak still below the range can only be reached late.
        if (late && (m_readings == 0 || m_peak < m_min))
            return violate(t, v);
        if (std::isnan(v))
            return;
        if (late && v > m_peak)
            return violate(t, v);  // the maximum moves past the time
        if (v > m_max)
            violate(t, v);
    }

    void violate(double t, float v)
    {
        m_violated = true;
        m_violationAt = t;
        m_violationValue = v;
    }

    const ProfileRule& m_rule;
    QString m_unit;
    double m_due;  // its beforeSeconds, else the profile's span
    float m_min, m_max;
    float m_peak = 0, m_last = 0;
    double m_peakAt = 0;
    long long m_readings = 0;
    bool m_violated = false;
    double m_violationAt = 0;
    float m_violationValue = 0;
};

}  // namespace

std::unique_ptr<RuleCheck> MakePeakCheck(const ProfileRule& rule, const QString& unit, double spanSeconds)
{
    return std::make_unique<PeakCheck>(rule, unit, spanSeconds);
}

}  // namespace kelvor
