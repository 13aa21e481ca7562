// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli info, set-clock, set-interval, erase, defaults, calibration and the
// EEPROM byte commands: the setup window without a window.
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define KELVOR_STDIN_IS_TERMINAL() (_isatty(_fileno(stdin)) != 0)
#else
#include <unistd.h>
#define KELVOR_STDIN_IS_TERMINAL() (isatty(STDIN_FILENO) != 0)
#endif

#include <QTextStream>

#include "cli/clicommand.h"
#include "setup/adjustvalues.h"
#include "setup/eepromaccess.h"
#include "setup/meterinformation.h"
#include "setup/setupcommands.h"

namespace kelvor {

namespace {

const QCommandLineOption kYes({QStringLiteral("y"), QStringLiteral("yes")}, QStringLiteral("Erase without asking."));
const QCommandLineOption kCode(QStringLiteral("code"), QStringLiteral("The access code for EEPROM writes."),
                               QStringLiteral("CODE"));

// Reports a command's result: nothing more on success, "failed: code N" otherwise.
int finish(CliContext& ctx, const char* what, int code, const char* done)
{
    if (code != 0) {
        ctx.fail(QStringLiteral("%1 failed: code %2").arg(QLatin1String(what)).arg(code));
        return kCliFailed;
    }
    ctx.out << done << '\n';
    return kCliOk;
}

bool needArguments(CliContext& ctx, const char* what, int count, const char* form)
{
    if (ctx.positional.size() == count)
        return true;
    ctx.fail(QStringLiteral("%1 needs %2").arg(QLatin1String(what), QLatin1String(form)));
    return false;
}

int runInfo(CliContext& ctx)
{
    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    std::array<std::uint8_t, 64> reply{};
    QString serial;
    const int code = ReadMeterInformation(*link, reply, serial);
    if (code != 0)
        return finish(ctx, "info", code, "");
    const MeterInformation info = DecodeMeterInformation(reply, serial);
    static const char* const kNames[] = {
        "memory available", "meter time", "interval",  "data sets", "version",
        "serial number",    "alarm",      "hi",        "lo",        "T1-T2",
        "thermocouple",     "sleep time", "T1 offset", "T2 offset", "T3 offset",
        "T4 offset",
    };
    const auto fields = InformationFields(info);
    constexpr int kIntervalField = 2;
    for (int i = 0; i < fields.size(); ++i) {
        // The window shows the interval as "m:s"; a script reads MM:SS like --interval takes it.
        const QString value = i == kIntervalField ? QStringLiteral("%1:%2")
                                                        .arg(info.intervalMinutes, 2, 10, QLatin1Char('0'))
                                                        .arg(info.intervalSeconds, 2, 10, QLatin1Char('0'))
                                                  : fields[i].second;
        ctx.out << kNames[i] << ": " << value << '\n';
    }
    return kCliOk;
}

int runSetClock(CliContext& ctx)
{
    MeterLink* link = ctx.link();
    return link ? finish(ctx, "set-clock", AdjustMeterTime(*link), "meter clock set") : kCliFailed;
}

int runSetInterval(CliContext& ctx)
{
    if (!needArguments(ctx, "set-interval", 1, "the interval as MM:SS (minutes and seconds 00 to 60, not both 00)"))
        return kCliUsage;
    const QStringList parts = ctx.positional.first().split(QLatin1Char(':'));
    IntervalParameter interval;
    const int check =
        parts.size() == 2 ? ParseRecordingInterval(parts[0], parts[1], interval) : int(kIntervalMinutesNotNumber);
    if (check != 0) {
        ctx.fail(QStringLiteral("Invalid Input (code %1): the interval is MM:SS, minutes 00 to 60 and seconds 00 to "
                                "60, not both 00")
                     .arg(check));
        return kCliUsage;
    }
    MeterLink* link = ctx.link();
    return link ? finish(ctx, "set-interval", AdjustRecordingInterval(*link, interval), "recording interval set")
                : kCliFailed;
}

// Asks on the terminal; without one (a script, a pipe) only --yes may erase.
bool confirmErase(CliContext& ctx)
{
    if (ctx.args.isSet(kYes))
        return true;
    if (!KELVOR_STDIN_IS_TERMINAL()) {
        ctx.fail(
            QStringLiteral("erase deletes every recorded data set; stdin is not a terminal, so "
                           "confirm with --yes"));
        return false;
    }
    ctx.err << "Erase every recorded data set in the meter? [y/N] ";
    ctx.err.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return true;
    ctx.fail(QStringLiteral("erase cancelled; nothing was sent"));
    return false;
}

int runErase(CliContext& ctx)
{
    if (!confirmErase(ctx))
        return kCliFailed;
    MeterLink* link = ctx.link();
    return link ? finish(ctx, "erase", EraseMeterMemory(*link), "meter memory erased") : kCliFailed;
}

int runDefaults(CliContext& ctx)
{
    MeterLink* link = ctx.link();
    return link ? finish(ctx, "defaults", SetupOther(*link), "default settings written") : kCliFailed;
}

int runCalibration(CliContext& ctx)
{
    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    AdjustValues values{};
    const int code = ReadAdjustValues(*link, values);
    if (code != 0)
        return finish(ctx, "calibration", code, "");
    static const char* const kNames[] = {"T1 gain",       "T2 gain",       "T3 gain",       "T4 gain",
                                         "T1 EXT offset", "T2 EXT offset", "T3 EXT offset", "T4 EXT offset",
                                         "T1 CJC offset", "T2 CJC offset", "T3 CJC offset", "T4 CJC offset"};
    for (std::size_t i = 0; i < values.size(); ++i)
        ctx.out << kNames[i] << ": " << CalibrationText(values[i]) << '\n';
    return kCliOk;
}

int runEepromRead(CliContext& ctx)
{
    if (!needArguments(ctx, "eeprom-read", 1, "an ADDRESS (decimal)"))
        return kCliUsage;
    int address = 0;
    QString error;
    if (!ParseEepromAddress(ctx.positional[0], address, &error)) {
        ctx.fail(error);
        return kCliUsage;
    }
    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    std::uint8_t value = 0;
    const int code = ReadEEProm(*link, address, value);
    if (code != 0)
        return finish(ctx, "eeprom-read", code, "");
    ctx.out << int(value) << '\n';
    return kCliOk;
}

int runEepromWrite(CliContext& ctx)
{
    if (!needArguments(ctx, "eeprom-write", 2, "an ADDRESS and a DATA byte (decimal)"))
        return kCliUsage;
    if (!ctx.args.isSet(kCode)) {
        ctx.fail(QStringLiteral("eeprom-write needs the access code: --code CODE"));
        return kCliUsage;
    }
    if (!EepromAccessCodeMatches(ctx.args.value(kCode))) {
        ctx.fail(QString::fromLatin1(kPasswordErrorText));
        return kCliFailed;
    }
    int address = 0;
    int data = 0;
    QString error;
    if (!ParseEepromAddress(ctx.positional[0], address, &error) || !ParseEepromData(ctx.positional[1], data, &error)) {
        ctx.fail(error);
        return kCliUsage;
    }
    MeterLink* link = ctx.link();
    return link ? finish(ctx, "eeprom-write", WriteEEProm(*link, address, data), "written") : kCliFailed;
}

const CliRegistration kInfoCommand({QStringLiteral("info"),
                                    QStringLiteral("Read the meter's information: memory, clock, interval, "
                                                   "settings, serial number."),
                                    QString(), nullptr, runInfo});
const CliRegistration kSetClockCommand({QStringLiteral("set-clock"),
                                        QStringLiteral("Set the meter's clock to the computer's clock."), QString(),
                                        nullptr, runSetClock});
const CliRegistration kSetIntervalCommand(
    {QStringLiteral("set-interval"),
     QStringLiteral("Set the recording interval (MM:SS: minutes and seconds 00 to 60, not both 00)."),
     QStringLiteral("MM:SS"), nullptr, runSetInterval});
const CliRegistration kEraseCommand({QStringLiteral("erase"),
                                     QStringLiteral("Erase the meter's recorded memory (asks first; --yes "
                                                    "does not)."),
                                     QString(), [](QCommandLineParser& p) { p.addOption(kYes); }, runErase});
const CliRegistration kDefaultsCommand({QStringLiteral("defaults"),
                                        QStringLiteral("Write the default settings: alarm off, 212/-4, interval "
                                                       "0:02, type K, power-off 30 minutes."),
                                        QString(), nullptr, runDefaults});
const CliRegistration kCalibrationCommand({QStringLiteral("calibration"),
                                           QStringLiteral("Read the calibration values (gain, EXT and CJC "
                                                          "offsets of T1..T4)."),
                                           QString(), nullptr, runCalibration});
const CliRegistration kEepromReadCommand({QStringLiteral("eeprom-read"),
                                          QStringLiteral("Read one EEPROM byte at ADDRESS (decimal)."),
                                          QStringLiteral("ADDRESS"), nullptr, runEepromRead});
const CliRegistration kEepromWriteCommand({QStringLiteral("eeprom-write"),
                                           QStringLiteral("Write one EEPROM byte (decimal ADDRESS DATA; needs "
                                                          "--code)."),
                                           QStringLiteral("ADDRESS DATA"),
                                           [](QCommandLineParser& p) { p.addOption(kCode); }, runEepromWrite});

}  // namespace

}  // namespace kelvor
