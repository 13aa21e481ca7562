// SPDX-License-Identifier: GPL-3.0-or-later
// Publishing to a private mosquitto broker on 127.0.0.1 (skipped where mosquitto is
// missing). Each figure comes with an anchor measured in the same iteration:
//   per sample, QoS 1  - the program's CPU per sample taken by the session and
//                        acknowledged by the broker; anchor: a bare libmosquitto client
//                        sending the same payload as often with the same window,
//                        driving its own loop (the client library's floor)
//   backlog of 100,000 - samples of a run in the library that the broker has not
//                        acknowledged, sent from a cold start until all are; anchor: the
//                        bare client sending 100,000 ready payloads (x_target: against 30 s)
//   8 meters at 5 Hz   - eight sessions and publishers for 4 s of real time: the most
//                        samples any publisher was behind at a tick, and the CPU; anchor:
//                        the same sessions with nobody publishing
#include <benchmark/benchmark.h>
#include <mosquitto.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <ctime>
#include <memory>

#include "base/clock.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "publish/mqttsettings.h"
#include "publish/payloads.h"
#include "publish/publishpositions.h"
#include "publish/samplepublisher.h"
#include "session/recordingsession.h"

using namespace kelvor;

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// One broker for the whole program.
struct Broker {
    QTemporaryDir dir;
    QProcess process;
    int port = 0;
    bool up = false;

