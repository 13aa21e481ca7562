// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QLocale>
#include <QTemporaryDir>
#include <cstring>
#include <vector>

#include "base/clock.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "meter/lcdlayout.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"
#include "session/recordingsession.h"
#include "session/sessionjournal.h"

using namespace kelvor;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

// A meter that answers every probe and, while present, every live read with `values`
// (tenths of a degree) and `flags`.
class FakeMeter final : public MeterDevice {
public:
    bool present = true;
    std::array<float, 4> values{20, 21, 22, 23};
    std::uint8_t flags = 0;

    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkOk; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t* frame, int) override
    {
        m_command = char(frame[1]);
        return kLinkOk;
    }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkOk; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* buffer, int length) override
    {
        if (!present)
            return kLinkFailed;
        std::fill(buffer, buffer + length, std::uint8_t(0));
        if (m_command == 'K') {
            std::memcpy(buffer + 23, "QZX", 3);
            return kLinkOk;
        }
        buffer[0] = 0x02;
        buffer[63] = 0x03;
        buffer[kReplyChannelFlagsByte] = flags;
        for (int c = 0; c < 4; ++c) {
            const auto raw = std::uint16_t(std::int16_t(std::lround(values[std::size_t(c)] * 10.0f)));
            buffer[kReplyFirstValueByte + 2 * c] = std::uint8_t(raw >> 8);
            buffer[kReplyFirstValueByte + 2 * c + 1] = std::uint8_t(raw & 0xFF);
        }
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* buffer, int) override
    {
        buffer[0] = '\0';
        return kLinkOk;
    }

private:
    char m_command = 0;
};

// The monitor cycle as the programs run it, one tick when the last asked for it, with
// the session taking what is due after each.
struct Rig {
    ManualClock clock;
    FakeMeter meter;
    MeterLink link{meter, clock};
    MonitorState state;
    LiveReading reading;
    MonitorCycle cycle{link, state, reading};
    RecordingSession session{clock};
    double t0 = 0.0;
    std::vector<std::string> seen;  // what observers were told, in order

    Rig()
    {
        step();  // the meter is found
        t0 = clock.nowDays();
        QObject::connect(&session, &RecordingSession::sampleAdded, [this](const SessionSample& s, std::uint8_t) {
            seen.push_back("sample " + std::to_string(int(std::lround((s.time - t0) / kSecond))));
        });
        QObject::connect(&session, &RecordingSession::alarmEvent, [this](const ChartAlarmEvent& e) {
            seen.push_back("alarm " + std::to_string(e.subset) + ":" + std::to_string(e.kind));
        });
        QObject::connect(&session, &RecordingSession::aboutToEnd, [this] { seen.push_back("ending"); });
        QObject::connect(&session, &RecordingSession::stateChanged, [this](SessionState s) {
            seen.push_back(s == SessionState::Recording ? "recording" : s == SessionState::Ended ? "ended" : "idle");
        });
    }
    void step()
    {
        const CycleTick tick = cycle.step();
        session.takeDueSample(0, cycle);
        clock.advanceMs(tick.nextMs);
    }
    // Runs the cycle until `ms` have passed; `before(s)` may change the meter before the
    // tick `s` seconds after t0.
    template <typename Change>
    void run(int ms, Change before)
    {
        const double end = clock.nowDays() + ms / 1000.0 * kSecond;
        while (clock.nowDays() < end - 1e-9) {
            before((clock.nowDays() - t0) / kSecond);
            step();
        }
    }
    void run(int ms)
    {
        run(ms, [](int) {});
    }
    // A reading of these values at the next second, taken as the next sample.
    void sampleOf(std::array<float, 4> values, std::uint8_t flags = 0)
    {
        meter.values = values;
        meter.flags = flags;
        const std::int64_t before = session.sampleCount();
        for (int i = 0; i < 20 && session.sampleCount() == before; ++i)
            step();
    }
    std::vector<int> sampleSeconds() const
    {
        std::vector<int> out;
        for (const SessionSample& s : session.samples())
            out.push_back(int(std::lround((s.time - t0) / kSecond)));
        return out;
    }
};

