// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <optional>
#include <vector>

#include "publish/mqttsettings.h"

namespace kelvor {

class CliContext;
class SamplePublisher;

// --mqtt URL and the options beside it, for the commands that read the meter.
QList<QCommandLineOption> MqttOptions();

// The publishing the command line asks for, nullopt without --mqtt; false after saying
// what is wrong with it.
bool MqttSettingsFromArgs(CliContext& ctx, std::optional<MqttSettings>& settings);

// The remote meters among the --meter values (mqtt://HOST/PREFIX), in the order given,
// with the password of KELVOR_MQTT_PASSWORD and the TLS files of --mqtt-ca, --mqtt-cert
// and --mqtt-key; false after saying what is wrong.
bool RemoteMetersFromArgs(CliContext& ctx, std::vector<MqttSettings>& remotes);

// Says on err how the broker connection goes, once per change.
void TellMqttStatus(CliContext& ctx, SamplePublisher& publisher);

// Ends the publishing (what is left goes for a few seconds) and says what the broker
// has not acknowledged.
void FinishPublishing(CliContext& ctx, SamplePublisher& publisher);

}  // namespace kelvor
