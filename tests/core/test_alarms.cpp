// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/clock.h"
#include "graph/alarms.h"
#include "graph/realtimerun.h"
#include "meter/livereading.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {
std::vector<int> kindsOf(const std::vector<AlarmEvent>& events)
{
    std::vector<int> kinds;
    for (const AlarmEvent& e : events)
        kinds.push_back(e.subset * 10 + e.kind);
    return kinds;
}
constexpr int kHighRaised = int(AlarmKind::HighRaised), kHighEnded = int(AlarmKind::HighEnded);
constexpr int kLowRaised = int(AlarmKind::LowRaised), kLowEnded = int(AlarmKind::LowEnded);
}  // namespace

// A scripted run over the simulated meter, read as the real-time run reads it: T1 enters
// its high alarm, stays in it while it hovers inside the hysteresis band, leaves once it
// is back by the hysteresis, and enters again; T3 passes its low limit and comes back; an
// unplugged T4 raises nothing.
TEST(AlarmMonitor, HysteresisOnAScriptedSimulatedRun)
{
    ManualClock clock;
    SimDevice device(clock);
    MeterLink link(device, clock);
    ASSERT_TRUE(link.ProbeMeter());
    device.meter().setChannel(3, SimChannel::unplugged());
    device.meter().setChannel(1, SimChannel::ambient(25.0));

    AlarmLimits limits;
    QString why;
    ASSERT_TRUE(ParseAlarmRules(QStringLiteral("T1>180 T3<5 T4>0"), limits, &why)) << why.toStdString();
    limits.hysteresis = 2.0;
    AlarmMonitor monitor(limits);

    struct Phase {
        double t1, t3;
        std::vector<int> want;  // events of the phase's first sample; the others give none
    };
    const Phase script[] = {
        {170.0, 20.0, {}},
        {185.0, 20.0, {kHighRaised}},                 // enter
        {179.0, 20.0, {}},                            // below the limit, inside the band: stays
        {177.0, 4.0, {kHighEnded, 20 + kLowRaised}},  // back by 2 degrees: leaves; T3 low
        {190.0, 6.0, {kHighRaised}},                  // T1 re-enters; T3 at 6 is inside its band
        {190.0, 8.0, {20 + kLowEnded}},
    };
    std::vector<AlarmEvent> all;
    for (const Phase& p : script) {
        device.meter().setChannel(0, SimChannel::ambient(p.t1));
        device.meter().setChannel(2, SimChannel::ambient(p.t3));
        for (int sample = 0; sample < 3; ++sample) {
            clock.advanceMs(1000);
            ASSERT_TRUE(link.ReadLiveReading());
            LiveReading r;
            DecodeLiveReading(link.replyBuffer().data(), r);
            std::array<float, 4> values{};
            for (int c = 0; c < 4; ++c)
                values[size_t(c)] = SampleValue(r.ChannelFlags, c, r.T[size_t(c)]);
            std::vector<AlarmEvent> events;
            monitor.feed(clock.nowDays(), values, events);
            EXPECT_EQ(kindsOf(events), sample == 0 ? p.want : std::vector<int>{})
                << "T1 " << p.t1 << " sample " << sample;
            if (!events.empty()) {
                EXPECT_NEAR(events.front().value, events.front().subset == 0 ? p.t1 : p.t3, 0.5);
            }
            all.insert(all.end(), events.begin(), events.end());
        }
    }
    EXPECT_EQ(all.size(), 5u);
    EXPECT_TRUE(monitor.active(0));  // the run ends with T1 in its alarm
    EXPECT_FALSE(monitor.active(2));
}

TEST(AlarmRules, ParseAndWriteBack)
{
    AlarmLimits limits;
    QString why;
    EXPECT_TRUE(ParseAlarmRules(QStringLiteral("T1>180  t3 < -5.5;T1<20"), limits, &why));
    EXPECT_EQ(limits.rulesText(), QStringLiteral("T1>180 T1<20 T3<-5.5"));
    for (const char* bad : {"T5>1", "T1=3", "T1>", "180>T1", "T1>1e3"}) {
        AlarmLimits l;
        EXPECT_FALSE(AddAlarmRule(QString::fromLatin1(bad), l, &why)) << bad;
        EXPECT_TRUE(why.contains(QString::fromLatin1(bad))) << why.toStdString();
    }
}
