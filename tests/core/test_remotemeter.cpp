// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QLoggingCategory>
#include <QStringList>

#include "base/clock.h"
#include "publish/payloads.h"
#include "publish/remotemeter.h"
#include "session/recordingsession.h"

using namespace kelvor;

namespace {

// What the program's categories said while a test ran.
QStringList g_logged;
void keepLine(QtMsgType, const QMessageLogContext&, const QString& text) { g_logged << text; }

class LogCapture {
public:
    LogCapture()
    {
        g_logged.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("kelvor.meter=true"));
        m_previous = qInstallMessageHandler(keepLine);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QStringLiteral("kelvor.*=false"));
    }
    int count(const QString& part) const { return int(g_logged.filter(part).size()); }

private:
    QtMessageHandler m_previous = nullptr;
};

QByteArray sampleAt(const QDateTime& at, float t1, std::int64_t seq = 0)
{
    PayloadWriter w;
    return w.sample({toDays(at), 0, {t1, 21.5f, 22.f, 23.f}}, seq, 1);
}

TEST(MqttPayloadReader, ReadsBackWhatTheWriterWrites)
{
    PayloadWriter w;
    const QDateTime at(QDate(2026, 12, 11), QTime(14, 3, 5, 200));
    const std::array<float, 4> t{23.4f, -5.f, 1234.5f, 0.1f};
    for (const std::uint8_t flags : {std::uint8_t(0x00), std::uint8_t(0x21), std::uint8_t(0x99)}) {
        const Result<ReadingPayload> r = ReadReadingPayload(w.sample({toDays(at), flags, t}, 41, 7));
        ASSERT_TRUE(r) << r.error().toStdString();
        EXPECT_EQ(r->flags, flags);
        EXPECT_EQ(r->seq, 41);
        EXPECT_EQ(r->run, 7);
        EXPECT_EQ(r->time.toMSecsSinceEpoch(), at.toMSecsSinceEpoch());
        for (int c = 0; c < 4; ++c) {
            if (!(flags & (0x11u << c))) {
                EXPECT_EQ(r->t[std::size_t(c)], t[std::size_t(c)]) << "T" << c + 1;
            }
        }
    }
    const Result<ReadingPayload> live = ReadReadingPayload(w.live(toDays(at), t, 0));
    ASSERT_TRUE(live);
    EXPECT_EQ(live->seq, -1);

    RunAnnouncement a;
    a.run = 7;
    a.started = toDays(at);
    a.rateSeconds = 2;
    a.name = QStringLiteral("oven \"A\"");
    a.model = QStringLiteral("QZX");
    a.serial = QStringLiteral("KV4-00017");
    const Result<RunPayload> run = ReadRunPayload(RunStartedPayload(a));
    ASSERT_TRUE(run) << run.error().toStdString();
    EXPECT_TRUE(run->started);
    EXPECT_EQ(run->rateSeconds, 2);
    EXPECT_EQ(run->name, a.name);
    EXPECT_EQ(run->serial, a.serial);
    EXPECT_FALSE(ReadRunPayload(RunStoppedPayload(a, a.started + 0.01, 40))->started);
    EXPECT_TRUE(*ReadStatusPayload("online"));
    EXPECT_FALSE(*ReadStatusPayload("offline"));
}

