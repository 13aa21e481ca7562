// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/clock.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"

using namespace kelvor;

namespace {

// Answers each exchange by the next letter of a script: 'Q' the identity with our model
// code, 'x' an identity of another model, 'R' a valid live reading (T1 counts the
// readings in tenths: 0.1, 0.2, ...), 'g' a reply that is no reading, '-' no answer.
// Past the end of the script nothing answers.
class ScriptedMeter final : public MeterDevice {
public:
    explicit ScriptedMeter(std::string script) : m_script(std::move(script)) {}

    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkOk; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t* frame, int) override
    {
        m_lastCommand = char(frame[1]);
        return kLinkOk;
    }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkOk; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* buffer, int length) override
    {
        const char what = m_next < m_script.size() ? m_script[m_next] : '-';
        ++m_next;
        if (what == '-')
            return kLinkFailed;
        std::vector<std::uint8_t> reply(std::size_t(length), 0);
        if (what == 'Q' || what == 'x') {
            EXPECT_EQ(m_lastCommand, 'K') << "an identity reply where no probe was sent";
            const char* code = what == 'Q' ? "QZX" : "QZY";
            std::copy(code, code + 3, reply.begin() + 23);
        } else {
            EXPECT_EQ(m_lastCommand, 'A') << "a live reply where no reading was asked for";
            reply[0] = what == 'R' ? 0x02 : 0x00;
            reply[63] = 0x03;
            if (what == 'R')
                reply[10] = ++m_readings;
        }
        std::copy(reply.begin(), reply.end(), buffer);
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* buffer, int) override
    {
        buffer[0] = '\0';
        return kLinkOk;
    }

private:
    std::string m_script;
    std::size_t m_next = 0;
    char m_lastCommand = 0;
    std::uint8_t m_readings = 0;
};

char letterOf(CycleEvent e)
{
    switch (e) {
        case CycleEvent::ProbeFailed:
            return 'P';
        case CycleEvent::Found:
            return 'F';
        case CycleEvent::Reading:
            return 'R';
        case CycleEvent::Garbled:
            return 'G';
        case CycleEvent::Missed:
            return 'M';
        case CycleEvent::Lost:
            return 'L';
    }
    return '?';
}

char letterOf(ReadingGap::Change c)
{
    return c == ReadingGap::Change::Stopped ? 'S' : c == ReadingGap::Change::Resumed ? 'r' : '.';
}

// A cycle over a scripted meter, each tick run when the previous one asked for it.
struct CycleRig {
    explicit CycleRig(std::string script) : meter(std::move(script)) {}

    CycleTick step()
    {
        const CycleTick tick = cycle.step();
        clock.advanceMs(tick.nextMs);
        return tick;
    }
    // Milliseconds of clock time since the rig was made.
    qint64 msOf(const QDateTime& t) const { return start.msecsTo(t); }

    ManualClock clock;  // 2026-01-05 10:00:00.000
    QDateTime start = clock.now();
    ScriptedMeter meter;
    MeterLink link{meter, clock};
    MonitorState state;
    LiveReading reading;
    MonitorCycle cycle{link, state, reading};
};

}  // namespace

