// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/samplepublisher.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/clock.h"
#include "base/eventlog.h"
#include "library/libraryaccess.h"
#include "meter/livereading.h"
#include "publish/homeassistant.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {
constexpr std::size_t kReadAheadRows = 512;
constexpr std::size_t kMaxAlarmsWaiting = 1000;
constexpr int kSaveAfterMs = 2000;
const QByteArray kOnline = "online";
const QByteArray kOffline = "offline";
}  // namespace

SamplePublisher::SamplePublisher(const MqttSettings& settings, RecordingSession* session, RunIdSource runId,
                                 LibraryAccess* library, QObject* parent)
    : QObject(parent), m_settings(settings), m_session(session), m_runId(std::move(runId)), m_library(library)
{
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &SamplePublisher::savePositions);
    connect(&m_client, &MqttClient::connected, this, &SamplePublisher::onConnected);
    connect(&m_client, &MqttClient::connectionLost, this, &SamplePublisher::onLost);
    connect(&m_client, &MqttClient::published, this, &SamplePublisher::onAcked);
    connect(&m_client, &MqttClient::statusChanged, this, &SamplePublisher::statusChanged);
    if (m_session) {
        connect(m_session, &RecordingSession::stateChanged, this, &SamplePublisher::runStateChanged);
        connect(m_session, &RecordingSession::sampleAdded, this,
                [this](const SessionSample& s, std::uint8_t) { sampleTaken(s); });
        connect(m_session, &RecordingSession::alarmEvent, this, &SamplePublisher::alarmMet);
    }
}

SamplePublisher::~SamplePublisher()
{
    if (m_started)
        savePositions();
}

void SamplePublisher::start(const QString& model, const QString& serial)
{
    if (m_started)
        return;
    m_started = true;
    m_model = model;
    m_serial = serial;
    m_prefix = m_settings.topicPrefix(serial);
    m_broker = m_settings.brokerKey(serial);
    m_topics.emplace(m_prefix);
    if (m_library)
        m_positions = PublishPositions::load(m_library->dataDir());
    resumeEarlierRuns();
    // A run that began before the meter was known (it cannot, today) is taken up too.
    if (m_session && m_session->recording())
        runStateChanged(SessionState::Recording);
    m_client.start(m_settings, {m_settings.clientIdFor(serial), m_topics->status, kOffline});
}

void SamplePublisher::resumeEarlierRuns()
{
    Library* library = m_library ? m_library->get() : nullptr;
    if (!library)
        return;
    const PublishPositions::Runs runs = m_positions.runs(m_broker);
    for (const auto& [run, acked] : runs) {
        const std::optional<LibraryEntry> e = library->entry(run, nullptr);
        if (!e || e->kind != EntryKind::Recording || acked >= e->samples) {
            m_positions.remove(m_broker, run);
            continue;
        }
        m_runs.push_back({run, acked, acked, e->samples, false});
        qCInfo(lcProgram, "MQTT: run %lld: %lld samples the broker has not acknowledged", qlonglong(run),
               qlonglong(e->samples - acked));
    }
    savePositionsSoon();
}

std::int64_t SamplePublisher::unacknowledged() const
{
    std::int64_t n = 0;
    for (const Cursor& c : m_runs)
        n += c.total - c.acked;
    return n;
}

void SamplePublisher::liveReading(double days, const LiveReading& reading)
{
    if (!m_client.isConnected() || m_settings.liveIntervalMs <= 0)
        return;
    // The readings' own times set the pace: a burst after a stall is not sent twice.
    if (m_lastLiveDays >= 0 && (days - m_lastLiveDays) * kSecondsPerDay * 1000.0 < m_settings.liveIntervalMs - 1)
        return;
    m_lastLiveDays = days;
    m_client.publish(m_topics->live, m_payloads.live(days, reading.T, reading.ChannelFlags), 0, false);
}

void SamplePublisher::onConnected()
{
    m_client.publish(m_topics->status, kOnline, 1, true);
    if (!m_runMessage.isEmpty())
        m_client.publish(m_topics->run, m_runMessage, m_settings.qos, true);
    if (m_settings.discovery)
        publishDiscovery();
    while (!m_alarms.empty() && m_client.isConnected()) {
        if (!m_client.publish(m_topics->alarm, m_alarms.front(), m_settings.qos, false))
            break;
        m_alarms.pop_front();
    }
    pump();
}

void SamplePublisher::publishDiscovery()
{
    const QByteArray state = m_settings.liveIntervalMs > 0 ? m_topics->live : m_topics->sample;
    for (const auto& [topic, config] : HomeAssistantConfigs(m_prefix, m_model, m_serial, state))
        m_client.publish(topic, config, 1, true);
}