TEST(MqttPayloadReader, RefusesWhatItCannotTrust)
{
    const QByteArray time = R"("time":"2026-12-11T14:03:05+01:00")";
    const QByteArray channels = R"("T2":2,"T3":3,"T4":4)";
    struct Case {
        QByteArray payload;
        const char* problem;
    };
    const Case cases[] = {
        {"", "no JSON"},
        {"{\"time\":", "no JSON"},
        {"[1,2]", "no JSON object"},
        {QByteArray(5000, ' ') + "{}", "more than 4096"},
        {"{" + channels + ",\"T1\":1}", "\"time\" is no text"},
        {R"({"time":"yesterday","T1":1,)" + channels + "}", "no ISO 8601"},
        {R"({"time":"2026-12-11T14:03:05","T1":1,)" + channels + "}", "no UTC offset"},
        {"{" + time + "," + channels + "}", "T1 is no number"},
        {"{" + time + R"(,"T1":"hot",)" + channels + "}", "T1 is no number"},
        {"{" + time + R"(,"T1":[1],)" + channels + "}", "T1 is no number"},
        {"{" + time + R"(,"T1":1e6,)" + channels + "}", "out of the meter's range"},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"seq":-1})", "\"seq\""},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"seq":1.5})", "\"seq\""},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"run":"7"})", "\"run\""},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"flags":{"OL":[5]}})", "no lists of channels"},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"flags":{"OL":[1,1]}})", "no lists of channels"},
        {"{" + time + R"(,"T1":1,)" + channels + R"(,"flags":{"OL":[1]}})", "disagree with T1"},
        {"{" + time + R"(,"T1":"OL",)" + channels + R"(,"flags":{"----":[1]}})", "disagree with T1"},
    };
    for (const Case& c : cases) {
        const Result<ReadingPayload> r = ReadReadingPayload(c.payload);
        ASSERT_FALSE(r) << c.payload.left(80).constData();
        EXPECT_TRUE(r.error().contains(QLatin1String(c.problem)))
            << c.payload.left(80).constData() << ": " << r.error().toStdString();
    }
    const Case runs[] = {
        {R"({"state":"paused","run":1,"rate_seconds":2})", "\"state\""},
        {R"({"state":"started","run":1,"rate_seconds":86400})", "\"rate_seconds\""},
        {R"({"state":"started","run":1,"rate_seconds":2,"serial":7})", "\"serial\" is no text"},
        {R"({"state":"started","run":1,"rate_seconds":2,"serial":"a\u0007b"})", "control character"},
        {R"({"state":"started","run":1,"rate_seconds":2,"model":")" + QByteArray(40, 'x') + "\"}", "longer than 32"},
    };
    for (const Case& c : runs) {
        const Result<RunPayload> r = ReadRunPayload(c.payload);
        ASSERT_FALSE(r) << c.payload.constData();
        EXPECT_TRUE(r.error().contains(QLatin1String(c.problem))) << r.error().toStdString();
    }
    EXPECT_FALSE(ReadStatusPayload("Online"));
    EXPECT_FALSE(ReadStatusPayload(QByteArray(100000, 'x')));
}

struct RemoteRig {
    ManualClock clock{QDateTime(QDate(2026, 12, 11), QTime(14, 0, 0))};
    MqttSettings settings = [] {
        MqttSettings s = ParseRemoteMeter(QStringLiteral("mqtt://127.0.0.1:1/lab/KV4-00017")).value();
        return s;
    }();
    RemoteMeter meter{settings, clock};
    MqttTopics topics{settings.prefix};

    void send(const QByteArray& topic, const QByteArray& payload)
    {
        meter.receive(topic, payload, int(payload.size()));
    }
    // A round 200 ms after the last.
    CycleTick round()
    {
        clock.advanceMs(200);
        return meter.step();
    }
};

