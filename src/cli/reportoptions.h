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

}  // namespace kelvor
