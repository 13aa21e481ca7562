// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// Builds meter memory images for the logger tests: a 32-byte header, the unused area
// up to 0x0B00 and the data set records back to back.
struct TestDataSet {
    std::uint8_t date[6] = {0x23, 0x07, 0x15, 0x09, 0x30, 0x05};  // yy mm dd hh mi ss, BCD
    std::uint8_t intervalMin = 0, intervalSec = 2;
    std::uint8_t flags = 0;  // bit 4 Celsius, bits 0..3 type
    std::int8_t offsets[4] = {0, 0, 0, 0};
    std::vector<std::int16_t> values;  // 4 per sample
};

inline void putBe16(QByteArray& a, int pos, int v)
{
    a[pos] = char((v >> 8) & 0xFF);
    a[pos + 1] = char(v & 0xFF);
}

inline QByteArray buildImage(const std::vector<TestDataSet>& sets, int declaredCount = -1)
{
    QByteArray a(0x0B00, '\0');
    a[0] = 'A';
    a[1] = 'L';
    a[2] = 'L';
    putBe16(a, 8, declaredCount >= 0 ? declaredCount : int(sets.size()));
    for (const TestDataSet& s : sets) {
        const int p = int(a.size());
        const int n = int(s.values.size() / 4);
        a.resize(p + 20 + 8 * n);
        a[p] = char(0xA5);
        a[p + 1] = 0x5A;
        a[p + 2] = 0;
        for (int i = 0; i < 6; ++i)
            a[p + 3 + i] = char(s.date[i]);
        a[p + 9] = char(s.intervalMin);
        a[p + 10] = char(s.intervalSec);
        a[p + 11] = char(s.flags);
        putBe16(a, p + 12, n);
        for (int c = 0; c < 4; ++c)
            a[p + 14 + c] = char(s.offsets[c]);
        for (std::size_t j = 0; j < s.values.size(); ++j)
            putBe16(a, p + 18 + 2 * int(j), s.values[j]);
        a[p + 18 + 8 * n] = 0x5A;
        a[p + 19 + 8 * n] = char(0xA5);
    }
    const int position = int(a.size()) - 1;
    a[10] = char((position >> 16) & 0xFF);
    a[11] = char((position >> 8) & 0xFF);
    a[12] = char(position & 0xFF);
    return a;
}