SessionSettings settings(int rate, int count, bool openEnded = false)
{
    SessionSettings s;
    s.rateSeconds = rate;
    s.recordCount = count;
    s.openEnded = openEnded;
    s.sampleFirstReading = true;
    return s;
}

}  // namespace

// A sample is due each time the rate's seconds have passed; one taken after the meter was
// away says so; a run with a count ends by itself at its last sample.
TEST(RecordingSession, SamplesAtTheDueTimesAndEndsAtItsCount)
{
    Rig rig;
    rig.session.start(settings(2, 6));
    // The meter is away from second 4.1 until second 9 (it is found again at 9.1).
    rig.run(20000, [&rig](double s) { rig.meter.present = !(s > 4.05 && s < 8.9); });
    EXPECT_EQ(rig.sampleSeconds(), (std::vector<int>{0, 2, 4, 9, 11, 13}));
    std::vector<bool> afterMiss;
    for (const SessionSample& s : rig.session.samples())
        afterMiss.push_back(s.afterMiss);
    EXPECT_EQ(afterMiss, (std::vector<bool>{false, false, false, true, false, false}));
    EXPECT_EQ(rig.session.state(), SessionState::Ended);
    ASSERT_GE(rig.seen.size(), 3u);
    EXPECT_EQ(rig.seen.front(), "recording");
    EXPECT_EQ(*(rig.seen.end() - 2), "ending");
    EXPECT_EQ(rig.seen.back(), "ended");

    // Rate 0 takes every reading, and never calls that a miss.
    Rig every;
    every.session.start(settings(0, 0, true));
    every.run(1000);
    EXPECT_EQ(every.session.sampleCount(), 5);  // a reading every 200 ms
    for (const SessionSample& s : every.session.samples())
        EXPECT_FALSE(s.afterMiss);
}

// Extremes follow the raw values with the flags of the sample that set them (the first one
// to reach an extreme keeps it); averages leave out OL and ---- readings.
TEST(RecordingSession, ExtremesAndAveragesOverTheWholeRun)
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());  // the fields' decimal point
    Rig rig;
    rig.session.start(settings(1, 0, true));
    struct Reading {
        std::uint8_t flags;
        std::array<float, 4> t;
    };
    const std::vector<Reading> readings = {
        {0x00, {10.0f, 5.0f, 1.0f, 0.0f}},
        {0x00, {30.0f, 5.0f, 3.0f, 0.0f}},
        {0x02, {20.0f, 999.0f, 2.0f, 0.0f}},  // T2 shows OL: its raw value is still an extreme
        {0x00, {30.0f, 4.0f, -1.0f, 0.0f}},
    };
    std::vector<std::uint8_t> moved;
    QObject::connect(&rig.session, &RecordingSession::sampleAdded,
                     [&](const SessionSample&, std::uint8_t m) { moved.push_back(m); });
    for (const Reading& r : readings)
        rig.sampleOf(r.t, r.flags);
    ASSERT_EQ(rig.session.sampleCount(), 4);
    EXPECT_EQ(moved, (std::vector<std::uint8_t>{0xFF, 0x05, 0x02, 0x60}));
    EXPECT_EQ(rig.session.maximumText(0).section(QLatin1Char('@'), 0, 0), QStringLiteral("30.0"));
    EXPECT_EQ(rig.session.statistics().channels[0].maximumTime,
              rig.session.samples()[1].time);  // the first 30 keeps it
    EXPECT_EQ(rig.session.maximumText(1), QStringLiteral("OL"));
    EXPECT_EQ(rig.session.minimumText(2).section(QLatin1Char('@'), 0, 0), QStringLiteral("-1.0"));
    EXPECT_EQ(rig.session.averageText(0), QStringLiteral("22.500"));
    EXPECT_EQ(rig.session.averageText(1), QStringLiteral("4.667"));  // 5, 5, 4 without the OL
    QLocale::setDefault(before);
}

