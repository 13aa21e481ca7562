// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli live: the four channels, as the monitor loop reads them.
#include <QDateTime>
#include <QLocale>

#include "base/clock.h"
#include "base/localetext.h"
#include "cli/alarmoption.h"
#include "cli/clicommand.h"
#include "cli/climeters.h"
#include "cli/climonitor.h"
#include "cli/metersources.h"
#include "cli/mqttoption.h"
#include "cli/readingline.h"
#include "publish/samplepublisher.h"

namespace kelvor {

namespace {

const QCommandLineOption kCount(QStringLiteral("count"),
                                QStringLiteral("Stop after N readings (default: run until interrupted)."),
                                QStringLiteral("N"));
const QCommandLineOption kCsv(QStringLiteral("csv"), QStringLiteral("Comma-separated values with a header line."));
const QCommandLineOption kIso(QStringLiteral("iso"),
                              QStringLiteral("ISO 8601 date-times and '.' decimals, whatever the locale."));
const QCommandLineOption kJson(QStringLiteral("json"),
                               QStringLiteral("One JSON object per line: the time and each meter's serial, name and "
                                              "T1..T4 (null where the meter gave no reading)."));

// Several meters: one line per round of readings, every meter's four channels in the
// order given, empty where a meter gave no reading in that round.
long long liveSeveral(CliContext& ctx, const std::vector<MeterLink*>& links, const std::vector<MqttSettings>& remotes,
                      long long count, const LineFormat& format, bool json, WebServer* server)
{
    CliMeters meters(ctx, links, remotes, ctx.meterChoices());
    const std::vector<SessionSource> sources = meters.sources();
    for (std::size_t i = 0; server && i < sources.size(); ++i)
        server->setMeterIdentity(int(i), sources[i]);
    if (!json) {
        ctx.out << rowHeader(sources, format) << '\n';
        ctx.out.flush();
    }
    long long printed = 0;
    while (!ctx.interrupted() && !ctx.outputFailed() && (count == 0 || printed < count) && !meters.atEnd()) {
        const std::vector<CycleTick> ticks = meters.step();
        std::vector<SessionMeterReading> row(ticks.size());
        bool any = false;
        for (std::size_t i = 0; i < ticks.size(); ++i)
            if (ticks[i].event == CycleEvent::Reading) {
                row[i] = rowReading(meters.reading(i));
                any = true;
            }
        if (any) {
            const QDateTime& at = ticks.front().time;
            ctx.out << (json ? rowJson(at, sources, row) : rowLine(at, row, format)) << '\n';
            ctx.out.flush();
            ++printed;
        }
        for (std::size_t i = 0; server && i < ticks.size(); ++i)
            server->tell(int(i), ticks[i], meters.reading(i));
        meters.pauseAfter(ticks);
    }
    meters.stop();
    if (!meters.everConnected() && !ctx.interrupted()) {
        meters.failNoMeterAnswered();
        return -1;
    }
    return printed;
}

int runLive(CliContext& ctx)
{
    const long long count = PositiveCount(ctx, kCount);
    if (count < 0)
        return kCliUsage;
    AlarmLimits limits;
    if (!AlarmLimitsFromArgs(ctx, limits))
        return kCliUsage;
    const bool json = ctx.args.isSet(kJson);
    if (json && ctx.args.isSet(kCsv)) {
        ctx.fail(QStringLiteral("--json and --csv are two forms of the same lines; give one"));
        return kCliUsage;
    }
    const bool several = ctx.meterChoices().size() > 1 || !ctx.remoteChoices().isEmpty();
    if (several && ctx.args.isSet(kAlarmOption)) {
        ctx.fail(QStringLiteral("--alarm watches the T1..T4 of one meter; %1").arg(OneMeterAdvice(ctx)));
        return kCliUsage;
    }
    if (!ServeOptionsValid(ctx))
        return kCliUsage;
    AlarmMonitor alarms(limits);
    std::optional<MqttSettings> mqtt;
    if (!MqttSettingsFromArgs(ctx, mqtt))
        return kCliUsage;
    if (several && mqtt) {
        ctx.fail(QStringLiteral("--mqtt publishes one meter; %1").arg(OneMeterAdvice(ctx)));
        return kCliUsage;
    }
    std::vector<MqttSettings> remotes;
    if (!RemoteMetersFromArgs(ctx, remotes))
        return kCliUsage;
    LineFormat format;
    format.csv = ctx.args.isSet(kCsv);
    format.iso = ctx.args.isSet(kIso) || json;
    format.locale.setNumberOptions(QLocale::OmitGroupSeparator);

    if (!ctx.localMetersOpen())
        return kCliFailed;
    const std::vector<MeterLink*> links = ctx.links();
    std::unique_ptr<WebServer> server;
    if (!StartServing(ctx, server))
        return kCliFailed;
    if (several) {
        const long long printed = liveSeveral(ctx, links, remotes, count, format, json, server.get());
        if (printed < 0 || ctx.outputFailed())
            return kCliFailed;
        if (count > 0 && printed < count && !ctx.interrupted()) {
            ctx.fail(QStringLiteral("the meters gave %1 of %2 lines").arg(printed).arg(count));
            return kCliFailed;
        }
        return kCliOk;
    }
    MeterLink* link = links.front();
    MeterDevice& device = link->device();
    const std::vector<SessionSource> sources = json ? ChosenSources(links) : std::vector<SessionSource>{};
    if (server)
        server->setMeterIdentity(0, QStringLiteral("QZX"), QString());

    if (format.csv) {
        ctx.out << kReadingCsvHeader << '\n';
        ctx.out.flush();
    }
    // Live readings only: no run is taken, so nothing is kept to send again.
    std::unique_ptr<SamplePublisher> publisher;
    if (mqtt) {
        publisher = std::make_unique<SamplePublisher>(*mqtt, nullptr, SamplePublisher::RunIdSource(), nullptr);
        TellMqttStatus(ctx, *publisher);
    }
    CliMonitor monitor(ctx, *link);
    long long printed = 0;
    while (!ctx.interrupted() && !ctx.outputFailed() && (count == 0 || printed < count) && !device.atEnd()) {
        const CycleTick tick = monitor.step();
        if (publisher && tick.event == CycleEvent::Found)
            publisher->start(QStringLiteral("QZX"), ReportedSerial(device));
        if (publisher && tick.event == CycleEvent::Reading)
            publisher->liveReading(toDays(tick.time), monitor.reading());
        if (tick.event == CycleEvent::Reading) {
            ctx.out << (json ? rowJson(tick.time, sources, {rowReading(monitor.reading())})
                             : readingLine(tick.time, monitor.reading(), format))
                    << '\n';
            ctx.out.flush();
            ReportAlarms(ctx, alarms, tick.time, monitor.reading());
            ++printed;
        }
        if (server)
            server->tell(0, tick, monitor.reading());
        monitor.pauseAfter(tick);
    }
    if (publisher)
        FinishPublishing(ctx, *publisher);
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
    QStringLiteral("Print the four channels (degrees C) every 200 ms: time, T1, T2, T3, T4 (of each meter, "
                   "with several --meter)."),
    QString(),
    [](QCommandLineParser& p) {
        p.addOptions({kCount, kCsv, kIso, kJson, kAlarmOption, kHysteresisOption});
        p.addOptions(MqttOptions());
    },
    runLive,
    true,
});

}  // namespace

}  // namespace kelvor
