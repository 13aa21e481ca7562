// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli live: the four channels, as the monitor loop reads them.
#include <QDateTime>
#include <QLocale>

#include "base/clock.h"
#include "base/localetext.h"
#include "cli/alarmoption.h"
#include "cli/clicommand.h"
#include "cli/readingline.h"
#include "meter/livereading.h"

namespace kelvor {

namespace {

const QCommandLineOption kCount(QStringLiteral("count"),
                                QStringLiteral("Stop after N readings (default: run until interrupted)."),
                                QStringLiteral("N"));
const QCommandLineOption kCsv(QStringLiteral("csv"), QStringLiteral("Comma-separated values with a header line."));
const QCommandLineOption kIso(QStringLiteral("iso"),
                              QStringLiteral("ISO 8601 date-times and '.' decimals, whatever the locale."));

// The monitor loop's rhythm: probe every 500 ms until the model code answers, then
// read every 200 ms; three failed reads in a row go back to probing.
constexpr std::uint32_t kProbeIntervalMs = 500;
constexpr std::uint32_t kReadIntervalMs = 200;
constexpr int kMissesToDrop = 3;

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
    LiveReading reading;
    bool connected = false;
    bool everConnected = false;
    bool toldWaiting = false;
    int missed = 0;
    ReadingGap gap;
    long long printed = 0;
    while (!ctx.interrupted() && !ctx.outputFailed() && (count == 0 || printed < count) && !device.atEnd()) {
        const std::uint32_t tick = ctx.clock.tickMs();
        const QDateTime sampleTime = ctx.clock.now();
        if (!connected) {
            if (link->ProbeMeter() && link->replyHasModelCode()) {
                connected = true;
                gap.reset();
                everConnected = true;
                missed = 0;
            } else if (!toldWaiting) {
                toldWaiting = true;
                TellWaitingForMeter(ctx, device);
            }
            ctx.pauseUntil(tick, connected ? kReadIntervalMs : kProbeIntervalMs);
            continue;
        }
        if (link->ReadLiveReading()) {
            missed = 0;
            // A garbled reply is ignored, not a miss; a run of them is told.
            TellReadingGap(ctx, gap.reply(link->replyIsLiveReading()));
            if (link->replyIsLiveReading()) {
                DecodeLiveReading(link->replyBuffer().data(), reading);
                ctx.out << readingLine(sampleTime, reading, format) << '\n';
                ctx.out.flush();
                ReportAlarms(ctx, alarms, sampleTime, reading);
                ++printed;
            }
        } else if (++missed >= kMissesToDrop) {
            connected = false;
            missed = 0;
            TellMeterLost(ctx);
        }
        ctx.pauseUntil(tick, connected ? kReadIntervalMs : kProbeIntervalMs);
    }
    if (!everConnected && !ctx.interrupted()) {
        FailNoMeterAnswered(ctx, device);
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
