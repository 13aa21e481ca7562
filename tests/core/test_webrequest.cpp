// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "web/webaccess.h"
#include "web/webrequest.h"

using namespace kelvor;

TEST(WebRequest, HeadsAreJudgedBeforeTheServerReadsThem)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        HeadVerdict verdict;
    };
    const QByteArray get = "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n";
    const Case cases[] = {
        {"a whole GET", get + "\r\n", HeadVerdict::Complete},
        {"HTTP/1.0 without Host", "GET / HTTP/1.0\r\n\r\n", HeadVerdict::Complete},
        {"half a head", get, HeadVerdict::Incomplete},
        {"nothing yet", "", HeadVerdict::Incomplete},
        {"binary bytes at once", QByteArray("\x16\x03\x01\x02\x00", 5), HeadVerdict::Malformed},
        {"a bare line feed", "GET / HTTP/1.1\nHost: a\n\n", HeadVerdict::Malformed},
        {"no version", "GET /\r\nHost: a\r\n\r\n", HeadVerdict::Malformed},
        {"HTTP/2 preface", "PRI * HTTP/2.0\r\n\r\n", HeadVerdict::Malformed},
        {"a target that is no path", "GET http://x/ HTTP/1.1\r\nHost: a\r\n\r\n", HeadVerdict::Malformed},
        {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\n\r\n", HeadVerdict::Malformed},
        {"two Hosts", get + "Host: other\r\n\r\n", HeadVerdict::Malformed},
        {"a folded header", get + " folded\r\n\r\n", HeadVerdict::Malformed},
        {"a header without colon", get + "Nonsense\r\n\r\n", HeadVerdict::Malformed},
        {"a control byte in a value",
         get + "X: a\x01"
               "b\r\n\r\n",
         HeadVerdict::Malformed},
        {"Content-Length not a number", get + "Content-Length: 1x\r\n\r\n", HeadVerdict::Malformed},
        {"a body", get + "Content-Length: 5\r\n\r\nhello", HeadVerdict::HasBody},
        {"a chunked body", get + "Transfer-Encoding: chunked\r\n\r\n", HeadVerdict::HasBody},
        {"an empty body", get + "Content-Length: 0\r\n\r\n", HeadVerdict::Complete},
        {"a head past the limit", get + "X: " + QByteArray(kMaxRequestHead, 'a'), HeadVerdict::TooLarge},
        {"too many headers", get + QByteArray("X: a\r\n").repeated(kMaxRequestHeaders) + "\r\n",
         HeadVerdict::Malformed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InspectRequestHead(c.bytes).verdict, c.verdict) << c.name;

    const QByteArray upgrade =
        "GET /ws?since=4 HTTP/1.1\r\nHost: h:1\r\nUpgrade: WebSocket\r\n"
        "Connection: keep-alive, Upgrade\r\nOrigin: http://h:1\r\n"
        "Authorization: bearer abc\r\n\r\n";
    const RequestHead ws = InspectRequestHead(upgrade + "GET / HTTP/1.1\r\n");
    ASSERT_EQ(ws.verdict, HeadVerdict::Complete);
    EXPECT_TRUE(ws.webSocket);
    EXPECT_EQ(ws.target, "/ws?since=4");
    EXPECT_EQ(ws.bearer, "abc");
    EXPECT_EQ(ws.origin, "http://h:1");
    EXPECT_EQ(ws.length, upgrade.size()) << "the next request is not part of this one";
    EXPECT_FALSE(InspectRequestHead(get + "Upgrade: websocket\r\n\r\n").webSocket) << "no Connection: upgrade";
}

TEST(WebRequest, TargetsNameARouteAndCheckedParameters)
{
    struct Case {
        const char* target;
        WebRouteKind kind;
        std::int64_t since;
        int limit;
    };
    const Case cases[] = {
        {"/", WebRouteKind::Page, 0, kDefaultRunLimit},
        {"/?token=a%2Db", WebRouteKind::Page, 0, kDefaultRunLimit},
        {"/api/run?since=12&limit=50", WebRouteKind::ApiRun, 12, 50},
        {"/api/run?limit=5000&&since=0&x=1", WebRouteKind::ApiRun, 0, 5000},
        {"/api/run?since=9007199254740992", WebRouteKind::ApiRun, std::int64_t(1) << 53, kDefaultRunLimit},
        {"/metrics?_=123", WebRouteKind::Metrics, 0, kDefaultRunLimit},
        {"/ws?since=3&run=2", WebRouteKind::Socket, 3, kDefaultRunLimit},
        {"/chart.js", WebRouteKind::Asset, 0, kDefaultRunLimit},
        {"/api/status/", WebRouteKind::NotFound, 0, kDefaultRunLimit},
        {"/API/status", WebRouteKind::NotFound, 0, kDefaultRunLimit},
        {"/../etc/passwd", WebRouteKind::NotFound, 0, kDefaultRunLimit},
        {"/api/run?since=-1", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=1e3", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=9007199254740993", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=1&since=2", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?limit=0", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?limit=5001", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=%", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=%4", WebRouteKind::BadRequest, 0, 0},
        {"/api/run?since=%zz", WebRouteKind::BadRequest, 0, 0},
        {"/?a#frag", WebRouteKind::BadRequest, 0, 0},
        {"no-slash", WebRouteKind::BadRequest, 0, 0},
    };
    for (const Case& c : cases) {
        const WebRoute r = ParseWebTarget(c.target);
        EXPECT_EQ(r.kind, c.kind) << c.target;
        if (c.kind == WebRouteKind::BadRequest) {
            EXPECT_FALSE(r.problem.isEmpty()) << c.target;
            continue;
        }
        EXPECT_EQ(r.since, c.since) << c.target;
        EXPECT_EQ(r.limit, c.limit) << c.target;
    }
    EXPECT_EQ(ParseWebTarget("/?token=a%2Db+c").token, "a-b c");
    EXPECT_EQ(ParseWebTarget("/ws?run=7").run, 7);
    EXPECT_EQ(ParseWebTarget("/api/run?" + QByteArray("a=1&").repeated(33)).kind, WebRouteKind::BadRequest);
}

TEST(WebRequest, ServeAddresses)
{
    struct Case {
        const char* text;
        const char* address;  // nullptr: refused
        int port;
        bool beyond;
    };
    const Case cases[] = {
        {"8080", "127.0.0.1", 8080, false},
        {"0", "127.0.0.1", 0, false},
        {"0.0.0.0:8080", "0.0.0.0", 8080, true},
        {"192.168.1.20:80", "192.168.1.20", 80, true},
        {"localhost:8080", "127.0.0.1", 8080, false},
        {"[::1]:8080", "::1", 8080, false},
        {"[::]:8080", "::", 8080, true},
        {"::1:8080", nullptr, 0, false},
        {"65536", nullptr, 0, false},
        {"-1", nullptr, 0, false},
        {"", nullptr, 0, false},
        {"host.example:80", nullptr, 0, false},
        {"127.0.0.1:", nullptr, 0, false},
        {"+80", nullptr, 0, false},
    };
    for (const Case& c : cases) {
        const Result<ServeAddress> r = ParseServeAddress(QString::fromLatin1(c.text));
        ASSERT_EQ(r.ok(), c.address != nullptr) << c.text;
        if (!c.address) {
            EXPECT_TRUE(r.error().contains(QLatin1String("[ADDRESS:]PORT"))) << c.text;
            continue;
        }
        EXPECT_EQ(r->address, QHostAddress(QString::fromLatin1(c.address))) << c.text;
        EXPECT_EQ(r->port, c.port) << c.text;
        EXPECT_EQ(r->beyondThisComputer(), c.beyond) << c.text;
    }
}

TEST(WebAccess, TokenHostAndOrigin)
{
    const WebAccess open{};
    const WebAccess shared{"s3cret"};
    const auto route = [](const char* target) { return ParseWebTarget(target); };
    struct Case {
        const char* name;
        const WebAccess& access;
        const char* target;
        const char* bearer;
        const char* host;
        const char* origin;
        AccessVerdict verdict;
    };
    const Case cases[] = {
        {"this computer by address", open, "/api/status", "", "127.0.0.1:8080", "", AccessVerdict::Allowed},
        {"this computer by name", open, "/metrics", "", "localhost:8080", "", AccessVerdict::Allowed},
        {"IPv6 loopback", open, "/", "", "[::1]:8080", "", AccessVerdict::Allowed},
        {"a name that points here", open, "/api/status", "", "evil.example:8080", "", AccessVerdict::Forbidden},
        {"no Host at all", open, "/api/status", "", "", "", AccessVerdict::Forbidden},
        {"another site's page on a WebSocket", open, "/ws", "", "127.0.0.1:8080", "http://evil.example",
         AccessVerdict::Forbidden},
        {"the page's own WebSocket", open, "/ws", "", "127.0.0.1:8080", "http://127.0.0.1:8080",
         AccessVerdict::Allowed},
        {"shared, no token", shared, "/api/status", "", "192.168.1.2:8080", "", AccessVerdict::Forbidden},
        {"shared, no token from here", shared, "/", "", "127.0.0.1:8080", "", AccessVerdict::Forbidden},
        {"shared, token in the query", shared, "/api/run?token=s3cret", "", "192.168.1.2:8080", "",
         AccessVerdict::Allowed},
        {"shared, bearer token", shared, "/metrics", "s3cret", "192.168.1.2:8080", "", AccessVerdict::Allowed},
        {"shared, a wrong token", shared, "/metrics?token=s3creT", "", "192.168.1.2:8080", "",
         AccessVerdict::Forbidden},
        {"shared, a longer token", shared, "/metrics?token=s3cret1", "", "192.168.1.2:8080", "",
         AccessVerdict::Forbidden},
        {"shared, the page's files", shared, "/app.js", "", "192.168.1.2:8080", "", AccessVerdict::Allowed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckAccess(c.access, route(c.target), c.bearer, c.host, c.origin), c.verdict) << c.name;

    const QByteArray a = NewAccessToken(), b = NewAccessToken();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 22);  // 128 bits
    EXPECT_EQ(ParseWebTarget("/?token=" + a).kind, WebRouteKind::Page) << "a made token travels in a link as it is";
}
