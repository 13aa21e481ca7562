// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <functional>

#include "cli/clicommand.h"

namespace kelvor {

// The report command as the command line sees it (name, summary, options), shared by
// the report writer that runs it and by kelvor-cli, which hands it over to the writer.
extern const QCommandLineOption kReportOutput;
extern const QCommandLineOption kReportSet;
extern const QCommandLineOption kReportTitle;
extern const QCommandLineOption kReportSamples;

CliCommand ReportCommand(std::function<int(CliContext&)> run);

class Library;
struct LibraryEntry;

// How `library export ID -o FILE.pdf` gets its report written: the report writer, which
// lays out pages, draws it; kelvor-cli hands its whole command line over to the writer.
// Each program sets it with a file-level LibraryReportRegistration.
using LibraryReport =
    std::function<int(CliContext&, const Library&, const LibraryEntry&, int set, const QString& target)>;
struct LibraryReportRegistration {
    explicit LibraryReportRegistration(LibraryReport report);
};
// Unset (an empty function) in a program without either (the core tests).
const LibraryReport& libraryReport();

}  // namespace kelvor
