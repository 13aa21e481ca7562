// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "meter/captureformat.h"
#include "meter/replaydevice.h"

using namespace kelvor;

namespace {

QByteArray readLine(int length, const std::vector<std::uint8_t>& bytes)
{
    CaptureEntry e;
    e.kind = CaptureEntry::Kind::Read;
    e.length = length;
    e.ok = !bytes.empty();
    e.bytes = bytes;
    return "W *\n" + formatCaptureEntry(e);
}

QByteArray identity(const char* code)
{
    std::vector<std::uint8_t> r(32, 0);
    r[23] = std::uint8_t(code[0]);
    r[24] = std::uint8_t(code[1]);
    r[25] = std::uint8_t(code[2]);
    return readLine(32, r);
}

// A live reply: T1 = 23.5, T2 = -20.0, T3 over range, T4 dashed; or all at 0.0.
QByteArray live(bool valid = true, bool zeros = false)
{
    std::vector<std::uint8_t> r(64, 0);
    r[0] = valid ? 0x02 : 0x00;
    r[63] = 0x03;
    if (!zeros) {
        r[6] = 0x04 | 0x80;
        r[9] = 0x00, r[10] = 0xEB;
        r[11] = 0xFF, r[12] = 0x38;
    }
    return readLine(64, r);
}

const QByteArray kNoAnswer32 = readLine(32, {});
const QByteArray kNoAnswer64 = readLine(64, {});

struct CliRun {
    int code = -1;
    QString out, err;
};

CliRun runWith(const QByteArray& capture, QStringList args)
{
    ManualClock clock;
    CliRun r;
    QTextStream out(&r.out), err(&r.err);
    CliEnv env{clock, out, err, nullptr, nullptr, nullptr};
    env.makeDevice = [&capture](const QString&, const QString&, QString* error) -> std::unique_ptr<MeterDevice> {
        std::vector<CaptureEntry> entries;
        if (!parseCapture(capture, &entries, error))
            return nullptr;
        return std::make_unique<ReplayDevice>(std::move(entries));
    };
    args.prepend(QStringLiteral("kelvor-cli"));
    r.code = runCli(args, env);
    return r;
}

QStringList column(const QString& text, int index, QChar sep = QLatin1Char('\t'))
{
    QStringList values;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        values << line.split(sep).value(index);
    return values;
}

}  // namespace

TEST(CliLive, FollowsTheMonitorLoop)
{
    // Probing every 500 ms until the model code answers, reading every 200 ms, a
    // garbled reply ignored, three misses in a row back to probing.
    const QByteArray capture = kNoAnswer32 + identity("ABC") + identity("QZX") + live() + live(false) + kNoAnswer64 +
                               kNoAnswer64 + live() + kNoAnswer64 + kNoAnswer64 + kNoAnswer64 + kNoAnswer32 +
                               identity("QZX") + live();
    const CliRun r = runWith(capture, {QStringLiteral("live"), QStringLiteral("--iso")});
    EXPECT_EQ(r.code, kCliOk) << r.err.toStdString();
    EXPECT_EQ(column(r.out, 0).join(QLatin1Char(' ')).toStdString(),
              "2026-01-05T10:00:01.200 2026-01-05T10:00:02.000 2026-01-05T10:00:03.800");
    EXPECT_EQ(column(r.out, 1) + column(r.out, 3) + column(r.out, 4),
              QStringList({QStringLiteral("23.5"), QStringLiteral("23.5"), QStringLiteral("23.5"), QStringLiteral("OL"),
                           QStringLiteral("OL"), QStringLiteral("OL"), QStringLiteral("----"), QStringLiteral("----"),
                           QStringLiteral("----")}))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QLatin1String("stopped answering"))) << r.err.toStdString();
}

