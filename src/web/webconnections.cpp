// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webconnections.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace kelvor {

void WriteRefusal(QTcpSocket& socket, const Refusal& r)
{
    const QByteArray body = r.text.toUtf8() + '\n';
    QByteArray reply =
        "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + r.reason +
        "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n" + body;
    socket.write(reply);
    socket.disconnectFromHost();
}

WebListener::WebListener(std::optional<QSslConfiguration> tls, UpgradeCheck upgrade, QObject* parent)
    : QTcpServer(parent), m_tls(std::move(tls)), m_upgrade(std::move(upgrade))
{
}

void WebListener::incomingConnection(qintptr handle)
{
    QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    if (m_open >= kMaxHttpConnections) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (!m_tls) {
            WriteRefusal(*socket, {503, "Service Unavailable",
                                   QStringLiteral("%1 connections are open; try again later").arg(m_open)});
        } else {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    // A head and a little more; the HTTP server's read waits while the buffer is full,
    // and the idle limit ends a connection that stays so.
    socket->setReadBufferSize(2 * kMaxRequestHead);
    new ConnectionGuard(*socket, *this);
    if (m_tls) {
        auto* tls = static_cast<QSslSocket*>(socket);
        tls->setSslConfiguration(*m_tls);
        tls->startServerEncryption();
    }
    addPendingConnection(socket);
}

ConnectionGuard::ConnectionGuard(QTcpSocket& socket, WebListener& listener)
    : QObject(&socket), m_socket(socket), m_listener(&listener)
{
    ++listener.m_open;
    m_idle.setSingleShot(true);
    m_idle.setInterval(kConnectionIdleMs);
    connect(&m_idle, &QTimer::timeout, &m_socket, &QTcpSocket::abort);
    // Connected before the HTTP server's own slot: the head is looked at before it is read.
    connect(&m_socket, &QTcpSocket::readyRead, this, &ConnectionGuard::inspect);
    connect(&m_socket, &QTcpSocket::bytesWritten, &m_idle, qOverload<>(&QTimer::start));
    m_idle.start();
}

ConnectionGuard::~ConnectionGuard()
{
    if (m_counted && m_listener)
        --m_listener->m_open;
}

void ConnectionGuard::inspect()
{
    const RequestHead head = InspectRequestHead(m_socket.peek(kMaxRequestHead));
    switch (head.verdict) {
        case HeadVerdict::Incomplete:
            return;
        case HeadVerdict::Malformed:
            refuse({400, "Bad Request", QStringLiteral("Malformed request: %1").arg(head.problem)});
            return;
        case HeadVerdict::TooLarge:
            refuse({431, "Request Header Fields Too Large",
                    QStringLiteral("The request head is larger than %1 bytes").arg(kMaxRequestHead)});
            return;
        case HeadVerdict::HasBody:
            refuse({413, "Content Too Large", QStringLiteral("This server takes no request bodies")});
            return;
        case HeadVerdict::Complete:
            break;
    }
    m_idle.start();
    if (!head.webSocket)
        return;
    if (m_listener && m_listener->m_upgrade) {
        if (const std::optional<Refusal> no = m_listener->m_upgrade(head)) {
            refuse(*no);
            return;
        }
    }
    release();
}

void ConnectionGuard::refuse(const Refusal& r)
{
    // The HTTP server reads nothing more of this connection.
    disconnect(&m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    WriteRefusal(m_socket, r);
}

void ConnectionGuard::release()
{
    // A viewer's kernel buffer stays small, so a client that stops reading shows as a
    // backlog here (and is dropped) rather than as megabytes queued out of sight.
    m_socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
    m_idle.stop();
    disconnect(&m_socket, nullptr, this, nullptr);
    disconnect(&m_socket, nullptr, &m_idle, nullptr);
    if (std::exchange(m_counted, false) && m_listener)
        --m_listener->m_open;
}

}  // namespace kelvor
