// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli record: a headless logger. A recording session runs as in the windowed
// program; its journal puts every sample into the library as it is taken, and the
// printed lines and the --csv table observe it too.
#include <QFile>
#include <algorithm>
#include <optional>

#include "base/clock.h"
#include "base/eventlog.h"
#include "cli/alarmoption.h"
#include "cli/clicommand.h"
#include "cli/climeters.h"
#include "cli/climonitor.h"
#include "cli/metersources.h"
#include "cli/mqttoption.h"
#include "cli/profileoutput.h"
#include "cli/readingline.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "publish/samplepublisher.h"
#include "session/recordingsession.h"
#include "session/sessionjournal.h"
#include "session/sessionprofilecheck.h"

namespace kelvor {

namespace {

const QCommandLineOption kInterval(QStringLiteral("interval"),
                                   QStringLiteral("Take a sample every MM:SS (default 00:02); 00:00 takes every "
                                                  "reading (five a second)."),
                                   QStringLiteral("MM:SS"), QStringLiteral("00:02"));
const QCommandLineOption kName(QStringLiteral("name"), QStringLiteral("Name of the recording in the library."),
                               QStringLiteral("TEXT"));
const QCommandLineOption kCsv(QStringLiteral("csv"),
                              QStringLiteral("Also write a comma table (header, ISO times) to FILE, line by line."),
                              QStringLiteral("FILE"));
const QCommandLineOption kQuiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                QStringLiteral("Print nothing per sample."));
const QCommandLineOption kCount(QStringLiteral("count"), QStringLiteral("Stop after N samples."), QStringLiteral("N"));
const QCommandLineOption kJson(QStringLiteral("json"),
                               QStringLiteral("Print each sample as one JSON object: the time and each meter's "
                                              "serial, name and T1..T4 (null where the meter gave no reading)."));

std::optional<int> parseInterval(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okM = false, okS = false;
    const int m = parts[0].toInt(&okM);
    const int s = parts[1].toInt(&okS);
    if (!okM || !okS || m < 0 || m > 60 || s < 0 || s > 60)
        return std::nullopt;
    return m * 60 + s;
}

// A problem of the library, said as it happens; the recording goes on.
void tell(CliContext& ctx, const QString& problem)
{
    if (!problem.isEmpty())
        ctx.fail(problem);
}

// The sampling interval in seconds and the --count (0: none); false after saying what is wrong.
bool readRecordOptions(CliContext& ctx, int& rate, long long& count)
{
    const auto interval = parseInterval(ctx.args.value(kInterval));
    if (!interval) {
        ctx.fail(QStringLiteral("--interval needs MM:SS, minutes 00 to 60 and seconds 00 to 60, not '%1'")
                     .arg(ctx.args.value(kInterval)));
        return false;
    }
    rate = *interval;
    count = PositiveCount(ctx, kCount);
    return count >= 0 && ServeOptionsValid(ctx);
}

// The --csv table: written line by line, every write checked. The first failure is told
// and ends the table; the recording goes on into the library.
class CsvStream {
public:
    explicit CsvStream(QString path) : m_file(std::move(path)) {}

    // Opens the table and writes its header; false after saying why not.
    bool open(CliContext& ctx, const QString& headerLine = QString::fromLatin1(kReadingCsvHeader))
    {
        const QByteArray header = headerLine.toUtf8() + '\n';
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
            m_file.write(header) != header.size()) {
            ctx.fail(QStringLiteral("cannot write \"%1\": %2").arg(m_file.fileName(), m_file.errorString()));
            return false;
        }
        return true;
    }
    bool isOpen() const { return m_file.isOpen(); }
    bool failed() const { return m_failed; }

    bool write(CliContext& ctx, const QByteArray& line)
    {
        if (!m_file.isOpen())
            return false;
        if (m_file.write(line) == line.size())
            return true;
        m_failed = true;
        ctx.fail(QStringLiteral("cannot write \"%1\": %2; the table ends here, the recording goes on")
                     .arg(m_file.fileName(), m_file.errorString()));
        m_file.close();
        return false;
    }

private:
    QFile m_file;
    bool m_failed = false;
};

