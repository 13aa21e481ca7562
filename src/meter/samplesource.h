// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <array>
#include <cstdint>
#include <optional>

namespace kelvor {

// A sample taken at a tick: that tick's reading at that tick's time.
struct CycleSample {
    QDateTime time;
    double days = 0.0;       // the same time in days (base/clock.h)
    std::uint8_t flags = 0;  // ChannelFlags
    std::array<float, 4> T{};
    // At least one sample fell due earlier and could not be taken (no reading came):
    // whoever draws a line should not bridge that stretch.
    bool missedBefore = false;
};

// What a run asks of each of its sources in a round: a meter's monitor cycle, or a meter
// that another computer publishes. Every source of a run is stepped in the same round
// before the session asks, so their counts of the clock's seconds run together.
class SampleSource {
public:
    virtual ~SampleSource() = default;

    // This round brought a reading not yet taken.
    virtual bool hasReading() const = 0;
    // Changes of the clock's second counted since this source's last sample.
    virtual int secondsCounted() const = 0;
    // A fresh count: a row was taken without this source.
    virtual void restartCount() = 0;
    // The time of the last round (read before its exchange).
    virtual const QDateTime& tickTime() const = 0;
    // This round's sample, if it brought a reading and `rateSeconds` changes of the
    // clock's second have passed since the last sample taken (0: every reading).
    virtual std::optional<CycleSample> takeDueSample(int rateSeconds) = 0;
    // Makes the next reading a sample whatever the count says.
    virtual void dueAtNextReading(int rateSeconds) = 0;
};

}  // namespace kelvor
