// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {

QJsonValue timeJson(const QDateTime& t)
{
    if (!t.isValid())
        return QJsonValue::Null;
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QJsonValue daysJson(double days) { return days > 0.0 ? timeJson(fromDays(days)) : QJsonValue(QJsonValue::Null); }

// A float as its shortest decimal text reads, so 21.3f is 21.3 and not 21.299999237.
double shortest(float v) { return QByteArray::number(double(v), 'g', 7).toDouble(); }

QString channelName(int channel) { return QStringLiteral("T%1").arg(channel + 1); }

QString stateOf(std::uint8_t flags, int channel)
{
    if (flags & (1u << channel))
        return QStringLiteral("OL");
    if (flags & (1u << (channel + 4)))
        return QStringLiteral("----");
    return QStringLiteral("ok");
}

QString runStateText(SessionState s)
{
    switch (s) {
        case SessionState::Recording:
            return QStringLiteral("recording");
        case SessionState::Ended:
            return QStringLiteral("ended");
        case SessionState::Idle:
            break;
    }
    return QStringLiteral("idle");
}

QJsonObject runJson(const WebModel& model)
{
    QJsonObject run{{QStringLiteral("number"), double(model.run)}};
    const RecordingSession* s = model.session;
    if (!s) {
        run.insert(QStringLiteral("state"), QStringLiteral("none"));
        run.insert(QStringLiteral("samples"), 0);
        run.insert(QStringLiteral("kept"), 0);
        return run;
    }
    run.insert(QStringLiteral("state"), runStateText(s->state()));
    run.insert(QStringLiteral("samples"), double(s->sampleCount()));
    run.insert(QStringLiteral("kept"), double(ServedCount(model)));
    run.insert(QStringLiteral("rateSeconds"), s->settings().rateSeconds);
    run.insert(QStringLiteral("name"), s->settings().name);
    const bool started = s->state() != SessionState::Idle;
    run.insert(QStringLiteral("start"), started ? daysJson(s->startTime()) : QJsonValue(QJsonValue::Null));
    run.insert(QStringLiteral("end"), s->state() == SessionState::Ended ? daysJson(s->endTime()) : QJsonValue());
    double elapsed = 0.0;
    if (started) {
        const double until = s->state() == SessionState::Ended ? s->endTime() : model.clock.nowDays();
        elapsed = std::max(0.0, (until - s->startTime()) * kSecondsPerDay);
    }
    run.insert(QStringLiteral("elapsedSeconds"), std::round(elapsed * 10.0) / 10.0);
    return run;
}

QJsonArray channelsJson(const WebModel& model)
{
    // The run's alarms watch the first meter's channels.
    QJsonArray channels;
    const int meters = std::max<int>(1, int(model.meters.size()));
    for (int i = 0; i < meters * kWebChannels; ++i) {
        const int c = i % kWebChannels;
        QJsonObject ch{{QStringLiteral("name"), channelName(c)}, {QStringLiteral("meter"), i / kWebChannels}};
        if (model.session && i < kWebChannels) {
            const AlarmLimit& l = model.session->alarmLimits().channels[std::size_t(c)];
            ch.insert(QStringLiteral("alarm"), model.session->channelAlarmed(c));
            ch.insert(QStringLiteral("high"), l.on && l.high ? QJsonValue(*l.high) : QJsonValue());
            ch.insert(QStringLiteral("low"), l.on && l.low ? QJsonValue(*l.low) : QJsonValue());
        } else {
            ch.insert(QStringLiteral("alarm"), false);
            if (model.session) {
                ch.insert(QStringLiteral("high"), QJsonValue());
                ch.insert(QStringLiteral("low"), QJsonValue());
            }
        }
        channels.append(ch);
    }
    return channels;
}

// The newest alarm events; a page shows a short list, a script reads the library for all.
QJsonArray eventsJson(const WebModel& model)
{
    QJsonArray events;
    if (!model.session)
        return events;
    const auto& all = model.session->alarmEvents();
    const std::size_t from = all.size() > 50 ? all.size() - 50 : 0;
    const bool several = model.meters.size() > 1;
    for (std::size_t i = from; i < all.size(); ++i) {
        const ChartAlarmEvent& e = all[i];
        QJsonObject event{{QStringLiteral("time"), daysJson(e.x)},
                          {QStringLiteral("channel"), channelName(e.subset)},
                          {QStringLiteral("value"), shortest(e.value)},
                          {QStringLiteral("raised"), IsAlarmRaised(e.kind)},
                          {QStringLiteral("text"), AlarmKindText(e.kind)}};
        if (several)
            event.insert(QStringLiteral("meter"), 0);
        events.append(event);
    }
    return events;
}

QJsonObject meterIdentity(int index, const WebMeter& m)
{
    QJsonObject o{{QStringLiteral("index"), index},
                  {QStringLiteral("model"), m.model},
                  {QStringLiteral("serial"), m.serial},
                  {QStringLiteral("connected"), m.connected},
                  {QStringLiteral("channels"), kWebChannels}};
    if (!m.name.isEmpty())
        o.insert(QStringLiteral("name"), m.name);
    return o;
}

QJsonValue valueJson(std::uint8_t flags, const std::array<float, 4>& t, int channel)
{
    const QString state = stateOf(flags, channel);
    return state == QLatin1String("ok") ? QJsonValue(shortest(t[std::size_t(channel)])) : QJsonValue(state);
}

}  // namespace

