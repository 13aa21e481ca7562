// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli's command line: any arguments (one per line of the input) against a
// meter that never answers, and the setup parsers on any text. Arguments that
// would write files or wait for the keyboard are left out.
#include <QTextStream>
#include <cstdlib>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "meter/replaydevice.h"
#include "setup/eepromaccess.h"
#include "setup/setupcommands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = text.split(QLatin1Char('\n'));

    int value = 0;
    QString why;
    if (!ParseEepromAddress(lines.value(0), value, &why) && why.isEmpty())
        std::abort();
    (void)ParseEepromData(lines.value(0), value, &why);
    (void)EepromAccessCodeMatches(lines.value(0));
    IntervalParameter interval;
    (void)ParseRecordingInterval(lines.value(0), lines.value(1), interval);

    QStringList args{QStringLiteral("kelvor-cli")};
    for (const QString& a : lines) {
        if (args.size() > 12)
            break;
        if (a.contains(QLatin1Char('/')) || a.startsWith(QLatin1String("-o")) || a.startsWith(QLatin1String("--o")) ||
            a.startsWith(QLatin1String("--capture")) || a.startsWith(QLatin1String("--meter")) ||
            a == QLatin1String("erase"))
            continue;
        args << a;
    }
    ManualClock clock;
    QString out, err;
    QTextStream o(&out), e(&err);
    CliEnv env{clock, o, e, nullptr, nullptr, nullptr};
    env.makeDevice = [](const QString&, const QString&, QString*) {
        return std::make_unique<ReplayDevice>(std::vector<CaptureEntry>{});
    };
    const int code = runCli(args, env);
    if (code != kCliOk && code != kCliFailed && code != kCliUsage)
        std::abort();
    if (code != kCliOk && err.isEmpty())
        std::abort();  // a failure always says why
    return 0;
}
