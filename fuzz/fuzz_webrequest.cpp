// SPDX-License-Identifier: GPL-3.0-or-later
// What a browser-view client sends before the HTTP server reads it: any bytes must give a
// verdict, and what passes must be a bounded head whose target names a route with
// parameters in range; the same bytes as a --serve address must parse or be refused.
#include <cstdlib>

#include "web/webaccess.h"
#include "web/webrequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const RequestHead head = InspectRequestHead(bytes);
    if (head.verdict == HeadVerdict::Complete) {
        if (head.length > bytes.size() || head.length > kMaxRequestHead || !head.target.startsWith('/'))
            std::abort();
        const WebRoute route = ParseWebTarget(head.target);
        if (route.kind != WebRouteKind::BadRequest &&
            (route.since < 0 || route.limit < 1 || route.limit > kMaxRunLimit || route.token.size() > 128))
            std::abort();
        (void)CheckAccess(WebAccess{"token"}, route, head.bearer, head.host, head.origin);
        (void)CheckAccess(WebAccess{}, route, head.bearer, head.host, head.origin);
    }
    // The bytes as a target by themselves (a WebSocket's URL reaches the parser this way).
    const WebRoute direct = ParseWebTarget(bytes);
    if (direct.kind == WebRouteKind::BadRequest && direct.problem.isEmpty())
        std::abort();
    const Result<ServeAddress> where = ParseServeAddress(QString::fromUtf8(bytes));
    if (!where.ok() && where.error().isEmpty())
        std::abort();
    return 0;
}