// The reading is held while the publisher keeps sending and goes as the publisher does:
// when it says it is offline at once, when it falls silent after the hold, and a reading
// from before it went away does not come back with it.
TEST(RemoteMeter, HoldsTheNewestReadingUntilItsPublisherGoes)
{
    RemoteRig rig;
    EXPECT_EQ(rig.round().event, CycleEvent::ProbeFailed);
    rig.send(rig.topics.status, "online");
    rig.send(rig.topics.sample, sampleAt(rig.clock.now(), 30.f));
    EXPECT_EQ(rig.round().event, CycleEvent::Found);
    ASSERT_TRUE(rig.meter.hasReading());
    EXPECT_EQ(rig.meter.reading().T[0], 30.f);
    EXPECT_EQ(rig.round().event, CycleEvent::Reading);

    rig.send(rig.topics.status, "offline");
    EXPECT_EQ(rig.round().event, CycleEvent::Lost);
    EXPECT_FALSE(rig.meter.hasReading());
    EXPECT_EQ(rig.meter.gapReason(), QStringLiteral("its publisher is offline"));
    rig.send(rig.topics.status, "online");
    EXPECT_EQ(rig.round().event, CycleEvent::ProbeFailed) << "the old reading came back";

    // A reading a second, then silence: the hold is three intervals and at least 5 s.
    for (int i = 0; i < 5; ++i) {
        rig.clock.advanceMs(1000);
        rig.send(rig.topics.sample, sampleAt(rig.clock.now(), 31.f + float(i), i));
        rig.meter.step();
    }
    EXPECT_EQ(rig.meter.holdMs(), 5000);
    EXPECT_EQ(rig.meter.reading().T[0], 35.f);
    rig.clock.advanceMs(4800);
    EXPECT_EQ(rig.meter.step().event, CycleEvent::Reading);
    rig.clock.advanceMs(400);
    EXPECT_EQ(rig.meter.step().event, CycleEvent::Lost);
    EXPECT_TRUE(rig.meter.gapReason().startsWith(QStringLiteral("no reading for 5 s")))
        << rig.meter.gapReason().toStdString();

    // A publisher that samples every minute is current for three minutes.
    RunAnnouncement slow;
    slow.rateSeconds = 60;
    slow.serial = QStringLiteral("KV4-99999");
    slow.model = QStringLiteral("QZX");
    RemoteRig other;
    other.send(other.topics.run, RunStartedPayload(slow));
    other.send(other.topics.sample, sampleAt(other.clock.now(), 20.f));
    EXPECT_EQ(other.meter.holdMs(), 182000);
    EXPECT_EQ(other.meter.source().serial, QStringLiteral("KV4-99999"));
    EXPECT_EQ(rig.meter.source().serial, QStringLiteral("KV4-00017")) << "the prefix's last level";
}

// Every kind of bad message is dropped with one line in the log and leaves the reading
// held as it was; a flood is cut to a steady rate and its lines to a count.
TEST(RemoteMeter, DropsBadMessagesWithALineEach)
{
    RemoteRig rig;
    const QDateTime first = rig.clock.now();
    rig.send(rig.topics.sample, sampleAt(first, 40.f, 1));
    rig.round();
    ASSERT_EQ(rig.meter.reading().T[0], 40.f);
    LogCapture log;
    const QDateTime now = rig.clock.now();
    struct Case {
        QByteArray topic;
        QByteArray payload;
        int size;
        const char* line;
    };
    const Case cases[] = {
        {rig.topics.sample, "{not json", 9, "no JSON"},
        {rig.topics.sample, R"({"time":"2026-12-11T14:00:00+01:00","T1":true})", -1, "T1 is no number"},
        {rig.topics.live, QByteArray(), 100000, "a message of 100000 bytes"},
        {rig.topics.sample, sampleAt(now.addSecs(3600), 777.f), -1, "ahead of this computer's clock"},
        {rig.topics.sample, sampleAt(now.addDays(-400), 777.f), -1, "no current reading"},
        {rig.topics.sample, sampleAt(first.addMSecs(-100), 777.f), -1, "older than the one held"},
        {rig.topics.status, "maybe", 5, "neither \"online\" nor \"offline\""},
        {rig.topics.run, R"({"state":"started"})", 19, "\"run\" is no whole number"},
    };
    for (const Case& c : cases) {
        const int before = int(g_logged.size());
        rig.meter.receive(c.topic, c.payload, c.size < 0 ? int(c.payload.size()) : c.size);
        ASSERT_EQ(int(g_logged.size()), before + 1) << c.line;
        EXPECT_TRUE(g_logged.last().contains(QLatin1String(c.line))) << g_logged.last().toStdString();
        EXPECT_TRUE(g_logged.last().contains(QLatin1String("lab/KV4-00017 on 127.0.0.1:1")));
    }
    EXPECT_EQ(rig.round().event, CycleEvent::Reading);
    EXPECT_EQ(rig.meter.reading().T[0], 40.f);

    // A flood in one instant: the first hundred are read, the rest dropped, and the log
    // says ten of them and then, ten seconds on, one count.
    rig.clock.advanceMs(10000);
    rig.meter.step();
    g_logged.clear();
    for (int i = 0; i < 1000; ++i)
        rig.send(rig.topics.sample, sampleAt(rig.clock.now().addMSecs(i + 1), float(i), i + 2));
    EXPECT_EQ(rig.meter.reading().T[0], 99.f);
    EXPECT_EQ(log.count(QStringLiteral("more than 50 a second")), 10);
    rig.clock.advanceMs(10000);
    rig.send(rig.topics.sample, sampleAt(rig.clock.now(), 41.f, 2000));
    rig.meter.step();
    EXPECT_EQ(log.count(QStringLiteral("dropped 890 more messages")), 1) << g_logged.join('\n').toStdString();
    EXPECT_EQ(log.count(QStringLiteral("dropped")), 11);
}

