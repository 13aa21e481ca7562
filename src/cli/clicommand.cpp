// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clicommand.h"

#include <QFileDevice>
#include <QFileInfo>
#include <algorithm>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "base/clock.h"
#include "base/datafolder.h"
#include "base/eventlog.h"
#include "kelvor_version.h"
#include "meter/choice/devicechoice.h"

namespace kelvor {

namespace {

std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}

const QCommandLineOption kMeterOption(QStringLiteral("meter"),
                                      QStringLiteral("The meter to use: usb (default: the first meter found), "
                                                     "usb:SERIAL (the meter with that USB serial, see "
                                                     "probe --list), sim[:options] or replay:FILE. Given "
                                                     "several times (up to 8), live and record read every "
                                                     "meter into one line per sample time."),
                                      QStringLiteral("usb[:SERIAL]|sim[:options]|replay:FILE"), QStringLiteral("usb"));
const QCommandLineOption kCaptureOption(QStringLiteral("capture"),
                                        QStringLiteral("Log every exchange with the meter to FILE, "
                                                       "for --meter=replay:FILE later."),
                                        QStringLiteral("FILE"));
const QCommandLineOption kDataDirOption(QStringLiteral("data-dir"),
                                        QStringLiteral("The program's data folder (the library kelvor.sqlite, "
                                                       "template/, temp/), as for kelvor --data-dir."),
                                        QStringLiteral("DIR"));
const QCommandLineOption kLogOption(QStringLiteral("log"),
                                    QStringLiteral("Append a trace of what the program does (the meter, the "
                                                   "library, files) to FILE, to send with a report of a problem."),
                                    QStringLiteral("FILE"));
const QCommandLineOption kHelpOption({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("Show this help (after a command: the command's help)."));
const QCommandLineOption kVersionOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("Show the version."));

// Global options that take their value as the next argument when written without '='.
bool takesSeparateValue(const QString& arg)
{
    return arg == QLatin1String("--meter") || arg == QLatin1String("--capture") || arg == QLatin1String("-meter") ||
           arg == QLatin1String("-capture") || arg == QLatin1String("--data-dir") ||
           arg == QLatin1String("-data-dir") || arg == QLatin1String("--log") || arg == QLatin1String("-log");
}

// The first argument that is neither an option nor an option's value.
int commandIndex(const QStringList& arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--"))
            return i + 1 < arguments.size() ? i + 1 : -1;
        if (!a.startsWith(QLatin1Char('-')))
            return i;
        if (takesSeparateValue(a))
            ++i;
    }
    return -1;
}

void addGlobalOptions(QCommandLineParser& parser)
{
    parser.addOptions({kMeterOption, kCaptureOption, kDataDirOption, kLogOption, kHelpOption, kVersionOption});
}

QString programHelp(QCommandLineParser& parser)
{
    QString text = parser.helpText();
    text.replace(QLatin1String("[options]"), QLatin1String("[options] COMMAND [command options]"));
    text += QStringLiteral("\nCommands:\n");
    const std::vector<CliCommand> commands = cliCommands();
    qsizetype width = 0;
    for (const CliCommand& c : commands)
        width = std::max(width, c.name.size());
    for (const CliCommand& c : commands)
        text += QStringLiteral("  %1  %2\n").arg(c.name.leftJustified(width), c.summary);
    text += QStringLiteral(
        "\n'kelvor-cli COMMAND --help' shows the options of a command.\n"
        "Exit codes: 0 done, 1 failed, 2 bad command line.\n");
    return text;
}

// The parser lists the command's name under "Arguments:" with its summary, which the
// description above already gives; the usage line shows the arguments themselves.
QString commandHelp(QCommandLineParser& parser)
{
    QString text = parser.helpText();
    if (const qsizetype at = text.indexOf(QLatin1String("\nArguments:\n")); at >= 0)
        text.truncate(at);
    return text;
}

// An empty --data-dir would quietly mean the default folder, and a file cannot hold
// the library: both are refused as the windowed program refuses them.
QString dataDirError(const QCommandLineParser& parser)
{
    if (!parser.isSet(kDataDirOption))
        return {};
    const QString dir = parser.value(kDataDirOption);
    if (dir.isEmpty())
        return QStringLiteral("--data-dir needs a folder, not an empty name");
    if (QFileInfo::exists(dir) && !QFileInfo(dir).isDir())
        return QStringLiteral("--data-dir=%1: not a folder").arg(dir);
    return {};
}

