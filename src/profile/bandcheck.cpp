// SPDX-License-Identifier: GPL-3.0-or-later
// A band: the value between a lower and an upper curve wherever they reach.
#include <QStringList>
#include <algorithm>

#include "profile/rulecheck.h"

namespace kelvor {

namespace {

// A curve read at increasing times: linear between points, NaN outside them; one point
// is a level for the whole run. The segment index only moves forward.
class CurveReader {
public:
    explicit CurveReader(const std::vector<CurvePoint>& points) : m_points(points) {}

    double at(double t)
    {
        const std::size_t n = m_points.size();
        if (n == 0)
            return std::numeric_limits<double>::quiet_NaN();
        if (n == 1)
            return m_points[0].value;
        if (t < m_points.front().seconds || t > m_points.back().seconds)
            return std::numeric_limits<double>::quiet_NaN();
        while (m_index + 2 < n && m_points[m_index + 1].seconds < t)
            ++m_index;
        const CurvePoint& a = m_points[m_index];
        const CurvePoint& b = m_points[m_index + 1];
        // At a point itself the point's own value, so a limit given there is met exactly.
        if (t == a.seconds)
            return a.value;
        if (t == b.seconds)
            return b.value;
        return a.value + (b.value - a.value) * (t - a.seconds) / (b.seconds - a.seconds);
    }

    // The time after which the curve no longer applies (-inf for a level).
    double end() const { return m_points.size() > 1 ? m_points.back().seconds : -kNoLimit; }

private:
    const std::vector<CurvePoint>& m_points;
    std::size_t m_index = 0;
};

class BandCheck final : public SampleStepCheck<BandCheck> {
    friend class SampleStepCheck<BandCheck>;

public:
    BandCheck(const ProfileRule& rule, const QString& unit)
        : m_rule(rule),
          m_unit(unit),
          m_upper(m_rule.upper),
          m_lower(m_rule.lower),
          m_end(std::max(m_upper.end(), m_lower.end()))
    {
    }

    RuleResult result() const override
    {
        RuleResult r;
        r.limitText = limitText();
        if (m_checked > 0) {
            r.measured = m_worst;
            r.measuredText = m_worst > 0 ? QStringLiteral("%1 %2 the %3 curve at %4")
                                               .arg(TemperatureText(m_worst, m_unit),
                                                    m_worstAbove ? QStringLiteral("above") : QStringLiteral("below"),
                                                    m_worstAbove ? QStringLiteral("upper") : QStringLiteral("lower"),
                                                    SecondsText(m_worstAt))
                                         : QStringLiteral("%1 inside at the closest (%2)")
                                               .arg(TemperatureText(-m_worst, m_unit), SecondsText(m_worstAt));
        }
        if (m_violated) {
            r.verdict = RuleVerdict::Failed;
            r.violated = true;
            r.violationSeconds = m_violationAt;
            r.violationValue = m_violationValue;
        } else if (!m_finished) {
            r.verdict =
                m_lastTime > m_end && m_checked > 0 && m_end > -kNoLimit ? RuleVerdict::Passed : RuleVerdict::Pending;
        } else if (m_checked == 0) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("no reading within the band's time");
        } else if (m_runEnd < m_end) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("the run ends at %1, before the band does (%2)")
                           .arg(SecondsText(m_runEnd), SecondsText(m_end));
        } else {
            r.verdict = RuleVerdict::Passed;
        }
        return r;
    }

private:
    void step(double t, float v)
    {
        m_lastTime = t;
        if (std::isnan(v))
            return;
        const double hi = m_upper.at(t);
        const double lo = m_lower.at(t);
        if (std::isnan(hi) && std::isnan(lo))
            return;
        ++m_checked;
        // Compared as floats: a sample of 0.1f lies on a limit of 0.1.
        const bool over = !std::isnan(hi) && v > float(hi);
        const bool under = !std::isnan(lo) && v < float(lo);
        const double above = std::isnan(hi) ? -kNoLimit : double(v) - hi;
        const double below = std::isnan(lo) ? -kNoLimit : lo - double(v);
        const double excess = std::max(above, below);
        if (m_checked == 1 || excess > m_worst) {
            m_worst = excess;
            m_worstAbove = above >= below;
            m_worstAt = t;
        }
        if ((over || under) && !m_violated) {
            m_violated = true;
            m_violationAt = t;
            m_violationValue = v;
        }
    }

    QString limitText() const
    {
        const auto span = [](const std::vector<CurvePoint>& c) {
            return c.size() == 1 ? QStringLiteral("level") : QStringLiteral("%1 points").arg(c.size());
        };
        QStringList parts;
        if (!m_rule.upper.empty())
            parts << QStringLiteral("upper curve (%1)").arg(span(m_rule.upper));
        if (!m_rule.lower.empty())
            parts << QStringLiteral("lower curve (%1)").arg(span(m_rule.lower));
        return QStringLiteral("within the ") + parts.join(QStringLiteral(" and ")) +
               (m_end > -kNoLimit ? QStringLiteral(" until %1").arg(SecondsText(m_end)) : QString());
    }

    const ProfileRule& m_rule;
    QString m_unit;
    CurveReader m_upper, m_lower;
    double m_end;
    double m_lastTime = -kNoLimit;
    long long m_checked = 0;
    double m_worst = 0, m_worstAt = 0;
    bool m_worstAbove = true;
    bool m_violated = false;
    double m_violationAt = 0;
    float m_violationValue = 0;
};

}  // namespace

std::unique_ptr<RuleCheck> MakeBandCheck(const ProfileRule& rule, const QString& unit)
{
    return std::make_unique<BandCheck>(rule, unit);
}

}  // namespace kelvor
