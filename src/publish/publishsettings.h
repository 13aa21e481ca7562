// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>

#include "publish/mqttsettings.h"

namespace kelvor {

// The windowed program's publishing choice, kept with its other settings (group
// "Publishing"): on or off, and the broker it publishes to.
struct PublishingSettings {
    bool on = false;
    MqttSettings mqtt;
    // On, with a broker named.
    bool active() const { return on && mqtt.enabled(); }
};

// Missing or unusable values give the defaults (a port out of range 1883 or 8883, a
// QoS other than 0 and 1 gives 1, a prefix with a wildcard none).
PublishingSettings ReadPublishing(QSettings& settings);
// Empty, or what went wrong storing them (see syncSettings).
QString WritePublishing(QSettings& settings, const PublishingSettings& values);

}  // namespace kelvor