// Output that could not be written is a failure, however the command went: a table
// sent to a full disk through the shell must not look like a finished export.
int checkOutput(CliEnv& env, int code)
{
    env.out.flush();
    if (env.out.status() == QTextStream::Ok)
        return code;
    const QFileDevice* file = qobject_cast<const QFileDevice*>(env.out.device());
    const QString reason =
        file && !file->errorString().isEmpty() ? file->errorString() : QStringLiteral("write failed");
    env.err << "kelvor-cli: cannot write to standard output: " << reason << '\n';
    env.err.flush();
    return code == kCliOk ? kCliFailed : code;
}

}  // namespace

CliRegistration::CliRegistration(CliCommand command) { registry().push_back(std::move(command)); }

namespace {

std::vector<std::pair<QStringList, std::function<void(QCommandLineParser&)>>>& additions()
{
    static std::vector<std::pair<QStringList, std::function<void(QCommandLineParser&)>>> all;
    return all;
}

}  // namespace

CliOptionsAddition::CliOptionsAddition(QStringList commands, std::function<void(QCommandLineParser&)> addOptions)
{
    additions().emplace_back(std::move(commands), std::move(addOptions));
}

std::vector<CliCommand> cliCommands()
{
    std::vector<CliCommand> sorted = registry();
    std::sort(sorted.begin(), sorted.end(), [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return sorted;
}

CliContext::CliContext(CliEnv& env, const QCommandLineParser& parsed, QStringList rest)
    : args(parsed), positional(std::move(rest)), clock(env.clock), out(env.out), err(env.err), m_env(env)
{
}

CliContext::~CliContext()
{
    m_links.clear();
    m_devices.clear();  // a capture is flushed here
}

QStringList CliContext::meterChoices() const
{
    const QStringList given = args.values(kMeterOption);
    return given.isEmpty() ? QStringList{args.value(kMeterOption)} : given;
}

QStringList CliContext::remoteChoices() const
{
    QStringList remote;
    for (const QString& choice : meterChoices())
        if (IsRemoteMeterChoice(choice))
            remote << choice;
    return remote;
}

bool CliContext::localMetersOpen() { return remoteChoices().size() == meterChoices().size() || !links().empty(); }

MeterDevice* CliContext::device()
{
    if (!m_deviceTried) {
        m_deviceTried = true;
        const QString capture = args.value(kCaptureOption);
        for (const QString& meter : meterChoices()) {
            if (IsRemoteMeterChoice(meter))
                continue;
            QString error;
            std::unique_ptr<MeterDevice> made = m_env.makeDevice ? m_env.makeDevice(meter, capture, &error)
                                                                 : createDevice(meter, capture, m_env.clock, &error);
            if (!made) {
                fail(error.isEmpty() ? QStringLiteral("cannot use meter '%1'").arg(meter) : error);
                m_devices.clear();
                break;
            }
            m_devices.push_back(std::move(made));
        }
    }
    return m_devices.empty() ? nullptr : m_devices.front().get();
}

MeterLink* CliContext::link()
{
    const std::vector<MeterLink*> all = links();
    return all.empty() ? nullptr : all.front();
}

std::vector<MeterLink*> CliContext::links()
{
    if (m_links.empty() && device())
        for (const auto& d : m_devices)
            m_links.push_back(std::make_unique<MeterLink>(*d, m_env.clock));
    std::vector<MeterLink*> made;
    for (const auto& l : m_links)
        made.push_back(l.get());
    return made;
}

QString CliContext::captureProblem() const
{
    return m_devices.empty() ? QString() : m_devices.front()->captureProblem();
}

bool CliContext::outputFailed() const { return out.status() != QTextStream::Ok; }

QString CliContext::dataDir()
{
    if (!m_dataDir.isEmpty())
        return m_dataDir;
    // The folder rule of the windowed program, whose organisation and application
    // names choose the user's data folder: both programs find the same library.
    const QString org = QCoreApplication::organizationName();
    const QString app = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QStringLiteral("TOVRA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVOR"));
    QString error;
    m_dataDir = chooseDataFolder(args.value(kDataDirOption), QCoreApplication::applicationDirPath(), &error);
    QCoreApplication::setOrganizationName(org);
    QCoreApplication::setApplicationName(app);
    if (m_dataDir.isEmpty())
        fail(error);
    return m_dataDir;
}

bool CliContext::interrupted() const { return m_env.interrupted && m_env.interrupted->load(); }

void CliContext::pauseUntil(std::uint32_t sinceTick, std::uint32_t ms)
{
    const std::uint32_t elapsed = clock.tickMs() - sinceTick;
    if (elapsed >= ms || interrupted())
        return;
    if (m_serving) {
        // The browser view answers while the loop waits; short slices keep Ctrl-C prompt.
        while (clock.tickMs() - sinceTick < ms && !interrupted()) {
            const std::uint32_t left = ms - (clock.tickMs() - sinceTick);
            QEventLoop wait;
            QTimer::singleShot(std::chrono::milliseconds(std::min<std::uint32_t>(left, 50)), &wait, &QEventLoop::quit);
            wait.exec();
        }
        return;
    }
    if (m_env.pause) {
        m_env.pause(ms - elapsed);
        return;
    }
    while (clock.tickMs() - sinceTick < ms && !interrupted())
        clock.processEventsWhileWaiting();
}

void CliContext::fail(const QString& message)
{
    err << "kelvor-cli: " << message << '\n';
    err.flush();
}

int runCli(const QStringList& arguments, CliEnv& env)
{
    auto usage = [&env](const QString& message) {
        env.err << "kelvor-cli: " << message << "\n(see kelvor-cli --help)\n";
        env.err.flush();
        return kCliUsage;
    };

    const int at = commandIndex(arguments);
    const std::vector<CliCommand> commands = cliCommands();
    const CliCommand* command = nullptr;
    if (at >= 0) {
        for (const CliCommand& c : commands)
            if (c.name == arguments[at])
                command = &c;
        if (!command)
            return usage(QStringLiteral("unknown command '%1'").arg(arguments[at]));
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(command
                                         ? QStringLiteral("kelvor-cli %1: %2").arg(command->name, command->summary)
                                         : QStringLiteral("kelvor-cli: the KELVOR thermometer from the command line."));
    addGlobalOptions(parser);
    if (command) {
        if (command->addOptions)
            command->addOptions(parser);
        for (const auto& [names, add] : additions())
            if (names.contains(command->name))
                add(parser);
        parser.addPositionalArgument(command->name, command->summary);
        if (!command->positionalHelp.isEmpty())
            parser.addPositionalArgument(command->positionalHelp, QString());
    }
    if (!parser.parse(arguments))
        return usage(parser.errorText());

    if (parser.isSet(kHelpOption)) {
        env.out << (command ? commandHelp(parser) : programHelp(parser));
        return checkOutput(env, kCliOk);
    }
    if (parser.isSet(kVersionOption)) {
        env.out << "kelvor-cli " << KELVOR_VERSION << '\n';
        return checkOutput(env, kCliOk);
    }
    if (!command)
        return usage(QStringLiteral("no command given"));
    if (const QString bad =
            MeterListError(parser.values(kMeterOption), parser.value(kCaptureOption), parser.isSet(kCaptureOption));
        !bad.isEmpty())
        return usage(bad);
    if (parser.values(kMeterOption).size() > 1 && !command->severalMeters)
        return usage(QStringLiteral("'%1' talks to one meter; give --meter once").arg(command->name));
    for (const QString& choice : parser.values(kMeterOption))
        if (IsRemoteMeterChoice(choice) && !command->severalMeters)
            return usage(QStringLiteral("'%1' talks to a meter on this computer; a remote meter (--meter=%2) is "
                                        "read by record and live")
                             .arg(command->name, choice));
    if (const QString bad = dataDirError(parser); !bad.isEmpty())
        return usage(bad);
    if (parser.isSet(kLogOption)) {
        if (const QString bad = StartEventLog(parser.value(kLogOption), QStringLiteral("kelvor-cli")); !bad.isEmpty())
            return usage(QStringLiteral("--log=%1: %2").arg(parser.value(kLogOption), bad));
    }

    QStringList rest = parser.positionalArguments();
    rest.removeFirst();  // the command's own name
    if (command->positionalHelp.isEmpty() && !rest.isEmpty())
        return usage(QStringLiteral("'%1' takes no argument '%2'").arg(command->name, rest.first()));

    int code = kCliFailed;
    {
        CliContext context(env, parser, rest);
        code = command->run(context);
        if (const QString problem = context.captureProblem(); !problem.isEmpty()) {
            context.fail(problem);
            if (code == kCliOk)
                code = kCliFailed;
        }
    }
    code = checkOutput(env, code);
    env.err.flush();
    return code;
}

QString OneMeterAdvice(const CliContext& ctx)
{
    return ctx.remoteChoices().isEmpty() ? QStringLiteral("give --meter once to use it")
                                         : QStringLiteral("it takes one meter on this computer, not a remote one");
}

long long PositiveCount(CliContext& ctx, const QCommandLineOption& option)
{
    if (!ctx.args.isSet(option))
        return 0;
    bool ok = false;
    const long long count = ctx.args.value(option).toLongLong(&ok);
    if (!ok || count <= 0) {
        ctx.fail(QStringLiteral("--%1 needs a whole number above 0, not '%2'")
                     .arg(option.names().constFirst(), ctx.args.value(option)));
        return -1;
    }
    return count;
}

}  // namespace kelvor
