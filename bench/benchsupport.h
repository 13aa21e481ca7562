// SPDX-License-Identifier: GPL-3.0-or-later
// What the window benchmarks share: prompts that answer at once, and a main that runs
// them offscreen.
#pragma once

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QStandardPaths>

#include <QTemporaryDir>
#include <memory>

#include "base/clock.h"
#include "meter/choice/devicechoice.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor::bench {

// Answers every question without showing anything: message boxes with `answer`, the
// save dialog with `saveName`, the program's dialogs with `dialogResult`, the print
// dialogs with `print`.
class AnsweringPrompts final : public Prompts {
public:
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    QString saveName;
    int dialogResult = QDialog::Accepted;
    bool print = false;

    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString&, const QString&,
                                        QMessageBox::StandardButtons) override
    {
        return answer;
    }
    FileChoice openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    FileChoice saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return {saveName, {}};
    }
    std::optional<QColor> color(QWidget*, const QColor&) override { return std::nullopt; }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
    int exec(QDialog&) override { return dialogResult; }
    bool printDialog(QWidget*, QPrinter&) override { return print; }
    bool printerSetup(QWidget*, QPrinter&) override { return print; }
};

// A program over the simulated meter on a manual clock, with its data folder in a
// temporary directory. Set the prompts' answers before calling start().
struct SimProgram {
    QTemporaryDir dir;
    ManualClock clock;
    AnsweringPrompts prompts;
    std::unique_ptr<Program> program;

    void start()
    {
        QString error;
        program = std::make_unique<Program>(createSimDevice(QString(), clock, &error), clock, prompts, dir.path());
    }
};

// Runs the benchmarks offscreen (unless a platform is chosen), never touching the
// user's own files.
inline int runOffscreen(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace kelvor::bench
