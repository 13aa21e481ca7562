// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/climain.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <csignal>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "kelvor_version.h"

namespace kelvor {

namespace {
std::atomic<bool> g_interrupted{false};
extern "C" void onInterrupt(int) { g_interrupted = true; }
}  // namespace

int RunCliProcess(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("kelvor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    // Ctrl-C ends a running command between exchanges, so a capture keeps its tail.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliEnv env{clock, out, err, nullptr, nullptr, &g_interrupted};
    // Sleep rather than spin: the command line has no window to keep alive.
    env.pause = [](std::uint32_t ms) {
        while (ms > 0 && !g_interrupted) {
            const std::uint32_t step = ms < 50 ? ms : 50;
            QThread::msleep(step);
            ms -= step;
        }
    };
    return runCli(app.arguments(), env);
}

}  // namespace kelvor