// Without --iso the time is the locale's short date and long time, with no zone and
// with milliseconds: five readings share each second.
TEST(CliLive, LocaleTimesCarryMillisecondsAndNoZone)
{
    const QByteArray capture = identity("QZX") + live() + live() + live();
    const struct {
        QLocale locale;
        QStringList times;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates),
         {"1/5/26 10:00:00.200 AM", "1/5/26 10:00:00.400 AM", "1/5/26 10:00:00.600 AM"}},
        {QLocale(QLocale::German, QLocale::Germany),
         {"05.01.26 10:00:00,200", "05.01.26 10:00:00,400", "05.01.26 10:00:00,600"}},
        {QLocale(QLocale::Hungarian, QLocale::Hungary),
         {"2026. 01. 05. 10:00:00,200", "2026. 01. 05. 10:00:00,400", "2026. 01. 05. 10:00:00,600"}},
    };
    const QLocale saved;
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        const CliRun r = runWith(capture, {QStringLiteral("live")});
        QLocale::setDefault(saved);
        EXPECT_EQ(r.code, kCliOk) << r.err.toStdString();
        EXPECT_EQ(column(r.out, 0), c.times) << r.out.toStdString();
    }
}

TEST(CliLive, CountStopsAndTooFewReadingsFail)
{
    const QByteArray capture = identity("QZX") + live() + live() + live();
    CliRun r = runWith(capture, {QStringLiteral("live"), QStringLiteral("--count"), QStringLiteral("2")});
    EXPECT_EQ(r.code, kCliOk);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2);
    r = runWith(capture, {QStringLiteral("live"), QStringLiteral("--count=5")});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 3);
    EXPECT_TRUE(r.err.contains(QLatin1String("3 of 5"))) << r.err.toStdString();
    r = runWith(kNoAnswer32, {QStringLiteral("live")});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_TRUE(r.err.contains(QLatin1String("no meter answered"))) << r.err.toStdString();
}

TEST(CliLive, CsvQuotesLocaleCommasAndIsoIgnoresTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray capture = identity("QZX") + live(true, true);
    const CliRun local = runWith(capture, {QStringLiteral("live"), QStringLiteral("--csv")});
    const CliRun iso = runWith(capture, {QStringLiteral("--meter=replay:x"), QStringLiteral("live"),
                                         QStringLiteral("--csv"), QStringLiteral("--iso")});
    QLocale::setDefault(saved);

    ASSERT_EQ(local.code, kCliOk) << local.err.toStdString();
    const QStringList lines = local.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("time,T1,T2,T3,T4"));
    EXPECT_TRUE(lines[1].startsWith(QLatin1String("\"05.01.26 10:00:00,200\","))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QLatin1String(",\"0,0\",\"0,0\",\"0,0\",\"0,0\""))) << lines[1].toStdString();

    ASSERT_EQ(iso.code, kCliOk) << iso.err.toStdString();
    EXPECT_TRUE(iso.out.endsWith(QLatin1String("\n2026-01-05T10:00:00.200,0.0,0.0,0.0,0.0\n")))
        << iso.out.toStdString();
}

TEST(CliProbe, ReportsTheMeterOrWhyNot)
{
    CliRun r = runWith(identity("QZX"), {QStringLiteral("probe")});
    EXPECT_EQ(r.code, kCliOk);
    EXPECT_EQ(r.out, QStringLiteral("meter: answered\nmodel code: QZX\nserial: (none)\n"));
    r = runWith(identity("AB\x01"), {QStringLiteral("probe")});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_TRUE(r.err.contains(QLatin1String("'AB?'"))) << r.err.toStdString();
    r = runWith("O FAIL\n", {QStringLiteral("probe")});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_TRUE(r.err.contains(QLatin1String("no meter answered"))) << r.err.toStdString();
    r = runWith("O OK\nW 01\n", {QStringLiteral("probe")});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_TRUE(r.err.contains(QLatin1String("line 2"))) << r.err.toStdString();
}

