// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simdemo.h"

#include <array>
#include <cmath>

#include "meter/sim/simchannel.h"
#include "meter/sim/simmemory.h"

namespace kelvor {

namespace {
struct DemoRun {
    int daysAgo;
    int minutes, seconds;
    bool celsius;
    int thermoType;
    int samples;
    std::array<SimChannel, 4> channels;
    int overRangeFrom, overRangeTo;  // sample range of channel 2 forced to "OL"
};

std::int16_t tenthsF(const ChannelSample& s)
{
    if (s.state == ChannelState::Unplugged)
        return std::int16_t(-0x8000);
    if (s.state == ChannelState::OverRange)
        return 0x7FFF;
    return std::int16_t(std::lround((s.celsius * 1.8 + 32.0) * 10.0));
}
}  // namespace

void loadDemoDataSets(SimMemory& memory, std::uint32_t seed, const QDateTime& now)
{
    const DemoRun runs[] = {
        {3,
         0,
         2,
         true,
         0,
         300,
         {SimChannel::ambient(22.5), SimChannel::heating(22.0, 92.0, 180.0), SimChannel::cooling(85.0, 23.0, 200.0),
          SimChannel::unplugged()},
         -1,
         -1},
        {2,
         1,
         30,
         false,
         1,
         240,
         {SimChannel::ambient(19.0), SimChannel::heating(20.0, 900.0, 3000.0), SimChannel::ambient(4.0),
          SimChannel::cooling(60.0, 19.0, 4000.0)},
         150,
         190},
        {1,
         0,
         10,
         false,
         0,
         360,
         {SimChannel::heating(21.0, 65.0, 900.0), SimChannel::heating(21.0, 95.0, 1200.0),
          SimChannel::cooling(70.0, 21.0, 1500.0), SimChannel::ambient(21.5)},
         -1,
         -1},
        {0,
         0,
         2,
         true,
         1,
         200,
         {SimChannel::ambient(23.0), SimChannel::cooling(-5.0, 23.0, 150.0), SimChannel::heating(23.0, 37.0, 120.0),
          SimChannel::ambient(23.4)},
         -1,
         -1},
    };
    int n = 0;
    for (const DemoRun& run : runs) {
        const int interval = run.minutes * 60 + run.seconds;
        SimMemory::DataSetStart s;
        s.start = now.addDays(-run.daysAgo).addSecs(-3600 - qint64(interval) * run.samples);
        s.start.setTime(QTime(s.start.time().hour(), s.start.time().minute(), s.start.time().second()));
        s.intervalMinutes = run.minutes;
        s.intervalSeconds = run.seconds;
        s.celsius = run.celsius;
        s.thermoType = run.thermoType;
        s.offsets = {0, std::int8_t(n), 0, std::int8_t(-n)};
        if (!memory.beginDataSet(s))
            return;
        for (int i = 0; i < run.samples; ++i) {
            std::array<std::int16_t, 4> v{};
            for (int c = 0; c < 4; ++c) {
                ChannelSample cs =
                    run.channels[std::size_t(c)].sample(double(i) * interval, seed + 101u * std::uint32_t(n), c, i);
                if (c == 1 && i >= run.overRangeFrom && i < run.overRangeTo)
                    cs.state = ChannelState::OverRange;
                v[std::size_t(c)] = tenthsF(cs);
            }
            if (!memory.appendSample(v))
                break;
        }
        memory.endDataSet();
        ++n;
    }
}

}  // namespace kelvor
