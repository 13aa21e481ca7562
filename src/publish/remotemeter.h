// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "meter/livereading.h"
#include "meter/monitorcycle.h"
#include "meter/samplesource.h"
#include "publish/mqttclient.h"
#include "publish/mqttsettings.h"
#include "publish/payloads.h"
#include "session/recordingsession.h"

namespace kelvor {

class Clock;

// A remote meter's address, as --meter takes it: mqtt://[USER[:PASSWORD]@]HOST[:PORT]/PREFIX
// (mqtts:// for TLS), PREFIX being the topics' prefix its publisher uses (kelvor/SERIAL
// unless it chose another). The prefix is needed: it names the meter.
Result<MqttSettings> ParseRemoteMeter(const QString& address);

// A meter that another copy of the program publishes, read through the broker as one
// source of a run: read-only (no keys, no download, no setup), its reading the newest
// sample or live reading its publisher sent. It is stepped in the same round as the
// local meters' cycles and holds its reading while the publisher keeps sending: the
// reading goes (a gap in the run) when the publisher says it is offline (its status, or
// its last will when its connection dies), when no reading has come for three of the
// publisher's intervals (at least 5 s), or when our own connection to the broker ends.
//
// Every payload is untrusted: one that is too long, no JSON, of the wrong types, stamped
// far from this computer's clock, older than the reading held, or one of too many at
// once is dropped with a line in the log (kelvor.meter); past ten such lines in ten
// seconds the rest are counted in one line. Nothing of a payload is kept but the
// reading, so no flood grows memory. The connection runs in the event loop
// (MqttClient): nothing here waits.
class RemoteMeter : public QObject, public SampleSource {
    Q_OBJECT
public:
    RemoteMeter(const MqttSettings& settings, Clock& clock, QObject* parent = nullptr);
    ~RemoteMeter() override;

    // Connects to the broker and asks for the meter's topics; stop() ends that.
    void start();
    void stop();

    // One round: Found when a reading is held again, Reading while it is, Lost when it
    // goes, ProbeFailed while there is none; the next round in kPollIntervalMs.
    CycleTick step();

    // The held reading's channels and flags (nothing else of a LiveReading is sent).
    const LiveReading& reading() const { return m_reading; }
    // What a run records it as: the model and serial its publisher's run names, else
    // the last level of the prefix (the serial, under the default prefix).
    SessionSource source() const;
    // "kelvor/KV4-00017 on broker.lab:1883", for what is told of it.
    QString where() const;
    // Why no reading is held: "its publisher is offline", "no reading for 12 s", ...
    const QString& gapReason() const { return m_gapReason; }
    const MqttClient& connection() const { return m_client; }

    // A message of one of its topics, as the connection hands it on (tests call it
    // directly); `size` above payload's length: too long to keep.
    void receive(const QByteArray& topic, const QByteArray& payload, int size);
    // Says what dropped payloads the log has not counted yet (the owner's last round).
    void flushDropCount();

    // What the reading stays current for after it came, from the publisher's pace.
    int holdMs() const;

    bool hasReading() const override { return m_readingThisTick; }
    int secondsCounted() const override { return m_secondTicks; }
    void restartCount() override { m_secondTicks = 0; }
    const QDateTime& tickTime() const override { return m_tickTime; }
    std::optional<CycleSample> takeDueSample(int rateSeconds) override;
    void dueAtNextReading(int rateSeconds) override { m_secondTicks = rateSeconds; }

signals:
    // Our own connection to the broker: "connected", "reconnecting (reason)".
    void statusChanged(const QString& text);

private:
    void subscribe();
    void takeReading(const ReadingPayload& r);
    bool admit();
    void drop(const QString& why);
    void forget(const QString& why);

    MqttSettings m_settings;
    Clock& m_clock;
    MqttTopics m_topics;
    MqttClient m_client;

    std::optional<bool> m_online;  // the publisher's status; unknown until it says
    bool m_held = false;
    std::uint32_t m_heldAtMs = 0;  // the clock's tick when the held reading came
    QDateTime m_heldTime;          // its own stamp
    LiveReading m_reading;
    std::uint32_t m_paceMs = 0;  // between the last two readings that came; 0: one or none yet
    int m_runRate = -1;          // the publisher's run's interval; -1: no run started
    QString m_runModel;
    QString m_runSerial;
    QString m_gapReason;

    bool m_fresh = false;  // held and current at the last round
    bool m_readingThisTick = false;
    QDateTime m_tickTime;
    std::uint16_t m_lastSecond = 0;
    int m_secondTicks = 0;

    // The flood guard: a bucket of messages refilled at a steady rate.
    double m_tokens = 0.0;
    std::uint32_t m_tokensAtMs = 0;
    bool m_tokensStarted = false;
    // The log's guard: lines told in the current window, and the drops not told.
    std::uint32_t m_logWindowMs = 0;
    int m_linesInWindow = 0;
    int m_untold = 0;
};

}  // namespace kelvor