TEST(Cli, BadCommandLinesExitWithTwo)
{
    struct Case {
        QStringList args;
        const char* named;  // what the message must name
    };
    const Case cases[] = {
        {{}, "no command"},
        {{QStringLiteral("frobnicate")}, "frobnicate"},
        {{QStringLiteral("--frobnicate"), QStringLiteral("probe")}, "frobnicate"},
        {{QStringLiteral("probe"), QStringLiteral("extra")}, "extra"},
        {{QStringLiteral("live"), QStringLiteral("--count"), QStringLiteral("0")}, "--count"},
        {{QStringLiteral("live"), QStringLiteral("--count=ten")}, "ten"},
        {{QStringLiteral("probe"), QStringLiteral("--csv")}, "csv"},
        // Bad values of the meter options, also for commands that need no meter.
        {{QStringLiteral("--meter=nosuch"), QStringLiteral("probe")}, "--meter=nosuch"},
        {{QStringLiteral("--meter"), QStringLiteral("sim:bogus=1"), QStringLiteral("probe")}, "bogus"},
        {{QStringLiteral("--meter=sim:seed=x"), QStringLiteral("info")}, "seed"},
        {{QStringLiteral("--meter=sim:faults=frob@1"), QStringLiteral("live")}, "frob"},
        {{QStringLiteral("--meter=replay:"), QStringLiteral("probe")}, "replay:FILE"},
        {{QStringLiteral("--meter=nosuch"), QStringLiteral("sets"), QStringLiteral("x.ch4")}, "--meter=nosuch"},
        {{QStringLiteral("--capture="), QStringLiteral("probe")}, "--capture"},
        // An empty file name (a script's unset variable) is named, not ended in silence.
        {{QStringLiteral("sets"), QString()}, "empty name"},
        {{QStringLiteral("export"), QString(), QStringLiteral("--set=1")}, "empty name"},
        // An empty or a file's name for the data folder would quietly mean another folder.
        {{QStringLiteral("--data-dir="), QStringLiteral("library"), QStringLiteral("list")}, "empty name"},
        {{QStringLiteral("--data-dir"), QString(), QStringLiteral("library"), QStringLiteral("list")}, "empty name"},
        {{QStringLiteral("--data-dir=/dev/null"), QStringLiteral("library"), QStringLiteral("list")}, "not a folder"},
        // Option values: each message names the range that is really taken.
        {{QStringLiteral("live"), QStringLiteral("--alarm=T1>5"), QStringLiteral("--hysteresis=nan")}, "'nan'"},
        {{QStringLiteral("record"), QStringLiteral("--alarm=T1>5"), QStringLiteral("--hysteresis=inf")}, "'inf'"},
        {{QStringLiteral("record"), QStringLiteral("--interval=61:00")}, "minutes 00 to 60 and seconds 00 to 60"},
        {{QStringLiteral("set-interval"), QStringLiteral("00:00")}, "minutes 00 to 60 and seconds 00 to 60"},
        {{QStringLiteral("record"), QStringLiteral("--channel=T2")}, "--channel needs --profile"},
        {{QStringLiteral("record"), QStringLiteral("--profile=p.json"), QStringLiteral("--channel=T5")},
         "T1, T2, T3 or T4"},
        {{QStringLiteral("eeprom-read"), QStringLiteral("999999")}, "(0 to 131071)"},
        {{QStringLiteral("eeprom-write"), QStringLiteral("1"), QStringLiteral("2")}, "--code"},
        // Several meters: each one named once, by its serial; only the commands that read
        // several take them, and the options that watch one meter say so.
        {{QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:serial=A"), QStringLiteral("live")},
         "already chosen"},
        {{QStringLiteral("--meter=sim"), QStringLiteral("--meter=sim:seed=1"), QStringLiteral("record")},
         "its own serial"},
        {{QStringLiteral("--meter=usb"), QStringLiteral("--meter=sim"), QStringLiteral("live")}, "usb:SERIAL"},
        {{QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:serial=B"), QStringLiteral("probe")},
         "one meter"},
        {{QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:serial=B"), QStringLiteral("--capture=x"),
          QStringLiteral("live")},
         "--capture"},
        {{QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:serial=B"), QStringLiteral("record"),
          QStringLiteral("--alarm=T1>5")},
         "--alarm"},
        {{QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:bogus=1"), QStringLiteral("live")},
         "bogus"},
        {{QStringLiteral("--meter=sim:serial=a b"), QStringLiteral("live")}, "'a b'"},
        {{QStringLiteral("live"), QStringLiteral("--json"), QStringLiteral("--csv")}, "--json"},
        // Remote meters: an address that names the meter, read by record and live only,
        // its TLS files as for publishing, and no publishing beside it.
        {{QStringLiteral("--meter=mqtt://127.0.0.1"), QStringLiteral("live")}, "names no meter"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/+"), QStringLiteral("record")}, "wildcard"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("probe")}, "read by record and live"},
        {{QStringLiteral("--meter=mqtts://127.0.0.1/kelvor/A"), QStringLiteral("live")}, "needs --mqtt-ca"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("live"), QStringLiteral("--mqtt-ca=x")},
         "--mqtt-ca needs --mqtt"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"),
          QStringLiteral("record")},
         "already chosen"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("record"),
          QStringLiteral("--mqtt=mqtt://127.0.0.1")},
         "--mqtt publishes one meter; it takes one meter on this computer, not a remote one"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("live"), QStringLiteral("--alarm=T1>5")},
         "not a remote one"},
        {{QStringLiteral("--meter=mqtt://127.0.0.1/kelvor/A"), QStringLiteral("--capture=x"), QStringLiteral("live")},
         "not a remote one"},
    };
    QStringList nine;
    for (int i = 0; i < 9; ++i)
        nine << QStringLiteral("--meter=sim:serial=M%1").arg(i);
    const CliRun tooMany = runWith(identity("QZX"), nine + QStringList{QStringLiteral("live")});
    EXPECT_EQ(tooMany.code, kCliUsage);
    EXPECT_TRUE(tooMany.err.contains(QLatin1String("at most 8 meters"))) << tooMany.err.toStdString();
    for (const Case& c : cases) {
        const CliRun r = runWith(identity("QZX"), c.args);
        const std::string line = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.code, kCliUsage) << line;
        EXPECT_TRUE(r.err.contains(QLatin1String(c.named))) << line << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << line;
    }
}

