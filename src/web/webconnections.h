// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <optional>

#include "web/webrequest.h"

class QTcpSocket;

namespace kelvor {

// How long a connection may go without a byte moving either way, and how many plain
// HTTP connections may be open at once (the WebSockets have their own limit).
inline constexpr int kConnectionIdleMs = 15000;
inline constexpr int kMaxHttpConnections = 64;

// The answer to a request refused before the HTTP server reads it.
struct Refusal {
    int status = 400;
    QByteArray reason;  // "Bad Request"
    QString text;       // the body
};

// The listening socket of the browser view. Every connection it hands on is bounded
// before the HTTP server sees a byte: what may be buffered (a head, never a body), how
// long it may stall, and how many there are. A request head that is malformed, too large
// or has a body is answered here (400, 431, 413) and the connection closed; an upgrade
// to a WebSocket is checked by `upgrade` before the WebSocket server takes it over.
class WebListener : public QTcpServer {
    Q_OBJECT
public:
    using UpgradeCheck = std::function<std::optional<Refusal>(const RequestHead&)>;
    WebListener(std::optional<QSslConfiguration> tls, UpgradeCheck upgrade, QObject* parent = nullptr);

    int httpConnections() const { return m_open; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    friend class ConnectionGuard;
    std::optional<QSslConfiguration> m_tls;
    UpgradeCheck m_upgrade;
    int m_open = 0;
};

// Watches one connection for its listener (a child of the socket).
class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    ConnectionGuard(QTcpSocket& socket, WebListener& listener);
    ~ConnectionGuard() override;

private:
    void inspect();
    void refuse(const Refusal& r);
    // The connection became a WebSocket: the viewers' own limits apply from here on.
    void release();

    QTcpSocket& m_socket;
    QPointer<WebListener> m_listener;
    QTimer m_idle;
    bool m_counted = true;
};

// Writes a whole short answer and closes the connection after it.
void WriteRefusal(QTcpSocket& socket, const Refusal& r);

}  // namespace kelvor
