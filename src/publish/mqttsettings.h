// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "base/result.h"

namespace kelvor {

// Where and how readings are published: one broker, its login and TLS files, the QoS of
// the samples and the topic prefix.
struct MqttSettings {
    QString host;
    int port = 1883;
    bool tls = false;
    QString username;
    QString password;
    QString caFile;    // TLS: the authority that signed the broker's certificate
    QString certFile;  // TLS: our own certificate and key, for brokers that ask for one
    QString keyFile;
    QString clientId;           // empty: "kelvor-<serial>"
    int qos = 1;                // of samples, run and alarm messages; live readings always go at 0
    QString prefix;             // empty: "kelvor/<serial>"
    int liveIntervalMs = 1000;  // live readings at most this often; 0: none
    bool discovery = false;     // Home Assistant discovery configs

    bool enabled() const { return !host.isEmpty(); }
    // The prefix of every topic for the meter with this serial.
    QString topicPrefix(const QString& serial) const;
    QString clientIdFor(const QString& serial) const;
    // What names this broker in the saved publishing positions: a different broker, or
    // the same one under another prefix, starts from the beginning of each run.
    QString brokerKey(const QString& serial) const;
};

// "mqtt://[user[:password]@]host[:port][/prefix]" or "mqtts://..." (TLS, port 8883 by
// default) into settings; the rest keeps its defaults.
Result<MqttSettings> ParseMqttUrl(const QString& url);

// A topic prefix as a user may give it: levels without the wildcards '+' and '#', no
// empty level, no NUL; empty when it is fine, else what is wrong.
QString TopicPrefixProblem(const QString& prefix);

// A serial as one topic level: '/', '+', '#' and control characters become '_'.
QString TopicLevel(const QString& text);

}  // namespace kelvor
