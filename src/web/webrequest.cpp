// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webrequest.h"

#include "base/hexdigit.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace kelvor {

namespace {

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    constexpr std::string_view extra = "!#$%&'*+-.^_`|~";
    return extra.find(c) != std::string_view::npos;
}

bool isVisible(char c) { return c > 0x20 && c < 0x7f; }

// A field value: visible characters, spaces, tabs and bytes above 0x7f (obs-text).
bool isFieldValueChar(char c) { return isVisible(c) || c == ' ' || c == '\t' || (unsigned char)c >= 0x80; }

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    return v;
}

bool equalsNoCase(QByteArrayView a, QByteArrayView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// True when the comma-separated list `value` holds `word` (any case).
bool listHas(QByteArrayView value, QByteArrayView word)
{
    while (!value.isEmpty()) {
        const qsizetype comma = value.indexOf(',');
        const QByteArrayView item = trimmed(comma < 0 ? value : value.first(comma));
        if (equalsNoCase(item, word))
            return true;
        value = comma < 0 ? QByteArrayView() : value.sliced(comma + 1);
    }
    return false;
}

RequestHead malformed(QString why)
{
    RequestHead h;
    h.verdict = HeadVerdict::Malformed;
    h.problem = std::move(why);
    return h;
}

// "GET /path HTTP/1.1"; false with `why` set when it is not such a line.
bool readRequestLine(QByteArrayView line, RequestHead& head, bool& http11, QString& why)
{
    const qsizetype sp1 = line.indexOf(' ');
    const qsizetype sp2 = sp1 < 0 ? -1 : line.indexOf(' ', sp1 + 1);
    if (sp1 <= 0 || sp2 < 0 || line.indexOf(' ', sp2 + 1) >= 0) {
        why = QStringLiteral("the request line is not METHOD TARGET VERSION");
        return false;
    }
    const QByteArrayView method = line.first(sp1);
    const QByteArrayView target = line.sliced(sp1 + 1, sp2 - sp1 - 1);
    const QByteArrayView version = line.sliced(sp2 + 1);
    if (method.size() > 16 || !std::all_of(method.begin(), method.end(), isTokenChar)) {
        why = QStringLiteral("the method is no method");
        return false;
    }
    if (target.isEmpty() || target.front() != '/' || target.size() > kMaxRequestTarget ||
        !std::all_of(target.begin(), target.end(), isVisible)) {
        why = QStringLiteral("the target is not a path of at most %1 visible characters").arg(kMaxRequestTarget);
        return false;
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        why = QStringLiteral("the version is not HTTP/1.0 or HTTP/1.1");
        return false;
    }
    head.method = method.toByteArray();
    head.target = target.toByteArray();
    http11 = version == "HTTP/1.1";
    return true;
}

// The header lines; fills what the view cares about. False with `why` when one is malformed.
bool readHeaders(QByteArrayView lines, RequestHead& head, bool http11, QString& why)
{
    int count = 0;
    bool host = false, upgradeWebSocket = false, connectionUpgrade = false;
    while (!lines.isEmpty()) {
        const qsizetype end = lines.indexOf("\r\n");
        const QByteArrayView line = end < 0 ? lines : lines.first(end);
        lines = end < 0 ? QByteArrayView() : lines.sliced(end + 2);
        if (++count > kMaxRequestHeaders) {
            why = QStringLiteral("more than %1 header lines").arg(kMaxRequestHeaders);
            return false;
        }
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView name = colon < 0 ? QByteArrayView() : line.first(colon);
        if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isTokenChar)) {
            why = QStringLiteral("a header line is not NAME: VALUE");
            return false;
        }
        const QByteArrayView raw = line.sliced(colon + 1);
        if (!std::all_of(raw.begin(), raw.end(), isFieldValueChar)) {
            why = QStringLiteral("a header value holds control characters");
            return false;
        }
        const QByteArrayView value = trimmed(raw);
        if (equalsNoCase(name, "host")) {
            if (host) {
                why = QStringLiteral("two Host headers");
                return false;
            }
            host = true;
            head.host = value.toByteArray();
        } else if (equalsNoCase(name, "origin")) {
            head.origin = value.toByteArray();
        } else if (equalsNoCase(name, "content-length")) {
            if (value.isEmpty() ||
                !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                why = QStringLiteral("Content-Length is not a number");
                return false;
            }
            if (value.size() > 1 || value.front() != '0')
                head.verdict = HeadVerdict::HasBody;
        } else if (equalsNoCase(name, "transfer-encoding")) {
            head.verdict = HeadVerdict::HasBody;
        } else if (equalsNoCase(name, "upgrade")) {
            upgradeWebSocket = equalsNoCase(value, "websocket");
        } else if (equalsNoCase(name, "connection")) {
            connectionUpgrade = listHas(value, "upgrade");
        } else if (equalsNoCase(name, "authorization")) {
            const QByteArrayView scheme("Bearer ");
            if (value.size() > scheme.size() && equalsNoCase(value.first(scheme.size()), scheme))
                head.bearer = trimmed(value.sliced(scheme.size())).toByteArray();
        }
    }
    if (http11 && !host) {
        why = QStringLiteral("an HTTP/1.1 request without Host");
        return false;
    }
    head.webSocket = upgradeWebSocket && connectionUpgrade;
    return true;
}

}  // namespace

