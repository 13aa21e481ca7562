// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/homeassistant.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "publish/mqttsettings.h"

namespace kelvor {

std::vector<std::pair<QByteArray, QByteArray>> HomeAssistantConfigs(const QString& prefix, const QString& model,
                                                                    const QString& serial, const QByteArray& stateTopic)
{
    // Discovery ids allow letters, digits, '_' and '-' only.
    QString node = QStringLiteral("kelvor_") + TopicLevel(serial);
    for (QChar& c : node)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    QJsonObject device;
    device.insert(QLatin1String("identifiers"), QJsonArray{node});
    device.insert(QLatin1String("name"), QStringLiteral("KELVOR %1").arg(serial));
    device.insert(QLatin1String("model"), model);
    device.insert(QLatin1String("manufacturer"), QStringLiteral("TOVRA"));

    std::vector<std::pair<QByteArray, QByteArray>> configs;
    for (int c = 1; c <= 4; ++c) {
        const QString channel = QStringLiteral("T%1").arg(c);
        QJsonObject o;
        o.insert(QLatin1String("name"), channel);
        o.insert(QLatin1String("unique_id"), QStringLiteral("%1_t%2").arg(node).arg(c));
        o.insert(QLatin1String("state_topic"), QString::fromUtf8(stateTopic));
        // "OL" and "----" are no temperature: the sensor shows as unknown meanwhile.
        o.insert(QLatin1String("value_template"),
                 QStringLiteral("{{ value_json.%1 if value_json.%1 is number else None }}").arg(channel));
        o.insert(QLatin1String("unit_of_measurement"), QStringLiteral("°C"));
        o.insert(QLatin1String("device_class"), QStringLiteral("temperature"));
        o.insert(QLatin1String("state_class"), QStringLiteral("measurement"));
        o.insert(QLatin1String("availability_topic"), prefix + QStringLiteral("/status"));
        o.insert(QLatin1String("payload_available"), QStringLiteral("online"));
        o.insert(QLatin1String("payload_not_available"), QStringLiteral("offline"));
        o.insert(QLatin1String("device"), device);
        configs.emplace_back(QStringLiteral("homeassistant/sensor/%1/t%2/config").arg(node).arg(c).toUtf8(),
                             QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    return configs;
}

}  // namespace kelvor
