// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace kelvor {

// Home Assistant's MQTT discovery: one retained config per channel under
// homeassistant/sensor/kelvor_<serial>/t<n>/config, so that each channel shows as a
// temperature sensor (degrees C) of a device named after the meter, available while the
// status topic says "online". `stateTopic` is the live or the sample topic.
std::vector<std::pair<QByteArray, QByteArray>> HomeAssistantConfigs(const QString& prefix, const QString& model,
                                                                    const QString& serial,
                                                                    const QByteArray& stateTopic);

}  // namespace kelvor
