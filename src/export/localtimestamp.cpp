// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/localtimestamp.h"

#include <QDateTime>
#include <cmath>

namespace kelvor {

namespace {
const QDate kEpoch(1899, 12, 30);

void appendTwo(QByteArray& out, int v)
{
    out += char('0' + v / 10);
    out += char('0' + v % 10);
}
}  // namespace

LocalTimestamp LocalTimestamp::withOffset(int offsetSeconds)
{
    LocalTimestamp t;
    t.m_fixed = offsetSeconds;
    return t;
}

void LocalTimestamp::append(QByteArray& out, double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)  // no date: an empty cell
        return;
    // Milliseconds are what the clock gives a real-time sample; rounding them to the second
    // would give two samples taken in different seconds one time.
    const qint64 totalMs = qint64(std::llround(days * 86400000.0));
    const int millis = int(((totalMs % 1000) + 1000) % 1000);
    const qint64 total = (totalMs - millis) / 1000;
    const qint64 day = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    const int second = int(total - day * 86400);
    const int hour = second / 3600;
    if (day != m_day) {
        m_day = day;
        m_datePart = kEpoch.addDays(day).toString(Qt::ISODate).toLatin1() + 'T';
    }
    out += m_datePart;
    appendTwo(out, hour);
    out += ':';
    appendTwo(out, second / 60 % 60);
    out += ':';
    appendTwo(out, second % 60);
    if (millis != 0) {
        out += '.';
        out += char('0' + millis / 100);
        appendTwo(out, millis % 100);
    }
    int offset = m_fixed ? *m_fixed : m_offsets.next(days);
    if (offset == 0) {
        out += "+00:00";
        return;
    }
    out += offset < 0 ? '-' : '+';
    offset = std::abs(offset) / 60;
    appendTwo(out, offset / 60);
    out += ':';
    appendTwo(out, offset % 60);
}

}  // namespace kelvor
