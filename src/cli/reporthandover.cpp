// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli report: handed over to the report writer, kelvor-cli-report, which draws
// the pages with Qt GUI. So kelvor-cli itself needs no display libraries and its
// package installs on a server; the writer comes with the windowed program's package.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "cli/reportoptions.h"

namespace kelvor {

namespace {

// Beside kelvor-cli (a build folder), else where the package installs it.
QString reportWriter()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("kelvor-cli-report");
    for (const QString& path :
         {here.filePath(name), here.filePath(QStringLiteral(KELVOR_REPORT_WRITER_DIR "/") + name)})
        if (QFileInfo(path).isExecutable() && QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    return {};
}

int handOver(CliContext& ctx)
{
    const QString writer = reportWriter();
    if (writer.isEmpty()) {
        ctx.fail(
            QStringLiteral("a PDF report needs the report writer kelvor-cli-report, which comes with the "
                           "kelvor package (the windowed program); install it to write reports"));
        return kCliFailed;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(writer, QCoreApplication::arguments().mid(1));
    if (!process.waitForStarted(-1)) {
        ctx.fail(QStringLiteral("cannot start the report writer %1: %2").arg(writer, process.errorString()));
        return kCliFailed;
    }
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit) {
        ctx.fail(QStringLiteral("the report writer %1 stopped: %2").arg(writer, process.errorString()));
        return kCliFailed;
    }
    return process.exitCode();
}

const CliRegistration kReport(ReportCommand(handOver));
const LibraryReportRegistration kLibraryReport([](CliContext& ctx, const Library&, const LibraryEntry&, int,
                                                  const QString&) { return handOver(ctx); });

}  // namespace

}  // namespace kelvor
