// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/mqttclient.h"

#include <mosquitto.h>
#include <QDateTime>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/eventlog.h"

namespace kelvor {

namespace {

constexpr int kKeepAliveSeconds = 15;
constexpr int kConnectTimeoutMs = 10000;
constexpr int kRefusedLoginDelayMs = 60000;
// A connection that held this long was a good one: the next failure starts the
// back-off again from its first wait.
constexpr qint64 kSteadyConnectionMs = 5000;

void initLibrary()
{
    static const int once = [] {
        mosquitto_lib_init();
        return 0;
    }();
    (void)once;
}

QByteArray local8(const QString& s) { return s.toLocal8Bit(); }

const char* orNull(const QByteArray& b) { return b.isEmpty() ? nullptr : b.constData(); }

// A file libmosquitto would read, checked first: its own message names no file.
QString unreadableFile(const QString& what, const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the %1 '%2' does not exist").arg(what, path);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("the %1 '%2' cannot be read").arg(what, path);
    return {};
}

}  // namespace

// The client's callbacks only note what happened; settle() acts on it after the call
// into the client has returned, so nothing re-enters the client from inside it.
struct MqttCallbacks {
    static void onConnect(mosquitto*, void* obj, int rc)
    {
        auto* c = static_cast<MqttClient*>(obj);
        c->m_gotConnack = true;
        c->m_connackCode = rc;
    }
    static void onDisconnect(mosquitto*, void* obj, int rc)
    {
        auto* c = static_cast<MqttClient*>(obj);
        c->m_disconnectErrno = errno;
        c->m_gotDisconnect = true;
        c->m_disconnectRc = rc;
    }
    static void onPublish(mosquitto*, void* obj, int mid) { static_cast<MqttClient*>(obj)->m_acked.push_back(mid); }
    static void onMessage(mosquitto*, void* obj, const mosquitto_message* m)
    {
        auto* c = static_cast<MqttClient*>(obj);
        // One read hands over a few messages at most; a bound keeps a flood from
        // piling up here before the owner sees it.
        if (!m || !m->topic || c->m_messages.size() >= 1000) {
            ++c->m_messagesDropped;
            return;
        }
        MqttClient::Message kept{QByteArray(m->topic), {}, std::max(0, m->payloadlen)};
        if (m->payloadlen > 0 && m->payloadlen <= c->m_longestMessage)
            kept.payload = QByteArray(static_cast<const char*>(m->payload), m->payloadlen);
        c->m_messages.push_back(std::move(kept));
    }
    static void onLog(mosquitto*, void* obj, int level, const char* text)
    {
        if (level == MOSQ_LOG_ERR && text)
            static_cast<MqttClient*>(obj)->m_lastLogError = QString::fromUtf8(text);
    }
};

MqttClient::MqttClient(QObject* parent) : QObject(parent)
{
    initLibrary();
    m_retryTimer.setSingleShot(true);
    m_connectTimeout.setSingleShot(true);
    m_keepAliveTimer.setInterval(1000);
    connect(&m_retryTimer, &QTimer::timeout, this, &MqttClient::attempt);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &MqttClient::keepAlive);
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("no answer from %1:%2 within %3 s")
                 .arg(m_settings.host)
                 .arg(m_settings.port)
                 .arg(kConnectTimeoutMs / 1000),
             false);
    });
}

MqttClient::~MqttClient() { destroyClient(); }

void MqttClient::setRetryDelays(int firstMs, int longestMs)
{
    m_firstDelayMs = firstMs;
    m_longestDelayMs = longestMs;
    m_delayMs = firstMs;
}

void MqttClient::start(const MqttSettings& settings, const MqttIdentity& identity)
{
    m_settings = settings;
    m_identity = identity;
    m_stopping = false;
    m_delayMs = m_firstDelayMs;
    attempt();
}

void MqttClient::stop()
{
    m_stopping = true;
    m_retryTimer.stop();
    m_connectTimeout.stop();
    if (m_mosq && m_state == State::Connected) {
        mosquitto_disconnect(m_mosq);
        // Writes the goodbye now if the socket takes it; the client goes either way.
        mosquitto_loop_write(m_mosq, 1);
    }
    destroyClient();
    setState(State::Idle);
}

QString MqttClient::statusText() const
{
    switch (m_state) {
        case State::Idle:
            return QStringLiteral("disconnected");
        case State::Connected:
            return QStringLiteral("connected");
        case State::Connecting:
            return m_problem.isEmpty() ? QStringLiteral("connecting")
                                       : QStringLiteral("reconnecting (%1)").arg(m_problem);
        case State::Waiting:
            return QStringLiteral("reconnecting (%1)").arg(m_problem);
    }
    return {};
}

