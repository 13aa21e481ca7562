// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "publish/mqttclient.h"
#include "publish/mqttsettings.h"
#include "publish/payloads.h"
#include "publish/publishpositions.h"

namespace kelvor {

class Clock;
class LibraryAccess;
class RecordingSession;
struct LiveReading;
struct SessionSample;
enum class SessionState;

// Publishes a meter to one broker: its status (retained, with the last will), its live
// readings (throttled), every sample of the session's runs, each run's start and stop
// (retained) and the alarm events (docs/mqtt.md).
//
// Nothing is lost while the broker is away: the publisher keeps, per run, how many
// samples from the start the broker has acknowledged (saved in the data folder) and
// sends from there, in order, whenever it is connected. The samples come from memory
// while they are recent, from the library (where the journal put them) when they are
// not, so a long outage costs no memory. At most a window of samples is in flight, so a
// slow broker never makes the session wait: a sample is handed on and the tick returns.
//
// A run is taken up once the signal that started it has gone round (the journal, which
// may have heard it later, has opened the run's item in the library by then).
class SamplePublisher : public QObject {
    Q_OBJECT
public:
    // The library item of the session's current run, once the journal has one.
    using RunIdSource = std::function<std::optional<std::int64_t>()>;
    // `session`, `runId` and `library` may be null (live readings only, no runs kept).
    SamplePublisher(const MqttSettings& settings, RecordingSession* session, RunIdSource runId, LibraryAccess* library,
                    QObject* parent = nullptr);
    ~SamplePublisher() override;

    // Connects once the meter is known (its serial names the topics), and takes up what
    // the broker has not acknowledged of earlier runs.
    void start(const QString& model, const QString& serial);
    bool started() const { return m_started; }
    // A live reading at `days`; published when the throttle lets it through.
    void liveReading(double days, const LiveReading& reading);
    // Says "offline", lets the connection send what it can for up to `timeoutMs`, saves
    // the positions and disconnects. Returns the samples the broker has not acknowledged.
    std::int64_t finish(Clock& clock, int timeoutMs);

    MqttClient& client() { return m_client; }
    const QString& topicPrefix() const { return m_prefix; }
    // Samples taken that the broker has not acknowledged yet.
    std::int64_t unacknowledged() const;
    std::int64_t acknowledged() const { return m_ackedTotal; }

    static constexpr int kWindow = 64;            // samples in flight at most
    static constexpr std::size_t kRecent = 4096;  // recent samples kept in memory

signals:
    // "connected", "reconnecting (reason)": for the status bar and the command line.
    void statusChanged(const QString& text);

private:
    struct Cursor {
        std::int64_t run = 0;    // library item; 0: the library did not take the run
        std::int64_t acked = 0;  // samples from the start the broker holds
        std::int64_t next = 0;   // the next one to send
        std::int64_t total = 0;  // samples of the run known so far
        bool current = false;    // the session's run, still taking samples
    };
    struct Flight {
        int mid = 0;
        std::int64_t run = 0;
        std::int64_t seq = 0;
        bool done = false;
    };
    struct RecentSample {
        std::int64_t seq = 0;
        JournalSample sample;
    };

    void onConnected();
    void onLost();
    void onAcked(int mid);
    void runStateChanged(SessionState state);
    // `taken`: the run's samples the publisher has not heard of one by one.
    void takeUpRun(std::int64_t taken);
    void publishRunMessage();
    void sampleTaken(const SessionSample& s);
    void alarmMet(const ChartAlarmEvent& e);
    void resumeEarlierRuns();
    void pump();
    bool pumpOne();
    std::optional<JournalSample> fetch(const Cursor& c);
    Cursor* cursorOf(std::int64_t run);
    void dropFinishedRuns();
    void announceRun();
    void publishDiscovery();
    void savePositionsSoon();
    void savePositions();

    MqttSettings m_settings;
    RecordingSession* m_session;
    RunIdSource m_runId;
    LibraryAccess* m_library;
    MqttClient m_client;
    PayloadWriter m_payloads;
    QString m_prefix;
    QString m_broker;
    QString m_model;
    QString m_serial;
    std::optional<MqttTopics> m_topics;
    bool m_started = false;

    std::deque<Cursor> m_runs;  // oldest first; the session's run last
    std::deque<Flight> m_flights;
    std::deque<RecentSample> m_recent;  // of the session's run
    std::int64_t m_recentRun = -1;
    std::vector<JournalSample> m_readAhead;  // from the library
    std::int64_t m_readAheadRun = -1;
    std::int64_t m_readAheadFirst = 0;
    std::int64_t m_ackedTotal = 0;
    bool m_pumping = false;
    bool m_pumpAgain = false;

    bool m_runStartPending = false;
    std::optional<RunAnnouncement> m_run;
    QByteArray m_runMessage;  // retained; sent again on every connection
    std::deque<QByteArray> m_alarms;
    double m_lastLiveDays = -1.0;

    PublishPositions m_positions;
    QTimer m_saveTimer;
};

}  // namespace kelvor
