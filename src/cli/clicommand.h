// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "meter/meterdevice.h"
#include "meter/meterlink.h"

namespace kelvor {

class Clock;

inline constexpr int kCliOk = 0;
inline constexpr int kCliFailed = 1;
inline constexpr int kCliUsage = 2;

// What a run of kelvor-cli gets from outside: the clock, the output streams, how to
// make the device, how to pass time, and the interrupt flag (Ctrl-C). main() fills it
// with the real things; tests fill it with a ManualClock, string streams and a
// device of their own.
struct CliEnv {
    Clock& clock;
    QTextStream& out;
    QTextStream& err;
    // Builds the device for --meter / --capture; nullptr with *error on failure.
    std::function<std::unique_ptr<MeterDevice>(const QString& meter, const QString& capture, QString* error)>
        makeDevice;
    // Lets `ms` of clock time pass. Unset: spins the clock's processEvents().
    std::function<void(std::uint32_t ms)> pause;
    const std::atomic<bool>* interrupted = nullptr;
};

// One command's view of the run: its parsed options, its positional arguments
// (the command name removed), the streams and, on first use, the meter.
class CliContext {
public:
    CliContext(CliEnv& env, const QCommandLineParser& args, QStringList positional);
    ~CliContext();

    const QCommandLineParser& args;
    const QStringList positional;
    Clock& clock;
    QTextStream& out;
    QTextStream& err;

    // The meter chosen by --meter (and --capture). On failure the reason has already
    // been written to err and nullptr is returned; the command then exits with kCliFailed.
    MeterDevice* device();
    MeterLink* link();
    // Every meter on this computer chosen by --meter, in the order given (one when it is
    // given once or not at all); empty after telling err why one of them cannot be used,
    // and when every meter chosen is a remote one.
    std::vector<MeterLink*> links();
    // The --meter values, in the order given.
    QStringList meterChoices() const;
    // Those of them that name a remote meter (mqtt://...).
    QStringList remoteChoices() const;
    // Whether the meters on this computer could be opened (none chosen is fine).
    bool localMetersOpen();

    // Why the --capture file is incomplete; empty when it is whole (or there is none).
    QString captureProblem() const;
    // True once standard output could not take what was written (a full disk, a closed pipe).
    bool outputFailed() const;

    // The data folder (--data-dir, else the windowed program's rule), created if
    // needed; empty after telling err why there is none.
    QString dataDir();

    bool interrupted() const;
    // Lets ms pass from `sinceTick` (a clock tick) on, returning early on an interrupt.
    void pauseUntil(std::uint32_t sinceTick, std::uint32_t ms);
    // While serving the browser view, a pause runs the event loop (in real time) instead.
    void setServing(bool on) { m_serving = on; }
    // Writes "kelvor-cli: <message>" to err.
    void fail(const QString& message);

private:
    CliEnv& m_env;
    std::vector<std::unique_ptr<MeterDevice>> m_devices;
    std::vector<std::unique_ptr<MeterLink>> m_links;
    bool m_deviceTried = false;
    bool m_serving = false;
    QString m_dataDir;
};

// How to use an option that serves one meter on this computer: "give --meter once to use
// it", or, where a remote meter is chosen, that it takes no remote one.
QString OneMeterAdvice(const CliContext& ctx);

// The whole number above 0 given with `option` (such as --count): 0 when the option is
// not given, -1 after telling err that what was given is no such number.
long long PositiveCount(CliContext& ctx, const QCommandLineOption& option);

// A command of kelvor-cli. Each group of commands lives in its own file and
// registers itself with a file-level CliRegistration.
struct CliCommand {
    QString name;
    QString summary;
    QString positionalHelp;  // e.g. "FILE"; empty when the command takes none
    std::function<void(QCommandLineParser&)> addOptions;
    std::function<int(CliContext&)> run;
    bool severalMeters = false;  // reads every meter given with --meter, remote ones too (others take one)
};

struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};

// Options a feature adds to the commands it serves (--serve on live and record), from a
// file-level object in the feature's own file; added after the command's own.
struct CliOptionsAddition {
    CliOptionsAddition(QStringList commands, std::function<void(QCommandLineParser&)> addOptions);
};

// Every registered command, sorted by name.
std::vector<CliCommand> cliCommands();

// Runs kelvor-cli with its arguments (arguments[0] is the program name).
int runCli(const QStringList& arguments, CliEnv& env);

}  // namespace kelvor
