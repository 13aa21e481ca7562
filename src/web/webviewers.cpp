// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webviewers.h"

#include <QJsonArray>
#include <QWebSocket>
#include <algorithm>

#include "base/clock.h"
#include "session/recordingsession.h"
#include "web/webjson.h"

namespace kelvor {

struct WebViewers::Viewer {
    std::unique_ptr<QWebSocket> socket;
    std::int64_t next = 0;  // the first sample it has not had
    qint64 movedAt = 0;     // when its bytes last went out (or it had none waiting)
};

WebViewers::WebViewers(WebModel& model, int maxViewers, QObject* parent)
    : QObject(parent), m_model(model), m_max(maxViewers)
{
    m_elapsed.start();
    m_stallCheck.setInterval(1000);
    connect(&m_stallCheck, &QTimer::timeout, this, &WebViewers::checkStalls);
}

WebViewers::~WebViewers() { closeAll(); }

namespace {

QString messageText(const QJsonObject& o) { return QString::fromUtf8(JsonText(o)); }

}  // namespace

QString WebViewers::hello() const
{
    return messageText({{QStringLiteral("type"), QStringLiteral("hello")},
                        {QStringLiteral("status"), StatusJson(m_model)},
                        {QStringLiteral("readings"), ReadingsJson(m_model)}});
}

void WebViewers::add(std::unique_ptr<QWebSocket> socket, std::int64_t since, std::optional<std::int64_t> run)
{
    QWebSocket* ws = socket.get();
    ws->setMaxAllowedIncomingFrameSize(1024);
    ws->setMaxAllowedIncomingMessageSize(1024);
    if (count() >= m_max) {
        // Closed with a reason the page shows; gone once the close is answered, or soon anyway.
        QWebSocket* refused = socket.release();
        refused->setParent(this);
        connect(refused, &QWebSocket::disconnected, refused, &QObject::deleteLater);
        QTimer::singleShot(5000, refused, &QWebSocket::abort);
        refused->close(QWebSocketProtocol::CloseCodePolicyViolated,
                       QStringLiteral("%1 viewers already watch; try again later").arg(m_max));
        return;
    }
    auto v = std::make_unique<Viewer>();
    v->socket = std::move(socket);
    // A client that saw another run has nothing of this one.
    v->next = run && *run == m_model.run ? std::clamp<std::int64_t>(since, 0, ServedCount(m_model)) : 0;
    v->movedAt = m_elapsed.elapsed();
    Viewer* viewer = v.get();
    connect(ws, &QWebSocket::disconnected, this, [this, ws] { drop(ws, false); });
    connect(ws, &QWebSocket::bytesWritten, this, [this, viewer] {
        viewer->movedAt = m_elapsed.elapsed();
        pump(*viewer);
    });
    // The view is read-only: what a client sends is not read.
    m_viewers.push_back(std::move(v));
    m_model.viewers = count();
    if (!m_stallCheck.isActive())
        m_stallCheck.start();
    ws->sendTextMessage(hello());
    pump(*viewer);
    emit countChanged(count());
}

QString WebViewers::batch(std::int64_t from, std::int64_t to)
{
    if (from == m_batchFrom && to == m_batchTo && m_model.run == m_batchRun)
        return m_batchText;
    QJsonArray samples;
    for (std::int64_t i = from; i < to; ++i)
        samples.append(ServedJson(m_model, i));
    m_batchFrom = from;
    m_batchTo = to;
    m_batchRun = m_model.run;
    m_batchText = messageText({{QStringLiteral("type"), QStringLiteral("samples")},
                               {QStringLiteral("run"), double(m_model.run)},
                               {QStringLiteral("samples"), samples}});
    return m_batchText;
}

void WebViewers::pump(Viewer& v)
{
    const std::int64_t kept = ServedCount(m_model);
    while (v.next < kept && v.socket->bytesToWrite() < kPumpBytes) {
        // Batches start at multiples of their size, so viewers at the same place share them.
        const std::int64_t to = std::min(kept, (v.next / kBatchSamples + 1) * kBatchSamples);
        v.socket->sendTextMessage(batch(v.next, to));
        v.next = to;
    }
}

void WebViewers::samplesAdded()
{
    for (auto& v : m_viewers)
        pump(*v);
}

void WebViewers::runRestarted()
{
    m_batchFrom = m_batchTo = -1;
    const QString message =
        messageText({{QStringLiteral("type"), QStringLiteral("run")}, {QStringLiteral("status"), StatusJson(m_model)}});
    for (auto& v : m_viewers) {
        v->next = 0;
        v->socket->sendTextMessage(message);
    }
}

void WebViewers::sendToAll(const QString& message, qint64 skipAbove)
{
    for (auto& v : m_viewers) {
        if (v->socket->bytesToWrite() < skipAbove)
            v->socket->sendTextMessage(message);
    }
}

void WebViewers::readingsChanged(bool now)
{
    if (m_viewers.empty())
        return;
    const std::uint32_t at = m_model.clock.tickMs();
    if (!now && m_readingsSent && at - m_readingsSentAt < std::uint32_t(kReadingsEveryMs))
        return;
    m_readingsSentAt = at;
    m_readingsSent = true;
    QJsonObject o = ReadingsJson(m_model);
    o.insert(QStringLiteral("type"), QStringLiteral("readings"));
    sendToAll(messageText(o), kReadingsSkipBytes);
}

void WebViewers::statusChanged()
{
    if (m_viewers.empty())
        return;
    QJsonObject o = StatusJson(m_model);
    o.insert(QStringLiteral("type"), QStringLiteral("status"));
    // A status is small and not repeated soon: it waits behind a backlog rather than be lost.
    sendToAll(messageText(o), 4 * kReadingsSkipBytes);
}

void WebViewers::drop(QWebSocket* socket, bool abort, bool now)
{
    const auto it =
        std::find_if(m_viewers.begin(), m_viewers.end(), [socket](const auto& v) { return v->socket.get() == socket; });
    if (it == m_viewers.end())
        return;
    QWebSocket* ws = (*it)->socket.release();
    m_viewers.erase(it);
    disconnect(ws, nullptr, this, nullptr);
    if (abort)
        ws->abort();
    if (now)
        delete ws;
    else
        ws->deleteLater();  // this may run inside one of its own signals
    m_model.viewers = count();
    if (m_viewers.empty())
        m_stallCheck.stop();
    emit countChanged(count());
}

void WebViewers::checkStalls()
{
    const qint64 now = m_elapsed.elapsed();
    std::vector<QWebSocket*> stalled;
    for (auto& v : m_viewers) {
        if (v->socket->bytesToWrite() == 0)
            v->movedAt = now;
        else if (now - v->movedAt > kStallMs)
            stalled.push_back(v->socket.get());
    }
    for (QWebSocket* ws : stalled)
        drop(ws, true);
}

void WebViewers::closeAll()
{
    while (!m_viewers.empty())
        drop(m_viewers.back()->socket.get(), true, true);
}

}  // namespace kelvor
