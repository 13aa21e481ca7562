// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/payloads.h"

#include "graph/alarms.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

namespace kelvor {

namespace {

constexpr const char* kChannelKeys[4] = {"\"T1\":", "\"T2\":", "\"T3\":", "\"T4\":"};

bool overRange(std::uint8_t flags, int c) { return flags & (1u << c); }
bool dashed(std::uint8_t flags, int c) { return flags & (1u << (c + 4)); }

void appendInt(QByteArray& out, std::int64_t v)
{
    char text[24];
    const auto r = std::to_chars(text, text + sizeof text, v);
    out.append(text, int(r.ptr - text));
}

void appendTime(QByteArray& out, LocalTimestamp& times, double days)
{
    out += '"';
    times.append(out, days);
    out += '"';
}

void appendChannelList(QByteArray& out, std::uint8_t flags, bool (*has)(std::uint8_t, int))
{
    out += '[';
    bool first = true;
    for (int c = 0; c < 4; ++c) {
        if (!has(flags, c))
            continue;
        if (!first)
            out += ',';
        first = false;
        appendInt(out, c + 1);
    }
    out += ']';
}

const char* alarmEventName(int kind)
{
    switch (AlarmKind(kind)) {
        case AlarmKind::HighRaised:
            return "high raised";
        case AlarmKind::HighEnded:
            return "high ended";
        case AlarmKind::LowRaised:
            return "low raised";
        case AlarmKind::LowEnded:
            return "low ended";
    }
    return "unknown";
}

void appendRunFields(QByteArray& out, const RunAnnouncement& r)
{
    LocalTimestamp times;
    out += "\"run\":";
    appendInt(out, r.run);
    out += ",\"started\":";
    appendTime(out, times, r.started);
    out += ",\"rate_seconds\":";
    appendInt(out, r.rateSeconds);
    out += ",\"record_count\":";
    appendInt(out, r.recordCount);
    out += ",\"open_ended\":";
    out += r.openEnded ? "true" : "false";
    out += ",\"name\":";
    AppendJsonString(out, r.name);
    out += ",\"model\":";
    AppendJsonString(out, r.model);
    out += ",\"serial\":";
    AppendJsonString(out, r.serial);
}

}  // namespace

MqttTopics::MqttTopics(const QString& prefix)
    : status((prefix + QStringLiteral("/status")).toUtf8()),
      live((prefix + QStringLiteral("/live")).toUtf8()),
      sample((prefix + QStringLiteral("/sample")).toUtf8()),
      run((prefix + QStringLiteral("/run")).toUtf8()),
      alarm((prefix + QStringLiteral("/alarm")).toUtf8())
{
}

void AppendJsonFloat(QByteArray& out, float v)
{
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    out.append(text, int(r.ptr - text));
}

void AppendJsonString(QByteArray& out, const QString& text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void PayloadWriter::appendChannels(QByteArray& out, const std::array<float, 4>& t, std::uint8_t flags)
{
    for (int c = 0; c < 4; ++c) {
        out += ',';
        out += kChannelKeys[c];
        if (overRange(flags, c))
            out += "\"OL\"";
        else if (dashed(flags, c))
            out += "\"----\"";
        else
            AppendJsonFloat(out, t[std::size_t(c)]);
    }
    out += ",\"flags\":{\"OL\":";
    appendChannelList(out, flags, overRange);
    out += ",\"----\":";
    appendChannelList(out, flags, dashed);
    out += '}';
}

QByteArray PayloadWriter::sample(const JournalSample& s, std::int64_t seq, std::int64_t run)
{
    QByteArray out;
    out.reserve(160);
    out += "{\"time\":";
    appendTime(out, m_sampleTimes, s.time);
    out += ",\"seq\":";
    appendInt(out, seq);
    out += ",\"run\":";
    appendInt(out, run);
    appendChannels(out, s.t, s.flags);
    out += '}';
    return out;
}

QByteArray PayloadWriter::live(double days, const std::array<float, 4>& t, std::uint8_t flags)
{
    QByteArray out;
    out.reserve(140);
    out += "{\"time\":";
    appendTime(out, m_liveTimes, days);
    appendChannels(out, t, flags);
    out += '}';
    return out;
}

QByteArray PayloadWriter::alarm(const ChartAlarmEvent& e, std::int64_t run, double limit)
{
    QByteArray out;
    out += "{\"time\":";
    appendTime(out, m_otherTimes, e.x);
    out += ",\"run\":";
    appendInt(out, run);
    out += ",\"channel\":\"T";
    appendInt(out, std::clamp(e.subset, 0, 3) + 1);
    out += "\",\"event\":\"";
    out += alarmEventName(e.kind);
    out += "\",\"value\":";
    AppendJsonFloat(out, e.value);
    out += ",\"limit\":";
    AppendJsonFloat(out, float(limit));
    out += '}';
    return out;
}

QByteArray RunStartedPayload(const RunAnnouncement& r)
{
    QByteArray out = "{\"state\":\"started\",";
    appendRunFields(out, r);
    out += '}';
    return out;
}

QByteArray RunStoppedPayload(const RunAnnouncement& r, double ended, std::int64_t samples)
{
    QByteArray out = "{\"state\":\"stopped\",";
    appendRunFields(out, r);
    LocalTimestamp times;
    out += ",\"ended\":";
    appendTime(out, times, ended);
    out += ",\"samples\":";
    appendInt(out, samples);
    out += '}';
    return out;
}

namespace {

// A JSON number that is a whole number a double holds exactly.
bool wholeNumber(const QJsonValue& v, std::int64_t low, std::int64_t high, std::int64_t& out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < double(low) || d > double(high))
        return false;
    out = std::int64_t(d);
    return true;
}

Result<QJsonObject> payloadObject(const QByteArray& payload, const char* what)
{
    using R = Result<QJsonObject>;
    if (payload.size() > kMaxPayloadBytes)
        return R::failure(QStringLiteral("a %1 of %2 bytes, more than %3")
                              .arg(QLatin1String(what))
                              .arg(payload.size())
                              .arg(kMaxPayloadBytes));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError)
        return R::failure(QStringLiteral("a %1 that is no JSON: %2 at byte %3")
                              .arg(QLatin1String(what), error.errorString())
                              .arg(error.offset));
    if (!doc.isObject())
        return R::failure(QStringLiteral("a %1 that is no JSON object").arg(QLatin1String(what)));
    return doc.object();
}

Result<QDateTime> payloadTime(const QJsonObject& o, const QString& key)
{
    using R = Result<QDateTime>;
    const QJsonValue v = o.value(key);
    if (!v.isString())
        return R::failure(QStringLiteral("\"%1\" is no text").arg(key));
    const QString text = v.toString();
    // The longest the writer makes is 29 characters; a few more leave room for other writers.
    const QDateTime time = text.size() <= 40 ? QDateTime::fromString(text, Qt::ISODateWithMs) : QDateTime();
    if (!time.isValid())
        return R::failure(QStringLiteral("\"%1\" is no ISO 8601 time").arg(key));
    // Without its offset a time means nothing on another computer.
    if (time.timeSpec() == Qt::LocalTime)
        return R::failure(QStringLiteral("\"%1\" has no UTC offset").arg(key));
    return time;
}

// A short text field; empty where it is missing.
Result<QString> payloadText(const QJsonObject& o, const char* key, int longest)
{
    using R = Result<QString>;
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return QString();
    if (!v.isString())
        return R::failure(QStringLiteral("\"%1\" is no text").arg(QLatin1String(key)));
    const QString text = v.toString();
    if (text.size() > longest)
        return R::failure(QStringLiteral("\"%1\" is longer than %2 characters").arg(QLatin1String(key)).arg(longest));
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return R::failure(QStringLiteral("\"%1\" holds a control character").arg(QLatin1String(key)));
    return text;
}

// The channel bits of one "flags" list: [1..4], each at most once.
bool flagList(const QJsonValue& v, int shift, std::uint8_t& bits)
{
    if (v.isUndefined())
        return true;
    if (!v.isArray() || v.toArray().size() > 4)
        return false;
    for (const QJsonValue& e : v.toArray()) {
        std::int64_t channel = 0;
        if (!wholeNumber(e, 1, 4, channel))
            return false;
        const auto bit = std::uint8_t(1u << (channel - 1 + shift));
        if (bits & bit)
            return false;
        bits |= bit;
    }
    return true;
}

}  // namespace