// What each tick comes to, and the rhythm it asks for: 500 ms while probing, 200 ms
// once connected.
TEST(MonitorCycle, ConnectionFollowsProbesMissesAndGarbledReplies)
{
    const struct {
        const char* name;
        const char* script;  // one letter per exchange
        const char* events;  // one letter per tick
        const char* gaps;    // '.' nothing to tell, 'S' readings stopped, 'r' resumed
        int missedAtEnd;
    } cases[] = {
        {"probing until the model code answers; the finding tick reads nothing", "-xQR", "PPFR", "....", 0},
        {"two misses, a reading, two misses: still there", "Q--R--", "FMMRMM", "......", 2},
        {"three misses in a row lose the meter, the next probe finds it", "QR---QR", "FRMMLFR", ".......", 0},
        {"a garbled reply is no miss: it breaks a run of misses", "Q--g--", "FMMGMM", "......", 2},
        {"a second of garbled replies is told once, and the next reading ends it", "QRggggggR", "FRGGGGGGR",
         "......S.r", 0},
        {"a reconnection starts the count of garbled replies afresh", "Qgggg---Qg", "FGGGGMMLFG", "..........", 0},
        {"lost while readings had stopped: nothing more to tell after finding it again", "Qggggg---QR", "FGGGGGMMLFR",
         ".....S.....", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CycleRig rig(c.script);
        std::string events, gaps;
        for (std::size_t i = 0; i < std::strlen(c.events); ++i) {
            const CycleTick tick = rig.step();
            events += letterOf(tick.event);
            gaps += letterOf(tick.gap);
            const bool probing = tick.event == CycleEvent::ProbeFailed || tick.event == CycleEvent::Lost;
            EXPECT_EQ(tick.nextMs, probing ? kProbeIntervalMs : kPollIntervalMs) << "tick " << i;
            EXPECT_EQ(rig.cycle.connected(), !probing) << "tick " << i;
        }
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(gaps, c.gaps);
        EXPECT_EQ(rig.state.MissedReads, c.missedAtEnd);
    }
}

TEST(MonitorCycle, GarbledReplyKeepsThePreviousReading)
{
    CycleRig rig("QRgR");
    rig.step();
    rig.step();
    EXPECT_FLOAT_EQ(rig.cycle.reading().T[0], 0.1f);
    EXPECT_EQ(rig.step().event, CycleEvent::Garbled);
    EXPECT_FLOAT_EQ(rig.cycle.reading().T[0], 0.1f);
    EXPECT_FALSE(rig.cycle.takeDueSample(0)) << "a garbled tick has no sample";
    rig.step();
    EXPECT_FLOAT_EQ(rig.cycle.reading().T[0], 0.2f);
}

// Samples are `rate` changes of the clock's second apart, each taken at the first valid
// reading once that many have passed; a tick without one leaves the count running.
TEST(MonitorCycle, DueSamplesFollowTheClocksSecond)
{
    const std::string reads30(30, 'R');
    const struct {
        const char* name;
        int rate;
        bool dueAtFirstReading;
        std::string script;
        std::vector<qint64> sampleMs;    // tick times of the samples
        std::vector<bool> missedBefore;  // per sample
        std::vector<float> t1;           // the reading each sample carries
    } cases[] = {
        {"every second change at rate 1",
         1,
         false,
         "Q" + reads30.substr(0, 10),
         {1000, 2000},
         {false, false},
         {0.5f, 1.0f}},
        {"every other at rate 2",
         2,
         false,
         "Q" + reads30,
         {2000, 4000, 6000},
         {false, false, false},
         {1.0f, 2.0f, 3.0f}},
        {"the due read fails: taken at the next reading, the count restarts there",
         2,
         false,
         "Q" + reads30.substr(0, 9) + "-" + reads30.substr(0, 10),
         {2200, 4000},
         {false, false},
         {1.0f, 1.9f}},
        {"the due reply is garbled: the same",
         2,
         false,
         "Q" + reads30.substr(0, 9) + "g" + reads30.substr(0, 10),
         {2200, 4000},
         {false, false},
         {1.0f, 1.9f}},
        {"rate 0 takes every reading, none of them after a miss",
         0,
         false,
         "QRgR-R",
         {200, 600, 1000},
         {false, false, false},
         {0.1f, 0.2f, 0.3f}},
        {"a run that starts with a sample takes the first reading", 60, true, "Q" + reads30, {200}, {false}, {0.1f}},
        // Lost at 1.6 s, probed at 2.1, 2.6, 3.1, 3.6, found at 4.1: the samples due at
        // 2, 3 and 4 s could not be taken.
        {"the meter away over due samples: the next one says so",
         1,
         false,
         "QRRRRR---" + std::string("----QR"),
         {1000, 4300},
         {false, true},
         {0.5f, 0.6f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CycleRig rig(c.script);
        if (c.dueAtFirstReading)
            rig.cycle.dueAtNextReading(c.rate);
        std::vector<qint64> times;
        std::vector<bool> missed;
        std::vector<float> t1;
        for (std::size_t i = 0; i < c.script.size(); ++i) {
            const CycleTick tick = rig.step();
            if (const auto sample = rig.cycle.takeDueSample(c.rate)) {
                EXPECT_EQ(sample->time, tick.time);
                EXPECT_DOUBLE_EQ(sample->days, toDays(tick.time));
                EXPECT_EQ(sample->T, rig.cycle.reading().T);
                EXPECT_FALSE(rig.cycle.takeDueSample(c.rate)) << "one sample per reading";
                times.push_back(rig.msOf(sample->time));
                missed.push_back(sample->missedBefore);
                t1.push_back(sample->T[0]);
            }
        }
        EXPECT_EQ(times, c.sampleMs);
        EXPECT_EQ(missed, c.missedBefore);
        ASSERT_EQ(t1.size(), c.t1.size());
        for (std::size_t i = 0; i < t1.size(); ++i)
            EXPECT_FLOAT_EQ(t1[i], c.t1[i]) << "sample " << i;
    }
}
