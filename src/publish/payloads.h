// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "export/localtimestamp.h"
#include "library/librarytypes.h"

namespace kelvor {

// The topics of one meter under its prefix (docs/mqtt.md).
struct MqttTopics {
    explicit MqttTopics(const QString& prefix);
    QByteArray status;  // retained "online" / "offline" (the last will)
    QByteArray live;    // live readings, QoS 0
    QByteArray sample;  // every sample of a run
    QByteArray run;     // retained: the run started / stopped
    QByteArray alarm;   // alarm events
};

// The JSON payloads, built by hand so that the keys keep their documented order and a
// sample costs no JSON document. Times are ISO 8601 local times with their UTC offset;
// a channel is a number, or "OL" / "----" as the meter showed it.
class PayloadWriter {
public:
    // {"time":...,"seq":n,"run":id,"T1":...,"T4":...,"flags":{"OL":[...],"----":[...]}}
    QByteArray sample(const JournalSample& s, std::int64_t seq, std::int64_t run);
    // {"time":...,"T1":...,"T4":...,"flags":{...}}
    QByteArray live(double days, const std::array<float, 4>& t, std::uint8_t flags);
    // {"time":...,"run":id,"channel":"T1","event":"high raised","value":...,"limit":...}
    QByteArray alarm(const ChartAlarmEvent& e, std::int64_t run, double limit);

private:
    void appendChannels(QByteArray& out, const std::array<float, 4>& t, std::uint8_t flags);
    LocalTimestamp m_sampleTimes;
    LocalTimestamp m_liveTimes;
    LocalTimestamp m_otherTimes;
};

// What a run is when it starts, for the retained run topic.
struct RunAnnouncement {
    std::int64_t run = 0;  // the run's item in the library; 0: not in the library
    double started = 0.0;
    int rateSeconds = 0;
    int recordCount = 0;
    bool openEnded = false;
    QString name;
    QString model;
    QString serial;
};
QByteArray RunStartedPayload(const RunAnnouncement& r);
QByteArray RunStoppedPayload(const RunAnnouncement& r, double ended, std::int64_t samples);

// A float the way the payloads write it: the shortest text that reads back as the same
// float ("23.4", "-5", "1234.5"); null for what JSON cannot hold.
void AppendJsonFloat(QByteArray& out, float v);
void AppendJsonString(QByteArray& out, const QString& text);

}  // namespace kelvor
