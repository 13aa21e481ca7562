// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <cstdint>
#include <optional>

#include "base/result.h"

namespace kelvor {

// What the browser view takes from a client, at most: one request head, no body.
inline constexpr qsizetype kMaxRequestHead = 8 * 1024;
inline constexpr qsizetype kMaxRequestTarget = 2048;
inline constexpr int kMaxRequestHeaders = 64;

// How far the bytes a client sent make a request head.
enum class HeadVerdict {
    Incomplete,  // no blank line yet, and nothing wrong so far
    Complete,
    Malformed,  // 400
    TooLarge,   // 431: the head goes past kMaxRequestHead
    HasBody,    // 413: no route takes a body
};

struct RequestHead {
    HeadVerdict verdict = HeadVerdict::Incomplete;
    qsizetype length = 0;  // bytes of the head, the blank line included (Complete only)
    QByteArray method;
    QByteArray target;       // as sent: the path and the query
    bool webSocket = false;  // asks to upgrade to a WebSocket
    QByteArray bearer;       // the token of "Authorization: Bearer TOKEN"
    QByteArray host;
    QByteArray origin;
    QString problem;  // why it is malformed, for the log
};

// Reads the request head at the start of `bytes` (what a connection has buffered) without
// trusting any of it: the request line, the header lines and the few headers the view
// cares about. Never reads past kMaxRequestHead.
RequestHead InspectRequestHead(QByteArrayView bytes);

// What a request asks for.
enum class WebRouteKind {
    Page,
    Asset,
    ApiStatus,
    ApiReadings,
    ApiRun,
    Metrics,
    Socket,
    NotFound,
    BadRequest,
};

inline constexpr int kDefaultRunLimit = 1000;
inline constexpr int kMaxRunLimit = 5000;

struct WebRoute {
    WebRouteKind kind = WebRouteKind::NotFound;
    QByteArray asset;  // Asset: the resource's name ("app.js")
    std::int64_t since = 0;
    int limit = kDefaultRunLimit;
    std::optional<std::int64_t> run;  // the run the client last saw
    QByteArray token;
    QString problem;  // BadRequest: what is wrong, said in the reply
};

// The route of a request target ("/api/run?since=10&token=..."): the path names the
// route exactly, the query's known keys (since, limit, run, token) are checked and
// percent-decoded, unknown keys are ignored.
WebRoute ParseWebTarget(QByteArrayView target);

// Where --serve listens: "[ADDRESS:]PORT"; no address: 127.0.0.1. Port 0 takes a free one.
struct ServeAddress {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 0;
    // Listens beyond this computer (anything but a loopback address).
    bool beyondThisComputer() const { return !address.isLoopback(); }
};
Result<ServeAddress> ParseServeAddress(const QString& text);

}  // namespace kelvor
