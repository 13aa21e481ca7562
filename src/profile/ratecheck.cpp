// SPDX-License-Identifier: GPL-3.0-or-later
// A rate limit: no rise (or fall) faster than the limit over the rule's window.
#include <vector>

#include "profile/rulecheck.h"

namespace kelvor {

namespace {

// Readings are tenths of a degree stored as floats: a change this much past the limit
// is still on it.
constexpr double kDegreesSlack = 1e-3;

class RateCheck final : public SampleStepCheck<RateCheck> {
    friend class SampleStepCheck<RateCheck>;

public:
    RateCheck(const ProfileRule& rule, const QString& unit) : m_rule(rule), m_unit(unit) {}

    RuleResult result() const override
    {
        RuleResult r;
        const double scale = m_rule.perMinute ? 60.0 : 1.0;
        const QString per = m_rule.perMinute ? QStringLiteral("/min") : QStringLiteral("/s");
        const QString window =
            m_rule.windowSeconds > 0 ? QStringLiteral(" over %1").arg(SecondsText(m_rule.windowSeconds)) : QString();
        const QString span =
            m_rule.fromSeconds > 0 || m_rule.untilSeconds < kNoLimit
                ? QStringLiteral(", %1 … %2").arg(SecondsText(m_rule.fromSeconds), SecondsText(m_rule.untilSeconds))
                : QString();
        r.limitText = QStringLiteral("%1 at most %2%3%4%5")
                          .arg(m_rule.rise ? QStringLiteral("rise") : QStringLiteral("fall"),
                               TemperatureText(m_rule.maxPerSecond * scale, m_unit), per, window, span);
        if (m_pairs > 0) {
            r.measured = m_fastest * scale;
            r.measuredText = QStringLiteral("fastest %1%2 at %3")
                                 .arg(TemperatureText(m_fastest * scale, m_unit), per, SecondsText(m_fastestAt));
        }
        if (m_violated) {
            r.verdict = RuleVerdict::Failed;
            r.violated = true;
            r.violationSeconds = m_violationAt;
            r.violationValue = m_violationValue;
        } else if (!m_finished) {
            r.verdict = m_lastTime > m_rule.untilSeconds && m_pairs > 0 ? RuleVerdict::Passed : RuleVerdict::Pending;
        } else if (m_pairs == 0) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("no two readings without a gap between them%1").arg(window);
        } else if (m_runEnd < m_rule.untilSeconds && m_rule.untilSeconds < kNoLimit) {
            r.verdict = RuleVerdict::CannotCheck;
            r.reason = QStringLiteral("the run ends at %1, before the rule does (%2)")
                           .arg(SecondsText(m_runEnd), SecondsText(m_rule.untilSeconds));
        } else {
            r.verdict = RuleVerdict::Passed;
        }
        return r;
    }

private:
    struct Point {
        double t;
        float v;
    };

    void step(double t, float v)
    {
        m_lastTime = t;
        // A gap may hide any change: the window starts again after it, as it does
        // outside the rule's time.
        if (std::isnan(v) || t < m_rule.fromSeconds || t > m_rule.untilSeconds) {
            m_points.clear();
            m_head = 0;
            return;
        }
        // Keep the newest sample that lies at least a window back, and what follows it.
        const double back = t - m_rule.windowSeconds;
        while (m_points.size() - m_head >= 2 && m_points[m_head + 1].t <= back)
            ++m_head;
        if (m_points.size() > m_head && m_points[m_head].t <= back)
            measure(m_points[m_head], t, v);
        if (m_head > 4096 && m_head * 2 > m_points.size()) {
            m_points.erase(m_points.begin(), m_points.begin() + std::ptrdiff_t(m_head));
            m_head = 0;
        }
        m_points.push_back({t, v});
    }

    void measure(const Point& from, double t, float v)
    {
        const double dt = t - from.t;
        const double change = m_rule.rise ? double(v) - double(from.v) : double(from.v) - double(v);
        const double rate = change / dt;
        if (m_pairs++ == 0 || rate > m_fastest) {
            m_fastest = rate;
            m_fastestAt = t;
        }
        if (!m_violated && change - m_rule.maxPerSecond * dt > kDegreesSlack) {
            m_violated = true;
            m_violationAt = t;
            m_violationValue = v;
        }
    }

    const ProfileRule& m_rule;
    QString m_unit;
    std::vector<Point> m_points;
    std::size_t m_head = 0;
    long long m_pairs = 0;
    double m_fastest = 0, m_fastestAt = 0;
    double m_lastTime = -kNoLimit;
    bool m_violated = false;
    double m_violationAt = 0;
    float m_violationValue = 0;
};

}  // namespace

std::unique_ptr<RuleCheck> MakeRateCheck(const ProfileRule& rule, const QString& unit)
{
    return std::make_unique<RateCheck>(rule, unit);
}

}  // namespace kelvor
