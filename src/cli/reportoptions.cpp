// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/reportoptions.h"

#include "cli/profileoutput.h"

namespace kelvor {

const QCommandLineOption kReportOutput({QStringLiteral("o"), QStringLiteral("output")},
                                       QStringLiteral("Write the report to FILE.pdf."), QStringLiteral("FILE"));
const QCommandLineOption kReportSet(QStringLiteral("set"), QStringLiteral("The data set of a collection file, from 1."),
                                    QStringLiteral("K"));
const QCommandLineOption kReportTitle(QStringLiteral("title"), QStringLiteral("The report's title."),
                                      QStringLiteral("TEXT"));
const QCommandLineOption kReportSamples(QStringLiteral("samples"),
                                        QStringLiteral("Add every sample as a table on further pages."));

namespace {
LibraryReport& libraryReportSlot()
{
    static LibraryReport report;
    return report;
}
}  // namespace

LibraryReportRegistration::LibraryReportRegistration(LibraryReport report) { libraryReportSlot() = std::move(report); }

const LibraryReport& libraryReport() { return libraryReportSlot(); }

CliCommand ReportCommand(std::function<int(CliContext&)> run)
{
    return {
        QStringLiteral("report"),
        QStringLiteral("Write a PDF report (chart, statistics, annotations) of data set K of a collection or of a "
                       "graph file: -o FILE.pdf, --title TEXT, --samples for the sample table, --profile P for the "
                       "run's verdict against a profile (page 1) and each rule's result."),
        QStringLiteral("FILE.ch4|FILE.ghf"),
        [](QCommandLineParser& p) {
            p.addOptions(
                {kReportSet, kReportOutput, kReportTitle, kReportSamples, kProfileOption, kProfileChannelOption});
        },
        std::move(run),
    };
}

}  // namespace kelvor
