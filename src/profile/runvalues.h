// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cmath>
#include <limits>

#include "base/clock.h"
#include "profile/rulecheck.h"

namespace kelvor {

// How a run's samples reach a profile check, the same for a live run and a stored one,
// so both get the same verdict: times in seconds from the run's first sample, to the
// millisecond (a run's whole seconds stay whole); values in the profile's unit.
inline double ProfileSeconds(double days, double firstDays)
{
    return std::round((days - firstDays) / kDaysPerSecond * 1000.0) / 1000.0;
}

// `value` (a reading in `runUnit`, "°C" or "°F") in `profileUnit`; a gap becomes NaN
// before the conversion could bring it into the meter's range.
inline float InProfileUnit(float value, const QString& runUnit, const QString& profileUnit)
{
    if (IsGapValue(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (runUnit == profileUnit)
        return value;
    if (runUnit == QStringLiteral("°F") && profileUnit == QStringLiteral("°C"))
        return (value - 32.0f) / 1.8f;
    if (runUnit == QStringLiteral("°C") && profileUnit == QStringLiteral("°F"))
        return value * 1.8f + 32.0f;
    return value;
}

}  // namespace kelvor
