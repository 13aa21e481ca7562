// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "fakemeter.h"
#include "program/program.h"
#include "scriptedprompts.h"

namespace kelvor::test {

// A main window over a FakeMeter, a ManualClock, scripted prompts and a settings
// file of its own (never the user's). The window is shown (FormShow has run) but
// its timers only tick when the test calls the handlers.
struct ShellRig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    FakeMeter* meter;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmMain> main;

    explicit ShellRig(bool meterPresent = true, bool show = true);
    ~ShellRig();
    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    void tick(int n = 1);  // n MainTimer ticks, each 200 ms of clock time apart
    bool recording() const { return program->session.recording(); }
    // Points of the real-time graph's store in use, breaks included (0 without the window).
    int runPoints() const;
};

}  // namespace kelvor::test
