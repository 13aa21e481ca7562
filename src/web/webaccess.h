// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "web/webrequest.h"

namespace kelvor {

// Who may read the view. On this computer only (a loopback address) nobody needs a token;
// shared beyond it, every request but the page's static files needs the access token.
struct WebAccess {
    QByteArray token;  // empty: none needed
};

// A random access token: 128 bits from the system's generator, base64url without padding.
QByteArray NewAccessToken();

enum class AccessVerdict { Allowed, Forbidden };

// What a request may see, from its route, its "Authorization: Bearer" token and its Host
// and Origin headers. Without a token, only requests addressed to this computer by
// address or as localhost pass, so that no web site can read the view through a name that
// points here; a WebSocket's Origin, when sent, must be the host asked for, so no other
// site's page can watch through the visitor's browser.
AccessVerdict CheckAccess(const WebAccess& access, const WebRoute& route, QByteArrayView bearer, QByteArrayView host,
                          QByteArrayView origin);

}  // namespace kelvor