void SamplePublisher::onLost()
{
    // What was in flight may or may not have arrived: it is sent again from the first
    // sample not acknowledged.
    m_flights.clear();
    for (Cursor& c : m_runs)
        c.next = c.acked;
    m_readAhead.clear();
    m_readAheadRun = -1;
}

SamplePublisher::Cursor* SamplePublisher::cursorOf(std::int64_t run)
{
    for (Cursor& c : m_runs)
        if (c.run == run)
            return &c;
    return nullptr;
}

void SamplePublisher::onAcked(int mid)
{
    for (Flight& f : m_flights)
        if (f.mid == mid) {
            f.done = true;
            break;
        }
    bool moved = false;
    while (!m_flights.empty() && m_flights.front().done) {
        const Flight f = m_flights.front();
        m_flights.pop_front();
        if (Cursor* c = cursorOf(f.run); c && f.seq + 1 > c->acked) {
            m_ackedTotal += f.seq + 1 - c->acked;
            c->acked = f.seq + 1;
            if (c->run > 0)
                m_positions.set(m_broker, c->run, c->acked);
            moved = true;
        }
    }
    if (moved) {
        dropFinishedRuns();
        savePositionsSoon();
    }
    pump();
}

void SamplePublisher::dropFinishedRuns()
{
    while (!m_runs.empty() && !m_runs.front().current && m_runs.front().acked >= m_runs.front().total) {
        if (m_runs.front().run > 0)
            m_positions.remove(m_broker, m_runs.front().run);
        m_runs.pop_front();
    }
}

void SamplePublisher::runStateChanged(SessionState state)
{
    if (!m_started)
        return;
    if (state == SessionState::Recording) {
        m_runStartPending = true;
        QTimer::singleShot(0, this, [this] { takeUpRun(m_session->sampleCount()); });
        return;
    }
    takeUpRun(m_session->sampleCount());  // a run that ends before it was taken up
    if (!m_run)
        return;
    for (Cursor& c : m_runs)
        c.current = false;
    const double ended = m_session->endTime() > 0 ? m_session->endTime() : m_session->startTime();
    m_runMessage = RunStoppedPayload(*m_run, ended, m_session->sampleCount());
    m_run.reset();
    dropFinishedRuns();
    publishRunMessage();
}

void SamplePublisher::takeUpRun(std::int64_t taken)
{
    if (!std::exchange(m_runStartPending, false) || !m_session || !m_session->recording())
        return;
    for (Cursor& c : m_runs)
        c.current = false;
    const std::optional<std::int64_t> id = m_runId ? m_runId() : std::nullopt;
    const std::int64_t run = id ? *id : 0;
    // A run that was going on when publishing began (or began again) carries on from
    // what this broker has of it.
    const auto known = std::find_if(m_runs.begin(), m_runs.end(), [run](const Cursor& c) { return c.run == run; });
    if (run > 0 && known != m_runs.end()) {
        Cursor c = *known;
        c.current = true;
        c.total = std::max(c.total, taken);
        m_runs.erase(known);
        m_runs.push_back(c);
    } else {
        m_runs.push_back({run, 0, 0, taken, true});
        if (run > 0)
            m_positions.set(m_broker, run, 0);
    }
    m_recent.clear();
    m_recentRun = run;
    const SessionSettings& s = m_session->settings();
    m_run = RunAnnouncement{run,     m_session->startTime(), s.rateSeconds, s.recordCount, s.openEnded, s.name, m_model,
                            m_serial};
    m_runMessage = RunStartedPayload(*m_run);
    savePositionsSoon();
    publishRunMessage();
    pump();
}

void SamplePublisher::publishRunMessage()
{
    if (m_topics && m_client.isConnected())
        m_client.publish(m_topics->run, m_runMessage, m_settings.qos, true);
}

void SamplePublisher::sampleTaken(const SessionSample& s)
{
    // Samples taken before this one and before the run was taken up come from the library.
    takeUpRun(m_session->sampleCount() - 1);
    if (m_runs.empty() || !m_runs.back().current)
        return;
    Cursor& c = m_runs.back();
    m_recent.push_back({c.total, s.journal()});
    if (m_recent.size() > kRecent)
        m_recent.pop_front();
    ++c.total;
    pump();
}

void SamplePublisher::alarmMet(const ChartAlarmEvent& e)
{
    if (!m_topics)
        return;
    const AlarmLimit& l = m_session->alarmLimits().channels[std::size_t(std::clamp(e.subset, 0, 3))];
    const bool high = e.kind == int(AlarmKind::HighRaised) || e.kind == int(AlarmKind::HighEnded);
    const std::optional<double> limit = high ? l.high : l.low;
    const QByteArray payload =
        m_payloads.alarm(e, m_run ? m_run->run : 0, limit ? *limit : std::numeric_limits<double>::quiet_NaN());
    if (m_client.isConnected() && m_alarms.empty() && m_client.publish(m_topics->alarm, payload, m_settings.qos, false))
        return;
    m_alarms.push_back(payload);
    if (m_alarms.size() > kMaxAlarmsWaiting) {
        m_alarms.pop_front();
        qCWarning(lcProgram, "MQTT: more than %d alarm events wait for the broker; the oldest is dropped",
                  int(kMaxAlarmsWaiting));
    }
}

