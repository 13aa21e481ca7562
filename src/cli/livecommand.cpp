// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli live: the four channels, as the monitor loop reads them.
#include <QDateTime>
#include <QLocale>

#include "base/clock.h"
#include "base/localetext.h"
#include "cli/alarmoption.h"
#include "cli/clicommand.h"
#include "cli/climonitor.h"
#include "cli/readingline.h"

namespace kelvor {

namespace {

const QCommandLineOption kCount(QStringLiteral("count"),
                                QStringLiteral("Stop after N readings (default: run until interrupted)."),
                                QStringLiteral("N"));
const QCommandLineOption kCsv(QStringLiteral("csv"), QStringLiteral("Comma-separated values with a header line."));
const QCommandLineOption kIso(QStringLiteral("iso"),
                              QStringLiteral("ISO 8601 date-times and '.' decimals, whatever the locale."));

int runLive(CliContext& ctx)
{
    const long long count = PositiveCount(ctx, kCount);
    if (count < 0)
        return kCliUsage;
    AlarmLimits limits;
    if (!AlarmLimitsFromArgs(ctx, limits))
        return kCliUsage;
    AlarmMonitor alarms(limits);
    LineFormat format;
    format.csv = ctx.args.isSet(kCsv);
    format.iso = ctx.args.isSet(kIso);
    format.locale.setNumberOptions(QLocale::OmitGroupSeparator);

    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    MeterDevice& device = link->device();

    if (format.csv) {
        ctx.out << kReadingCsvHeader << '\n';
        ctx.out.flush();
    }
    CliMonitor monitor(ctx, *link);
    long long printed = 0;
    while (!ctx.interrupted() && !ctx.outputFailed() && (count == 0 || printed < count) && !device.atEnd()) {
        const CycleTick tick = monitor.step();
        if (tick.event == CycleEvent::Reading) {
            ctx.out << readingLine(tick.time, monitor.reading(), format) << '\n';
            ctx.out.flush();
            ReportAlarms(ctx, alarms, tick.time, monitor.reading());
            ++printed;
        }
        monitor.pauseAfter(tick);
    }
    if (!monitor.everConnected() && !ctx.interrupted()) {
        monitor.failNoMeterAnswered();
        return kCliFailed;
    }
    if (ctx.outputFailed())
        return kCliFailed;  // said once by the command line's end
    if (count > 0 && printed < count && !ctx.interrupted()) {
        ctx.fail(QStringLiteral("the meter gave %1 of %2 readings").arg(printed).arg(count));
        return kCliFailed;
    }
    return kCliOk;
}

const CliRegistration kLive({
    QStringLiteral("live"),
    QStringLiteral("Print the four channels (degrees C) every 200 ms: time, T1, T2, T3, T4."),
    QString(),
    [](QCommandLineParser& p) {
        p.addOptions({kCount, kCsv, kIso, kAlarmOption, kHysteresisOption});
    },
    runLive,
});

}  // namespace

}  // namespace kelvor
