// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <array>
#include <cstdint>
#include <optional>

#include "meter/livereading.h"
#include "meter/readinggap.h"
#include "meter/samplesource.h"

namespace kelvor {

class MeterLink;

// The rhythm of every loop that watches the meter: probe ("K") every 500 ms until the
// model code answers, then read ("A") every 200 ms; three failed reads in a row go back
// to probing.
inline constexpr std::uint32_t kProbeIntervalMs = 500;
inline constexpr std::uint32_t kPollIntervalMs = 200;
inline constexpr int kMaxMissedReads = 3;

// What the cycle keeps between its ticks. The windowed program keeps it program-wide
// (the Run command and the download read Connected); kelvor-cli keeps one per command.
struct MonitorState {
    bool Connected = false;
    bool PollBusy = false;  // a tick is being handled (the windowed loop's re-entry guard)
    std::int32_t MissedReads = 0;
    std::uint16_t LastSecond = 0;  // the clock's second seen at the previous tick
    std::int32_t SecondTicks = 0;  // changes of the clock's second since the last sample taken
};

// What one tick of the cycle came to; exactly one of these per tick.
enum class CycleEvent {
    ProbeFailed,  // no meter, or not ours: probe again in 500 ms
    Found,        // the probe answered with the model code; the first read is next tick
    Reading,      // a valid live reading, decoded
    Garbled,      // a reply that is no reading: nothing decoded, and no miss either
    Missed,       // the read failed, fewer than three times in a row so far
    Lost,         // the third failed read in a row: back to probing
};

struct CycleTick {
    CycleEvent event = CycleEvent::ProbeFailed;
    // Set on the reply that makes a run of unreadable replies worth telling, and on the
    // first reading after it.
    ReadingGap::Change gap = ReadingGap::Change::None;
    std::uint32_t startTick = 0;              // the clock's tick count when the tick began
    std::uint32_t nextMs = kProbeIntervalMs;  // from startTick to the next tick
    QDateTime time;                           // the sample time of this tick (read before the exchange)
};

// One meter watched: connection state, the probe and the live read of each tick, the
// count of missed reads, unreadable replies told as a stretch, and the rule that says
// when a sample is due. It has no timer of its own: the owner calls step() every
// `nextMs` of the clock (a QTimer in the windowed program, a loop in kelvor-cli), so a
// test drives it with a ManualClock. The time comes from the link's clock.
//
// The cycle reads; whoever runs the recording decides when to take a sample
// (takeDueSample) and hands it on. Several meters mean several cycles, each with its
// own link, state and reading.
class MonitorCycle : public SampleSource {
public:
    MonitorCycle(MeterLink& link, MonitorState& state, LiveReading& reading);

    // One tick: a probe while no meter answers, a live read once one does.
    CycleTick step();

    // This tick's sample, if its reading is valid and `rateSeconds` changes of the
    // clock's second have passed since the last sample taken (0: every reading).
    // Taking it starts the count again; a tick without a reading leaves the count
    // running, so a sample that fell due then is taken at the next reading.
    std::optional<CycleSample> takeDueSample(int rateSeconds) override;
    // Makes the next valid reading a sample whatever the count says (a run that starts
    // with a sample).
    void dueAtNextReading(int rateSeconds) override;

    // For a run of several meters, whose rows share one time base: whether this tick
    // brought a reading not yet taken, how many changes of the clock's second the cycle
    // has counted since its last sample, and a fresh count when a row was taken
    // without this meter.
    bool hasReading() const override { return m_readingThisTick; }
    int secondsCounted() const override { return m_state.SecondTicks; }
    void restartCount() override { m_state.SecondTicks = 0; }
    // The time of the last tick (read before its exchange).
    const QDateTime& tickTime() const override { return m_tickTime; }

    bool connected() const { return m_state.Connected; }
    const MonitorState& state() const { return m_state; }
    const LiveReading& reading() const { return m_reading; }
    MeterLink& link() { return m_link; }

private:
    void countSeconds(const QDateTime& now);
    CycleEvent probe();
    CycleEvent poll(ReadingGap::Change& gap);

    MeterLink& m_link;
    MonitorState& m_state;
    LiveReading& m_reading;
    ReadingGap m_gap;
    bool m_readingThisTick = false;
    QDateTime m_tickTime;
};

}  // namespace kelvor
