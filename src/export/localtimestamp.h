// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <limits>
#include <optional>

#include "base/localoffsets.h"

namespace kelvor {

// ISO 8601 local date-times with the UTC offset ("2026-12-10T14:03:05+01:00") for long
// runs of samples, with the zone read once. Times taken by the PC's clock (the default)
// take the offset each had when taken, in order (see OrderedOffsets); times of the
// meter's clock, which has no zone and does not change for daylight saving, all take one
// offset, so their UTC times stay one interval apart.
class LocalTimestamp {
public:
    LocalTimestamp() = default;
    static LocalTimestamp withOffset(int offsetSeconds);

    // Appends the date-time of `days` (days since 30 Dec 1899, local): to the second, with
    // milliseconds (".200") when the time has them.
    void append(QByteArray& out, double days);

private:
    OrderedOffsets m_offsets;
    std::optional<int> m_fixed;
    qint64 m_day = std::numeric_limits<qint64>::min();
    QByteArray m_datePart;  // "yyyy-MM-ddT"
};

}  // namespace kelvor
