// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/readingline.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cmath>

#include "base/localetext.h"
#include "base/meternames.h"

namespace kelvor {

namespace {

QString csvField(const QString& s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')))
        return s;
    QString quoted = s;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Readings come five times a second, so the time carries milliseconds; the clock is
// the computer's wall clock, so no zone is shown.
QString timeText(const QDateTime& t, const LineFormat& f)
{
    if (f.iso)
        return t.toString(Qt::ISODateWithMs);
    return f.locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           f.locale.toString(t.time(), LongTimeFormatWithMs(f.locale));
}

QString channelText(std::uint8_t flags, const std::array<float, 4>& t, int channel, const LineFormat& f)
{
    if (flags & (1u << channel))
        return QStringLiteral("OL");
    if (flags & (1u << (channel + 4)))
        return QStringLiteral("----");
    const double v = t[std::size_t(channel)];
    return f.iso ? QString::number(v, 'f', 1) : f.locale.toString(v, 'f', 1);
}

QString joined(QStringList fields, const LineFormat& f)
{
    if (!f.csv)
        return fields.join(QLatin1Char('\t'));
    for (QString& s : fields)
        s = csvField(s);
    return fields.join(QLatin1Char(','));
}

QJsonValue jsonChannel(const SessionMeterReading& m, int channel)
{
    if (m.flags & (1u << channel))
        return QStringLiteral("OL");
    if (m.flags & (1u << (channel + 4)))
        return QStringLiteral("----");
    return std::round(double(m.t[std::size_t(channel)]) * 10.0) / 10.0;
}

}  // namespace

QString readingLine(const QDateTime& t, const LiveReading& r, const LineFormat& f)
{
    QStringList fields{timeText(t, f)};
    for (int ch = 0; ch < 4; ++ch)
        fields << channelText(r.ChannelFlags, r.T, ch, f);
    return joined(fields, f);
}

QString rowLine(const QDateTime& t, const std::vector<SessionMeterReading>& meters, const LineFormat& f)
{
    QStringList fields{timeText(t, f)};
    for (const SessionMeterReading& m : meters)
        for (int ch = 0; ch < 4; ++ch)
            fields << (m.present ? channelText(m.flags, m.t, ch, f) : QString());
    return joined(fields, f);
}

QString rowHeader(const std::vector<SessionSource>& meters, const LineFormat& f)
{
    QStringList fields{QStringLiteral("time")};
    for (std::size_t i = 0; i < meters.size(); ++i) {
        const QString label = MeterLabel(meters[i].name, meters[i].serial, int(i));
        for (int ch = 1; ch <= 4; ++ch)
            fields << QStringLiteral("%1 T%2").arg(label).arg(ch);
    }
    return joined(fields, f);
}

QString rowJson(const QDateTime& t, const std::vector<SessionSource>& sources,
                const std::vector<SessionMeterReading>& meters)
{
    QJsonArray list;
    for (std::size_t i = 0; i < meters.size(); ++i) {
        const SessionMeterReading& m = meters[i];
        QJsonObject meter{{QStringLiteral("serial"), i < sources.size() ? sources[i].serial : QString()},
                          {QStringLiteral("name"), i < sources.size() ? sources[i].name : QString()}};
        if (m.present) {
            QJsonArray channels;
            for (int ch = 0; ch < 4; ++ch)
                channels.append(jsonChannel(m, ch));
            meter.insert(QStringLiteral("T"), channels);
        } else {
            meter.insert(QStringLiteral("T"), QJsonValue::Null);
        }
        list.append(meter);
    }
    const QJsonObject row{{QStringLiteral("time"), t.toString(Qt::ISODateWithMs)}, {QStringLiteral("meters"), list}};
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

}  // namespace kelvor
