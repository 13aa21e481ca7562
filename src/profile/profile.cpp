// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile/profile.h"

#include <algorithm>

#include "profile/rulecheck.h"

namespace kelvor {

QString VerdictText(RuleVerdict v)
{
    switch (v) {
        case RuleVerdict::Passed:
            return QStringLiteral("PASS");
        case RuleVerdict::Failed:
            return QStringLiteral("FAIL");
        case RuleVerdict::CannotCheck:
            return QStringLiteral("CANNOT CHECK");
        case RuleVerdict::Pending:
            break;
    }
    return QStringLiteral("PENDING");
}

RuleVerdict OverallVerdict(const std::vector<RuleResult>& results)
{
    if (results.empty())
        return RuleVerdict::CannotCheck;
    bool cannot = false, pending = false;
    for (const RuleResult& r : results) {
        if (r.verdict == RuleVerdict::Failed)
            return RuleVerdict::Failed;
        cannot = cannot || r.verdict == RuleVerdict::CannotCheck;
        pending = pending || r.verdict == RuleVerdict::Pending;
    }
    return cannot ? RuleVerdict::CannotCheck : pending ? RuleVerdict::Pending : RuleVerdict::Passed;
}

double ProfileSpanSeconds(const Profile& profile)
{
    double span = 0;
    const auto later = [&span](double t) {
        if (std::isfinite(t))
            span = std::max(span, t);
    };
    for (const ProfileRule& r : profile.rules) {
        switch (r.kind) {
            case RuleKind::Band:
                // A one-point curve is a level for any length of run: it names no time.
                for (const std::vector<CurvePoint>* c : {&r.upper, &r.lower})
                    if (c->size() > 1)
                        later(c->back().seconds);
                break;
            case RuleKind::Rate:
                later(r.untilSeconds);
                break;
            case RuleKind::Dwell:
                later(r.minSeconds);
                break;
            case RuleKind::Peak:
                later(r.beforeSeconds);
                break;
            case RuleKind::Cooling:
                break;  // its clock starts when the run falls through `from`, at no set time
        }
    }
    return span;
}

QString ProfileChannelName(int channel) { return QStringLiteral("T%1").arg(channel + 1); }

QString RuleKindName(RuleKind kind)
{
    switch (kind) {
        case RuleKind::Band:
            return QStringLiteral("band");
        case RuleKind::Rate:
            return QStringLiteral("rate");
        case RuleKind::Dwell:
            return QStringLiteral("dwell");
        case RuleKind::Peak:
            return QStringLiteral("peak");
        case RuleKind::Cooling:
            break;
    }
    return QStringLiteral("cooling");
}

QString TemperatureText(double value, const QString& unit)
{
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + unit;
}

QString SecondsText(double seconds)
{
    if (std::isinf(seconds))
        return QStringLiteral("∞");
    const double whole = std::round(seconds);
    return (std::abs(seconds - whole) < 1e-6 ? QString::number(qint64(whole)) : QString::number(seconds, 'f', 1)) +
           QStringLiteral(" s");
}

QString ResultDetailText(const RuleResult& r, const QString& unit)
{
    if (r.violated)
        return QStringLiteral("at %1: %2")
            .arg(SecondsText(r.violationSeconds),
                 std::isnan(r.violationValue) ? QStringLiteral("no reading") : TemperatureText(r.violationValue, unit));
    return r.reason;
}

}  // namespace kelvor
