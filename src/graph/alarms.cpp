// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/alarms.h"

#include <QRegularExpression>
#include <algorithm>

namespace kelvor {

namespace {
bool isMeasurement(float y) { return y > -3000.0f && y < 3000.0f; }
}  // namespace

bool AlarmLimits::anyOn() const
{
    for (const AlarmLimit& c : channels)
        if (c.on && (c.high || c.low))
            return true;
    return false;
}

QString AlarmLimits::rulesText() const
{
    QStringList rules;
    for (int c = 0; c < 4; ++c) {
        const AlarmLimit& l = channels[size_t(c)];
        if (!l.on)
            continue;
        if (l.high)
            rules << QStringLiteral("T%1>%2").arg(c + 1).arg(*l.high);
        if (l.low)
            rules << QStringLiteral("T%1<%2").arg(c + 1).arg(*l.low);
    }
    return rules.join(QLatin1Char(' '));
}

bool AddAlarmRule(const QString& rule, AlarmLimits& limits, QString* why)
{
    static const QRegularExpression form(QStringLiteral("^\\s*[Tt]([1-4])\\s*([<>])\\s*(-?\\d+(?:\\.\\d+)?)\\s*$"));
    const QRegularExpressionMatch m = form.match(rule);
    if (!m.hasMatch()) {
        if (why)
            *why = QStringLiteral("'%1' is not an alarm; write a channel, > or < and a limit, e.g. T1>180 or T3<5")
                       .arg(rule);
        return false;
    }
    AlarmLimit& l = limits.channels[size_t(m.captured(1).toInt() - 1)];
    const double limit = m.captured(3).toDouble();
    l.on = true;
    if (m.captured(2) == QLatin1String(">"))
        l.high = limit;
    else
        l.low = limit;
    return true;
}

bool ParseAlarmRules(const QString& text, AlarmLimits& limits, QString* why)
{
    // Rules part at ';', ',' or a blank before the next channel name ("T1>180 T3 < 5").
    static const QRegularExpression between(QStringLiteral("\\s*[;,]\\s*|\\s+(?=[Tt][0-9])"));
    for (const QString& rule : text.trimmed().split(between, Qt::SkipEmptyParts))
        if (!AddAlarmRule(rule, limits, why))
            return false;
    return true;
}

QString AlarmKindText(int kind)
{
    switch (AlarmKind(kind)) {
        case AlarmKind::HighRaised:
            return QStringLiteral("above high limit");
        case AlarmKind::HighEnded:
            return QStringLiteral("back below high limit");
        case AlarmKind::LowRaised:
            return QStringLiteral("below low limit");
        case AlarmKind::LowEnded:
            return QStringLiteral("back above low limit");
    }
    return QStringLiteral("unknown");
}

bool IsAlarmRaised(int kind) { return kind == int(AlarmKind::HighRaised) || kind == int(AlarmKind::LowRaised); }

void AlarmMonitor::setLimits(const AlarmLimits& limits)
{
    m_limits = limits;
    // A limit taken away ends nothing silently: the channel simply stops being watched.
    for (int c = 0; c < 4; ++c) {
        const AlarmLimit& l = m_limits.channels[size_t(c)];
        m_high[size_t(c)] = m_high[size_t(c)] && l.on && l.high;
        m_low[size_t(c)] = m_low[size_t(c)] && l.on && l.low;
    }
}

void AlarmMonitor::reset()
{
    m_high.fill(false);
    m_low.fill(false);
}

void AlarmMonitor::feed(double time, const std::array<float, 4>& values, std::vector<AlarmEvent>& events)
{
    const double h = std::max(0.0, m_limits.hysteresis);
    for (int c = 0; c < 4; ++c) {
        const AlarmLimit& l = m_limits.channels[size_t(c)];
        const float v = values[size_t(c)];
        if (!l.on || !isMeasurement(v))
            continue;
        auto event = [&](AlarmKind kind) { events.push_back({time, c, v, int(kind)}); };
        bool& high = m_high[size_t(c)];
        if (l.high) {
            if (!high && v > *l.high) {
                high = true;
                event(AlarmKind::HighRaised);
            } else if (high && v <= *l.high - h) {
                high = false;
                event(AlarmKind::HighEnded);
            }
        }
        bool& low = m_low[size_t(c)];
        if (l.low) {
            if (!low && v < *l.low) {
                low = true;
                event(AlarmKind::LowRaised);
            } else if (low && v >= *l.low + h) {
                low = false;
                event(AlarmKind::LowEnded);
            }
        }
    }
}

}  // namespace kelvor
