// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli probe: is a meter there, and which one?
#include <array>

#include "cli/clicommand.h"
#include "meter/exchange.h"

namespace kelvor {

namespace {

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

int runProbe(CliContext& ctx)
{
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
    QStringLiteral("Ask for the meter's identity: prints whether it answered, its model code and serial."),
    QString(),
    nullptr,
    runProbe,
});

}  // namespace

}  // namespace kelvor
