// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/publishsettings.h"

#include "base/settings.h"

namespace kelvor {

namespace {

int intIn(const QSettings& s, const char* key, int low, int high, int fallback)
{
    bool ok = false;
    const int v = s.value(QLatin1String(key)).toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

QString text(const QSettings& s, const char* key, int maxLength = 4096)
{
    const QString v = s.value(QLatin1String(key)).toString();
    return v.size() <= maxLength ? v : QString();
}

}  // namespace

PublishingSettings ReadPublishing(QSettings& settings)
{
    PublishingSettings p;
    settings.beginGroup(QStringLiteral("Publishing"));
    MqttSettings& m = p.mqtt;
    p.on = settings.value(QStringLiteral("On")).toBool();
    m.host = text(settings, "Host", 255).trimmed();
    m.tls = settings.value(QStringLiteral("TLS")).toBool();
    m.port = intIn(settings, "Port", 1, 65535, m.tls ? 8883 : 1883);
    m.username = text(settings, "User");
    m.password = text(settings, "Password");
    m.caFile = text(settings, "CAFile");
    m.certFile = text(settings, "CertFile");
    m.keyFile = text(settings, "KeyFile");
    m.clientId = text(settings, "ClientId", 256);
    m.qos = intIn(settings, "QoS", 0, 1, 1);
    const QString prefix = text(settings, "Prefix", 1000);
    m.prefix = TopicPrefixProblem(prefix).isEmpty() ? prefix : QString();
    m.liveIntervalMs = intIn(settings, "LiveMs", 0, 3600 * 1000, 1000);
    m.discovery = settings.value(QStringLiteral("Discovery")).toBool();
    settings.endGroup();
    return p;
}

QString WritePublishing(QSettings& settings, const PublishingSettings& p)
{
    const MqttSettings& m = p.mqtt;
    settings.beginGroup(QStringLiteral("Publishing"));
    settings.setValue(QStringLiteral("On"), p.on);
    settings.setValue(QStringLiteral("Host"), m.host);
    settings.setValue(QStringLiteral("Port"), m.port);
    settings.setValue(QStringLiteral("TLS"), m.tls);
    settings.setValue(QStringLiteral("User"), m.username);
    settings.setValue(QStringLiteral("Password"), m.password);
    settings.setValue(QStringLiteral("CAFile"), m.caFile);
    settings.setValue(QStringLiteral("CertFile"), m.certFile);
    settings.setValue(QStringLiteral("KeyFile"), m.keyFile);
    settings.setValue(QStringLiteral("ClientId"), m.clientId);
    settings.setValue(QStringLiteral("QoS"), m.qos);
    settings.setValue(QStringLiteral("Prefix"), m.prefix);
    settings.setValue(QStringLiteral("LiveMs"), m.liveIntervalMs);
    settings.setValue(QStringLiteral("Discovery"), m.discovery);
    settings.endGroup();
    return syncSettings(settings);
}

}  // namespace kelvor
