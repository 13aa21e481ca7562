// SPDX-License-Identifier: GPL-3.0-or-later
// Cooling: from falling through a temperature, each stage's temperature reached in time.
#include <QStringList>

#include "profile/rulecheck.h"

namespace kelvor {

namespace {

constexpr double kSecondsSlack = 1e-6;

QString minutesText(double seconds) { return QString::number(seconds / 60.0, 'f', 1) + QStringLiteral(" min"); }

class CoolingCheck final : public SampleStepCheck<CoolingCheck> {
    friend class SampleStepCheck<CoolingCheck>;

public:
    CoolingCheck(const ProfileRule& rule, const QString& unit) : m_rule(rule), m_unit(unit), m_from(float(rule.from))
    {
        for (const CoolingStage& s : rule.stages)
            m_to.push_back(float(s.to));
    }

    RuleResult result() const override
    {
        RuleResult r;
        QStringList limits, measured;
        double previous = m_rule.from;
        for (std::size_t k = 0; k < m_rule.stages.size(); ++k) {
            const CoolingStage& s = m_rule.stages[k];
            limits << QStringLiteral("%1 → %2 within %3")
                          .arg(TemperatureText(previous, m_unit), TemperatureText(s.to, m_unit),
                               minutesText(s.withinSeconds));
            if (k < m_reachedAt.size())
                measured << QStringLiteral("%1 in %2")
                                .arg(TemperatureText(s.to, m_unit), minutesText(m_reachedAt[k] - stageStart(k)));
            previous = s.to;
        }
        r.limitText = limits.join(QStringLiteral(", then "));
        if (m_started) {
            r.measured = (m_reachedAt.empty() ? m_lastTime : m_reachedAt.back()) - m_startAt;
            r.measuredText =
                QStringLiteral("below %1 from %2").arg(TemperatureText(m_rule.from, m_unit), SecondsText(m_startAt));
            if (!measured.isEmpty())
                r.measuredText += QStringLiteral("; ") + measured.join(QStringLiteral(", "));
        }
        if (m_violated) {
            r.verdict = RuleVerdict::Failed;
            r.violated = true;
            r.violationSeconds = m_violationAt;
            r.violationValue = m_violationValue;
        } else if (m_reachedAt.size() == m_rule.stages.size()) {
            r.verdict = RuleVerdict::Passed;
        } else if (!m_finished) {
            r.verdict = RuleVerdict::Pending;
        } else {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = !m_seenAbove ? QStringLiteral("never above %1").arg(TemperatureText(m_rule.from, m_unit))
                       : !m_started ? QStringLiteral("never fell to %1").arg(TemperatureText(m_rule.from, m_unit))
                                    : QStringLiteral("the run ends at %1, within stage %2's time")
                                          .arg(SecondsText(m_runEnd))
                                          .arg(m_reachedAt.size() + 1);
        }
        return r;
    }

private:
    double stageStart(std::size_t k) const { return k == 0 ? m_startAt : m_reachedAt[k - 1]; }

    void step(double t, float v)
    {
        m_lastTime = t;
        if (m_violated || m_reachedAt.size() == m_to.size())
            return;
        if (!m_started) {
            if (std::isnan(v))
                return;
            if (v > m_from) {
                m_seenAbove = true;
                return;
            }
            if (!m_seenAbove)
                return;
            // The clock starts at the first reading at or below `from` after one above it.
            m_started = true;
            m_startAt = t;
        }
        // The clock runs through gaps; a later rise does not stop it either.
        while (m_reachedAt.size() < m_to.size()) {
            const std::size_t k = m_reachedAt.size();
            if (t > stageStart(k) + m_rule.stages[k].withinSeconds + kSecondsSlack) {
                m_violated = true;
                m_violationAt = t;
                m_violationValue = v;
                return;
            }
            if (std::isnan(v) || v > m_to[k])
                return;
            m_reachedAt.push_back(t);
        }
    }

    const ProfileRule& m_rule;
    QString m_unit;
    float m_from;
    std::vector<float> m_to;
    bool m_seenAbove = false, m_started = false;
    double m_startAt = 0, m_lastTime = 0;
    std::vector<double> m_reachedAt;  // when each stage's temperature was reached
    bool m_violated = false;
    double m_violationAt = 0;
    float m_violationValue = 0;
};

}  // namespace

std::unique_ptr<RuleCheck> MakeCoolingCheck(const ProfileRule& rule, const QString& unit)
{
    return std::make_unique<CoolingCheck>(rule, unit);
}

}  // namespace kelvor
