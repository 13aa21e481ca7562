// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "base/result.h"
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

// The readers of the same payloads, for a meter that another copy of the program
// publishes. The bytes come from anyone who may publish on the broker: each reader takes
// at most kMaxPayloadBytes, checks every field it uses for its type and range, ignores
// fields it does not know (a later publisher may add some) and says in one line what is
// wrong with a payload it refuses.
inline constexpr qsizetype kMaxPayloadBytes = 4096;
// A channel the meter can show: four digits and a sign.
inline constexpr float kMaxPayloadDegrees = 9999.9f;

// A sample or a live reading.
struct ReadingPayload {
    QDateTime time;  // as the publisher stamped it, with its offset
    std::uint8_t flags = 0;
    std::array<float, 4> t{};  // 0 where the flags say "OL" or "----"
    std::int64_t seq = -1;     // -1: a live reading
    std::int64_t run = 0;
};
Result<ReadingPayload> ReadReadingPayload(const QByteArray& payload);

// The retained run topic.
struct RunPayload {
    bool started = false;  // false: stopped
    std::int64_t run = 0;
    int rateSeconds = 0;
    QString name;
    QString model;
    QString serial;
};
Result<RunPayload> ReadRunPayload(const QByteArray& payload);

// The retained status: true for "online", false for "offline".
Result<bool> ReadStatusPayload(const QByteArray& payload);

// A float the way the payloads write it: the shortest text that reads back as the same
// float ("23.4", "-5", "1234.5"); null for what JSON cannot hold.
void AppendJsonFloat(QByteArray& out, float v);
void AppendJsonString(QByteArray& out, const QString& text);

}  // namespace kelvor