// Alarm events come in the order they happen, each after the sample that caused it; a new
// run starts with no alarm active.
TEST(RecordingSession, AlarmEventsInOrder)
{
    Rig rig;
    AlarmLimits limits;
    limits.channels[0] = {true, 100.0, std::nullopt};
    limits.channels[2] = {true, std::nullopt, 0.0};
    limits.hysteresis = 1.0;
    rig.session.setAlarmLimits(limits);
    rig.session.start(settings(1, 0, true));
    const std::vector<std::array<float, 4>> values = {
        {90, 0, 5, 0}, {101, 0, 5, 0}, {102, 0, -1, 0}, {99.5f, 0, -2, 0}, {98, 0, 1.5f, 0}};
    for (const auto& v : values)
        rig.sampleOf(v);
    const std::vector<std::string> expected = {"recording", "sample 0", "sample 1", "alarm 0:0", "sample 2",
                                               "alarm 2:2", "sample 3", "sample 4", "alarm 0:1", "alarm 2:3"};
    EXPECT_EQ(rig.seen, expected);
    ASSERT_EQ(rig.session.alarmEvents().size(), 4u);
    EXPECT_EQ(rig.session.alarmEvents()[0].x, rig.session.samples()[1].time);
    EXPECT_FLOAT_EQ(rig.session.alarmEvents()[0].value, 101.0f);

    rig.sampleOf({150, 0, 5, 0});
    ASSERT_TRUE(rig.session.channelAlarmed(0));
    rig.session.start(settings(1, 0, true));
    EXPECT_FALSE(rig.session.channelAlarmed(0));
    EXPECT_TRUE(rig.session.alarmEvents().empty());
}

