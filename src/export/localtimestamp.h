// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDate>

namespace kelvor {

// ISO 8601 local date-times with the UTC offset ("2026-12-10T14:03:05+01:00") for long
// runs of samples: the date and the offset are worked out once per hour, not per row.
class LocalTimestamp {
public:
    // Appends the date-time of `days` (days since 30 Dec 1899, local): to the second, with
    // milliseconds (".200") when the time has them.
    void append(QByteArray& out, double days);

private:
    qint64 m_hourKey = -1;
    int m_offsetAtStart = 0;
    bool m_offsetChanges = false;
    QByteArray m_datePart;  // "yyyy-MM-ddT"
};

}  // namespace kelvor
