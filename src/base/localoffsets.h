// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimeZone>
#include <array>
#include <cstdint>

namespace kelvor {

// The UTC offsets of local wall-clock times (the program's days), with the zone read
// once: each answer is kept as the stretch between two of the zone's transitions, so a
// run of times asks the zone again only where it crosses one (a QDateTime in local time
// asks the C library, which looks at the zone file, for every value).
class LocalOffsets {
public:
    LocalOffsets();  // the system's zone
    explicit LocalOffsets(QTimeZone zone);

    // The offsets (seconds east of UTC) wall time `days` can have. Outside a change both
    // are the same. In the hour repeated when the clocks go back, `first` is the offset of
    // the first pass (summer time) and `second` that of the second. In the hour skipped
    // when they go forward no offset fits: both are the offset before the change.
    struct Candidates {
        int first = 0;
        int second = 0;
        bool repeated = false;
        bool skipped = false;
    };
    Candidates at(double days);
    // The offset of the first pass: the one QDateTime gives outside a change.
    int offsetAt(double days) { return at(days).first; }

    // Wall time `days` as milliseconds since 1970-01-01 00:00 of the same wall clock.
    static std::int64_t wallMs(double days);

private:
    struct Span {
        std::int64_t from = 0;  // UTC ms, inclusive
        std::int64_t to = 0;    // UTC ms, exclusive
        int offset = 0;         // seconds
        bool holds(std::int64_t utcMs) const { return utcMs >= from && utcMs < to; }
        bool fits(std::int64_t wall) const { return holds(wall - std::int64_t(offset) * 1000); }
    };
    Span spanAt(std::int64_t utcMs);

    QTimeZone m_zone;
    bool m_fixed = false;  // no transitions: one offset always
    std::array<Span, 4> m_spans{};
    int m_used = 0;
    int m_next = 0;
};

// The offsets of wall times taken one after another by a clock that follows the zone
// (the PC's, in a real-time run): in the repeated hour the times take the summer offset
// until the clock goes back and the winter one after, so their UTC times keep the order
// and spacing they were taken in.
class OrderedOffsets {
public:
    OrderedOffsets() = default;
    explicit OrderedOffsets(QTimeZone zone) : m_offsets(std::move(zone)) {}
    int next(double days);

private:
    LocalOffsets m_offsets;
    std::int64_t m_lastUtcMs = INT64_MIN;
};

// fromDays without the zone: the same date and time fields as a UTC QDateTime, which
// costs nothing to make (for formatting long runs of times).
QDateTime WallDateTime(double days);

// "2026-03-29T01:59:30+01:00": wall time `days` to the second, with the offset given.
QString IsoTextWithOffset(double days, int offsetSeconds);

}  // namespace kelvor