QJsonObject StatusJson(const WebModel& model)
{
    QJsonArray meters;
    for (std::size_t i = 0; i < model.meters.size(); ++i)
        meters.append(meterIdentity(int(i), model.meters[i]));
    return {{QStringLiteral("run"), runJson(model)},           {QStringLiteral("meters"), meters},
            {QStringLiteral("channels"), channelsJson(model)}, {QStringLiteral("alarmEvents"), eventsJson(model)},
            {QStringLiteral("viewers"), model.viewers},        {QStringLiteral("time"), timeJson(model.clock.now())}};
}

QJsonObject ReadingsJson(const WebModel& model)
{
    QJsonArray meters;
    for (std::size_t i = 0; i < model.meters.size(); ++i) {
        const WebMeter& m = model.meters[i];
        QJsonObject meter = meterIdentity(int(i), m);
        const bool fahrenheit = m.hasReading && m.reading.Fahrenheit;
        meter.insert(QStringLiteral("time"), m.hasReading ? timeJson(m.time) : QJsonValue());
        meter.insert(QStringLiteral("unit"), fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C"));
        QJsonArray channels;
        for (int c = 0; m.hasReading && c < kWebChannels; ++c) {
            const QString state = stateOf(m.reading.ChannelFlags, c);
            const double celsius = shortest(m.reading.T[std::size_t(c)]);
            const double shown = fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
            const bool ok = state == QLatin1String("ok");
            channels.append(QJsonObject{{QStringLiteral("name"), channelName(c)},
                                        {QStringLiteral("state"), state},
                                        {QStringLiteral("text"), ok ? QString::number(shown, 'f', 1) : state},
                                        {QStringLiteral("celsius"), ok ? QJsonValue(celsius) : QJsonValue()}});
        }
        meter.insert(QStringLiteral("readings"), channels);
        meters.append(meter);
    }
    return {{QStringLiteral("meters"), meters}, {QStringLiteral("time"), timeJson(model.clock.now())}};
}

QJsonObject SampleJson(std::int64_t seq, const SessionSample& sample)
{
    QJsonArray values;
    for (int c = 0; c < kWebChannels; ++c)
        values.append(valueJson(sample.flags, sample.t, c));
    QJsonObject s{{QStringLiteral("seq"), double(seq)},
                  {QStringLiteral("time"), daysJson(sample.time)},
                  {QStringLiteral("source"), sample.source},
                  {QStringLiteral("values"), values}};
    if (sample.afterMiss)
        s.insert(QStringLiteral("afterMiss"), true);
    return s;
}

QJsonObject RowJson(std::int64_t seq, const SessionRow& row)
{
    QJsonArray values;
    for (const SessionMeterReading& m : row.meters)
        for (int c = 0; c < kWebChannels; ++c)
            values.append(m.present ? valueJson(m.flags, m.t, c) : QJsonValue());
    QJsonObject s{{QStringLiteral("seq"), double(seq)},
                  {QStringLiteral("time"), daysJson(row.time)},
                  {QStringLiteral("values"), values}};
    if (row.afterMiss)
        s.insert(QStringLiteral("afterMiss"), true);
    return s;
}

bool ServesRows(const WebModel& model)
{
    const RecordingSession* s = model.session;
    // Before the first sample time the run's sources say which it will be.
    return s && (!s->rows().empty() || (s->samples().empty() && s->sources().size() > 1));
}

std::int64_t ServedCount(const WebModel& model)
{
    if (!model.session)
        return 0;
    return ServesRows(model) ? std::int64_t(model.session->rows().size())
                             : std::int64_t(model.session->samples().size());
}

QJsonObject ServedJson(const WebModel& model, std::int64_t seq)
{
    const std::size_t i = std::size_t(seq);
    return ServesRows(model) ? RowJson(seq, model.session->rows()[i]) : SampleJson(seq, model.session->samples()[i]);
}

QJsonObject RunJson(const WebModel& model, std::int64_t since, int limit)
{
    const std::int64_t kept = ServedCount(model);
    const std::int64_t from = std::clamp<std::int64_t>(since, 0, kept);
    const std::int64_t to = std::min<std::int64_t>(kept, from + std::max(0, limit));
    QJsonArray samples;
    for (std::int64_t i = from; i < to; ++i)
        samples.append(ServedJson(model, i));
    return {{QStringLiteral("run"), double(model.run)},
            {QStringLiteral("since"), double(from)},
            {QStringLiteral("next"), double(to)},
            {QStringLiteral("complete"), to == kept},
            {QStringLiteral("samples"), samples}};
}

QByteArray JsonText(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

}  // namespace kelvor
