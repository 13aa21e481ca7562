// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/webmetrics.h"

#include "session/recordingsession.h"

namespace kelvor {

namespace {

// A label value as the text format wants it: backslash, quote and line feed escaped.
QByteArray labelValue(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void family(QByteArray& out, const char* name, const char* type, const char* help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

QByteArray meterLabels(int index, const WebMeter& m)
{
    return "meter=\"" + QByteArray::number(index) + "\",model=\"" + labelValue(m.model) + "\",serial=\"" +
           labelValue(m.serial) + '"';
}

QByteArray number(double v) { return QByteArray::number(v, 'g', 10); }

}  // namespace

QByteArray MetricsText(const WebModel& model)
{
    QByteArray out;
    family(out, "kelvor_temperature_celsius", "gauge",
           "Latest reading of a channel in degrees Celsius; absent while it shows OL or ----.");
    for (std::size_t i = 0; i < model.meters.size(); ++i) {
        const WebMeter& m = model.meters[i];
        for (int c = 0; m.hasReading && m.connected && c < kWebChannels; ++c) {
            if (m.reading.overRange(c) || m.reading.dashed(c))
                continue;
            out += "kelvor_temperature_celsius{" + meterLabels(int(i), m) + ",channel=\"T" + QByteArray::number(c + 1) +
                   "\"} " + number(QByteArray::number(double(m.reading.T[std::size_t(c)]), 'g', 7).toDouble()) + '\n';
        }
    }
    family(out, "kelvor_channel_reading", "gauge",
           "1 while a channel shows a reading, 0 while it shows OL (over range) or ---- (no thermocouple).");
    for (std::size_t i = 0; i < model.meters.size(); ++i) {
        const WebMeter& m = model.meters[i];
        for (int c = 0; m.hasReading && m.connected && c < kWebChannels; ++c) {
            const bool shown = !m.reading.overRange(c) && !m.reading.dashed(c);
            out += "kelvor_channel_reading{" + meterLabels(int(i), m) + ",channel=\"T" + QByteArray::number(c + 1) +
                   "\"} " + (shown ? "1" : "0") + '\n';
        }
    }
    family(out, "kelvor_meter_connected", "gauge", "1 while the meter answers.");
    for (std::size_t i = 0; i < model.meters.size(); ++i)
        out += "kelvor_meter_connected{" + meterLabels(int(i), model.meters[i]) + "} " +
               (model.meters[i].connected ? "1" : "0") + '\n';
    const RecordingSession* s = model.session;
    family(out, "kelvor_alarm_active", "gauge", "1 while a channel of the run is in alarm.");
    // The run's alarms watch the first meter: with several, its labels say which one.
    const QByteArray alarmed = model.meters.size() > 1 ? meterLabels(0, model.meters.front()) + ',' : QByteArray();
    for (int c = 0; s && c < kWebChannels; ++c)
        out += "kelvor_alarm_active{" + alarmed + "channel=\"T" + QByteArray::number(c + 1) + "\"} " +
               (s->channelAlarmed(c) ? "1" : "0") + '\n';
    family(out, "kelvor_run_recording", "gauge", "1 while a run records.");
    out += QByteArray("kelvor_run_recording ") + (s && s->recording() ? "1" : "0") + '\n';
    family(out, "kelvor_run_samples", "gauge", "Samples the current run has recorded.");
    out += "kelvor_run_samples " + number(s ? double(s->sampleCount()) : 0.0) + '\n';
    family(out, "kelvor_run_alarm_events", "gauge", "Alarm events of the current run.");
    out += "kelvor_run_alarm_events " + number(s ? double(s->alarmEvents().size()) : 0.0) + '\n';
    family(out, "kelvor_web_viewers", "gauge", "Browsers watching through a WebSocket.");
    out += "kelvor_web_viewers " + QByteArray::number(model.viewers) + '\n';
    return out;
}

}  // namespace kelvor
