// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstring>
#include <QThread>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "kelvor_version.h"

namespace {
std::atomic<bool> g_interrupted{false};
extern "C" void onInterrupt(int) { g_interrupted = true; }
}  // namespace

int main(int argc, char** argv)
{
    // A report lays out text with fonts, which needs Qt GUI; no window system is used.
    const bool drawsPages = argc > 1 && std::strcmp(argv[1], "report") == 0;
    if (drawsPages && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application =
        drawsPages ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("kelvor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    // Ctrl-C ends a running command between exchanges, so a capture keeps its tail.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    kelvor::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    kelvor::CliEnv env{clock, out, err, nullptr, nullptr, &g_interrupted};
    // Sleep rather than spin: the command line has no window to keep alive.
    env.pause = [](std::uint32_t ms) {
        while (ms > 0 && !g_interrupted) {
            const std::uint32_t step = ms < 50 ? ms : 50;
            QThread::msleep(step);
            ms -= step;
        }
    };
    return kelvor::runCli(app.arguments(), env);
}
