// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "base/clock.h"
#include "program/program.h"
#include "scriptedprompts.h"

namespace kelvor::test {

// A program without a main window over the simulated meter (options as after
// "--meter=sim:"), a ManualClock, scripted prompts and a data folder of its own that
// already holds a graph template, so graphs are prepared without a note about it.
// The data logger's and the file commands' hooks are installed.
struct LoggerRig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Program> program;

    explicit LoggerRig(const QString& simOptions = QString());
    ~LoggerRig();
    QString path(const QString& name) const { return dir.filePath(name); }
};

}  // namespace kelvor::test
