// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webaccess.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <array>

namespace kelvor {

namespace {

// Compares in time that does not depend on where the texts differ.
bool sameSecret(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= (unsigned char)(a[i] ^ b[i]);
    return diff == 0;
}

// The host part of a Host header ("127.0.0.1:8080", "[::1]:8080", "localhost").
QByteArrayView hostName(QByteArrayView host)
{
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        return close < 0 ? QByteArrayView() : host.sliced(1, close - 1);
    }
    const qsizetype colon = host.indexOf(':');
    return colon < 0 ? host : host.first(colon);
}

bool namesThisComputer(QByteArrayView host)
{
    const QByteArrayView name = hostName(host);
    if (name.compare("localhost", Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(QString::fromLatin1(name)) && address.isLoopback();
}

}  // namespace

QByteArray NewAccessToken()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray raw(reinterpret_cast<const char*>(words.data()), qsizetype(sizeof words));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

AccessVerdict CheckAccess(const WebAccess& access, const WebRoute& route, QByteArrayView bearer, QByteArrayView host,
                          QByteArrayView origin)
{
    if (route.kind == WebRouteKind::Asset || route.kind == WebRouteKind::NotFound ||
        route.kind == WebRouteKind::BadRequest)
        return AccessVerdict::Allowed;  // no data of the run in them
    if (route.kind == WebRouteKind::Socket && !origin.isEmpty()) {
        const qsizetype scheme = origin.indexOf("://");
        if (scheme < 0 || origin.sliced(scheme + 3).compare(host, Qt::CaseInsensitive) != 0)
            return AccessVerdict::Forbidden;
    }
    if (access.token.isEmpty())
        return namesThisComputer(host) ? AccessVerdict::Allowed : AccessVerdict::Forbidden;
    const QByteArrayView given = !route.token.isEmpty() ? QByteArrayView(route.token) : bearer;
    return sameSecret(given, access.token) ? AccessVerdict::Allowed : AccessVerdict::Forbidden;
}

}  // namespace kelvor
