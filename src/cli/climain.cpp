// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/climain.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
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
    // Wait in the event loop rather than spin: the command line has no window to keep
    // alive, but a broker connection's socket and timers run in the pauses.
    env.pause = [](std::uint32_t ms) {
        QEventLoop loop;
        QTimer step;
        step.setSingleShot(true);
        QObject::connect(&step, &QTimer::timeout, &loop, &QEventLoop::quit);
        while (ms > 0 && !g_interrupted) {
            const std::uint32_t wait = ms < 50 ? ms : 50;
            step.start(int(wait));
            loop.exec();
            ms -= wait;
        }
    };
    return runCli(app.arguments(), env);
}

}  // namespace kelvor