RequestHead InspectRequestHead(QByteArrayView bytes)
{
    const QByteArrayView window = bytes.first(std::min(bytes.size(), kMaxRequestHead));
    const qsizetype blank = window.indexOf("\r\n\r\n");
    const QByteArrayView seen = blank < 0 ? window : window.first(blank);
    // Bytes no head may hold end the request at once rather than at the size limit.
    for (qsizetype i = 0; i < seen.size(); ++i) {
        const char c = seen[i];
        if ((unsigned char)c < 0x20 && c != '\r' && c != '\n' && c != '\t')
            return malformed(QStringLiteral("control characters in the request head"));
        if (c == '\n' && (i == 0 || seen[i - 1] != '\r'))
            return malformed(QStringLiteral("a line that does not end in CR LF"));
    }
    if (blank < 0) {
        if (window.size() >= kMaxRequestHead) {
            RequestHead h;
            h.verdict = HeadVerdict::TooLarge;
            return h;
        }
        return {};
    }
    RequestHead head;
    const qsizetype firstEnd = seen.indexOf("\r\n");
    const QByteArrayView requestLine = firstEnd < 0 ? seen : seen.first(firstEnd);
    bool http11 = false;
    QString why;
    if (!readRequestLine(requestLine, head, http11, why))
        return malformed(why);
    if (!readHeaders(firstEnd < 0 ? QByteArrayView() : seen.sliced(firstEnd + 2), head, http11, why))
        return malformed(why);
    if (head.verdict != HeadVerdict::HasBody)
        head.verdict = HeadVerdict::Complete;
    head.length = blank + 4;
    return head;
}

