// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "profile/profile.h"

namespace kelvor {

class RuleCheck;

// Checks a run against a profile, sample by sample or a whole run at once (the same
// code: a stored run is a live run fed all its samples). Times are seconds from the
// run's start; four values per sample, T1..T4, in the profile's unit. A value outside
// the meter's range or NaN is a gap; a sample not after the one before counts as a gap,
// and so does a step longer than the profile's maxSpacingSeconds.
class ProfileChecker {
public:
    // channel 0..3 checks every rule on that channel instead of the rule's own; -1 keeps them.
    explicit ProfileChecker(Profile profile, int channel = -1);
    ~ProfileChecker();
    ProfileChecker(const ProfileChecker&) = delete;
    ProfileChecker& operator=(const ProfileChecker&) = delete;

    void add(double seconds, const std::array<float, 4>& values) { add(&seconds, values.data(), 1); }
    void add(const double* seconds, const float* values4, std::size_t n);
    // The run has ended: rules still pending are decided.
    void finish();

    const Profile& profile() const { return m_profile; }
    std::vector<RuleResult> results() const;
    RuleVerdict verdict() const { return OverallVerdict(results()); }

private:
    void feed(const double* seconds, const float* values4, std::size_t n);
    void feedGap(double seconds);

    Profile m_profile;
    std::vector<std::unique_ptr<RuleCheck>> m_checks;
    bool m_any = false;
    bool m_finished = false;
    double m_last = 0;
};

}  // namespace kelvor
