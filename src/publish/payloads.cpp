// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/payloads.h"

#include "graph/alarms.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

}  // namespace kelvor
