// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/localoffsets.h"

#include <cmath>
#include <limits>

#include "base/clock.h"

namespace kelvor {

namespace {
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 in days since 30 Dec 1899
constexpr std::int64_t kMsPerDay = 86'400'000;
}  // namespace

LocalOffsets::LocalOffsets() : LocalOffsets(QTimeZone::systemTimeZone()) {}

LocalOffsets::LocalOffsets(QTimeZone zone) : m_zone(std::move(zone))
{
    m_fixed = !m_zone.isValid() || !m_zone.hasTransitions();
}

std::int64_t LocalOffsets::wallMs(double days) { return std::llround(days * 86400000.0) - kUnixEpochDay * kMsPerDay; }

LocalOffsets::Span LocalOffsets::spanAt(std::int64_t utcMs)
{
    for (int i = 0; i < m_used; ++i)
        if (m_spans[std::size_t(i)].holds(utcMs))
            return m_spans[std::size_t(i)];
    Span s;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    s.offset = m_zone.isValid() ? m_zone.offsetFromUtc(at) : 0;
    s.from = kNever;
    s.to = kForever;
    if (!m_fixed) {
        const QTimeZone::OffsetData before = m_zone.previousTransition(at.addMSecs(1));
        const QTimeZone::OffsetData after = m_zone.nextTransition(at);
        if (before.atUtc.isValid())
            s.from = before.atUtc.toMSecsSinceEpoch();
        if (after.atUtc.isValid())
            s.to = after.atUtc.toMSecsSinceEpoch();
    }
    m_spans[std::size_t(m_next)] = s;
    m_next = (m_next + 1) % int(m_spans.size());
    m_used = std::max(m_used, m_next == 0 ? int(m_spans.size()) : m_next);
    return s;
}

LocalOffsets::Candidates LocalOffsets::at(double days)
{
    Candidates c;
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return c;
    const std::int64_t wall = wallMs(days);
    // First guess: the offset of the stretch the wall time would lie in if it were UTC,
    // which is never more than a day away from the right one.
    const Span mid = spanAt(wall - std::int64_t(spanAt(wall).offset) * 1000);
    const std::int64_t utc = wall - std::int64_t(mid.offset) * 1000;
    // Well inside its stretch: the common case, without looking at the neighbours.
    if (mid.holds(utc) && (mid.from == kNever || utc - mid.from > kMsPerDay) &&
        (mid.to == kForever || mid.to - utc > kMsPerDay)) {
        c.first = c.second = mid.offset;
        return c;
    }
    // Near a change the wall time may fit the stretch before, this one, the one after.
    Span around[3];
    int n = 0;
    if (mid.from != kNever)
        around[n++] = spanAt(mid.from - 1);
    around[n++] = mid;
    if (mid.to != kForever)
        around[n++] = spanAt(mid.to);
    int fits[3];
    int fitting = 0;
    for (int i = 0; i < n; ++i)
        if (around[i].fits(wall))
            fits[fitting++] = i;
    if (fitting > 0) {
        c.first = around[fits[0]].offset;
        c.second = around[fits[fitting - 1]].offset;
        c.repeated = fitting > 1 && c.first != c.second;
        return c;
    }
    // Skipped: the stretch the wall time has run past gives the offset before the change.
    c.skipped = true;
    for (int i = n - 1; i >= 0; --i) {
        if (wall - std::int64_t(around[i].offset) * 1000 >= around[i].to) {
            c.first = c.second = around[i].offset;
            return c;
        }
    }
    c.first = c.second = mid.offset;
    return c;
}

int OrderedOffsets::next(double days)
{
    const LocalOffsets::Candidates c = m_offsets.at(days);
    int offset = c.first;
    const std::int64_t wall = LocalOffsets::wallMs(days);
    // The second pass through the repeated hour begins where the first would step back.
    if (c.repeated && m_lastUtcMs != kNever && wall - std::int64_t(c.first) * 1000 < m_lastUtcMs)
        offset = c.second;
    m_lastUtcMs = wall - std::int64_t(offset) * 1000;
    return offset;
}

QString IsoTextWithOffset(double days, int offsetSeconds)
{
    const QDateTime wall = WallDateTime(days);
    if (!wall.isValid())
        return {};
    QString text = wall.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (offsetSeconds == 0)
        return text + QLatin1Char('Z');
    const int minutes = std::abs(offsetSeconds) / 60;
    text += offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    text +=
        QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return text;
}

}  // namespace kelvor