// What the user sees of the run as the session takes it: the printed line and the
// --csv table per sample, a line on err per alarm event. The library is the session's
// journal, which heard of each sample first.
class RecordOutputs {
public:
    // `byRow`: the lines are the session's rows (several meters, or --json), not the
    // one meter's reading.
    RecordOutputs(CliContext& ctx, RecordingSession& session, const LiveReading& reading, CsvStream& csv, bool quiet,
                  bool byRow, bool json)
        : m_ctx(ctx), m_session(session), m_reading(reading), m_csv(csv), m_quiet(quiet), m_json(json)
    {
        if (byRow)
            QObject::connect(&session, &RecordingSession::rowAdded, &m_context,
                             [this](const SessionRow& row) { rowTaken(row); });
        else
            QObject::connect(&session, &RecordingSession::sampleAdded, &m_context,
                             [this](const SessionSample&, std::uint8_t) { sampleTaken(); });
        QObject::connect(&session, &RecordingSession::alarmEvent, &m_context,
                         [this](const ChartAlarmEvent& e) { alarmMet(e); });
    }
    // The time of the tick whose sample the session may take next (read before its exchange).
    void setTickTime(const QDateTime& time) { m_time = time; }

private:
    void sampleTaken()
    {
        if (!m_quiet) {
            LineFormat shown;
            shown.iso = true;
            m_ctx.out << readingLine(m_time, m_reading, shown) << '\n';
            m_ctx.out.flush();
        }
        if (m_csv.isOpen()) {
            LineFormat table;
            table.iso = true;
            table.csv = true;
            m_csv.write(m_ctx, (readingLine(m_time, m_reading, table) + QLatin1Char('\n')).toUtf8());
        }
    }
    void rowTaken(const SessionRow& row)
    {
        if (!m_quiet) {
            LineFormat shown;
            shown.iso = true;
            m_ctx.out << (m_json ? rowJson(row.at, m_session.sources(), row.meters)
                                 : rowLine(row.at, row.meters, shown))
                      << '\n';
            m_ctx.out.flush();
        }
        if (m_csv.isOpen()) {
            LineFormat table;
            table.iso = true;
            table.csv = true;
            m_csv.write(m_ctx, (rowLine(row.at, row.meters, table) + QLatin1Char('\n')).toUtf8());
        }
    }
    void alarmMet(const ChartAlarmEvent& e)
    {
        const AlarmLimit& l = m_session.alarmLimits().channels[std::size_t(e.subset)];
        const bool high = e.kind == int(AlarmKind::HighRaised) || e.kind == int(AlarmKind::HighEnded);
        m_ctx.err << "kelvor-cli: alarm " << m_time.toString(Qt::ISODate) << " T" << (e.subset + 1) << ' '
                  << QString::number(e.value, 'f', 1) << ' ' << AlarmKindText(e.kind) << ' '
                  << QString::number(high ? *l.high : *l.low) << '\n';
        m_ctx.err.flush();
    }

    CliContext& m_ctx;
    RecordingSession& m_session;
    const LiveReading& m_reading;
    CsvStream& m_csv;
    bool m_quiet;
    bool m_json;
    QDateTime m_time;
    QObject m_context;  // the connections end with the outputs
};

// The live check of --profile: a line on err as each rule is decided while the run
// records, the results and the verdict on out when it ends.
class LiveProfileLines {
public:
    LiveProfileLines(CliContext& ctx, RecordingSession& session, Profile profile, int channel)
        : m_ctx(ctx), m_session(session), m_check(session, std::move(profile), channel)
    {
        QObject::connect(&m_check, &SessionProfileCheck::ruleChanged, &m_check,
                         [this](int rule, const RuleResult& r) { decided(rule, r); });
    }
    const SessionProfileCheck& check() const { return m_check; }
    // --json: the verdict as one more line of JSON, as check --json gives it.
    void printVerdict(bool json)
    {
        if (json)
            PrintProfileJson(m_ctx, m_check.profile(), m_check.results(), m_check.verdict(), QString(), false);
        else
            PrintProfileResults(m_ctx, m_check.profile(), m_check.results(), m_check.verdict());
        m_ctx.out.flush();
    }

private:
    void decided(int rule, const RuleResult& r)
    {
        if (!m_session.recording() || r.verdict == RuleVerdict::Pending)
            return;
        const Profile& p = m_check.profile();
        const QString detail = ResultDetailText(r, p.unit);
        m_ctx.err << "kelvor-cli: profile rule \"" << p.rules[std::size_t(rule)].name << "\" " << VerdictText(r.verdict)
                  << (detail.isEmpty() ? QString() : QStringLiteral(" ") + detail) << '\n';
        m_ctx.err.flush();
    }

    CliContext& m_ctx;
    RecordingSession& m_session;
    SessionProfileCheck m_check;
};

// The run as kelvor-cli records it: open-ended until Ctrl-C or --count, every sample
// streamed rather than kept (unless a browser view may ask for the run so far), the first
// reading a sample.
SessionSettings recordSettings(CliContext& ctx, int rate)
{
    SessionSettings s;
    s.rateSeconds = rate;
    s.recordCount = 0;
    s.openEnded = true;
    s.sampleFirstReading = true;
    s.keepSamples = ctx.args.isSet(kServeOption);
    s.name = ctx.args.value(kName);
    s.origin = QStringLiteral("cli");
    return s;
}