bool MqttClient::configure(QString* problem)
{
    m_mosq = mosquitto_new(orNull(m_identity.clientId.toUtf8()), true, this);
    if (!m_mosq) {
        *problem = QStringLiteral("cannot make an MQTT client: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m_mosq, 0);  // the owner keeps its own window
    mosquitto_connect_callback_set(m_mosq, &MqttCallbacks::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttCallbacks::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttCallbacks::onPublish);
    mosquitto_log_callback_set(m_mosq, &MqttCallbacks::onLog);
    mosquitto_message_callback_set(m_mosq, &MqttCallbacks::onMessage);
    if (!m_settings.username.isEmpty() &&
        mosquitto_username_pw_set(m_mosq, m_settings.username.toUtf8().constData(),
                                  orNull(m_settings.password.toUtf8())) != MOSQ_ERR_SUCCESS) {
        *problem = QStringLiteral("the user name or password cannot be used");
        return false;
    }
    if (!m_identity.willTopic.isEmpty())
        mosquitto_will_set(m_mosq, m_identity.willTopic.constData(), int(m_identity.willPayload.size()),
                           m_identity.willPayload.constData(), 1, true);
    if (!m_settings.tls)
        return true;
    if (m_settings.caFile.isEmpty()) {
        *problem = QStringLiteral("TLS needs the CA file that signed the broker's certificate");
        return false;
    }
    for (const auto& [what, path] : {std::pair{QStringLiteral("CA file"), m_settings.caFile},
                                     std::pair{QStringLiteral("certificate"), m_settings.certFile},
                                     std::pair{QStringLiteral("key file"), m_settings.keyFile}}) {
        if (path.isEmpty())
            continue;
        if (QString why = unreadableFile(what, path); !why.isEmpty()) {
            *problem = why;
            return false;
        }
    }
    const QByteArray ca = local8(m_settings.caFile), cert = local8(m_settings.certFile),
                     key = local8(m_settings.keyFile);
    const int rc = mosquitto_tls_set(m_mosq, ca.constData(), nullptr, orNull(cert), orNull(key), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        *problem = QStringLiteral("the TLS files cannot be used: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    return true;
}

void MqttClient::attempt()
{
    destroyClient();
    m_gotConnack = m_gotDisconnect = false;
    m_acked.clear();
    m_messages.clear();
    m_lastLogError.clear();
    setState(State::Connecting);
    QString problem;
    if (!configure(&problem)) {
        fail(problem, false);
        return;
    }
    qCInfo(lcProgram, "MQTT: connecting to %s:%d", qPrintable(m_settings.host), m_settings.port);
    const int rc =
        mosquitto_connect_async(m_mosq, m_settings.host.toUtf8().constData(), m_settings.port, kKeepAliveSeconds);
    const int connectErrno = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        fail(reasonOf(rc), false);
        return;
    }
    // A refusal can come back at once, while the client writes its CONNECT: it closes
    // the socket and says so only through errno.
    if (mosquitto_socket(m_mosq) < 0) {
        errno = connectErrno;
        fail(reasonOf(MOSQ_ERR_ERRNO), false);
        return;
    }
    watchSocket();
    m_connectTimeout.start(kConnectTimeoutMs);
    settle(MOSQ_ERR_SUCCESS);
}

void MqttClient::watchSocket()
{
    m_fd = mosquitto_socket(m_mosq);
    if (m_fd < 0)
        return;
    m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &MqttClient::readable);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &MqttClient::writable);
    m_keepAliveTimer.start();
}

void MqttClient::dropSocket()
{
    // Before the client closes the descriptor (or right after): a notifier must not
    // outlive it, since the number may come back for another file.
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_fd = -1;
    m_keepAliveTimer.stop();
}

void MqttClient::destroyClient()
{
    dropSocket();
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
}

void MqttClient::readable()
{
    if (m_mosq)
        settle(mosquitto_loop_read(m_mosq, 1));
}

void MqttClient::writable()
{
    if (m_mosq)
        settle(mosquitto_loop_write(m_mosq, 1));
}

void MqttClient::keepAlive()
{
    if (m_mosq)
        settle(mosquitto_loop_misc(m_mosq));
}

int MqttClient::publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain)
{
    if (!m_mosq || m_state != State::Connected)
        return 0;
    int mid = 0;
    const int rc =
        mosquitto_publish(m_mosq, &mid, topic.constData(), int(payload.size()), payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        qCWarning(lcProgram, "MQTT: %s not published: %s", topic.constData(), mosquitto_strerror(rc));
        settle(rc == MOSQ_ERR_PAYLOAD_SIZE || rc == MOSQ_ERR_INVAL ? MOSQ_ERR_SUCCESS : rc);
        return 0;
    }
    settle(MOSQ_ERR_SUCCESS);
    return mid;
}

