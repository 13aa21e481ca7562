// SPDX-License-Identifier: GPL-3.0-or-later
#include "loggerrig.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "chart/chartmodel.h"
#include "files/ui/filecommands.h"
#include "graph/graphfile.h"
#include "graph/ui/preparegraph.h"
#include "logger/ui/loggerwindow.h"
#include "meter/devicefactory.h"

namespace kelvor::test {

LoggerRig::LoggerRig(const QString& simOptions)
{
    QStandardPaths::setTestModeEnabled(true);
    QString error;
    auto device = createSimDevice(simOptions, clock, &error);
    program = std::make_unique<Program>(std::move(device), clock, prompts, dir.path());
    InstallDataLoggerHooks(*program);
    InstallFileHooks(*program);
    ChartModel chart;
    PrepareGraph(*program, chart, 4, 100.0f, -20.0f, 0.0, 0.0, 0, nullptr);
    QDir().mkpath(QFileInfo(program->templatePath()).absolutePath());
    WriteGraphFile(chart, program->templatePath());
    prompts.messages.clear();
}

LoggerRig::~LoggerRig() = default;

}  // namespace kelvor::test