// The journal observes the session: every sample, the alarm events and the annotations
// handed over at the end go into the library, and the recording is complete.
TEST(RecordingSession, JournalGetsEverySampleEventAndAnnotation)
{
    QTemporaryDir dir;
    LibraryAccess access(dir.path());
    Rig rig;
    rig.session.setSource(0, {QStringLiteral("QZX"), QStringLiteral("123")});
    SessionJournal journal(rig.session, access);
    QStringList problems;
    QObject::connect(&journal, &SessionJournal::problem, [&](const QString& p) { problems << p; });
    // What the window holds is handed over as the run ends.
    QObject::connect(&rig.session, &RecordingSession::aboutToEnd, [&] {
        rig.session.setAnnotations({{rig.t0 + 3 * kSecond, 20.0, 0, 0xFF, QStringLiteral("lid open")}});
    });
    AlarmLimits limits;
    limits.channels[1] = {true, 25.0, std::nullopt};
    rig.session.setAlarmLimits(limits);
    rig.session.start(settings(1, 8));
    rig.run(12000, [&rig](double s) { rig.meter.values = {20, float(20 + int(s)), 22, 23}; });
    ASSERT_EQ(rig.session.state(), SessionState::Ended);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(journal.journal().complete());

    auto library = access.get();
    ASSERT_TRUE(library);
    QString error;
    const auto data = library->loadRecording(*journal.journal().recordingId(), 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    ASSERT_EQ(data->samples.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(data->samples[i], rig.session.samples()[i].journal());
    EXPECT_EQ(data->alarmEvents, rig.session.alarmEvents());
    EXPECT_EQ(data->alarmEvents.size(), 1u);
    ASSERT_EQ(data->annotations.size(), 1u);
    EXPECT_EQ(data->annotations[0].text, QStringLiteral("lid open"));
    EXPECT_EQ(data->header.meterSerial, QStringLiteral("123"));
    EXPECT_EQ(data->header.rateSeconds, 1);
    EXPECT_EQ(data->header.recordCount, 8);
}

// An observer that joins a long open-ended run late still reads it from its first sample,
// past the record count a window keeps.
TEST(RecordingSession, ALateObserverGetsTheRunFromTheStart)
{
    Rig rig;
    rig.session.start(settings(1, 5, true));
    rig.run(30000, [&rig](double s) { rig.meter.values = {float(std::lround(s * 10)), 0, 0, 0}; });
    ASSERT_TRUE(rig.session.recording());
    ASSERT_EQ(rig.session.sampleCount(), 31);  // with the first reading, then one a second
    const auto& all = rig.session.samples();
    EXPECT_EQ(all.front().time, rig.t0);
    EXPECT_FLOAT_EQ(all.front().t[0], 0.0f);
    for (std::size_t i = 2; i < all.size(); ++i)  // the first one came with the first reading
        EXPECT_NEAR(all[i].time - all[i - 1].time, kSecond, 1e-9);

    // Cleared, the run is gone for everyone.
    rig.session.clear();
    EXPECT_EQ(rig.session.state(), SessionState::Idle);
    EXPECT_EQ(rig.session.sampleCount(), 0);
}

namespace {

// Three meters read in the same ticks, as the programs run several: every cycle ticks,
// then the session takes the row that is due.
struct SeveralRig {
    ManualClock clock;
    std::array<FakeMeter, 3> meters;
    std::vector<std::unique_ptr<MeterLink>> links;
    std::array<MonitorState, 3> states;
    std::array<LiveReading, 3> readings;
    std::vector<std::unique_ptr<MonitorCycle>> cycles;
    RecordingSession session{clock};
    double t0 = 0.0;
    std::vector<SessionRow> rows;
    int sourceZeroSamples = 0;

    SeveralRig()
    {
        for (std::size_t i = 0; i < meters.size(); ++i) {
            meters[i].values = {float(10 * i), float(10 * i + 1), float(10 * i + 2), float(10 * i + 3)};
            links.push_back(std::make_unique<MeterLink>(meters[i], clock));
            cycles.push_back(std::make_unique<MonitorCycle>(*links[i], states[i], readings[i]));
        }
        session.setSources({{QStringLiteral("QZX"), QStringLiteral("A"), QStringLiteral("Oven A")},
                            {QStringLiteral("QZX"), QStringLiteral("B"), QString()},
                            {QStringLiteral("QZX"), QStringLiteral("C"), QString()}});
        QObject::connect(&session, &RecordingSession::rowAdded, [this](const SessionRow& r) { rows.push_back(r); });
        QObject::connect(&session, &RecordingSession::sampleAdded,
                         [this](const SessionSample&, std::uint8_t) { ++sourceZeroSamples; });
        step();  // the meters are found
        t0 = clock.nowDays();
    }
    std::vector<MonitorCycle*> all()
    {
        std::vector<MonitorCycle*> out;
        for (auto& c : cycles)
            out.push_back(c.get());
        return out;
    }
    void step()
    {
        std::uint32_t next = kProbeIntervalMs;
        for (auto& c : cycles)
            next = std::min(next, c->step().nextMs);
        session.takeDueRow(all());
        clock.advanceMs(next);
    }
    template <typename Change>
    void run(int ms, Change before)
    {
        const double end = clock.nowDays() + ms / 1000.0 * kSecond;
        while (clock.nowDays() < end - 1e-9) {
            before((clock.nowDays() - t0) / kSecond);
            step();
        }
    }
    int second(const SessionRow& r) const { return int(std::lround((r.time - t0) / kSecond)); }
};

}  // namespace

// Several meters make one row per sample time. A meter that goes away leaves gaps in its
// own channels only, comes back by itself, and its first reading after the gap says so;
// the others stay whole and on time. Each meter has statistics of its own, and source 0
// is what a view of four channels is told.
TEST(RecordingSession, SeveralMetersShareTheSampleTimesAndGapOnTheirOwn)
{
    SeveralRig rig;
    rig.session.start(settings(1, 12));
    // Meter B (index 1) is away from second 3.1 until it is found again after second 7.
    rig.run(20000, [&rig](double s) {
        rig.meters[1].present = !(s > 3.05 && s < 6.9);
        rig.meters[2].values[0] = float(20 + std::lround(s));
    });
    ASSERT_EQ(rig.session.state(), SessionState::Ended);
    ASSERT_EQ(rig.rows.size(), 12u);
    EXPECT_EQ(rig.session.sampleCount(), 12);
    EXPECT_EQ(rig.session.rows().size(), 12u);
    EXPECT_EQ(rig.sourceZeroSamples, 12);  // meter A never left
    std::vector<int> seconds, bPresent, bAfterGap;
    for (const SessionRow& r : rig.rows) {
        ASSERT_EQ(r.meters.size(), 3u);
        EXPECT_FALSE(r.afterMiss);
        EXPECT_TRUE(r.meters[0].present);
        EXPECT_TRUE(r.meters[2].present);
        EXPECT_FALSE(r.meters[0].afterGap);
        seconds.push_back(rig.second(r));
        bPresent.push_back(r.meters[1].present);
        bAfterGap.push_back(r.meters[1].afterGap);
    }
    EXPECT_EQ(seconds, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(bPresent, (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(bAfterGap, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    // Each meter's own values, in its own columns.
    EXPECT_FLOAT_EQ(rig.rows[5].meters[0].t[3], 3.0f);
    EXPECT_FLOAT_EQ(rig.rows[5].meters[2].t[0], 25.0f);
    EXPECT_EQ(rig.session.statistics(1).samples, 8);
    EXPECT_EQ(rig.session.statistics(2).samples, 12);
    EXPECT_FLOAT_EQ(rig.session.statistics(2).channels[0].maximum, 31.0f);
    EXPECT_FLOAT_EQ(rig.session.statistics(0).channels[0].maximum, 0.0f);

    // With every meter away, no row is due; the first one after says rows were missed.
    SeveralRig away;
    away.session.start(settings(1, 0, true));
    away.run(10000, [&away](double s) {
        for (FakeMeter& m : away.meters)
            m.present = !(s > 2.05 && s < 5.9);
    });
    std::vector<int> missedAt;
    for (const SessionRow& r : away.rows)
        if (r.afterMiss)
            missedAt.push_back(away.second(r));
    EXPECT_EQ(missedAt, (std::vector<int>{6}));
    for (const SessionRow& r : away.rows)
        for (const SessionMeterReading& m : r.meters)
            EXPECT_TRUE(m.present);  // a row is there only when the meters gave readings
}

// One meter through takeDueRow is the run of one meter: the same samples, and a row per
// sample for whoever observes rows.
TEST(RecordingSession, OneMeterRowsAreItsSamples)
{
    Rig one, viaRows;
    std::vector<SessionRow> rows;
    QObject::connect(&viaRows.session, &RecordingSession::rowAdded, [&](const SessionRow& r) { rows.push_back(r); });
    one.session.start(settings(2, 5));
    viaRows.session.start(settings(2, 5));
    for (int i = 0; i < 60; ++i) {
        one.meter.present = viaRows.meter.present = !(i > 20 && i < 35);
        const CycleTick a = one.cycle.step();
        one.session.takeDueSample(0, one.cycle);
        one.clock.advanceMs(a.nextMs);
        const CycleTick b = viaRows.cycle.step();
        viaRows.session.takeDueRow({&viaRows.cycle});
        viaRows.clock.advanceMs(b.nextMs);
    }
    ASSERT_EQ(one.session.samples().size(), 5u);
    ASSERT_EQ(viaRows.session.samples().size(), 5u);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(viaRows.session.rows().empty());  // one meter keeps samples only
    for (std::size_t i = 0; i < 5; ++i) {
        const SessionSample& s = viaRows.session.samples()[i];
        EXPECT_EQ(s.journal(), one.session.samples()[i].journal());
        EXPECT_EQ(s.afterMiss, one.session.samples()[i].afterMiss);
        EXPECT_EQ(rows[i].time, s.time);
        EXPECT_EQ(rows[i].afterMiss, s.afterMiss);
        ASSERT_EQ(rows[i].meters.size(), 1u);
        EXPECT_EQ(rows[i].meters[0].journal(rows[i].time), s.journal());
    }
}
