// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile/profilechecker.h"

#include "profile/rulecheck.h"

namespace kelvor {

namespace {

std::unique_ptr<RuleCheck> makeCheck(const ProfileRule& rule, const QString& unit, double spanSeconds)
{
    switch (rule.kind) {
        case RuleKind::Band:
            return MakeBandCheck(rule, unit);
        case RuleKind::Rate:
            return MakeRateCheck(rule, unit);
        case RuleKind::Dwell:
            return MakeDwellCheck(rule, unit, spanSeconds);
        case RuleKind::Peak:
            return MakePeakCheck(rule, unit, spanSeconds);
        case RuleKind::Cooling:
            break;
    }
    return MakeCoolingCheck(rule, unit);
}

// Blocks small enough for the samples to stay in the cache while every rule reads them.
constexpr std::size_t kBlock = 4096;

}  // namespace

ProfileChecker::ProfileChecker(Profile profile, int channel) : m_profile(std::move(profile))
{
    const double span = ProfileSpanSeconds(m_profile);
    for (ProfileRule& rule : m_profile.rules) {
        if (channel >= 0 && channel < 4)
            rule.channel = channel;
        m_checks.push_back(makeCheck(rule, m_profile.unit, span));
    }
}

ProfileChecker::~ProfileChecker() = default;

void ProfileChecker::add(const double* seconds, const float* values4, std::size_t n)
{
    if (m_finished)
        return;
    // Hand on runs of well-ordered samples; what breaks the order becomes a gap.
    std::size_t begin = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = seconds[i];
        const bool disordered = m_any && !(t > m_last);
        const bool spaced = m_any && m_profile.maxSpacingSeconds > 0 && t - m_last > m_profile.maxSpacingSeconds;
        if (disordered || spaced || i - begin == kBlock) {
            feed(seconds + begin, values4 + 4 * begin, i - begin);
            begin = i;
            if (disordered) {
                feedGap(m_last);
                begin = i + 1;
                continue;
            }
            if (spaced)
                feedGap(m_last);
        }
        m_any = true;
        m_last = t;
    }
    feed(seconds + begin, values4 + 4 * begin, n - begin);
}

void ProfileChecker::feed(const double* seconds, const float* values4, std::size_t n)
{
    if (n == 0)
        return;
    for (std::size_t r = 0; r < m_checks.size(); ++r)
        m_checks[r]->add(seconds, values4 + m_profile.rules[r].channel, 4, n);
}

void ProfileChecker::feedGap(double seconds)
{
    const float gap = std::numeric_limits<float>::quiet_NaN();
    for (auto& check : m_checks)
        check->add(&seconds, &gap, 1, 1);
}

void ProfileChecker::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    for (auto& check : m_checks)
        check->finish(m_last);
}

std::vector<RuleResult> ProfileChecker::results() const
{
    std::vector<RuleResult> out;
    out.reserve(m_checks.size());
    for (const auto& check : m_checks)
        out.push_back(check->result());
    return out;
}

}  // namespace kelvor