TEST(Cli, HelpListsEveryCommandAndOption)
{
    CliRun r = runWith({}, {QStringLiteral("--help")});
    EXPECT_EQ(r.code, kCliOk);
    for (const char* word : {"--meter", "--capture", "--version", "probe", "live"})
        EXPECT_TRUE(r.out.contains(QLatin1String(word))) << word;
    r = runWith({}, {QStringLiteral("live"), QStringLiteral("--help")});
    for (const char* word : {"--count", "--csv", "--iso"})
        EXPECT_TRUE(r.out.contains(QLatin1String(word))) << word;
}

// A command's help says what it does once, at the top; the usage line shows its arguments.
TEST(Cli, CommandHelpGivesTheDescriptionOnce)
{
    for (const CliCommand& c : cliCommands()) {
        const CliRun r = runWith({}, {c.name, QStringLiteral("--help")});
        const std::string name = c.name.toStdString();
        EXPECT_EQ(r.code, kCliOk) << name;
        EXPECT_TRUE(r.out.contains(QStringLiteral("kelvor-cli %1: %2\n").arg(c.name, c.summary))) << name;
        EXPECT_FALSE(r.out.contains(QLatin1String("Arguments:"))) << name << ":\n" << r.out.toStdString();
        const QString usage = r.out.section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(usage.endsWith(QStringLiteral("[options] %1 %2").arg(c.name, c.positionalHelp).trimmed()))
            << usage.toStdString();
    }
}

