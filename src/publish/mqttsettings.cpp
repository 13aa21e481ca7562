// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/mqttsettings.h"

#include <QUrl>

namespace kelvor {

namespace {

constexpr int kPlainPort = 1883;
constexpr int kTlsPort = 8883;

QString serialLevel(const QString& serial)
{
    const QString level = TopicLevel(serial);
    return level.isEmpty() ? QStringLiteral("unknown") : level;
}

}  // namespace

QString TopicLevel(const QString& text)
{
    // A serial is a few characters; one that is not cannot make a topic too long.
    QString level = text.trimmed().left(100);
    for (QChar& c : level)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.unicode() < 0x20 ||
            c.unicode() == 0x7f)
            c = QLatin1Char('_');
    return level;
}

QString TopicPrefixProblem(const QString& prefix)
{
    if (prefix.isEmpty())
        return QStringLiteral("the topic prefix is empty");
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return QStringLiteral("the topic prefix '%1' holds a wildcard ('+' or '#')").arg(prefix);
    if (prefix.contains(QChar(0)))
        return QStringLiteral("the topic prefix holds a NUL character");
    if (prefix.split(QLatin1Char('/')).contains(QString()))
        return QStringLiteral("the topic prefix '%1' has an empty level (a leading, trailing or double '/')")
            .arg(prefix);
    if (prefix.toUtf8().size() > 1000)
        return QStringLiteral("the topic prefix is longer than 1000 bytes");
    return {};
}

QString MqttSettings::topicPrefix(const QString& serial) const
{
    return prefix.isEmpty() ? QStringLiteral("kelvor/") + serialLevel(serial) : prefix;
}

QString MqttSettings::clientIdFor(const QString& serial) const
{
    return clientId.isEmpty() ? QStringLiteral("kelvor-") + serialLevel(serial) : clientId;
}

QString MqttSettings::brokerKey(const QString& serial) const
{
    return QStringLiteral("%1:%2/%3").arg(host.toLower()).arg(port).arg(topicPrefix(serial));
}

Result<MqttSettings> ParseMqttUrl(const QString& text)
{
    using R = Result<MqttSettings>;
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return R::failure(QStringLiteral("'%1' is no broker address: %2").arg(text, url.errorString()));
    MqttSettings s;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mqtts"))
        s.tls = true;
    else if (scheme != QLatin1String("mqtt"))
        return R::failure(
            QStringLiteral("'%1' is no broker address: it starts with mqtt:// or mqtts:// (TLS)").arg(text));
    s.host = url.host();
    if (s.host.isEmpty())
        return R::failure(QStringLiteral("'%1' names no broker host").arg(text));
    s.port = url.port(s.tls ? kTlsPort : kPlainPort);
    if (s.port < 1 || s.port > 65535)
        return R::failure(QStringLiteral("'%1': the port must be 1 to 65535").arg(text));
    s.username = url.userName(QUrl::FullyDecoded);
    s.password = url.password(QUrl::FullyDecoded);
    if (url.hasQuery() || url.hasFragment())
        return R::failure(QStringLiteral("'%1': a broker address takes no '?' or '#' part").arg(text));
    QString path = url.path(QUrl::FullyDecoded);
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (!path.isEmpty()) {
        if (const QString problem = TopicPrefixProblem(path); !problem.isEmpty())
            return R::failure(QStringLiteral("'%1': %2").arg(text, problem));
        s.prefix = path;
    }
    return s;
}

}  // namespace kelvor