    Broker()
    {
        QString exe = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
        if (exe.isEmpty())
            exe = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
        if (exe.isEmpty())
            return;
        {
            QTcpServer s;
            s.listen(QHostAddress::LocalHost, 0);
            port = s.serverPort();
        }
        QFile conf(dir.filePath(QStringLiteral("b.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return;
        conf.write(
            QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\nmax_queued_messages 0\n").arg(port).toUtf8());
        conf.close();
        process.start(exe, {QStringLiteral("-c"), conf.fileName()});
        for (int i = 0; i < 200 && !up; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(port));
            up = probe.waitForConnected(50);
            if (!up)
                QThread::msleep(20);
        }
    }
    ~Broker()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

Broker& broker()
{
    static Broker b;
    return b;
}

MqttSettings settingsFor(const QString& prefix)
{
    MqttSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = broker().port;
    s.prefix = prefix;
    s.liveIntervalMs = 0;
    return s;
}

template <class Done>
bool spinUntil(Done done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// libmosquitto alone, in its own loop: `n` messages of `payload` at QoS 1, at most
// `window` unacknowledged. Wall and CPU ms.
std::pair<double, double> bareClient(const QByteArray& payload, int n, int window)
{
    struct State {
        int acked = 0;
        bool connected = false;
    } st;
    mosquitto* m = mosquitto_new("kelvor-bench-anchor", true, &st);
    mosquitto_max_inflight_messages_set(m, 0);
    mosquitto_connect_callback_set(m, [](mosquitto*, void* o, int rc) { static_cast<State*>(o)->connected = rc == 0; });
    mosquitto_publish_callback_set(m, [](mosquitto*, void* o, int) { ++static_cast<State*>(o)->acked; });
    mosquitto_connect(m, "127.0.0.1", broker().port, 30);
    while (!st.connected)
        mosquitto_loop(m, 10, 1);
    const double cpu0 = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    int sent = 0;
    while (st.acked < n) {
        while (sent < n && sent - st.acked < window) {
            mosquitto_publish(m, nullptr, "bench/anchor", int(payload.size()), payload.constData(), 1, false);
            ++sent;
        }
        mosquitto_loop(m, 10, 1);
    }
    const double cpu = threadCpuMs() - cpu0, ms = double(wall.nsecsElapsed()) / 1e6;
    mosquitto_disconnect(m);
    mosquitto_loop(m, 10, 1);
    mosquitto_destroy(m);
    return {ms, cpu};
}

CycleSample sampleAt(const QDateTime& start, int i)
{
    CycleSample s;
    s.time = start.addMSecs(200LL * i);
    s.days = toDays(s.time);
    for (int c = 0; c < 4; ++c)
        s.T[std::size_t(c)] = float(20.0 + 10.0 * std::sin(i * 0.01 + c));
    s.flags = i % 1000 == 0 ? 0x80 : 0;
    return s;
}

void BM_PublishSampleQos1(benchmark::State& state)
{
    if (!broker().up) {
        state.SkipWithError("mosquitto is not installed or did not start");
        return;
    }
    constexpr int n = 5000;
    ManualClock clock;
    for (auto _ : state) {
        RecordingSession session(clock);
        session.addSource({QStringLiteral("QZX"), QStringLiteral("BENCH")});
        SamplePublisher publisher(
            settingsFor(QStringLiteral("bench/qos1")), &session, [] { return std::int64_t(1); }, nullptr);
        publisher.start(QStringLiteral("QZX"), QStringLiteral("BENCH"));
        if (!spinUntil([&] { return publisher.client().isConnected(); }, 10000)) {
            state.SkipWithError("no connection to the broker");
            return;
        }
        SessionSettings s;
        s.keepSamples = false;
        s.openEnded = true;
        session.start(s);
        QCoreApplication::processEvents();
        const QDateTime t0 = clock.now();
        const double cpu0 = threadCpuMs();
        for (int i = 0; i < n; ++i) {
            session.takeSample(0, sampleAt(t0, i));
            if (i % 32 == 0)
                QCoreApplication::processEvents();
        }
        spinUntil([&] { return publisher.acknowledged() >= n; }, 60000);
        const double cpu = threadCpuMs() - cpu0;
        PayloadWriter w;
        const QByteArray payload = w.sample({toDays(t0), 0, {23.4f, 24.5f, 101.25f, -5.5f}}, 12345, 1);
        const auto [anchorMs, anchorCpu] = bareClient(payload, n, SamplePublisher::kWindow);
        (void)anchorMs;
        state.counters["cpu_us"] = 1000.0 * cpu / n;
        state.counters["anchor_cpu_us"] = 1000.0 * anchorCpu / n;
        state.counters["x_anchor"] = cpu / anchorCpu;
        state.counters["x_target"] = (1000.0 * cpu / n) / 50.0;
        session.stop();
        publisher.client().stop();
    }
}
BENCHMARK(BM_PublishSampleQos1)->Unit(benchmark::kMillisecond)->Iterations(1);

// A library holding one run of `n` samples, made once.
struct BacklogLibrary {
    QTemporaryDir dir;
    std::int64_t id = 0;
    explicit BacklogLibrary(int n)
    {
        LibraryAccess access(dir.path());
        Library* lib = access.get();
        RecordingHeader h;
        h.started = 46027.5;
        h.meterModel = QStringLiteral("QZX");
        h.meterSerial = QStringLiteral("BACKLOG");
        LibraryStatus st;
        id = lib->beginRecording(h, &st).value_or(0);
        std::vector<JournalSample> rows(10000);
        for (int first = 0; first < n; first += int(rows.size())) {
            for (std::size_t i = 0; i < rows.size(); ++i)
                rows[i] = {46027.5 + double(first + int(i)) / 86400.0, 0, {20.f, 21.f, 22.5f, float(i % 100)}};
            lib->appendSamples(id, first, rows.data(), rows.size());
        }
        lib->endRecording(id, kStateComplete, {}, {});
    }
};

void BM_Backlog100k(benchmark::State& state)
{
    if (!broker().up) {
        state.SkipWithError("mosquitto is not installed or did not start");
        return;
    }
    constexpr int n = 100000;
    static BacklogLibrary library(n);
    for (auto _ : state) {
        const MqttSettings settings = settingsFor(QStringLiteral("bench/backlog"));
        PublishPositions positions = PublishPositions::load(library.dir.path());
        positions.set(settings.brokerKey(QStringLiteral("BACKLOG")), library.id, 0);
        positions.save();
        LibraryAccess access(library.dir.path());
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = threadCpuMs();
        SamplePublisher publisher(settings, nullptr, {}, &access);
        publisher.start(QStringLiteral("QZX"), QStringLiteral("BACKLOG"));
        const bool done =
            spinUntil([&] { return publisher.unacknowledged() == 0 && publisher.acknowledged() >= n; }, 300000);
        const double ms = double(wall.nsecsElapsed()) / 1e6, cpu = threadCpuMs() - cpu0;
        publisher.client().stop();
        if (!done) {
            state.SkipWithError("the backlog was not acknowledged within 300 s");
            return;
        }
        PayloadWriter w;
        const QByteArray payload = w.sample({46027.5, 0, {20.f, 21.f, 22.5f, 42.f}}, 99999, library.id);
        const auto [anchorMs, anchorCpu] = bareClient(payload, n, SamplePublisher::kWindow);
        state.counters["backlog_s"] = ms / 1000.0;
        state.counters["cpu_s"] = cpu / 1000.0;
        state.counters["anchor_s"] = anchorMs / 1000.0;
        state.counters["anchor_cpu_s"] = anchorCpu / 1000.0;
        state.counters["x_anchor"] = ms / anchorMs;
        state.counters["x_target"] = ms / 30000.0;
    }
}
BENCHMARK(BM_Backlog100k)->Unit(benchmark::kMillisecond)->Iterations(1);

// Eight sessions taking a sample every 200 ms of real time for 4 s, with or without
// a publisher each: the CPU, and how far the publishers fell behind.
void eightMeters(bool publish, double& cpuMs, std::int64_t& mostBehind)
{
    ManualClock clock;
    std::vector<std::unique_ptr<RecordingSession>> sessions;
    std::vector<std::unique_ptr<SamplePublisher>> publishers;
    for (int m = 0; m < 8; ++m) {
        sessions.push_back(std::make_unique<RecordingSession>(clock));
        sessions.back()->addSource({QStringLiteral("QZX"), QStringLiteral("M%1").arg(m)});
        if (publish) {
            publishers.push_back(std::make_unique<SamplePublisher>(
                settingsFor(QStringLiteral("bench/m%1").arg(m)), sessions.back().get(), [] { return std::int64_t(1); },
                nullptr));
            publishers.back()->start(QStringLiteral("QZX"), QStringLiteral("M%1").arg(m));
        }
    }
    spinUntil(
        [&] {
            for (auto& p : publishers)
                if (!p->client().isConnected())
                    return false;
            return true;
        },
        10000);
    SessionSettings s;
    s.keepSamples = false;
    s.openEnded = true;
    for (auto& session : sessions)
        session->start(s);
    QCoreApplication::processEvents();
    const QDateTime t0 = clock.now();
    mostBehind = 0;
    const double cpu0 = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    for (int tick = 0; tick < 20; ++tick) {
        // What a publisher has not been acknowledged when its next sample comes.
        for (auto& p : publishers)
            mostBehind = std::max(mostBehind, p->unacknowledged());
        for (auto& session : sessions)
            session->takeSample(0, sampleAt(t0, tick));
        // The rest of the 200 ms in the event loop, as the program spends it.
        QEventLoop loop;
        QTimer::singleShot(std::max<qint64>(0, 200LL * (tick + 1) - wall.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    cpuMs = threadCpuMs() - cpu0;
    for (auto& p : publishers)
        p->client().stop();
}

void BM_EightMetersAt5Hz(benchmark::State& state)
{
    if (!broker().up) {
        state.SkipWithError("mosquitto is not installed or did not start");
        return;
    }
    for (auto _ : state) {
        double cpu = 0, anchorCpu = 0;
        std::int64_t behind = 0, none = 0;
        eightMeters(true, cpu, behind);
        eightMeters(false, anchorCpu, none);
        state.counters["cpu_ms"] = cpu;
        state.counters["anchor_cpu_ms"] = anchorCpu;
        state.counters["cpu_percent"] = cpu / 4000.0 * 100.0;
        state.counters["most_behind"] = double(behind);
    }
}
BENCHMARK(BM_EightMetersAt5Hz)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