std::optional<JournalSample> SamplePublisher::fetch(const Cursor& c)
{
    if (c.current && c.run == m_recentRun && !m_recent.empty() && c.next >= m_recent.front().seq) {
        const std::size_t at = std::size_t(c.next - m_recent.front().seq);
        if (at < m_recent.size())
            return m_recent[at].sample;
        return std::nullopt;
    }
    if (c.run <= 0 || !m_library)
        return std::nullopt;  // not in the library: gone with the memory that held it
    if (m_readAheadRun == c.run && c.next >= m_readAheadFirst &&
        c.next < m_readAheadFirst + std::int64_t(m_readAhead.size()))
        return m_readAhead[std::size_t(c.next - m_readAheadFirst)];
    Library* library = m_library->get();
    if (!library)
        return std::nullopt;
    m_readAhead.clear();
    QString error;
    if (!library->readSamples(c.run, c.next, kReadAheadRows, m_readAhead, &error)) {
        qCWarning(lcProgram, "MQTT: cannot read run %lld from the library: %s", qlonglong(c.run), qPrintable(error));
        m_readAhead.clear();
    }
    m_readAheadRun = c.run;
    m_readAheadFirst = c.next;
    if (m_readAhead.empty())
        return std::nullopt;
    return m_readAhead.front();
}

bool SamplePublisher::pumpOne()
{
    if (!m_client.isConnected() || m_flights.size() >= std::size_t(kWindow))
        return false;
    for (Cursor& c : m_runs) {
        if (c.next >= c.total)
            continue;
        const std::optional<JournalSample> s = fetch(c);
        if (!s) {
            if (c.current)
                return false;  // not in the library yet: the next sample tries again
            // An earlier run whose rows are gone (deleted from the library): nothing more to send.
            qCWarning(lcProgram, "MQTT: run %lld: samples from %lld on cannot be read; not sent", qlonglong(c.run),
                      qlonglong(c.next));
            c.total = c.next;
            c.acked = std::min(c.acked, c.total);
            continue;
        }
        const std::int64_t run = c.run, seq = c.next;
        const int mid = m_client.publish(m_topics->sample, m_payloads.sample(*s, seq, run), m_settings.qos, false);
        if (mid == 0)
            return false;
        // The cursor may have moved while the client was called (a lost connection rewinds it).
        if (Cursor* now = cursorOf(run); now && m_client.isConnected()) {
            now->next = seq + 1;
            m_flights.push_back({mid, run, seq, false});
            if (m_settings.qos == 0)
                onAcked(mid);
        }
        return true;
    }
    return false;
}

void SamplePublisher::pump()
{
    // An acknowledgement that arrives while a sample is handed over pumps again here,
    // not from inside the client.
    if (m_pumping) {
        m_pumpAgain = true;
        return;
    }
    m_pumping = true;
    do {
        m_pumpAgain = false;
        while (pumpOne()) {
        }
    } while (m_pumpAgain);
    m_pumping = false;
    dropFinishedRuns();
}

void SamplePublisher::savePositionsSoon()
{
    if (!m_saveTimer.isActive())
        m_saveTimer.start(kSaveAfterMs);
}

void SamplePublisher::savePositions()
{
    m_saveTimer.stop();
    if (!m_library)
        return;
    if (const QString problem = m_positions.save(); !problem.isEmpty())
        qCWarning(lcProgram, "MQTT: %s", qPrintable(problem));
}

std::int64_t SamplePublisher::finish(Clock& clock, int timeoutMs)
{
    if (!m_started)
        return 0;
    const std::uint32_t since = clock.tickMs();
    auto waiting = [&] { return clock.tickMs() - since < std::uint32_t(timeoutMs); };
    while (waiting() && m_client.isConnected() && (unacknowledged() > 0 || m_client.writing()))
        clock.processEventsWhileWaiting();
    if (m_client.isConnected()) {
        const int mid = m_client.publish(m_topics->status, kOffline, 1, true);
        bool acked = mid == 0;
        const auto c = connect(&m_client, &MqttClient::published, this, [&](int m) { acked = acked || m == mid; });
        while (waiting() && m_client.isConnected() && !acked)
            clock.processEventsWhileWaiting();
        disconnect(c);
    }
    m_client.stop();
    savePositions();
    return unacknowledged();
}

}  // namespace kelvor
