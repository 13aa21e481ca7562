// SPDX-License-Identifier: GPL-3.0-or-later
// What the window benchmarks share: prompts that answer at once, and a main that runs
// them offscreen.
#pragma once

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QStandardPaths>

#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

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

// A subject against its anchor on a loaded machine: one iteration of `state` runs a
// turn of `block` calls of each, one after the other, so a load that comes and goes
// weighs on both alike. Reports per call the medians of the subject ("us") and of the
// anchor ("anchor_us"), and the ratio of the two within each turn: its median
// ("ratio") and its spread ("ratio_p25", "ratio_p75"). Times are the process's CPU time:
// drawing (and the threads Qt fills images with) counts, other programs' load does not.
template <class Subject, class Anchor>
void RunPairs(benchmark::State& state, int block, Subject subject, Anchor anchor)
{
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
    };
    auto timed = [block, &now](auto& f) {
        const double start = now();
        for (int k = 0; k < block; ++k)
            f();
        return (now() - start) / block;
    };
    std::vector<double> subjects, anchors, ratios;
    for (auto _ : state) {
        // Alternate which goes first: a turn's second half may find warmer caches.
        const bool anchorFirst = ratios.size() % 2 == 1;
        const double a0 = anchorFirst ? timed(anchor) : 0.0;
        const double s = timed(subject);
        const double a = anchorFirst ? a0 : timed(anchor);
        subjects.push_back(s);
        anchors.push_back(a);
        ratios.push_back(a > 0 ? s / a : 0.0);
    }
    auto quantile = [](std::vector<double> v, double q) {
        if (v.empty())
            return 0.0;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))];
    };
    state.counters["us"] = quantile(subjects, 0.5);
    state.counters["anchor_us"] = quantile(anchors, 0.5);
    state.counters["ratio"] = quantile(ratios, 0.5);
    state.counters["ratio_p25"] = quantile(ratios, 0.25);
    state.counters["ratio_p75"] = quantile(ratios, 0.75);
}

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