Result<ReadingPayload> ReadReadingPayload(const QByteArray& payload)
{
    using R = Result<ReadingPayload>;
    const Result<QJsonObject> parsed = payloadObject(payload, "reading");
    if (!parsed)
        return R::failure(parsed.error());
    const QJsonObject& o = *parsed;
    ReadingPayload r;
    Result<QDateTime> time = payloadTime(o, QStringLiteral("time"));
    if (!time)
        return R::failure(time.error());
    r.time = std::move(time).value();
    // The flags say what each channel shows ("OL" where a channel has both bits, as the
    // writer has it); without them the channels say it themselves.
    const QJsonValue flags = o.value(QLatin1String("flags"));
    const bool flagsGiven = !flags.isUndefined();
    if (flagsGiven && (!flags.isObject() || !flagList(flags.toObject().value(QLatin1String("OL")), 0, r.flags) ||
                       !flagList(flags.toObject().value(QLatin1String("----")), 4, r.flags)))
        return R::failure(QStringLiteral("\"flags\" are no lists of channels 1 to 4"));
    for (int c = 0; c < 4; ++c) {
        const QString key = QStringLiteral("T%1").arg(c + 1);
        const QJsonValue v = o.value(key);
        const bool over = v.isString() && v.toString() == QLatin1String("OL");
        const bool dashes = v.isString() && v.toString() == QLatin1String("----");
        if (!over && !dashes && !v.isDouble())
            return R::failure(QStringLiteral("%1 is no number, \"OL\" or \"----\"").arg(key));
        if (!flagsGiven)
            r.flags |= std::uint8_t((over ? 1u << c : 0u) | (dashes ? 1u << (c + 4) : 0u));
        const bool flaggedOver = r.flags & (1u << c);
        const bool flaggedDashes = !flaggedOver && (r.flags & (1u << (c + 4)));
        if (over != flaggedOver || dashes != flaggedDashes)
            return R::failure(QStringLiteral("\"flags\" disagree with %1").arg(key));
        if (v.isDouble()) {
            const double d = v.toDouble();
            if (!(std::fabs(d) <= double(kMaxPayloadDegrees)))
                return R::failure(QStringLiteral("%1 is out of the meter's range").arg(key));
            r.t[std::size_t(c)] = float(d);
        }
    }
    const QJsonValue seq = o.value(QLatin1String("seq"));
    if (!seq.isUndefined() && !wholeNumber(seq, 0, std::int64_t(1) << 53, r.seq))
        return R::failure(QStringLiteral("\"seq\" is no whole number from 0"));
    const QJsonValue run = o.value(QLatin1String("run"));
    if (!run.isUndefined() && !wholeNumber(run, 0, std::int64_t(1) << 53, r.run))
        return R::failure(QStringLiteral("\"run\" is no whole number from 0"));
    return r;
}