void beginRecording(CliContext& ctx, RecordingSession& session, int rate, const QString& libraryPath)
{
    session.start(recordSettings(ctx, rate));
    qCInfo(lcSession, "recording into %s", qPrintable(libraryPath));
    ctx.err << "kelvor-cli: recording into " << libraryPath << '\n';
    ctx.err.flush();
}

// Says what of the run is in the library and what is not; false when not all of it is.
bool closingLine(CliContext& ctx, const RunJournal& journal)
{
    const std::int64_t stored = journal.written();
    const std::int64_t taken = stored + std::int64_t(journal.pending());
    qCInfo(lcSession, "recording ended: %lld samples taken, %lld stored", qlonglong(taken), qlonglong(stored));
    if (journal.complete()) {
        ctx.err << "kelvor-cli: " << taken << " samples recorded as library item " << *journal.recordingId() << '\n';
        return true;
    }
    if (!journal.recordingId())
        ctx.err << "kelvor-cli: " << taken << " samples taken; none of them is in the library\n";
    else if (journal.pending() == 0)
        ctx.err << "kelvor-cli: " << taken << " samples stored in the library as item " << *journal.recordingId()
                << ", but the run could not be closed\n";
    else
        ctx.err << "kelvor-cli: " << taken << " samples taken; " << stored << " stored in the library as item "
                << *journal.recordingId() << ", " << journal.pending() << " not\n";
    return false;
}

