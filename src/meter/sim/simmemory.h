// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <array>
#include <cstdint>
#include <vector>

namespace kelvor {

// The simulated meter's 128 KiB logger memory (it is also what "W"/"r" reach as
// EEPROM). Address 0..31 is the settings record, which doubles as the memory
// header; data sets follow from 2816 onward, each framed by 0xA5 0x5A ... 0x5A 0xA5.
class SimMemory {
public:
    static constexpr int kSize = 0x20000;
    static constexpr int kDataStart = 0x0B00;
    static constexpr int kDataEnd = 130816;  // first address that data sets never use
    static constexpr int kErasedPosition = kDataStart - 1;
    static constexpr int kMaxDataSets = 4000;
    static constexpr int kCalibrationAddress = 0x40;  // 12 floats, big-endian

    struct DataSetStart {
        QDateTime start;
        int intervalMinutes = 0;
        int intervalSeconds = 2;
        bool celsius = true;
        int thermoType = 0;
        std::array<std::int8_t, 4> offsets{};
    };

    SimMemory();  // factory defaults, erased

    std::uint8_t at(int address) const { return m_bytes[std::size_t(address)]; }
    void set(int address, std::uint8_t value) { m_bytes[std::size_t(address)] = value; }
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    // The image a downloader must end up with: addresses 0..position.
    std::vector<std::uint8_t> usedImage() const;

    // Settings record fields.
    int dataSetCount() const { return be16(8); }
    int position() const { return at(10) << 16 | at(11) << 8 | at(12); }
    int intervalMinutes() const { return at(13); }
    int intervalSeconds() const { return at(14); }
    int thermoType() const { return at(18); }
    bool alarmOn() const { return at(3) != 0; }
    int alarmHigh() const { return std::int16_t(be16(4)); }
    int alarmLow() const { return std::int16_t(be16(6)); }
    bool t1MinusT2() const { return at(21) != 0; }
    std::array<std::int8_t, 4> offsets() const;
    int sleepIndex() const { return at(30); }
    void setInterval(int minutes, int seconds);
    void setThermoType(int type) { set(18, std::uint8_t(type)); }
    // Takes a settings record as sent by the PC; false (and nothing changed) when the
    // marker is wrong. Count and position stay the meter's own: taking them from the
    // PC could hide or truncate recorded data sets.
    bool applySettings(const std::uint8_t* record);

    float calibration(int index) const;  // 0..3 gain, 4..7 EXT, 8..11 CJC
    void setCalibration(int index, float value);

    // Forgets every data set; settings and calibration stay.
    void erase();

    // Recording. beginDataSet fails when the memory is full (or holds 4000 sets);
    // appendSample fails when the next sample would not fit. The memory is complete
    // and consistent after every call (end markers, count, position).
    bool beginDataSet(const DataSetStart& s);
    bool appendSample(const std::array<std::int16_t, 4>& tenthsF);
    bool recording() const { return m_open >= 0; }
    void endDataSet() { m_open = -1; }
    int openSampleCount() const;

private:
    int be16(int a) const { return at(a) << 8 | at(a + 1); }
    void setBe16(int a, int v);
    void setPosition(int p);

    std::vector<std::uint8_t> m_bytes;
    int m_open = -1;  // address of the data set being recorded
};

}  // namespace kelvor
