// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli's command line: any arguments (one per line of the input), with any
// --meter (usb, usb:SERIAL against two fuzzed meters, sim:options, replay:FILE), any
// --capture, -o, --csv, --data-dir and file arguments, all kept inside a sandbox
// folder (see clisandbox.h for the names of its files), and the setup parsers on any
// text. Every run ends with a defined exit status, and a failure always says why.
#include <QCoreApplication>
#include <cstdlib>

#include "clisandbox.h"
#include "setup/eepromaccess.h"
#include "setup/setupcommands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static int argc = 1;
    static char name[] = "kelvor-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    fuzz::prepareCliProcess();

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

    fuzz::CliSandbox sandbox;
    QString out, err;
    const int code = fuzz::runCliInSandbox(sandbox.arguments(QStringLiteral("kelvor-cli"), text, 12), out, err);
    if (code != kCliOk && code != kCliFailed && code != kCliUsage)
        std::abort();
    if (code != kCliOk && err.isEmpty())
        std::abort();  // a failure always says why
    return 0;
}
