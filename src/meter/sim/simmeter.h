// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "meter/lcdencoder.h"
#include "meter/sim/simchannel.h"
#include "meter/sim/simmemory.h"

namespace kelvor {

class Clock;

struct SimMeterConfig {
    std::uint32_t seed = 1;
    std::array<SimChannel, 4> channels{SimChannel::ambient(23.0), SimChannel::heating(24.0, 44.0, 240.0),
                                       SimChannel::cooling(48.0, 22.0, 600.0), SimChannel::unplugged()};
    BatteryMark battery = BatteryMark::Full;
    bool demoMemory = true;  // a few recorded data sets from the start
    QString serial;          // the USB serial it reports; empty: one made from the seed
};

// What the meter does with the key letters of the panel.
enum class MmaMode : std::uint8_t { Off, Recording, Max, Min, Avg };

// The behavioural model of the meter: channels, unit, display modes, recording into
// memory, clock, settings and calibration. Time comes from the injected Clock; every
// public call first brings the model up to the clock's present.
class SimMeter {
public:
    static constexpr int kMeasureMs = 500;  // the meter measures twice a second

    SimMeter(Clock& clock, SimMeterConfig config = {});

    void advance();

    // Panel keys; false for a letter that is not a key.
    bool pressKey(std::uint8_t letter);

    // The 64-byte live reply: numbers and LCD image of the same display.
    std::array<std::uint8_t, 64> liveReply();
    LcdDisplay display();

    QDateTime meterTime() const;
    void setMeterTime(const QDateTime& t);
    // False (nothing changed) for a zero interval.
    bool setInterval(int minutes, int seconds);
    // False while recording: the meter does not pull its memory away from a run.
    bool eraseMemory();
    SimMemory& memory() { return m_memory; }
    const SimMemory& memory() const { return m_memory; }

    void setChannel(int channel, const SimChannel& c) { m_config.channels[std::size_t(channel)] = c; }
    void setBattery(BatteryMark b) { m_config.battery = b; }

    bool fahrenheit() const { return m_fahrenheit; }
    bool hold() const { return m_hold; }
    bool recording() const { return m_memory.recording(); }
    bool memoryFull() const { return m_full; }
    bool backlight() const { return m_backlight; }
    MmaMode mmaMode() const { return m_mma; }
    bool recalling() const { return m_recallSlot >= 0; }
    std::int64_t elapsedMs() const { return m_elapsedMs; }
    std::uint32_t seed() const { return m_config.seed; }

private:
    using Readings = std::array<ChannelSample, 4>;

    Readings measure(std::int64_t step) const;
    Readings shownReadings() const;
    void updateStatistics(const Readings& r);
    void recordDueSamples();
    void startRecording();
    std::array<std::int16_t, 4> storedSample(std::int64_t atMs) const;

    Clock* m_clock;
    SimMeterConfig m_config;
    SimMemory m_memory;
    std::uint32_t m_lastTick;
    std::int64_t m_elapsedMs = 0;
    std::int64_t m_step = 0;
    Readings m_current{};

    QDateTime m_clockBase;  // meter time at m_clockBaseMs
    std::int64_t m_clockBaseMs = 0;

    bool m_fahrenheit = false;
    bool m_hold = false;
    Readings m_held{};
    bool m_backlight = false;
    bool m_full = false;
    std::int64_t m_nextSampleMs = 0;
    std::int64_t m_runIntervalMs = 2000;

    MmaMode m_mma = MmaMode::Off;
    std::array<double, 4> m_max{}, m_min{}, m_sum{};
    std::array<int, 4> m_count{};

    std::vector<Readings> m_saved;  // MEM slots
    int m_recallSlot = -1;
    std::int64_t m_memShownUntilMs = -1;
};

// Display text of a reading in the meter's unit, and its number in tenths.
LcdRow lcdRowOf(const ChannelSample& s, bool fahrenheit);
std::int16_t replyTenthsOf(const ChannelSample& s, bool fahrenheit);

}  // namespace kelvor
