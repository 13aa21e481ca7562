// SPDX-License-Identifier: GPL-3.0-or-later
// The browser view's WebSocket stream from a client's side: each sample once and in
// order, the missed ones after a drop, the viewer limit, and a stalled client dropped
// while the others go on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <QtTest>

#include "base/clock.h"
#include "session/recordingsession.h"
#include "web/webserver.h"

using namespace kelvor;

namespace {

// A client that keeps every sample it was sent, in the order it came.
struct Viewer {
    QWebSocket socket;
    std::vector<std::int64_t> seqs;
    std::vector<double> firstValues;
    std::int64_t run = -1;
    Viewer()
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
            if (m[QStringLiteral("type")] == QLatin1String("hello"))
                run = m[QStringLiteral("status")][QStringLiteral("run")][QStringLiteral("number")].toInteger();
            if (m[QStringLiteral("type")] != QLatin1String("samples"))
                return;
            for (const QJsonValue s : m[QStringLiteral("samples")].toArray()) {
                seqs.push_back(s[QStringLiteral("seq")].toInteger());
                firstValues.push_back(s[QStringLiteral("values")][0].toDouble());
            }
        });
    }
    void open(quint16 port, const QString& query)
    {
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws%2").arg(port).arg(query)));
    }
};

bool onceInOrder(const std::vector<std::int64_t>& seqs, std::int64_t n)
{
    if (std::int64_t(seqs.size()) != n)
        return false;
    for (std::int64_t i = 0; i < n; ++i)
        if (seqs[std::size_t(i)] != i)
            return false;
    return true;
}

// A raw connection that upgrades and then never reads, with a small receive window.
int stalledClient(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        return -1;
    const QByteArray head = "GET /ws?since=0 HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                            "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    return ::send(fd, head.constData(), size_t(head.size()), 0) == head.size() ? fd : -1;
}

}  // namespace

class TestWebView : public QObject {
    Q_OBJECT
private:
    ManualClock m_clock;
    std::unique_ptr<RecordingSession> m_session;
    std::unique_ptr<WebServer> m_server;
    int m_taken = 0;

    void take(int n)
    {
        for (int i = 0; i < n; ++i, ++m_taken) {
            m_clock.advanceMs(1000);
            CycleSample s;
            s.time = m_clock.now();
            s.days = toDays(s.time);
            s.T = {float(m_taken), 20.0f, 30.0f, 40.0f};
            m_session->takeSample(0, s);
        }
    }

private slots:
    void init()
    {
        m_session = std::make_unique<RecordingSession>(m_clock);
        m_server = std::make_unique<WebServer>(m_clock);
        m_server->watch(m_session.get());
        QVERIFY(m_server->start({}).ok());
        QVERIFY(m_server->port() != 0);
        SessionSettings settings;
        settings.openEnded = true;
        m_session->start(settings);
        m_taken = 0;
    }
    void cleanup()
    {
        m_server.reset();
        m_session.reset();
    }

    void eachSampleOnceInOrderAndTheMissedOnesAfterADrop()
    {
        take(20);  // before the viewer came
        Viewer a;
        a.open(m_server->port(), QStringLiteral("?since=0"));
        QTRY_COMPARE(a.seqs.size(), std::size_t(20));
        take(1200);  // more than a batch, as it comes
        QTRY_COMPARE_WITH_TIMEOUT(a.seqs.size(), std::size_t(1220), 10000);
        QVERIFY(onceInOrder(a.seqs, 1220));
        for (std::size_t i = 0; i < a.firstValues.size(); ++i)
            QCOMPARE(a.firstValues[i], double(i));

        a.socket.close();
        QTRY_COMPARE(m_server->viewers(), 0);
        take(35);  // missed while away
        Viewer again;
        again.open(m_server->port(), QStringLiteral("?since=%1&run=%2").arg(a.seqs.size()).arg(a.run));
        QTRY_COMPARE(again.seqs.size(), std::size_t(35));
        take(5);
        QTRY_COMPARE(again.seqs.size(), std::size_t(40));
        a.seqs.insert(a.seqs.end(), again.seqs.begin(), again.seqs.end());
        QVERIFY(onceInOrder(a.seqs, 1260));

        // A new run: the viewer starts over from its first sample.
        m_session->start(SessionSettings{});
        take(3);
        QTRY_COMPARE(again.seqs.size(), std::size_t(43));
        QCOMPARE(again.seqs[40], 0);
        QCOMPARE(again.seqs[42], 2);
    }

    void theViewerPastTheLimitIsToldWhy()
    {
        std::vector<std::unique_ptr<Viewer>> viewers;
        for (int i = 0; i < kDefaultMaxViewers; ++i) {
            viewers.push_back(std::make_unique<Viewer>());
            viewers.back()->open(m_server->port(), QString());
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->viewers(), kDefaultMaxViewers, 10000);
        Viewer late;
        QSignalSpy closed(&late.socket, &QWebSocket::disconnected);
        late.open(m_server->port(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 10000);
        QCOMPARE(late.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QVERIFY2(late.socket.closeReason().contains(QLatin1String("32 viewers")),
                 qPrintable(late.socket.closeReason()));
        QCOMPARE(m_server->viewers(), kDefaultMaxViewers);
        viewers.clear();
        QTRY_COMPARE(m_server->viewers(), 0);
    }

    void aStalledViewerIsDroppedAndTheOthersGoOn()
    {
        Viewer healthy;
        healthy.open(m_server->port(), QStringLiteral("?since=0"));
        QTRY_COMPARE(m_server->viewers(), 1);
        const int fd = stalledClient(m_server->port());
        QVERIFY(fd >= 0);
        QTRY_COMPARE(m_server->viewers(), 2);
        // Far more than the stalled connection's buffers hold.
        for (int i = 0; i < 40; ++i) {
            take(500);
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(healthy.seqs.size(), std::size_t(20000), 20000);
        QVERIFY(onceInOrder(healthy.seqs, 20000));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->viewers(), 1, kStallMs + 10000);
        ::close(fd);
    }

    void viewersThatComeAndGoLeaveNoneBehind()
    {
        for (int i = 0; i < 100; ++i) {
            Viewer v;
            v.open(m_server->port(), QString());
            QTRY_VERIFY(v.run >= 0);
            v.socket.close();
            QTRY_COMPARE(m_server->viewers(), 0);
        }
        QCOMPARE(m_server->viewers(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWebView)
#include "tst_webview.moc"
