// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli probe: is a meter there, and which one? probe --list: every meter within reach.
#include <QCommandLineOption>
#include <array>

#include "cli/clicommand.h"
#include "meter/exchange.h"

namespace kelvor {

namespace {

const QCommandLineOption kList(QStringLiteral("list"),
                               QStringLiteral("List every meter found, one line each: path, serial and whether it "
                                              "can be opened (\"ok\" or why not), separated by tabs."));

QString modelCodeOf(const std::array<std::uint8_t, 64>& reply)
{
    QString code;
    for (int i = 23; i <= 25; ++i) {
        const std::uint8_t b = reply[std::size_t(i)];
        code += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar(u'?');
    }
    return code;
}

// The serial text needs the link open; a meter that gives none still counts as found.
QString serialText(MeterDevice& device)
{
    std::array<char, 32> text{};
    QString serial;
    if (device.OpenLink(kMeterVendorId, kMeterProductId) == kLinkOk &&
        device.SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) == kLinkOk &&
        device.GetSerialText(text.data(), int(text.size())) == kLinkOk) {
        text.back() = '\0';
        serial = QString::fromLatin1(text.data()).trimmed();
    }
    device.CloseLink();
    return serial;
}

// Opens no exchange: a meter that another program holds or that is busy still shows.
int listMeters(CliContext& ctx)
{
    MeterDevice* device = ctx.device();
    if (!device)
        return kCliFailed;
    const std::vector<FoundMeter> meters = device->findMeters();
    if (meters.empty()) {
        ctx.fail(QStringLiteral("no meter found (USB %1:%2)")
                     .arg(kMeterVendorId, 4, 16, QLatin1Char('0'))
                     .arg(kMeterProductId, 4, 16, QLatin1Char('0')));
        return kCliFailed;
    }
    for (const FoundMeter& m : meters)
        ctx.out << m.path << '\t' << (m.serial.isEmpty() ? QStringLiteral("(none)") : m.serial) << '\t'
                << (m.problem.isEmpty() ? QStringLiteral("ok") : m.problem) << '\n';
    return kCliOk;
}

int runProbe(CliContext& ctx)
{
    if (ctx.args.isSet(kList))
        return listMeters(ctx);
    MeterLink* link = ctx.link();
    if (!link)
        return kCliFailed;
    if (!link->ProbeMeter()) {
        const QString problem = link->device().lastOpenProblem();
        ctx.fail(problem.isEmpty() ? QStringLiteral("no meter answered")
                                   : QStringLiteral("no meter answered: %1").arg(problem));
        return kCliFailed;
    }
    const QString model = modelCodeOf(link->replyBuffer());
    if (!link->replyHasModelCode()) {
        ctx.fail(QStringLiteral("a device answered, but its model code is '%1', not 'QZX'").arg(model));
        return kCliFailed;
    }
    const QString serial = serialText(link->device());
    ctx.out << "meter: answered\n"
            << "model code: " << model << '\n'
            << "serial: " << (serial.isEmpty() ? QStringLiteral("(none)") : serial) << '\n';
    return kCliOk;
}

const CliRegistration kProbe({
    QStringLiteral("probe"),
    QStringLiteral("Ask for the meter's identity: prints whether it answered, its model code and serial; "
                   "--list lists every meter found."),
    QString(),
    [](QCommandLineParser& p) { p.addOption(kList); },
    runProbe,
});

}  // namespace

}  // namespace kelvor
