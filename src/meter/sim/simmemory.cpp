// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simmemory.h"

#include <cstring>

namespace kelvor {

namespace {
std::uint8_t bcd(int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); }

constexpr std::array<float, 12> kFactoryCalibration = {
    1.0f, 1.00213f, 0.99871f, 1.00054f,  // gains
    0.0f, -0.125f,  0.0625f,  0.25f,     // EXT offsets
    0.5f, 0.375f,   -0.25f,   0.125f,    // CJC offsets
};
}  // namespace

SimMemory::SimMemory() : m_bytes(std::size_t(kSize), 0xFF)
{
    const std::uint8_t defaults[32] = {'A', 'L', 'L', 0, 0x00, 0xD4, 0xFF, 0xFC, 0, 0, 0x00, 0x0A, 0xFF, 0, 2, 0x14,
                                       0,   0,   0,   0, 0,    0,    0,    0,    0, 0, 0,    0,    0,    0, 2, 105};
    std::memcpy(m_bytes.data(), defaults, sizeof defaults);
    for (int a = 32; a < kDataStart; ++a)
        m_bytes[std::size_t(a)] = 0;
    for (int i = 0; i < 12; ++i)
        setCalibration(i, kFactoryCalibration[std::size_t(i)]);
}

std::vector<std::uint8_t> SimMemory::usedImage() const
{
    const int end = std::min(position() + 1, kSize);
    return {m_bytes.begin(), m_bytes.begin() + end};
}

void SimMemory::setBe16(int a, int v)
{
    set(a, std::uint8_t(v >> 8));
    set(a + 1, std::uint8_t(v));
}

void SimMemory::setPosition(int p)
{
    set(10, std::uint8_t(p >> 16));
    set(11, std::uint8_t(p >> 8));
    set(12, std::uint8_t(p));
}

std::array<std::int8_t, 4> SimMemory::offsets() const
{
    return {std::int8_t(at(22)), std::int8_t(at(23)), std::int8_t(at(24)), std::int8_t(at(25))};
}

void SimMemory::setInterval(int minutes, int seconds)
{
    set(13, std::uint8_t(minutes));
    set(14, std::uint8_t(seconds));
}

bool SimMemory::applySettings(const std::uint8_t* r)
{
    if (r[0] != 'A' || r[1] != 'L' || r[2] != 'L')
        return false;
    for (int i = 3; i < 32; ++i) {
        if ((i >= 8 && i <= 12) || i == 31)  // bookkeeping and firmware version are the meter's
            continue;
        set(i, r[i]);
    }
    return true;
}

float SimMemory::calibration(int index) const
{
    const int a = kCalibrationAddress + 4 * index;
    const std::uint32_t bits =
        std::uint32_t(at(a)) << 24 | std::uint32_t(at(a + 1)) << 16 | std::uint32_t(at(a + 2)) << 8 | at(a + 3);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void SimMemory::setCalibration(int index, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const int a = kCalibrationAddress + 4 * index;
    for (int i = 0; i < 4; ++i)
        set(a + i, std::uint8_t(bits >> (24 - 8 * i)));
}

void SimMemory::erase()
{
    std::fill(m_bytes.begin() + kDataStart, m_bytes.end(), 0xFF);
    setBe16(8, 0);
    setPosition(kErasedPosition);
    m_open = -1;
}

bool SimMemory::beginDataSet(const DataSetStart& s)
{
    const int p = position() + 1;
    if (dataSetCount() >= kMaxDataSets || p < kDataStart || p + 20 > kDataEnd)
        return false;
    const QDate d = s.start.date();
    const QTime t = s.start.time();
    const std::uint8_t head[18] = {0xA5,
                                   0x5A,
                                   0,
                                   bcd(d.year() % 100),
                                   bcd(d.month()),
                                   bcd(d.day()),
                                   bcd(t.hour()),
                                   bcd(t.minute()),
                                   bcd(t.second()),
                                   std::uint8_t(s.intervalMinutes),
                                   std::uint8_t(s.intervalSeconds),
                                   std::uint8_t((s.celsius ? 0x10 : 0) | (s.thermoType & 0x0F)),
                                   0,
                                   0,
                                   std::uint8_t(s.offsets[0]),
                                   std::uint8_t(s.offsets[1]),
                                   std::uint8_t(s.offsets[2]),
                                   std::uint8_t(s.offsets[3])};
    for (int i = 0; i < 18; ++i)
        set(p + i, head[i]);
    set(p + 18, 0x5A);
    set(p + 19, 0xA5);
    setBe16(8, dataSetCount() + 1);
    setPosition(p + 19);
    m_open = p;
    return true;
}

int SimMemory::openSampleCount() const { return m_open < 0 ? 0 : be16(m_open + 12); }

bool SimMemory::appendSample(const std::array<std::int16_t, 4>& v)
{
    if (m_open < 0)
        return false;
    const int n = openSampleCount();
    const int at = m_open + 18 + 8 * n;
    if (n >= 0xFFFF || at + 8 + 2 > kDataEnd)
        return false;
    for (int c = 0; c < 4; ++c)
        setBe16(at + 2 * c, std::uint16_t(v[std::size_t(c)]));
    set(at + 8, 0x5A);
    set(at + 9, 0xA5);
    setBe16(m_open + 12, n + 1);
    setPosition(at + 9);
    return true;
}

}  // namespace kelvor
