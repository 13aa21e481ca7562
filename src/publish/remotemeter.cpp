// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/remotemeter.h"

#include <algorithm>

#include "base/clock.h"
#include "base/eventlog.h"

namespace kelvor {

namespace {

// A reading stays current for three of the publisher's intervals, and never less than
// this: a publisher of every reading sends five a second, and a late one is no gap.
constexpr int kShortestHoldMs = 5000;
constexpr int kLongestHoldMs = 3 * 3600 * 1000 + 2000;
// Two computers' clocks may disagree by this much before a stamp is not believed.
constexpr qint64 kClockSlackMs = 30000;
// More than a publisher of every reading sends with its live readings; the rest of a
// flood is dropped before it is read.
constexpr double kMessagesPerSecond = 50.0;
constexpr double kMessageBurst = 100.0;
constexpr std::uint32_t kLogWindowMs = 10000;
constexpr int kLinesPerWindow = 10;

QString lastLevel(const QString& prefix) { return prefix.section(QLatin1Char('/'), -1); }

}  // namespace

Result<MqttSettings> ParseRemoteMeter(const QString& address)
{
    Result<MqttSettings> parsed = ParseMqttUrl(address);
    if (parsed && parsed->prefix.isEmpty())
        return Result<MqttSettings>::failure(
            QStringLiteral("'%1' names no meter: give its topic prefix, as mqtt://HOST/kelvor/SERIAL").arg(address));
    return parsed;
}

RemoteMeter::RemoteMeter(const MqttSettings& settings, Clock& clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_topics(settings.prefix)
{
    m_client.setLongestMessage(int(kMaxPayloadBytes));
    connect(&m_client, &MqttClient::connected, this, &RemoteMeter::subscribe);
    connect(&m_client, &MqttClient::received, this, &RemoteMeter::receive);
    connect(&m_client, &MqttClient::connectionLost, this,
            [this](const QString& reason) { forget(QStringLiteral("the broker is away (%1)").arg(reason)); });
    connect(&m_client, &MqttClient::statusChanged, this, &RemoteMeter::statusChanged);
    m_gapReason = QStringLiteral("no reading has come yet");
}

RemoteMeter::~RemoteMeter() = default;

void RemoteMeter::start()
{
    // No client id: the broker gives one, so any number of copies may watch one meter.
    m_client.start(m_settings, MqttIdentity{});
}

void RemoteMeter::stop() { m_client.stop(); }

QString RemoteMeter::where() const
{
    return QStringLiteral("%1 on %2:%3").arg(m_settings.prefix, m_settings.host).arg(m_settings.port);
}

SessionSource RemoteMeter::source() const
{
    SessionSource s;
    s.model = m_runModel.isEmpty() ? QStringLiteral("QZX") : m_runModel;
    s.serial = m_runSerial.isEmpty() ? lastLevel(m_settings.prefix) : m_runSerial;
    return s;
}

void RemoteMeter::subscribe()
{
    for (const QByteArray& topic : {m_topics.status, m_topics.run, m_topics.sample, m_topics.live})
        m_client.subscribe(topic);
    qCInfo(lcMeter, "remote meter %s: watching", qPrintable(where()));
}

int RemoteMeter::holdMs() const
{
    const qint64 pace = m_paceMs > 0 ? qint64(m_paceMs) : m_runRate > 0 ? qint64(m_runRate) * 1000 : 1000;
    return int(std::clamp<qint64>(3 * pace + 2000, kShortestHoldMs, kLongestHoldMs));
}

CycleTick RemoteMeter::step()
{
    CycleTick tick;
    tick.startTick = m_clock.tickMs();
    tick.time = m_clock.now();
    tick.nextMs = kPollIntervalMs;
    m_tickTime = tick.time;
    if (const auto second = std::uint16_t(tick.time.time().second()); second != m_lastSecond) {
        ++m_secondTicks;
        m_lastSecond = second;
    }
    if (m_held && tick.startTick - m_heldAtMs > std::uint32_t(holdMs()))
        forget(QStringLiteral("no reading for %1 s").arg((tick.startTick - m_heldAtMs) / 1000));
    const bool fresh = m_held;
    m_readingThisTick = fresh;
    if (fresh)
        tick.event = m_fresh ? CycleEvent::Reading : CycleEvent::Found;
    else
        tick.event = m_fresh ? CycleEvent::Lost : CycleEvent::ProbeFailed;
    if (fresh != m_fresh)
        qCInfo(lcMeter, "remote meter %s: %s", qPrintable(where()),
               fresh ? "readings arrive" : qPrintable(QStringLiteral("no readings: %1").arg(m_gapReason)));
    m_fresh = fresh;
    if (m_untold > 0 && tick.startTick - m_logWindowMs >= kLogWindowMs)
        flushDropCount();
    return tick;
}

std::optional<CycleSample> RemoteMeter::takeDueSample(int rateSeconds)
{
    if (!m_readingThisTick || m_secondTicks < rateSeconds)
        return std::nullopt;
    CycleSample sample;
    sample.missedBefore = rateSeconds > 0 && m_secondTicks >= 2 * rateSeconds;
    m_secondTicks = 0;
    m_readingThisTick = false;
    sample.time = m_tickTime;
    sample.days = toDays(m_tickTime);
    sample.flags = m_reading.ChannelFlags;
    sample.T = m_reading.T;
    return sample;
}

void RemoteMeter::forget(const QString& why)
{
    m_held = false;
    m_gapReason = why;
}

bool RemoteMeter::admit()
{
    const std::uint32_t now = m_clock.tickMs();
    if (!m_tokensStarted) {
        m_tokensStarted = true;
        m_tokens = kMessageBurst;
    } else {
        m_tokens = std::min(kMessageBurst, m_tokens + double(now - m_tokensAtMs) * kMessagesPerSecond / 1000.0);
    }
    m_tokensAtMs = now;
    if (m_tokens < 1.0)
        return false;
    m_tokens -= 1.0;
    return true;
}

void RemoteMeter::drop(const QString& why)
{
    const std::uint32_t now = m_clock.tickMs();
    if (now - m_logWindowMs >= kLogWindowMs) {
        flushDropCount();
        m_logWindowMs = now;
        m_linesInWindow = 0;
    }
    if (m_linesInWindow < kLinesPerWindow) {
        ++m_linesInWindow;
        qCWarning(lcMeter, "remote meter %s: dropped %s", qPrintable(where()), qPrintable(why));
    } else {
        ++m_untold;
    }
}

void RemoteMeter::flushDropCount()
{
    if (m_untold == 0)
        return;
    qCWarning(lcMeter, "remote meter %s: dropped %d more messages (too many to tell each)", qPrintable(where()),
              m_untold);
    m_untold = 0;
}

void RemoteMeter::receive(const QByteArray& topic, const QByteArray& payload, int size)
{
    if (!admit()) {
        drop(QStringLiteral("a message on %1: more than %2 a second")
                 .arg(QString::fromUtf8(topic))
                 .arg(kMessagesPerSecond));
        return;
    }
    const QString on = QString::fromUtf8(topic);
    if (size > payload.size() || size > kMaxPayloadBytes) {
        drop(QStringLiteral("a message of %1 bytes on %2, more than %3").arg(size).arg(on).arg(kMaxPayloadBytes));
        return;
    }
    if (topic == m_topics.status) {
        const Result<bool> online = ReadStatusPayload(payload);
        if (!online)
            return drop(QStringLiteral("%1 on %2").arg(online.error(), on));
        if (m_online != *online)
            qCInfo(lcMeter, "remote meter %s: its publisher is %s", qPrintable(where()),
                   *online ? "online" : "offline");
        m_online = *online;
        // A reading from before it went away is not brought back by its return.
        if (!*online)
            forget(QStringLiteral("its publisher is offline"));
    } else if (topic == m_topics.run) {
        const Result<RunPayload> run = ReadRunPayload(payload);
        if (!run)
            return drop(QStringLiteral("%1 on %2").arg(run.error(), on));
        m_runRate = run->started ? run->rateSeconds : -1;
        if (!run->serial.isEmpty())
            m_runSerial = run->serial;
        if (!run->model.isEmpty())
            m_runModel = run->model;
    } else if (topic == m_topics.sample || topic == m_topics.live) {
        const Result<ReadingPayload> reading = ReadReadingPayload(payload);
        if (!reading)
            return drop(QStringLiteral("%1 on %2").arg(reading.error(), on));
        takeReading(*reading);
    }
}

void RemoteMeter::takeReading(const ReadingPayload& r)
{
    const qint64 ahead = m_clock.now().msecsTo(r.time);
    if (ahead > kClockSlackMs)
        return drop(QStringLiteral("a reading stamped %1 s ahead of this computer's clock").arg(ahead / 1000));
    if (-ahead > std::max<qint64>(kClockSlackMs, holdMs()))
        return drop(QStringLiteral("a reading stamped %1 s ago: no current reading (a backlog, or a clock that is off)")
                        .arg(-ahead / 1000));
    if (m_held && r.time <= m_heldTime) {
        // The same reading on the live and the sample topic, or a copy QoS 1 sent again.
        if (r.time < m_heldTime)
            drop(QStringLiteral("a reading older than the one held"));
        return;
    }
    if (m_online == false)
        return drop(QStringLiteral("a reading while its publisher says it is offline"));
    const std::uint32_t now = m_clock.tickMs();
    if (m_held)
        m_paceMs = std::clamp<std::uint32_t>(now - m_heldAtMs, 1, 3600u * 1000u);
    m_held = true;
    m_heldAtMs = now;
    m_heldTime = r.time;
    m_reading.T = r.t;
    m_reading.ChannelFlags = r.flags;
}

}  // namespace kelvor