namespace {

// Percent-decoding of a query part ('+' is a space); nullopt on a broken escape.
std::optional<QByteArray> percentDecoded(QByteArrayView v)
{
    QByteArray out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '+') {
            out += ' ';
        } else if (c != '%') {
            out += c;
        } else {
            if (i + 2 >= v.size())
                return std::nullopt;
            const int hi = HexDigitValue(v[i + 1]), lo = HexDigitValue(v[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += char(hi * 16 + lo);
            i += 2;
        }
    }
    return out;
}

// A whole number 0..max written in decimal digits only.
std::optional<std::int64_t> wholeNumber(const QByteArray& text, std::int64_t max)
{
    if (text.isEmpty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::int64_t n = text.toLongLong();
    return n <= max ? std::optional(n) : std::nullopt;
}

struct PathRoute {
    const char* path;
    WebRouteKind kind;
    const char* asset;
};

constexpr std::array kPaths = {
    PathRoute{"/", WebRouteKind::Page, "index.html"},
    PathRoute{"/app.js", WebRouteKind::Asset, "app.js"},
    PathRoute{"/style.css", WebRouteKind::Asset, "style.css"},
    PathRoute{"/chart.js", WebRouteKind::Asset, "chart.js"},
    PathRoute{"/api/status", WebRouteKind::ApiStatus, ""},
    PathRoute{"/api/readings", WebRouteKind::ApiReadings, ""},
    PathRoute{"/api/run", WebRouteKind::ApiRun, ""},
    PathRoute{"/metrics", WebRouteKind::Metrics, ""},
    PathRoute{"/ws", WebRouteKind::Socket, ""},
};

WebRoute badRequest(QString why)
{
    WebRoute r;
    r.kind = WebRouteKind::BadRequest;
    r.problem = std::move(why);
    return r;
}

}  // namespace

WebRoute ParseWebTarget(QByteArrayView target)
{
    if (target.isEmpty() || target.front() != '/' || target.size() > kMaxRequestTarget)
        return badRequest(QStringLiteral("the target is not a path"));
    if (target.contains('#'))
        return badRequest(QStringLiteral("a fragment in the target"));
    const qsizetype question = target.indexOf('?');
    const QByteArrayView path = question < 0 ? target : target.first(question);
    QByteArrayView query = question < 0 ? QByteArrayView() : target.sliced(question + 1);

    WebRoute route;
    for (const PathRoute& p : kPaths) {
        if (path == p.path) {
            route.kind = p.kind;
            route.asset = p.asset;
        }
    }
    bool seen[4] = {};
    int parts = 0;
    while (!query.isEmpty()) {
        const qsizetype amp = query.indexOf('&');
        const QByteArrayView part = amp < 0 ? query : query.first(amp);
        query = amp < 0 ? QByteArrayView() : query.sliced(amp + 1);
        if (part.isEmpty())
            continue;
        if (++parts > 32)
            return badRequest(QStringLiteral("more than 32 query parameters"));
        const qsizetype eq = part.indexOf('=');
        const std::optional<QByteArray> key = percentDecoded(eq < 0 ? part : part.first(eq));
        const std::optional<QByteArray> value = percentDecoded(eq < 0 ? QByteArrayView() : part.sliced(eq + 1));
        if (!key || !value)
            return badRequest(QStringLiteral("a broken %-escape in the query"));
        const std::array<const char*, 4> known = {"since", "limit", "run", "token"};
        const auto which = std::find_if(known.begin(), known.end(), [&](const char* k) { return *key == k; });
        if (which == known.end())
            continue;  // a cache-buster or another program's parameter
        const std::size_t k = std::size_t(which - known.begin());
        if (std::exchange(seen[k], true))
            return badRequest(QStringLiteral("'%1' given twice").arg(QLatin1String(*which)));
        if (k == 0) {
            const auto n = wholeNumber(*value, std::int64_t(1) << 53);
            if (!n)
                return badRequest(QStringLiteral("'since' needs a sample number, 0 or more"));
            route.since = *n;
        } else if (k == 1) {
            const auto n = wholeNumber(*value, kMaxRunLimit);
            if (!n || *n < 1)
                return badRequest(QStringLiteral("'limit' needs a number from 1 to %1").arg(kMaxRunLimit));
            route.limit = int(*n);
        } else if (k == 2) {
            const auto n = wholeNumber(*value, std::int64_t(1) << 53);
            if (!n)
                return badRequest(QStringLiteral("'run' needs a run number"));
            route.run = *n;
        } else {
            if (value->size() > 128)
                return badRequest(QStringLiteral("the token is longer than 128 characters"));
            route.token = *value;
        }
    }
    return route;
}

Result<ServeAddress> ParseServeAddress(const QString& text)
{
    const auto refused = [&text](const QString& why) {
        return Result<ServeAddress>::failure(
            QStringLiteral("--serve needs [ADDRESS:]PORT, such as 8080 or 0.0.0.0:8080, not '%1': %2").arg(text, why));
    };
    ServeAddress serve;
    QString portText = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        QString host = text.left(colon);
        portText = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        else if (host.contains(QLatin1Char(':')))
            return refused(QStringLiteral("write an IPv6 address in brackets"));
        if (host == QLatin1String("localhost"))
            host = QStringLiteral("127.0.0.1");
        if (!serve.address.setAddress(host))
            return refused(QStringLiteral("'%1' is no IP address").arg(host));
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port > 65535 || portText.isEmpty() ||
        !std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; }))
        return refused(QStringLiteral("the port is a number from 0 to 65535"));
    serve.port = quint16(port);
    return serve;
}

}  // namespace kelvor