// --alarm: a line on stderr per event (T1 at 23.5 passes 20 once, not per reading; T2 at
// -20 never passes -30); the exit status stays 0. A rule that is not one is a usage error.
TEST(CliLive, AlarmEventsGoToStderr)
{
    const QByteArray capture = identity("QZX") + live() + live() + live();
    const CliRun r = runWith(capture, {QStringLiteral("live"), QStringLiteral("--iso"), QStringLiteral("--alarm"),
                                       QStringLiteral("T1>20"), QStringLiteral("--alarm=T2<-30")});
    EXPECT_EQ(r.code, kCliOk) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 3);
    const QStringList alarms = r.err.split(QLatin1Char('\n')).filter(QStringLiteral("alarm"));
    ASSERT_EQ(alarms.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(alarms[0].startsWith(QStringLiteral("kelvor-cli: alarm 2026-01-05T10:00:")));
    EXPECT_TRUE(alarms[0].endsWith(QStringLiteral(" T1 23.5 above high limit 20"))) << alarms[0].toStdString();

    const CliRun bad = runWith(capture, {QStringLiteral("live"), QStringLiteral("--alarm"), QStringLiteral("T9>1")});
    EXPECT_EQ(bad.code, kCliUsage);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("'T9>1' is not an alarm"))) << bad.err.toStdString();
}

