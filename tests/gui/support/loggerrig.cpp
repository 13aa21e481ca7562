// SPDX-License-Identifier: GPL-3.0-or-later
#include "loggerrig.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

#include "chart/chartmodel.h"
#include "files/ui/filecommands.h"
#include "graph/graphfile.h"
#include "graph/ui/preparegraph.h"
#include "logger/ui/loggerwindow.h"
#include "meter/choice/devicechoice.h"

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

LoggerRig::~LoggerRig()
{
    // Without a main window the program's windows are top-level ones: free them with
    // the rig, before the program they refer to.
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parent() && (w->inherits("kelvor::TfrmGraph") || w->inherits("kelvor::TfrmList")))
            windows << w;
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
    program.reset();
}

}  // namespace kelvor::test
