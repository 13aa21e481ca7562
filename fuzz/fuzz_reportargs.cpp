// SPDX-License-Identifier: GPL-3.0-or-later
// The report writer's command line (kelvor-cli-report, the program kelvor-cli hands
// `report` and `library export ... -o FILE.pdf` over to): any arguments, one per line,
// with the sandbox's files and folders as in fuzz_cliargs. Every run ends with a
// defined exit status, a failure says why, and a report said to be written is a PDF.
#include <QFile>
#include <QGuiApplication>
#include <cstdlib>

#include "clisandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static int argc = 1;
    static char name[] = "kelvor-cli-report";
    static char* argv[] = {name, nullptr};
    static const bool platform = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)platform;
    fuzz::prepareCliProcess();

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::CliSandbox sandbox;
    const QStringList args = sandbox.arguments(QStringLiteral("kelvor-cli-report"), text, 10);
    QString out, err;
    const int code = fuzz::runCliInSandbox(args, out, err);
    if (code != kCliOk && code != kCliFailed && code != kCliUsage)
        std::abort();
    if (code != kCliOk && err.isEmpty())
        std::abort();  // a failure always says why
    // A report said to be written is there, and is a PDF.
    const qsizetype at = args.indexOf(QStringLiteral("report"));
    if (code == kCliOk && at > 0 && !args.contains(QStringLiteral("--help")) && !args.contains(QStringLiteral("-h"))) {
        for (qsizetype i = at + 1; i + 1 < args.size(); ++i)
            if (args[i] == QLatin1String("-o") && args[i + 1].endsWith(QLatin1String(".pdf"))) {
                QFile pdf(args[i + 1]);
                if (!pdf.open(QIODevice::ReadOnly) || !pdf.read(5).startsWith("%PDF-"))
                    std::abort();
            }
    }
    return 0;
}
