// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/alarmoption.h"

#include <cmath>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "graph/realtimerun.h"
#include "meter/livereading.h"

namespace kelvor {

const QCommandLineOption kAlarmOption(QStringLiteral("alarm"),
                                      QStringLiteral("Raise an alarm when a channel passes a limit, e.g. T1>180 or "
                                                     "T3<5 (repeatable); each event is a line on stderr."),
                                      QStringLiteral("RULE"));
const QCommandLineOption kHysteresisOption(QStringLiteral("hysteresis"),
                                           QStringLiteral("Degrees a channel must come back inside its limit "
                                                          "before its alarm ends (default 1)."),
                                           QStringLiteral("DEG"));

bool AlarmLimitsFromArgs(CliContext& ctx, AlarmLimits& limits)
{
    for (const QString& rule : ctx.args.values(kAlarmOption)) {
        QString why;
        if (!AddAlarmRule(rule, limits, &why)) {
            ctx.fail(QStringLiteral("--alarm: ") + why);
            return false;
        }
    }
    if (ctx.args.isSet(kHysteresisOption)) {
        bool ok = false;
        const double h = ctx.args.value(kHysteresisOption).toDouble(&ok);
        // toDouble() takes "nan" and "inf", with which an alarm could never end.
        if (!ok || !std::isfinite(h) || h < 0) {
            ctx.fail(QStringLiteral("--hysteresis needs a number of degrees, 0 or more, not '%1'")
                         .arg(ctx.args.value(kHysteresisOption)));
            return false;
        }
        limits.hysteresis = h;
    }
    return true;
}

void ReportAlarms(CliContext& ctx, AlarmMonitor& monitor, const QDateTime& when, const LiveReading& reading)
{
    if (!monitor.limits().anyOn())
        return;
    std::array<float, 4> values{};
    for (int c = 0; c < 4; ++c)
        values[size_t(c)] = SampleValue(reading.ChannelFlags, c, reading.T[size_t(c)]);
    std::vector<AlarmEvent> events;
    monitor.feed(toDays(when), values, events);
    for (const AlarmEvent& e : events) {
        const AlarmLimit& l = monitor.limits().channels[size_t(e.subset)];
        const bool high = e.kind == int(AlarmKind::HighRaised) || e.kind == int(AlarmKind::HighEnded);
        ctx.err << "kelvor-cli: alarm " << when.toString(Qt::ISODate) << " T" << (e.subset + 1) << ' '
                << QString::number(e.value, 'f', 1) << ' ' << AlarmKindText(e.kind) << ' '
                << QString::number(high ? *l.high : *l.low) << '\n';
    }
    if (!events.empty())
        ctx.err.flush();
}

}  // namespace kelvor