Result<RunPayload> ReadRunPayload(const QByteArray& payload)
{
    using R = Result<RunPayload>;
    const Result<QJsonObject> parsed = payloadObject(payload, "run");
    if (!parsed)
        return R::failure(parsed.error());
    const QJsonObject& o = *parsed;
    RunPayload r;
    const QString state = o.value(QLatin1String("state")).toString();
    if (state != QLatin1String("started") && state != QLatin1String("stopped"))
        return R::failure(QStringLiteral("\"state\" is neither \"started\" nor \"stopped\""));
    r.started = state == QLatin1String("started");
    if (!wholeNumber(o.value(QLatin1String("run")), 0, std::int64_t(1) << 53, r.run))
        return R::failure(QStringLiteral("\"run\" is no whole number from 0"));
    std::int64_t rate = 0;
    // The longest interval a run takes is an hour.
    if (!wholeNumber(o.value(QLatin1String("rate_seconds")), 0, 3600, rate))
        return R::failure(QStringLiteral("\"rate_seconds\" is no whole number from 0 to 3600"));
    r.rateSeconds = int(rate);
    for (const auto& [key, longest, field] :
         {std::tuple{"name", 200, &r.name}, std::tuple{"model", 32, &r.model}, std::tuple{"serial", 100, &r.serial}}) {
        Result<QString> text = payloadText(o, key, longest);
        if (!text)
            return R::failure(text.error());
        *field = std::move(text).value();
    }
    return r;
}

Result<bool> ReadStatusPayload(const QByteArray& payload)
{
    if (payload == "online")
        return true;
    if (payload == "offline")
        return false;
    return Result<bool>::failure(
        payload.size() > 32
            ? QStringLiteral("a status of %1 bytes, neither \"online\" nor \"offline\"").arg(payload.size())
            : QStringLiteral("a status that is neither \"online\" nor \"offline\""));
}

}  // namespace kelvor
