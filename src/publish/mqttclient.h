// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "publish/mqttsettings.h"

struct mosquitto;
class QSocketNotifier;

namespace kelvor {

// What a connection says of itself when it starts: the client id and the last will
// (the broker publishes it, retained, when the connection dies without a goodbye).
struct MqttIdentity {
    QString clientId;
    QByteArray willTopic;
    QByteArray willPayload;
};

// One broker connection over libmosquitto, run by the program's own event loop: the
// client's socket is watched with QSocketNotifiers and its keep-alive driven by a timer,
// so nothing blocks and no thread or lock is added (the program is one-threaded). It
// connects and keeps connecting: after a failure it waits 1 s, then twice as long each
// time up to 30 s, and a refused login waits a minute, so a broker that is down or a
// wrong password never turns into a storm of attempts. Each attempt starts a fresh
// client, so nothing of an earlier connection is sent again behind the owner's back:
// the owner decides what to send again.
class MqttClient : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Connecting, Connected, Waiting };

    explicit MqttClient(QObject* parent = nullptr);
    ~MqttClient() override;

    // Connects to the broker of `settings` and keeps the connection up until stop().
    void start(const MqttSettings& settings, const MqttIdentity& identity);
    // Says goodbye (no last will) once what is queued is written, or at once.
    void stop();

    State state() const { return m_state; }
    bool isConnected() const { return m_state == State::Connected; }
    // "connected", "connecting", "reconnecting (connection refused)": for the status bar.
    QString statusText() const;
    // Why the last attempt or connection failed; empty while none has.
    const QString& lastProblem() const { return m_problem; }
    // The wait before the next attempt, while Waiting.
    int retryDelayMs() const { return m_delayMs; }

    // Hands a message to the connection; its message id (for published()), or 0 when
    // there is no connection or the client refused it (the reason is logged).
    int publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);
    // Asks the broker for the messages of `topic` (QoS 0) on this connection; false
    // without one. A new connection starts with none: ask again on connected().
    bool subscribe(const QByteArray& topic);
    // Messages larger than this come as received() with no payload and their size, so
    // the owner can say what it dropped (libmosquitto holds each whole while it reads).
    void setLongestMessage(int bytes) { m_longestMessage = bytes; }

    // Bytes are queued that the socket has not taken yet.
    bool writing() const;

    // For tests: the back-off's first and longest waits.
    void setRetryDelays(int firstMs, int longestMs);

signals:
    void connected();
    // The connection ended or an attempt failed; the next attempt is scheduled.
    void connectionLost(const QString& reason);
    // The broker acknowledged message `mid` (QoS 1), or it was written (QoS 0).
    void published(int mid);
    void statusChanged(const QString& text);
    // A message of a subscribed topic; `size` is its length, more than payload's when it
    // was too long to keep.
    void received(const QByteArray& topic, const QByteArray& payload, int size);

private:
    friend struct MqttCallbacks;
    void attempt();
    bool configure(QString* problem);
    void watchSocket();
    void dropSocket();
    void destroyClient();
    void readable();
    void writable();
    void keepAlive();
    // After every call into the client: hands on what its callbacks collected and
    // follows the socket.
    void settle(int rc);
    void fail(const QString& reason, bool refusedLogin);
    void setState(State state);
    QString reasonOf(int rc) const;

    MqttSettings m_settings;
    MqttIdentity m_identity;
    mosquitto* m_mosq = nullptr;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QTimer m_retryTimer;
    QTimer m_keepAliveTimer;
    QTimer m_connectTimeout;
    State m_state = State::Idle;
    QString m_problem;
    QString m_shownStatus;  // as statusChanged() last said it
    QString m_lastLogError;
    int m_firstDelayMs = 1000;
    int m_longestDelayMs = 30000;
    int m_delayMs = 1000;
    qint64 m_connectedAtMs = 0;
    bool m_stopping = false;
    // Collected by the callbacks, handed on by settle().
    bool m_gotConnack = false;
    int m_connackCode = 0;
    bool m_gotDisconnect = false;
    int m_disconnectRc = 0;
    int m_disconnectErrno = 0;
    std::vector<int> m_acked;
    struct Message {
        QByteArray topic;
        QByteArray payload;
        int size = 0;
    };
    std::vector<Message> m_messages;
    int m_messagesDropped = 0;  // beyond what one read may collect
    int m_longestMessage = 256 * 1024;
};

}  // namespace kelvor