// record runs a recording session: every sample printed once the library holds it, a line
// on stderr per alarm event, and the library keeps the run's alarm events too.
TEST(CliRecord, SamplesAndAlarmEventsGoIntoTheLibrary)
{
    QTemporaryDir dir;
    const QByteArray capture = identity("QZX") + live() + live() + live();
    const CliRun r = runWith(capture, {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("record"),
                                       QStringLiteral("--interval=00:00"), QStringLiteral("--alarm=T1>20")});
    EXPECT_EQ(r.code, kCliOk) << r.err.toStdString();
    EXPECT_EQ(column(r.out, 1), QStringList(3, QStringLiteral("23.5")));
    const QStringList alarms = r.err.split(QLatin1Char('\n')).filter(QStringLiteral("alarm"));
    ASSERT_EQ(alarms.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(alarms[0].endsWith(QStringLiteral(" T1 23.5 above high limit 20"))) << alarms[0].toStdString();
    const QRegularExpressionMatch item =
        QRegularExpression(QStringLiteral("3 samples recorded as library item (\\d+)")).match(r.err);
    ASSERT_TRUE(item.hasMatch()) << r.err.toStdString();

    LibraryAccess access(dir.path());
    ASSERT_TRUE(access.get());
    QString error;
    const auto data = access.get()->loadRecording(item.captured(1).toLongLong(), 0, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->samples.size(), 3u);
    ASSERT_EQ(data->alarmEvents.size(), 1u);
    EXPECT_EQ(data->alarmEvents[0].subset, 0);
    EXPECT_EQ(data->alarmEvents[0].x, data->samples[0].time);
    EXPECT_EQ(data->header.source, QStringLiteral("cli"));
}

QStringList verdictRows(const QString& out)
{
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype header =
        lines.indexOf(QStringLiteral("Result\tRule\tChannel\tMeasured\tLimit\tFirst violation or why not checked"));
    return header < 0 ? QStringList() : lines.mid(header + 1);
}

// record --profile checks the run as it records: a failure is told on stderr at the
// sample that breaks the rule, before the run ends; the run ends with the results and
// the verdict, whose exit status is check's. The library item checked afterwards gets the
// same rows. The readings: T1 23.5 °C (74.3 °F), T2 -20.0 °C, T3 over range.
TEST(CliRecord, ChecksTheRunAgainstAProfileAsItRecords)
{
    struct Case {
        const char* profile;
        QStringList extra;
        int code;
        const char* verdict;
        const char* liveLine;  // on stderr while recording; empty: none
    };
    const Case cases[] = {
        {R"({"kelvorProfile": 1, "rules": [{"kind": "band", "name": "cap", "upper": [[0, 23.5]]}]})",
         {},
         kCliOk,
         "PASS",
         ""},
        {R"({"kelvorProfile": 1, "rules": [{"kind": "band", "name": "cap", "upper": [[0, 23.4]]}]})",
         {},
         3,
         "FAIL",
         "profile rule \"cap\" FAIL at 0 s: 23.5 °C"},
        {R"({"kelvorProfile": 1, "unit": "°F", "rules": [{"kind": "peak", "name": "hot", "min": 74.2, "max": 74.4}]})",
         {},
         kCliOk,
         "PASS",
         ""},
        {R"({"kelvorProfile": 1, "unit": "°F", "rules": [{"kind": "peak", "name": "hot", "max": 74}]})",
         {},
         3,
         "FAIL",
         "profile rule \"hot\" FAIL at 0 s: 74.3 °F"},
        {R"({"kelvorProfile": 1, "rules": [{"kind": "band", "name": "cold", "lower": [[0, -10]]}]})",
         {QStringLiteral("--channel=t2")},
         3,
         "FAIL",
         "profile rule \"cold\" FAIL at 0 s: -20.0 °C"},
        {R"({"kelvorProfile": 1, "channel": "T3", "rules": [{"kind": "peak", "name": "hot", "max": 100}]})",
         {},
         kCliFailed,
         "CANNOT CHECK",
         ""},
    };
    const QByteArray capture = identity("QZX") + live() + live() + live();
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString profile = dir.filePath(QStringLiteral("p.json"));
        QFile f(profile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.profile);
        f.close();
        const CliRun r = runWith(capture, QStringList{QStringLiteral("--data-dir"), dir.path(),
                                                      QStringLiteral("record"), QStringLiteral("--interval=00:00"),
                                                      QStringLiteral("--quiet"), QStringLiteral("--profile"), profile} +
                                              c.extra);
        const std::string name = c.profile;
        EXPECT_EQ(r.code, c.code) << name << r.err.toStdString();
        const QStringList rows = verdictRows(r.out);
        ASSERT_EQ(rows.size(), 2) << name << r.out.toStdString();
        EXPECT_EQ(rows[1], QStringLiteral("Verdict: ") + QLatin1String(c.verdict)) << name;
        const qsizetype live = r.err.indexOf(QString::fromUtf8(c.liveLine));
        const qsizetype closing = r.err.indexOf(QStringLiteral("3 samples recorded as library item 1"));
        ASSERT_GE(closing, 0) << name << r.err.toStdString();
        if (*c.liveLine)
            EXPECT_TRUE(live >= 0 && live < closing) << name << r.err.toStdString();
        else
            EXPECT_FALSE(r.err.contains(QStringLiteral("profile rule"))) << name << r.err.toStdString();

        const CliRun stored = runWith({}, QStringList{QStringLiteral("--data-dir"), dir.path(), QStringLiteral("check"),
                                                      QStringLiteral("1"), QStringLiteral("--profile"), profile} +
                                              c.extra);
        EXPECT_EQ(stored.code, c.code) << name << stored.err.toStdString();
        EXPECT_EQ(verdictRows(stored.out), rows) << name;
    }
}

// A profile that cannot be read stops record before the --csv table or the library is made.
TEST(CliRecord, UnreadableProfileOpensNothing)
{
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("p.json"));
    QFile f(profile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"kelvorProfile\": 1,\n \"rules\": [{\"kind\": \"peak\", \"max\": \"hot\"}]}");
    f.close();
    const QString csv = dir.filePath(QStringLiteral("t.csv"));
    const QString data = dir.filePath(QStringLiteral("data"));
    const CliRun r =
        runWith(identity("QZX") + live(), {QStringLiteral("--data-dir"), data, QStringLiteral("record"),
                                           QStringLiteral("--csv"), csv, QStringLiteral("--profile"), profile});
    EXPECT_EQ(r.code, kCliFailed);
    EXPECT_TRUE(r.err.contains(QStringLiteral("line 2: rule 1: \"max\""))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(csv));
    EXPECT_FALSE(QFileInfo::exists(data)) << r.err.toStdString();
}
