// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QUrl>
#include <memory>

#include "base/result.h"
#include "meter/monitorcycle.h"
#include "web/webaccess.h"
#include "web/webmodel.h"
#include "web/webrequest.h"
#include "web/webviewers.h"

namespace kelvor {

class Clock;
class RecordingSession;
class WebFront;
struct SessionSource;
struct LiveReading;

struct WebServeOptions {
    ServeAddress where;
    // The access token; empty: one is made when the view is shared beyond this computer.
    QByteArray token;
    // A PEM file with the certificate (and the private key, unless keyFile names it): HTTPS.
    QString certificateFile;
    QString keyFile;
    int maxViewers = kDefaultMaxViewers;
};

// The browser view of a run: a page, its API and Prometheus metrics over HTTP, live
// updates over WebSockets. Read-only; it listens only while started. It observes the
// recording session and is told each meter's state by whoever runs the monitor cycle;
// all of it runs on the caller's thread and never waits for a client.
class WebServer : public QObject {
    Q_OBJECT
public:
    explicit WebServer(Clock& clock, QObject* parent = nullptr);
    ~WebServer() override;

    Status start(const WebServeOptions& options);
    void stop();
    bool listening() const;
    quint16 port() const;
    const QByteArray& token() const { return m_access.token; }
    bool tls() const { return m_tls; }
    const ServeAddress& where() const { return m_where; }
    // The page's address for `host` (the listening address when empty), with the token.
    QUrl link(const QString& host = {}) const;

    // The run whose samples and state are served (none: only the readings).
    void watch(const RecordingSession* session);
    // The meters, as the monitor cycle sees them.
    void setMeterIdentity(int index, const QString& model, const QString& serial);
    // A meter of a run: its model, serial and the name the user gave it.
    void setMeterIdentity(int index, const SessionSource& source);
    void meterConnected(int index, bool connected);
    void meterReading(int index, const QDateTime& time, const LiveReading& reading);
    // What a tick of meter `index`'s monitor cycle brought: a reading, the meter found or lost.
    void tell(int index, const CycleTick& tick, const LiveReading& reading);

    int viewers() const;
    const WebModel& model() const { return m_model; }

signals:
    void viewersChanged(int viewers);

private:
    WebMeter& meter(int index);
    void runChanged();

    WebModel m_model;
    WebAccess m_access;
    ServeAddress m_where;
    bool m_tls = false;
    std::unique_ptr<WebFront> m_front;
    std::unique_ptr<WebViewers> m_viewers;  // after the front: closed before its sockets go
    QObject m_sessionContext;               // the session's connections end with it
};

}  // namespace kelvor
