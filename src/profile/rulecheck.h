// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstddef>
#include <memory>

#include "profile/profile.h"

namespace kelvor {

// A value the meter gave no reading for ("OL", "----", the gap value 9999): the same
// range the tables and exports leave empty, and NaN.
inline bool IsGapValue(float v) { return !(v <= 2500.0f && v >= -328.0f); }

// The incremental state of one rule. Samples arrive in blocks (a whole run is one
// block, a live run one sample at a time) with strictly increasing times; a gap is
// a NaN value. The same code serves both, so a live verdict is the one the stored run
// gets afterwards.
class RuleCheck {
public:
    virtual ~RuleCheck() = default;
    // n samples: times in seconds from the run's start, values `stride` floats apart.
    virtual void add(const double* seconds, const float* values, std::size_t stride, std::size_t n) = 0;
    // The run ended at endSeconds (its last sample); what is still open is decided.
    virtual void finish(double endSeconds) = 0;
    virtual RuleResult result() const = 0;
};

std::unique_ptr<RuleCheck> MakeBandCheck(const ProfileRule& rule, const QString& unit);
std::unique_ptr<RuleCheck> MakeRateCheck(const ProfileRule& rule, const QString& unit);
// spanSeconds: the profile's ProfileSpanSeconds, how long a run must last before a range
// or a peak never reached is a failure.
std::unique_ptr<RuleCheck> MakeDwellCheck(const ProfileRule& rule, const QString& unit, double spanSeconds);
std::unique_ptr<RuleCheck> MakePeakCheck(const ProfileRule& rule, const QString& unit, double spanSeconds);
std::unique_ptr<RuleCheck> MakeCoolingCheck(const ProfileRule& rule, const QString& unit);

// Texts of the results: "245.0 °C", "90 s".
QString TemperatureText(double value, const QString& unit);
QString SecondsText(double seconds);

// Folds one block into a check whose per-sample step is `step(t, v)` (v NaN for a gap):
// the rule classes are final, so the step inlines into the loop.
template <class Step>
inline void ForEachSample(const double* seconds, const float* values, std::size_t stride, std::size_t n, Step step)
{
    for (std::size_t i = 0; i < n; ++i) {
        const float v = values[i * stride];
        step(seconds[i], IsGapValue(v) ? std::numeric_limits<float>::quiet_NaN() : v);
    }
}

// A rule that looks at one sample at a time: feeds each block through Derived::step
// (inlined, the rule classes are final) and remembers that and where the run ended.
template <class Derived>
class SampleStepCheck : public RuleCheck {
public:
    void add(const double* seconds, const float* values, std::size_t stride, std::size_t n) final
    {
        auto* self = static_cast<Derived*>(this);
        ForEachSample(seconds, values, stride, n, [self](double t, float v) { self->step(t, v); });
    }
    void finish(double endSeconds) final
    {
        m_finished = true;
        m_runEnd = endSeconds;
    }

protected:
    bool m_finished = false;
    double m_runEnd = 0;
};

}  // namespace kelvor
