// SPDX-License-Identifier: GPL-3.0-or-later
// The browser view's cost to the program: one second of kelvor-cli record over the
// simulated meter (five monitor ticks, one sample into the session and the library,
// the view told of each tick) with 32 viewers watching, in turns with the same second
// with the view listening and nobody watching; the same with eight meters in the run. The viewers are raw sockets in this
// process, drained after each second: their reading counts against the view.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "base/clock.h"
#include "benchsupport.h"
#include "library/libraryaccess.h"
#include "meter/choice/devicechoice.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"
#include "session/recordingsession.h"
#include "session/sessionjournal.h"
#include "web/webserver.h"

using namespace kelvor;

namespace {

// A viewer that upgrades and then reads whatever comes, without blocking.
int viewer(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        return -1;
    const QByteArray head = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                            "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    (void)::send(fd, head.constData(), size_t(head.size()), 0);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// kelvor-cli record with the view on: the meters, the run, the library, the server.
struct Recorder {
    struct Meter {
        std::unique_ptr<MeterDevice> device;
        std::unique_ptr<MeterLink> link;
        MonitorState state;
        LiveReading reading;
        std::unique_ptr<MonitorCycle> cycle;
    };
    QTemporaryDir dir;
    ManualClock clock;
    std::vector<std::unique_ptr<Meter>> meters;
    std::vector<MonitorCycle*> cycles;
    RecordingSession session{clock};
    std::unique_ptr<LibraryAccess> access;
    std::unique_ptr<SessionJournal> journal;
    WebServer server{clock};
    std::vector<int> viewers;

    Recorder(int watching, int meterCount)
    {
        std::vector<SessionSource> sources;
        for (int i = 0; i < meterCount; ++i) {
            auto m = std::make_unique<Meter>();
            QString error;
            const QString serial = QStringLiteral("BENCH-%1").arg(i);
            m->device = createSimDevice(meterCount > 1 ? QStringLiteral("serial=") + serial : QString(), clock, &error);
            m->link = std::make_unique<MeterLink>(*m->device, clock);
            m->cycle = std::make_unique<MonitorCycle>(*m->link, m->state, m->reading);
            cycles.push_back(m->cycle.get());
            meters.push_back(std::move(m));
            sources.push_back({QStringLiteral("QZX"), serial});
        }
        session.setSources(sources);
        access = std::make_unique<LibraryAccess>(dir.path());
        journal = std::make_unique<SessionJournal>(session, *access);
        access->get();
        server.watch(&session);
        (void)server.start({});
        for (int i = 0; i < watching; ++i)
            viewers.push_back(viewer(server.port()));
        while (server.viewers() < watching)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (int i = 0; i < 50 && !allConnected(); ++i)
            tick();
        SessionSettings s;
        s.rateSeconds = 1;
        s.openEnded = true;
        s.keepSamples = true;
        session.start(s);
    }
    ~Recorder()
    {
        for (const int fd : viewers)
            ::close(fd);
    }
    bool allConnected() const
    {
        return std::all_of(meters.begin(), meters.end(), [](const auto& m) { return m->state.Connected; });
    }
    void tick()
    {
        clock.advanceMs(200);
        for (std::size_t i = 0; i < meters.size(); ++i)
            server.tell(int(i), meters[i]->cycle->step(), meters[i]->reading);
        session.takeDueRow(cycles);
    }
    // One second of the program: five ticks, the view's writes, the viewers' reads.
    void second()
    {
        for (int i = 0; i < 5; ++i)
            tick();
        QCoreApplication::processEvents();
        char buffer[65536];
        for (const int fd : viewers)
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
            }
    }
};

// With several meters, each second's row carries all their channels to every viewer.
void BM_WebViewSecond(benchmark::State& state)
{
    const int meterCount = int(state.range(0));
    Recorder watched(kDefaultMaxViewers, meterCount);
    Recorder alone(0, meterCount);
    bench::RunPairs(
        state, 20, [&] { watched.second(); }, [&] { alone.second(); });
    // What the view adds to each of the second's monitor ticks, on average.
    state.counters["added_per_tick_us"] = (state.counters["us"] - state.counters["anchor_us"]) / 5.0;
    state.counters["viewers"] = watched.server.viewers();
    state.counters["meters"] = meterCount;
    state.counters["samples"] = double(watched.session.sampleCount());
}
BENCHMARK(BM_WebViewSecond)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }
