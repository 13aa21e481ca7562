// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/mqttoption.h"

#include <QProcessEnvironment>
#include <algorithm>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "publish/remotemeter.h"
#include "publish/samplepublisher.h"

namespace kelvor {

namespace {

const QCommandLineOption kMqtt(QStringLiteral("mqtt"),
                               QStringLiteral("Publish the readings and samples to the MQTT broker at URL: "
                                              "mqtt:// (or mqtts:// for TLS), then [USER@]HOST, [:PORT] and "
                                              "[/PREFIX]. The password comes from KELVOR_MQTT_PASSWORD."),
                               QStringLiteral("URL"));
const QCommandLineOption kMqttCa(QStringLiteral("mqtt-ca"),
                                 QStringLiteral("TLS: the CA certificate that signed the broker's."),
                                 QStringLiteral("FILE"));
const QCommandLineOption kMqttCert(QStringLiteral("mqtt-cert"),
                                   QStringLiteral("TLS: our own certificate, for a broker that asks for one."),
                                   QStringLiteral("FILE"));
const QCommandLineOption kMqttKey(QStringLiteral("mqtt-key"), QStringLiteral("TLS: the key of --mqtt-cert."),
                                  QStringLiteral("FILE"));
const QCommandLineOption kMqttQos(QStringLiteral("mqtt-qos"),
                                  QStringLiteral("QoS of the samples, runs and alarms: 0 or 1 (default 1)."),
                                  QStringLiteral("0|1"), QStringLiteral("1"));
const QCommandLineOption kMqttClientId(QStringLiteral("mqtt-client-id"),
                                       QStringLiteral("The client id (default kelvor-SERIAL)."), QStringLiteral("ID"));
const QCommandLineOption kMqttPrefix(QStringLiteral("mqtt-prefix"),
                                     QStringLiteral("The topics' prefix (default kelvor/SERIAL)."),
                                     QStringLiteral("TOPIC"));
const QCommandLineOption kMqttLive(QStringLiteral("mqtt-live"),
                                   QStringLiteral("Publish a live reading every SECONDS (default 1; 0: none)."),
                                   QStringLiteral("SECONDS"), QStringLiteral("1"));
const QCommandLineOption kMqttDiscovery(QStringLiteral("mqtt-discovery"),
                                        QStringLiteral("Publish Home Assistant discovery configs."));

bool refuse(CliContext& ctx, const QString& message)
{
    ctx.fail(message);
    return false;
}

// The password of the environment and the TLS files of the command line.
bool loginAndTls(CliContext& ctx, MqttSettings& s)
{
    const QCommandLineParser& a = ctx.args;
    const QString password = QProcessEnvironment::systemEnvironment().value(QStringLiteral("KELVOR_MQTT_PASSWORD"));
    if (!password.isEmpty())
        s.password = password;
    s.caFile = a.value(kMqttCa);
    s.certFile = a.value(kMqttCert);
    s.keyFile = a.value(kMqttKey);
    if (!s.tls && a.isSet(kMqtt) && (a.isSet(kMqttCa) || a.isSet(kMqttCert) || a.isSet(kMqttKey)))
        return refuse(ctx, QStringLiteral("--mqtt-ca, --mqtt-cert and --mqtt-key need an mqtts:// address"));
    if (!s.tls) {
        s.caFile.clear();
        s.certFile.clear();
        s.keyFile.clear();
    }
    if (s.tls && s.caFile.isEmpty())
        return refuse(ctx, QStringLiteral("an mqtts:// address needs --mqtt-ca FILE"));
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        return refuse(ctx, QStringLiteral("--mqtt-cert and --mqtt-key go together"));
    return true;
}

}  // namespace

bool RemoteMetersFromArgs(CliContext& ctx, std::vector<MqttSettings>& remotes)
{
    for (const QString& choice : ctx.remoteChoices()) {
        Result<MqttSettings> parsed = ParseRemoteMeter(choice);
        if (!parsed)
            return refuse(ctx, QStringLiteral("--meter: %1").arg(parsed.error()));
        MqttSettings s = std::move(parsed).value();
        if (!loginAndTls(ctx, s))
            return false;
        remotes.push_back(std::move(s));
    }
    return true;
}

QList<QCommandLineOption> MqttOptions()
{
    return {kMqtt, kMqttCa, kMqttCert, kMqttKey, kMqttQos, kMqttClientId, kMqttPrefix, kMqttLive, kMqttDiscovery};
}

bool MqttSettingsFromArgs(CliContext& ctx, std::optional<MqttSettings>& settings)
{
    const QCommandLineParser& a = ctx.args;
    if (!a.isSet(kMqtt)) {
        // The TLS files serve a remote meter's broker too.
        const QStringList remote = ctx.remoteChoices();
        const bool remoteTls =
            std::any_of(remote.begin(), remote.end(), [](const QString& c) { return ParseMqttUrl(c).valueOr({}).tls; });
        for (const QCommandLineOption& o : MqttOptions()) {
            const bool tlsFile =
                o.names() == kMqttCa.names() || o.names() == kMqttCert.names() || o.names() == kMqttKey.names();
            if (a.isSet(o) && !(tlsFile && remoteTls))
                return refuse(ctx, QStringLiteral("--%1 needs --mqtt URL").arg(o.names().constFirst()));
        }
        return true;
    }
    Result<MqttSettings> parsed = ParseMqttUrl(a.value(kMqtt));
    if (!parsed)
        return refuse(ctx, QStringLiteral("--mqtt: %1").arg(parsed.error()));
    MqttSettings s = std::move(parsed).value();
    if (!loginAndTls(ctx, s))
        return false;
    const QString qos = a.value(kMqttQos);
    if (qos != QLatin1String("0") && qos != QLatin1String("1"))
        return refuse(ctx, QStringLiteral("--mqtt-qos needs 0 or 1, not '%1'").arg(qos));
    s.qos = qos.toInt();
    if (a.isSet(kMqttClientId)) {
        s.clientId = a.value(kMqttClientId);
        if (s.clientId.isEmpty() || s.clientId.toUtf8().size() > 256)
            return refuse(ctx, QStringLiteral("--mqtt-client-id needs 1 to 256 bytes"));
    }
    if (a.isSet(kMqttPrefix)) {
        if (const QString problem = TopicPrefixProblem(a.value(kMqttPrefix)); !problem.isEmpty())
            return refuse(ctx, QStringLiteral("--mqtt-prefix: %1").arg(problem));
        s.prefix = a.value(kMqttPrefix);
    }
    bool ok = false;
    const double live = a.value(kMqttLive).toDouble(&ok);
    if (!ok || live < 0 || live > 3600)
        return refuse(ctx,
                      QStringLiteral("--mqtt-live needs seconds from 0 to 3600, not '%1'").arg(a.value(kMqttLive)));
    s.liveIntervalMs = int(live * 1000.0 + 0.5);
    s.discovery = a.isSet(kMqttDiscovery);
    settings = std::move(s);
    return true;
}

void TellMqttStatus(CliContext& ctx, SamplePublisher& publisher)
{
    QObject::connect(&publisher, &SamplePublisher::statusChanged, &publisher, [&ctx](const QString& text) {
        ctx.err << "kelvor-cli: MQTT: " << text << '\n';
        ctx.err.flush();
    });
}

void FinishPublishing(CliContext& ctx, SamplePublisher& publisher)
{
    const std::int64_t left = publisher.finish(ctx.clock, 5000);
    if (left > 0) {
        ctx.err << "kelvor-cli: MQTT: " << left
                << " samples are not acknowledged by the broker; they go when it is next reached\n";
        ctx.err.flush();
    }
}

}  // namespace kelvor