bool MqttClient::subscribe(const QByteArray& topic)
{
    if (!m_mosq || m_state != State::Connected)
        return false;
    const int rc = mosquitto_subscribe(m_mosq, nullptr, topic.constData(), 0);
    if (rc != MOSQ_ERR_SUCCESS) {
        qCWarning(lcProgram, "MQTT: cannot subscribe to %s: %s", topic.constData(), mosquitto_strerror(rc));
        settle(rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_MALFORMED_UTF8 ? MOSQ_ERR_SUCCESS : rc);
        return false;
    }
    settle(MOSQ_ERR_SUCCESS);
    return true;
}

bool MqttClient::writing() const { return m_mosq && m_fd >= 0 && mosquitto_want_write(m_mosq); }

void MqttClient::settle(int rc)
{
    if (m_gotConnack) {
        m_gotConnack = false;
        if (m_connackCode == 0) {
            m_connectTimeout.stop();
            m_problem.clear();
            m_connectedAtMs = QDateTime::currentMSecsSinceEpoch();
            qCInfo(lcProgram, "MQTT: connected to %s:%d", qPrintable(m_settings.host), m_settings.port);
            setState(State::Connected);
            emit connected();
        } else {
            // 4: bad user name or password, 5: not authorised. Waiting longer is the only
            // thing that helps until the user changes them.
            const bool login = m_connackCode == 4 || m_connackCode == 5;
            fail(QStringLiteral("the broker refused the connection: %1")
                     .arg(QString::fromUtf8(mosquitto_connack_string(m_connackCode))),
                 login);
            return;
        }
    }
    if (!m_acked.empty()) {
        const std::vector<int> acked = std::move(m_acked);
        m_acked.clear();
        for (const int mid : acked)
            emit published(mid);
    }
    if (!m_messages.empty() || m_messagesDropped > 0) {
        const std::vector<Message> messages = std::move(m_messages);
        m_messages.clear();
        if (const int dropped = std::exchange(m_messagesDropped, 0); dropped > 0)
            qCWarning(lcProgram, "MQTT: %d messages dropped unread: more came in one read than are kept", dropped);
        for (const Message& m : messages) {
            emit received(m.topic, m.payload, m.size);
            if (!m_mosq)
                return;  // the owner stopped the connection
        }
    }
    if (m_gotDisconnect || (rc != MOSQ_ERR_SUCCESS && m_mosq)) {
        const int why = m_gotDisconnect ? m_disconnectRc : rc;
        if (m_gotDisconnect)
            errno = m_disconnectErrno;
        m_gotDisconnect = false;
        if (!m_stopping)
            fail(reasonOf(why), false);
        return;
    }
    if (m_mosq && m_fd >= 0 && mosquitto_socket(m_mosq) != m_fd) {
        if (!m_stopping)
            fail(QStringLiteral("the connection closed"), false);
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttClient::fail(const QString& reason, bool refusedLogin)
{
    const bool wasConnected = m_state == State::Connected;
    destroyClient();
    m_connectTimeout.stop();
    if (wasConnected && QDateTime::currentMSecsSinceEpoch() - m_connectedAtMs >= kSteadyConnectionMs)
        m_delayMs = m_firstDelayMs;
    const int wait = refusedLogin ? std::max(m_delayMs, kRefusedLoginDelayMs) : m_delayMs;
    m_delayMs = std::min(m_delayMs * 2, m_longestDelayMs);
    const bool told = reason == m_problem;
    m_problem = reason;
    // Said once per reason: a broker that stays away for an hour is one line in the log.
    if (!told)
        qCWarning(lcProgram, "MQTT: %s:%d: %s; trying again in %d s", qPrintable(m_settings.host), m_settings.port,
                  qPrintable(reason), wait / 1000);
    setState(State::Waiting);
    m_retryTimer.start(wait);
    emit connectionLost(reason);
}

void MqttClient::setState(State state)
{
    m_state = state;
    const QString text = statusText();
    if (text != m_shownStatus) {
        m_shownStatus = text;
        emit statusChanged(text);
    }
}

QString MqttClient::reasonOf(int rc) const
{
    switch (rc) {
        case MOSQ_ERR_ERRNO:
            return errno ? QString::fromLocal8Bit(strerror(errno)).toLower() : QStringLiteral("connection lost");
        case MOSQ_ERR_EAI:
            return QStringLiteral("cannot find the host '%1'").arg(m_settings.host);
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_TLS_HANDSHAKE:
            return m_lastLogError.isEmpty() ? QStringLiteral("TLS failed")
                                            : QStringLiteral("TLS failed: %1").arg(m_lastLogError);
        case MOSQ_ERR_KEEPALIVE:
            return QStringLiteral("the broker stopped answering");
        case MOSQ_ERR_CONN_LOST:
            return QStringLiteral("connection lost");
        default:
            return QString::fromUtf8(mosquitto_strerror(rc)).toLower();
    }
}

}  // namespace kelvor
