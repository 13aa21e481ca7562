// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webserver.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <map>

#include "base/eventlog.h"
#include "session/recordingsession.h"
#include "web/webconnections.h"
#include "web/webjson.h"
#include "web/webmetrics.h"

static void initWebPage() { Q_INIT_RESOURCE(webpage); }

namespace kelvor {

namespace {

using HttpStatus = QHttpServerResponder::StatusCode;

struct Asset {
    QByteArray type;
    QByteArray bytes;
};

// The page's files, read once from the program's resources.
std::map<QByteArray, Asset> loadAssets()
{
    initWebPage();
    const std::pair<const char*, const char*> files[] = {{"index.html", "text/html; charset=utf-8"},
                                                         {"app.js", "text/javascript; charset=utf-8"},
                                                         {"style.css", "text/css; charset=utf-8"},
                                                         {"chart.js", "text/javascript; charset=utf-8"}};
    std::map<QByteArray, Asset> assets;
    for (const auto& [name, type] : files) {
        QFile f(QStringLiteral(":/web/") + QLatin1String(name));
        if (f.open(QIODevice::ReadOnly))
            assets[name] = {type, f.readAll()};
    }
    return assets;
}

QByteArray bearerOf(const QHttpServerRequest& request)
{
    const QByteArray value = request.value("authorization").trimmed();
    return value.size() > 7 && value.left(7).compare("Bearer ", Qt::CaseInsensitive) == 0 ? value.mid(7).trimmed()
                                                                                          : QByteArray();
}

QByteArray targetOf(const QUrl& url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    return target;
}

const char* kForbidden = "This view needs its access token: open the link the program shows.";

}  // namespace

// The HTTP side: every request is routed here, answered whole, and nothing is written.
class WebFront : public QAbstractHttpServer {
public:
    WebFront(WebModel& model, const WebAccess& access, QObject* parent = nullptr)
        : QAbstractHttpServer(parent), m_model(model), m_access(access), m_assets(loadAssets())
    {
    }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        if (request.method() != QHttpServerRequest::Method::Get) {
            responder.write(QByteArray("Only GET is served here.\n"),
                            {{"Content-Type", "text/plain; charset=utf-8"}, {"Allow", "GET"}},
                            HttpStatus::MethodNotAllowed);
            return true;
        }
        const WebRoute route = ParseWebTarget(targetOf(request.url()));
        // This Qt hands an upgrade to the WebSocket server after it has been routed here:
        // the handshake answers it, so nothing may be written before.
        if (route.kind == WebRouteKind::Socket &&
            request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
            return true;
        if (route.kind == WebRouteKind::BadRequest) {
            text(responder, HttpStatus::BadRequest, route.problem.toUtf8());
            return true;
        }
        if (CheckAccess(m_access, route, bearerOf(request), request.value("host"), request.value("origin")) !=
            AccessVerdict::Allowed) {
            text(responder, HttpStatus::Forbidden, kForbidden);
            return true;
        }
        answer(responder, route);
        return true;
    }

    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        text(responder, HttpStatus::NotFound, "Not found.");
    }

private:
    static void text(QHttpServerResponder& r, HttpStatus status, const QByteArray& body)
    {
        r.write(body + '\n', {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-store"}}, status);
    }

    static void data(QHttpServerResponder& r, const QByteArray& type, const QByteArray& body)
    {
        r.write(body,
                {{"Content-Type", type},
                 {"Cache-Control", "no-store"},
                 {"X-Content-Type-Options", "nosniff"},
                 {"Referrer-Policy", "no-referrer"}},
                HttpStatus::Ok);
    }

    void answer(QHttpServerResponder& r, const WebRoute& route)
    {
        switch (route.kind) {
            case WebRouteKind::Page:
            case WebRouteKind::Asset: {
                const auto it = m_assets.find(route.asset);
                if (it == m_assets.end()) {
                    text(r, HttpStatus::NotFound, "Not found.");
                    return;
                }
                // The page runs only its own files and talks only to this server.
                r.write(it->second.bytes,
                        {{"Content-Type", it->second.type},
                         {"Cache-Control", "no-store"},
                         {"X-Content-Type-Options", "nosniff"},
                         {"Referrer-Policy", "no-referrer"},
                         {"X-Frame-Options", "DENY"},
                         {"Content-Security-Policy",
                          "default-src 'self'; connect-src 'self' ws: wss:; img-src 'self' data:; "
                          "frame-ancestors 'none'"}},
                        HttpStatus::Ok);
                return;
            }
            case WebRouteKind::ApiStatus:
                data(r, "application/json", JsonText(StatusJson(m_model)));
                return;
            case WebRouteKind::ApiReadings:
                data(r, "application/json", JsonText(ReadingsJson(m_model)));
                return;
            case WebRouteKind::ApiRun:
                data(r, "application/json", JsonText(RunJson(m_model, route.since, route.limit)));
                return;
            case WebRouteKind::Metrics:
                data(r, "text/plain; version=0.0.4; charset=utf-8", MetricsText(m_model));
                return;
            case WebRouteKind::Socket:
                text(r, HttpStatus::BadRequest, "/ws takes a WebSocket upgrade.");
                return;
            case WebRouteKind::NotFound:
            case WebRouteKind::BadRequest:
                break;
        }
        text(r, HttpStatus::NotFound, "Not found.");
    }

    WebModel& m_model;
    const WebAccess& m_access;
    std::map<QByteArray, Asset> m_assets;
};

WebServer::WebServer(Clock& clock, QObject* parent) : QObject(parent), m_model(clock) { m_model.meters.resize(1); }

WebServer::~WebServer() { stop(); }

namespace {

// The TLS settings from a PEM certificate and key; a message naming the file on failure.
Result<QSslConfiguration> tlsFrom(const QString& certificateFile, const QString& keyFile)
{
    if (!QSslSocket::supportsSsl())
        return Result<QSslConfiguration>::failure(QStringLiteral("this system's Qt has no TLS support"));
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
    if (chain.isEmpty())
        return Result<QSslConfiguration>::failure(QStringLiteral("no PEM certificate in \"%1\"").arg(certificateFile));
    const QString keyPath = keyFile.isEmpty() ? certificateFile : keyFile;
    QFile f(keyPath);
    if (!f.open(QIODevice::ReadOnly))
        return Result<QSslConfiguration>::failure(
            QStringLiteral("cannot read \"%1\": %2").arg(keyPath, f.errorString()));
    const QByteArray pem = f.read(1024 * 1024);
    QSslKey key;
    for (const QSsl::KeyAlgorithm a : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        key = QSslKey(pem, a, QSsl::Pem);
        if (!key.isNull())
            break;
    }
    if (key.isNull())
        return Result<QSslConfiguration>::failure(
            QStringLiteral("no unencrypted PEM private key in \"%1\"").arg(keyPath));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

}  // namespace

Status WebServer::start(const WebServeOptions& options)
{
    stop();
    std::optional<QSslConfiguration> tls;
    if (!options.certificateFile.isEmpty()) {
        Result<QSslConfiguration> made = tlsFrom(options.certificateFile, options.keyFile);
        if (!made)
            return Status::failure(made.error());
        tls = *made;
    }
    m_where = options.where;
    m_access.token = options.token;
    if (m_access.token.isEmpty() && m_where.beyondThisComputer())
        m_access.token = NewAccessToken();
    m_tls = tls.has_value();

    m_front = std::make_unique<WebFront>(m_model, m_access);
    m_viewers = std::make_unique<WebViewers>(m_model, options.maxViewers);
    connect(m_viewers.get(), &WebViewers::countChanged, this, &WebServer::viewersChanged);
    const auto upgrade = [this](const RequestHead& head) -> std::optional<Refusal> {
        const WebRoute route = ParseWebTarget(head.target);
        if (route.kind == WebRouteKind::BadRequest)
            return Refusal{400, "Bad Request", route.problem};
        if (route.kind != WebRouteKind::Socket)
            return Refusal{404, "Not Found", QStringLiteral("Only /ws takes a WebSocket.")};
        if (CheckAccess(m_access, route, head.bearer, head.host, head.origin) != AccessVerdict::Allowed)
            return Refusal{403, "Forbidden", QString::fromLatin1(kForbidden)};
        return std::nullopt;
    };
    auto* listener = new WebListener(tls, upgrade);
    if (!listener->listen(m_where.address, m_where.port)) {
        const QString why = QStringLiteral("cannot listen on %1 port %2: %3")
                                .arg(m_where.address.toString())
                                .arg(m_where.port)
                                .arg(listener->errorString());
        delete listener;
        m_viewers.reset();
        m_front.reset();
        return Status::failure(why);
    }
    m_front->bind(listener);
    connect(m_front.get(), &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (m_front && m_front->hasPendingWebSocketConnections()) {
            std::unique_ptr<QWebSocket> ws = m_front->nextPendingWebSocketConnection();
            if (!ws)
                break;
            const WebRoute route = ParseWebTarget(targetOf(ws->requestUrl()));
            m_viewers->add(std::move(ws), route.since, route.run);
        }
    });
    qCInfo(lcProgram, "browser view on %s port %u%s", qPrintable(m_where.address.toString()), unsigned(port()),
           m_access.token.isEmpty() ? "" : " (token needed)");
    return {};
}

void WebServer::stop()
{
    if (!m_front)
        return;
    m_viewers->closeAll();
    m_viewers.reset();
    m_front.reset();
    m_model.viewers = 0;
    emit viewersChanged(0);
}

bool WebServer::listening() const { return m_front != nullptr; }

quint16 WebServer::port() const
{
    if (!m_front)
        return 0;
    const QList<QTcpServer*> servers = m_front->servers();
    return servers.isEmpty() ? 0 : servers.front()->serverPort();
}

QUrl WebServer::link(const QString& host) const
{
    QString shown = host;
    if (shown.isEmpty()) {
        shown = m_where.address.toString();
        if (m_where.address == QHostAddress::Any || m_where.address == QHostAddress::AnyIPv4 ||
            m_where.address == QHostAddress::AnyIPv6) {
            shown = QStringLiteral("127.0.0.1");
            for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
                if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLinkLocal()) {
                    shown = a.toString();
                    break;
                }
            }
        }
    }
    QUrl url;
    url.setScheme(m_tls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(shown);
    url.setPort(port());
    url.setPath(QStringLiteral("/"));
    if (!m_access.token.isEmpty())
        url.setQuery(QStringLiteral("token=") + QString::fromLatin1(m_access.token));
    return url;
}

void WebServer::watch(const RecordingSession* session)
{
    if (m_model.session)
        QObject::disconnect(m_model.session, nullptr, &m_sessionContext, nullptr);
    m_model.session = session;
    if (!session)
        return;
    // Every sample time, whether or not the first meter gave a reading at it.
    connect(session, &RecordingSession::rowAdded, &m_sessionContext, [this] {
        if (m_viewers)
            m_viewers->samplesAdded();
    });
    connect(session, &RecordingSession::alarmEvent, &m_sessionContext, [this] {
        if (m_viewers)
            m_viewers->statusChanged();
    });
    connect(session, &RecordingSession::stateChanged, &m_sessionContext, [this](SessionState s) {
        if (s == SessionState::Recording) {
            // The run names its meters.
            const auto& sources = m_model.session->sources();
            for (std::size_t i = 0; i < sources.size(); ++i)
                if (!sources[i].model.isEmpty())
                    setMeterIdentity(int(i), sources[i]);
            runChanged();
        } else if (m_viewers)
            m_viewers->statusChanged();
    });
    connect(session, &RecordingSession::cleared, &m_sessionContext, [this] { runChanged(); });
}

void WebServer::runChanged()
{
    ++m_model.run;
    if (m_viewers)
        m_viewers->runRestarted();
}

WebMeter& WebServer::meter(int index)
{
    const std::size_t i = std::size_t(std::max(0, index));
    if (i >= m_model.meters.size())
        m_model.meters.resize(i + 1);
    return m_model.meters[i];
}

void WebServer::setMeterIdentity(int index, const QString& model, const QString& serial)
{
    WebMeter& m = meter(index);
    m.model = model;
    m.serial = serial;
}

void WebServer::setMeterIdentity(int index, const SessionSource& source)
{
    setMeterIdentity(index, source.model, source.serial);
    meter(index).name = source.name;
}

void WebServer::meterConnected(int index, bool connected)
{
    WebMeter& m = meter(index);
    if (m.connected == connected)
        return;
    m.connected = connected;
    if (!connected)
        m.hasReading = false;
    if (m_viewers) {
        m_viewers->readingsChanged(true);
        m_viewers->statusChanged();
    }
}

void WebServer::meterReading(int index, const QDateTime& time, const LiveReading& reading)
{
    WebMeter& m = meter(index);
    m.connected = true;
    m.hasReading = true;
    m.time = time;
    m.reading = reading;
    if (m_viewers)
        m_viewers->readingsChanged();
}

void WebServer::tell(int index, const CycleTick& tick, const LiveReading& reading)
{
    if (tick.event == CycleEvent::Reading)
        meterReading(index, tick.time, reading);
    else if (tick.event == CycleEvent::Found)
        meterConnected(index, true);
    else if (tick.event == CycleEvent::Lost)
        meterConnected(index, false);
}

int WebServer::viewers() const { return m_viewers ? m_viewers->count() : 0; }

}  // namespace kelvor