int runRecord(CliContext& ctx)
{
    int rate = 0;
    long long count = 0;
    if (!readRecordOptions(ctx, rate, count))
        return kCliUsage;
    // Before anything is opened: a refused command line leaves the --csv file and the library alone.
    AlarmLimits limits;
    if (!AlarmLimitsFromArgs(ctx, limits))
        return kCliUsage;
    // A remote meter is read as one of several, even alone: its rows say where it was away.
    const bool several = ctx.meterChoices().size() > 1 || !ctx.remoteChoices().isEmpty();
    if (several && ctx.args.isSet(kAlarmOption)) {
        ctx.fail(QStringLiteral("--alarm watches the T1..T4 of one meter; %1").arg(OneMeterAdvice(ctx)));
        return kCliUsage;
    }
    std::optional<MqttSettings> mqtt;
    if (!MqttSettingsFromArgs(ctx, mqtt))
        return kCliUsage;
    if (several && mqtt) {
        ctx.fail(QStringLiteral("--mqtt publishes one meter; %1").arg(OneMeterAdvice(ctx)));
        return kCliUsage;
    }
    if (several && ctx.args.isSet(kProfileOption)) {
        ctx.fail(QStringLiteral("--profile checks the T1..T4 of one meter; %1").arg(OneMeterAdvice(ctx)));
        return kCliUsage;
    }
    std::vector<MqttSettings> remotes;
    if (!RemoteMetersFromArgs(ctx, remotes))
        return kCliUsage;
    std::optional<Profile> profile;
    int channel = -1;
    if (const int code = ProfileFromArgs(ctx, profile, channel); code != kCliOk)
        return code;
    const QString dataDir = ctx.dataDir();
    if (dataDir.isEmpty())
        return kCliFailed;
    CsvStream csv(ctx.args.value(kCsv));
    if (!several && ctx.args.isSet(kCsv) && !csv.open(ctx))
        return kCliFailed;
    if (!ctx.localMetersOpen())
        return kCliFailed;
    const std::vector<MeterLink*> links = ctx.links();

    LibraryAccess access(dataDir);
    RecordingSession session(ctx.clock);
    session.setAlarmLimits(limits);
    SessionJournal journal(session, access);
    QObject::connect(&journal, &SessionJournal::problem, [&ctx](const QString& problem) { tell(ctx, problem); });
    QObject::connect(&journal, &SessionJournal::libraryStatus, [&ctx](const QString& status) {
        tell(ctx, status.isEmpty() ? QStringLiteral("the other program let go of the library; its write-ahead "
                                                    "log is folded in and cut back")
                                   : status);
    });
    access.get();
    tell(ctx, access.takeNotice());

    std::unique_ptr<WebServer> server;
    if (!StartServing(ctx, server))
        return kCliFailed;
    if (server)
        server->watch(&session);

    const bool json = ctx.args.isSet(kJson);
    std::optional<LiveProfileLines> profileLines;
    if (several) {
        CliMeters meters(ctx, links, remotes, ctx.meterChoices());
        const std::vector<SessionSource> sources = meters.sources();
        if (ctx.args.isSet(kCsv)) {
            LineFormat table;
            table.csv = true;
            if (!csv.open(ctx, rowHeader(sources, table)))
                return kCliFailed;
        }
        RecordOutputs outputs(ctx, session, meters.reading(0), csv, ctx.args.isSet(kQuiet), true, json);
        if (!json && !ctx.args.isSet(kQuiet)) {
            LineFormat shown;
            shown.iso = true;
            ctx.out << rowHeader(sources, shown) << '\n';
            ctx.out.flush();
        }
        while (!ctx.interrupted() && (count == 0 || session.sampleCount() < count) && !meters.atEnd()) {
            const std::vector<CycleTick> ticks = meters.step();
            const bool found = std::any_of(ticks.begin(), ticks.end(),
                                           [](const CycleTick& t) { return t.event == CycleEvent::Found; });
            if (found && session.state() == SessionState::Idle) {
                // A remote meter's publisher may have named it by now.
                session.setSources(meters.sources());
                beginRecording(ctx, session, rate, access.path());
            }
            if (server)
                for (std::size_t i = 0; i < ticks.size(); ++i)
                    server->tell(int(i), ticks[i], meters.reading(i));
            session.takeDueRow(meters.cycles());
            meters.pauseAfter(ticks);
        }
        if (session.state() == SessionState::Idle && !ctx.interrupted())
            meters.failNoMeterAnswered();
        meters.stop();
    } else {
        MeterDevice& device = links.front()->device();
        std::unique_ptr<SamplePublisher> publisher;
        if (mqtt) {
            const RunJournal& runs = journal.journal();
            publisher = std::make_unique<SamplePublisher>(
                *mqtt, &session, [&runs] { return runs.recordingId(); }, &access);
            TellMqttStatus(ctx, *publisher);
        }
        CliMonitor monitor(ctx, *links.front());
        RecordOutputs outputs(ctx, session, monitor.reading(), csv, ctx.args.isSet(kQuiet), json, json);
        if (profile)
            profileLines.emplace(ctx, session, std::move(*profile), channel);
        while (!ctx.interrupted() && (count == 0 || session.sampleCount() < count) && !device.atEnd()) {
            const CycleTick tick = monitor.step();
            if (tick.event == CycleEvent::Found && session.state() == SessionState::Idle) {
                SessionSource meter = ChosenSources(links).front();
                meter.serial = ReportedSerial(device);
                session.setSource(0, meter);
                if (publisher)
                    publisher->start(meter.model, meter.serial);
                beginRecording(ctx, session, rate, access.path());
            }
            if (server)
                server->tell(0, tick, monitor.reading());
            outputs.setTickTime(tick.time);
            session.takeDueSample(0, monitor.cycle());
            if (publisher && tick.event == CycleEvent::Reading)
                publisher->liveReading(toDays(tick.time), monitor.reading());
            monitor.pauseAfter(tick);
        }
        if (session.state() == SessionState::Idle && !ctx.interrupted())
            monitor.failNoMeterAnswered();
        if (publisher && session.state() != SessionState::Idle) {
            session.stop();
            FinishPublishing(ctx, *publisher);
        }
    }
    if (session.state() == SessionState::Idle && ctx.interrupted()) {
        if (profileLines)
            ctx.fail(QStringLiteral("no run was recorded, so none was checked against the profile"));
        return csv.failed() || profileLines ? kCliFailed : kCliOk;
    }
    if (session.state() == SessionState::Idle)
        return kCliFailed;  // no meter answered, said above
    session.stop();
    const bool whole = closingLine(ctx, journal.journal()) && !csv.failed();
    if (!profileLines)
        return whole ? kCliOk : kCliFailed;
    profileLines->printVerdict(json);
    // A failed run is told as such even when the library missed samples: the check saw them all.
    const RuleVerdict verdict = profileLines->check().verdict();
    return verdict == RuleVerdict::Failed ? kCliCheckFailed : whole ? VerdictExitCode(verdict) : kCliFailed;
}
const CliRegistration kRecord({
    QStringLiteral("record"),
    QStringLiteral("Log the meter into the library until Ctrl-C (one line per sample: ISO time, T1..T4; with "
                   "several --meter, every meter's T1..T4 on one line per sample time). With --profile P (one "
                   "meter) the run is checked as it records (a line on err as each rule is decided) and ends "
                   "with each rule's result and the verdict: exit 0 PASS, 3 FAIL, 1 cannot check or not all "
                   "of the run stored."),
    QString(),
    [](QCommandLineParser& p) {
        p.addOptions({kInterval, kName, kCsv, kQuiet, kCount, kJson, kAlarmOption, kHysteresisOption, kProfileOption,
                      kProfileChannelOption});
        p.addOptions(MqttOptions());
    },
    runRecord,
    true,
});

}  // namespace

}  // namespace kelvor