// A remote meter beside a local one in a run of rows: each row holds the remote's
// newest reading, and a gap once it has gone.
TEST(RemoteMeter, IsASourceOfARunBesideAnother)
{
    RemoteRig rig;
    RecordingSession session(rig.clock);
    SessionSource here;
    here.serial = QStringLiteral("LOCAL");
    session.setSources({here, rig.meter.source()});
    SessionSettings settings;
    settings.rateSeconds = 1;
    settings.openEnded = true;
    settings.sampleFirstReading = true;
    session.start(settings);
    std::vector<SessionRow> rows;
    QObject::connect(&session, &RecordingSession::rowAdded, [&rows](const SessionRow& r) { rows.push_back(r); });

    // Source 0 stands in for a meter on this computer: a reading every round.
    struct Steady final : SampleSource {
        QDateTime at;
        int ticks = 0;
        std::uint16_t second = 0;
        bool taken = false;
        bool hasReading() const override { return !taken; }
        int secondsCounted() const override { return ticks; }
        void restartCount() override { ticks = 0; }
        const QDateTime& tickTime() const override { return at; }
        std::optional<CycleSample> takeDueSample(int rate) override
        {
            if (taken || ticks < rate)
                return std::nullopt;
            taken = true;
            ticks = 0;
            CycleSample s;
            s.time = at;
            s.days = toDays(at);
            s.T = {1, 2, 3, 4};
            return s;
        }
        void dueAtNextReading(int rate) override { ticks = rate; }
        void step(const QDateTime& now)
        {
            at = now;
            taken = false;
            if (std::uint16_t(now.time().second()) != second) {
                second = std::uint16_t(now.time().second());
                ++ticks;
            }
        }
    } local;

    for (int round = 0; round < 60; ++round) {  // 12 s
        rig.clock.advanceMs(200);
        if (round % 5 == 0 && round < 25)
            rig.send(rig.topics.sample, sampleAt(rig.clock.now(), 50.f + float(round), round));
        local.step(rig.clock.now());
        rig.meter.step();
        session.takeDueRow(std::vector<SampleSource*>{&local, &rig.meter});
    }
    ASSERT_GE(rows.size(), 12u);
    std::vector<float> remote;
    for (const SessionRow& r : rows) {
        ASSERT_TRUE(r.meters[0].present);
        remote.push_back(r.meters[1].present ? r.meters[1].t[0] : -1.f);
    }
    // Rows at 0.2 s and each whole second; readings at 0.2 to 4.2 s, each held until the
    // next comes; silent from 4.2 s, a gap once 5 s have passed.
    const std::vector<float> want{50, 50, 55, 60, 65, 70, 70, 70, 70, 70, -1, -1};
    EXPECT_EQ(std::vector<float>(remote.begin(), remote.begin() + 12), want);
}

}  // namespace
