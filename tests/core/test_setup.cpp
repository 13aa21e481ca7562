// SPDX-License-Identifier: GPL-3.0-or-later
// The setup commands, the information reply, the calibration read and EEPROM access.
#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>
#include <functional>

#include "base/clock.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetstore.h"
#include "logger/memorydownload.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"
#include "setup/adjustvalues.h"
#include "setup/eepromaccess.h"
#include "setup/meterinformation.h"
#include "setup/setupcommands.h"

using namespace kelvor;

namespace {
using Bytes = std::vector<std::uint8_t>;

// Records frames and blocks; each frame gets the reply `answer` makes of it (none
// when empty). Reads of more bytes than the reply holds fail.
struct RecordingMeter : MeterDevice {
    std::vector<Bytes> frames, blocks;
    std::function<Bytes(const Bytes&)> answer;
    int openResult = kLinkOk;
    Bytes pending;
    int OpenLink(std::uint16_t, std::uint16_t) override { return openResult; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t* f, int n) override
    {
        frames.emplace_back(f, f + n);
        pending = answer ? answer(frames.back()) : Bytes{};
        return kLinkOk;
    }
    int WriteBlock(const std::uint8_t* b, int n) override
    {
        blocks.emplace_back(b, b + n);
        return kLinkOk;
    }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* b, int n) override
    {
        if (pending.size() < std::size_t(n))
            return kLinkFailed;
        std::copy_n(pending.begin(), n, b);
        pending.clear();
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* b, int) override
    {
        std::strcpy(b, "SN-42");
        return kLinkOk;
    }
    int count(char letter) const
    {
        return int(std::count_if(frames.begin(), frames.end(), [&](const Bytes& f) { return f[1] == letter; }));
    }
};

Bytes ok32(const Bytes& frame)
{
    Bytes r(32, 0);
    r[0] = 0x02;
    r[1] = frame[1];
    r[2] = 'O';
    r[3] = 'K';
    return r;
}

// A settings record plus the clock 2026-03-14 15:09:26.
std::array<std::uint8_t, 64> infoReply()
{
    std::array<std::uint8_t, 64> r{};
    const std::uint8_t rec[32] = {'A', 'L', 'L', 1, 0x00, 0xD4, 0xFF, 0xFC, 0x01, 0x02, 0x00, 0x0A, 0xFF, 5, 30, 0x14,
                                  0,   0,   3,   0, 0,    1,    0xFE, 5,    0,    0x80, 0,    0,    0,    0, 6,  105};
    std::copy(std::begin(rec), std::end(rec), r.begin());
    const std::uint8_t clock[7] = {0x26, 0x09, 0x15, 0x14, 0x03, 0x06, 0x26};
    std::copy(std::begin(clock), std::end(clock), r.begin() + 40);
    return r;
}

struct Rig {
    ManualClock clock;
    RecordingMeter meter;
    MeterLink link{meter, clock};
};
}  // namespace

TEST(SetupInterval, ValidatesAndBuildsBcdFromTheCharacters)
{
    struct Case {
        const char* minutes;
        const char* seconds;
        int code;
        std::uint8_t m, s;
    };
    const Case cases[] = {
        {"60", "60", 0, 0x60, 0x60},
        {"05", "30", 0, 0x05, 0x30},
        {"5", "7", 0, 0x05, 0x07},
        {"00", "01", 0, 0x00, 0x01},
        {"00", "00", kIntervalZero, 0, 0},
        {"61", "00", kIntervalAbove60, 0, 0},
        {"00", "99", kIntervalAbove60, 0, 0},
        {"", "05", kIntervalMinutesNotNumber, 0, 0},
        {"1", "x", kIntervalSecondsNotNumber, 0, 0},
        {"+5", "00", kIntervalMinutesNotNumber, 0, 0},
        {"060", "00", kIntervalMinutesNotNumber, 0, 0},
        {"1 ", "00", kIntervalMinutesNotNumber, 0, 0},
    };
    for (const Case& c : cases) {
        IntervalParameter p;
        EXPECT_EQ(ParseRecordingInterval(QString::fromLatin1(c.minutes), QString::fromLatin1(c.seconds), p), c.code)
            << c.minutes << ":" << c.seconds;
        if (c.code == 0) {
            EXPECT_EQ(p.minutesBcd, c.m) << c.minutes;
            EXPECT_EQ(p.secondsBcd, c.s) << c.seconds;
        }
    }
}

TEST(SetupCommands, SilentMeterGetsThreeAttemptsPerCommand)
{
    Rig rig;  // no answer at all
    EXPECT_EQ(AdjustMeterTime(rig.link), 405);
    EXPECT_EQ(AdjustRecordingInterval(rig.link, {0x05, 0x30}), 604);
    EXPECT_EQ(EraseMeterMemory(rig.link), 505);
    EXPECT_EQ(SetupOther(rig.link), 405);
    std::array<std::uint8_t, 64> reply{};
    QString serial = QStringLiteral("stale");
    EXPECT_EQ(ReadMeterInformation(rig.link, reply, serial), 204);
    EXPECT_TRUE(serial.isEmpty());
    for (char c : {'t', 'I', 'e', 's', 'X'})
        EXPECT_EQ(rig.meter.count(c), 3) << c;
    EXPECT_EQ(rig.meter.blocks.size(), 6u);  // "t" and "s" send their block every attempt
    const Bytes& interval = rig.meter.frames[3];
    EXPECT_EQ(interval, (Bytes{0x02, 'I', 0x05, 0x30, 0, 0, 0x03}));
}

TEST(SetupCommands, EveryStepRunsAndTheLastFailureNamesTheCode)
{
    Rig rig;
    rig.meter.answer = ok32;
    rig.meter.openResult = kLinkFailed;  // the rest of the exchange works
    EXPECT_EQ(EraseMeterMemory(rig.link), 501);
    EXPECT_EQ(rig.meter.count('e'), 3);

    rig.meter.openResult = kLinkOk;
    rig.meter.answer = [](const Bytes& f) {
        Bytes r = ok32(f);
        r[3] = 'G';
        return r;
    };
    EXPECT_EQ(SetupOther(rig.link), 406);
    EXPECT_EQ(AdjustRecordingInterval(rig.link, {0, 2}), 605);

    // Success on the second attempt stops there.
    int n = 0;
    rig.meter.frames.clear();
    rig.meter.answer = [&](const Bytes& f) { return ++n == 1 ? Bytes{} : ok32(f); };
    EXPECT_EQ(EraseMeterMemory(rig.link), 0);
    EXPECT_EQ(rig.meter.count('e'), 2);
}

TEST(SetupCommands, ClockBlockIsTakenAfterTheFrameAndKeepsStaleBytes)
{
    Rig rig;
    rig.clock.setNow(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 59, 950)));
    rig.meter.answer = ok32;
    rig.link.setupBlock().fill(0xEE);
    ASSERT_EQ(AdjustMeterTime(rig.link), 0);
    ASSERT_EQ(rig.meter.blocks.size(), 1u);
    const Bytes& b = rig.meter.blocks[0];
    // 100 ms after the frame it is New Year 2032.
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 11), (Bytes{0x00, 0x00, 0x00, 0x01, 0x01, 0xEE, 0x32, 0x00, 'r', 't', 'c'}));
    EXPECT_EQ(b[11], 0xEE);
    EXPECT_EQ(rig.meter.frames[0], (Bytes{0x02, 't', 0, 0, 0, 0, 0x03}));

    // The defaults record; unnamed bytes keep the last reply's contents.
    rig.link.setupBlock().fill(0x77);
    ASSERT_EQ(SetupOther(rig.link), 0);
    const Bytes& s = rig.meter.blocks[1];
    const Bytes expected{'A',  'L',  'L', 0,    0x00, 0xD4, 0xFF, 0xFC, 0, 0, 0x00, 0x0A, 0xFF, 0,    2, 0x14,
                         0x77, 0x77, 0,   0x77, 0x77, 0,    0,    0,    0, 0, 0x77, 0x77, 0x77, 0x77, 2, 0x77};
    EXPECT_EQ(s, expected);
}

TEST(SetupInformation, FieldsAndFormats)
{
    QLocale::setDefault(QLocale::c());
    std::array<std::uint8_t, 64> r = infoReply();
    MeterInformation i = DecodeMeterInformation(r, QStringLiteral("SN-42"));
    EXPECT_EQ(i.memoryAvailable, "16000");
    EXPECT_EQ(i.meterTime, "03/14/2026   15:09:26");
    EXPECT_EQ(i.interval, "5:30");
    EXPECT_EQ(i.dataSets, "258");
    EXPECT_EQ(i.version, "1.05");
    EXPECT_EQ(i.serial, "SN-42");
    EXPECT_EQ(i.alarm, "ON");
    EXPECT_EQ(i.high, "212");
    EXPECT_EQ(i.low, "-4");
    EXPECT_EQ(i.t1MinusT2, "ON");
    EXPECT_EQ(i.thermoType, "T");
    EXPECT_EQ(i.sleepTime, "8 hours");
    EXPECT_EQ(i.offsets, (std::array<QString, 4>{"-2", "5", "0", "-128"}));

    r[4] = 0xFF, r[5] = 0xFC;                  // high limit -4
    r[18] = 4;                                 // no such thermocouple type
    r[30] = 7;                                 // no such power-off time
    r[10] = 0x01, r[11] = 0xFE, r[12] = 0xF9;  // 7 bytes short of the end: rounds toward zero
    i = DecodeMeterInformation(r, QString());
    EXPECT_EQ(i.high, "-4");
    EXPECT_TRUE(i.thermoType.isEmpty());
    EXPECT_TRUE(i.sleepTime.isEmpty());
    EXPECT_EQ(i.memoryAvailable, "0");
    QLocale::setDefault(QLocale::system());
}

TEST(SetupInformation, ResetClockShowsUnsetGarbledReplyIsRefused)
{
    Rig rig;
    std::array<std::uint8_t, 64> good = infoReply();
    std::array<std::uint8_t, 64> next = good;
    rig.meter.answer = [&](const Bytes&) { return Bytes(next.begin(), next.end()); };
    std::array<std::uint8_t, 64> reply{};
    QString serial;
    ASSERT_EQ(ReadMeterInformation(rig.link, reply, serial), 0);
    EXPECT_EQ(reply, good);
    EXPECT_EQ(serial, "SN-42");

    // A clock that was reset (zeros, or bytes that are no BCD date) does not hide the
    // memory and settings; only the clock shows as unset.
    QLocale::setDefault(QLocale::c());
    const std::pair<int, int> clockDamage[] = {{-1, 0}, {44, 0x13}, {43, 0x00}, {42, 0x24}, {40, 0x5A}};
    for (auto [at, value] : clockDamage) {
        next = good;
        if (at < 0)
            std::fill(next.begin() + 40, next.begin() + 47, 0);
        else
            next[std::size_t(at)] = std::uint8_t(value);
        ASSERT_EQ(ReadMeterInformation(rig.link, reply, serial), 0) << at;
        const MeterInformation info = DecodeMeterInformation(reply, serial);
        EXPECT_EQ(info.meterTime, "--/--/--   --:--:--") << at;
        EXPECT_EQ(info.dataSets, "258") << at;
        EXPECT_EQ(info.memoryAvailable, "16000") << at;
    }
    QLocale::setDefault(QLocale::system());

    // A memory position outside the data memory is a garbled reply; so is an all-zero
    // one (position 0, below the empty memory's 0x000AFF).
    for (auto [at, value] : {std::pair{10, 0x02}, {11, 0x09}, {12, 0xFE}}) {
        next = good;
        next[std::size_t(at)] = std::uint8_t(value);
        EXPECT_EQ(ReadMeterInformation(rig.link, reply, serial), 205) << at;
    }
    next.fill(0);
    EXPECT_EQ(ReadMeterInformation(rig.link, reply, serial), 205);
}

TEST(SetupCalibration, ValuesFromThreeBytes)
{
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(CalibrationText(CalibrationValue(0x00, 0x80, 0x3F)), "1.00000000");
    EXPECT_EQ(CalibrationText(CalibrationValue(0x00, 0x00, 0x00)), "0.00000000");
    EXPECT_EQ(CalibrationText(CalibrationValue(0x00, 0x00, 0xBE)), "-0.12500000");
    EXPECT_EQ(CalibrationText(CalibrationValue(0x00, 0x80, 0x7F)), "INF");
    QLocale::setDefault(QLocale::system());

    Rig rig;
    rig.meter.answer = [](const Bytes& f) {
        Bytes r(32, 0);
        for (int k = 0; k < 8; ++k) {
            r[std::size_t(3 * k + 1)] = 0x80;
            r[std::size_t(3 * k + 2)] = f[1] == 'Y' ? 0x3F : 0x40;  // 1.0 / 4.0
        }
        const int at = f[1] == 'Y' ? 28 : 30;
        r[std::size_t(at)] = 'O';
        r[std::size_t(at + 1)] = 'K';
        return r;
    };
    AdjustValues v{};
    ASSERT_EQ(ReadAdjustValues(rig.link, v), 0);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_FLOAT_EQ(v[7], 1.0f);
    EXPECT_FLOAT_EQ(v[8], 4.0f);  // "Z" did not overwrite what "Y" brought
    EXPECT_FLOAT_EQ(v[11], 4.0f);
}

TEST(SetupCalibration, CodesOfTheTwoExchanges)
{
    Rig rig;
    AdjustValues v{};
    v.fill(-1.0f);
    EXPECT_EQ(ReadAdjustValues(rig.link, v), 708);  // silent: the "Z" read fails last
    EXPECT_EQ(rig.meter.count('Y'), 3);
    EXPECT_EQ(rig.meter.count('Z'), 3);
    EXPECT_FLOAT_EQ(v[0], -1.0f);

    rig.meter.answer = [](const Bytes& f) {
        Bytes r(32, 0);
        if (f[1] == 'Z')
            r[30] = 'O', r[31] = 'K';
        return r;  // "Y" without its "OK"
    };
    EXPECT_EQ(ReadAdjustValues(rig.link, v), 705);
}

TEST(SetupEeprom, WriteFrameAndEchoFailuresWithCancelFrames)
{
    Rig rig;
    rig.meter.answer = [](const Bytes& f) {
        Bytes r(32, 0);
        r[0] = f[0];
        r[1] = f[1];
        return r;
    };
    ASSERT_EQ(WriteEEProm(rig.link, 70000, 300), 0);
    EXPECT_EQ(rig.meter.frames.back(), (Bytes{0x02, 'W', 0x01, 0x11, 0x70, 0x2C, 0x03}));

    // Echo 0x02 but not "W": one failure per attempt, each followed by "Q".
    rig.meter.frames.clear();
    rig.meter.answer = [](const Bytes& f) {
        Bytes r(32, 0);
        r[0] = f[0];
        r[1] = f[1] == 'W' ? 'w' : f[1];
        return f[1] == 'Q' ? Bytes{} : r;
    };
    const std::uint32_t start = rig.clock.tickMs();
    EXPECT_EQ(WriteEEProm(rig.link, 70000, 300), kEepromWriteNoEcho);
    ASSERT_EQ(rig.meter.frames.size(), 10u);
    for (int i = 0; i < 10; i += 2) {
        EXPECT_EQ(rig.meter.frames[std::size_t(i)][1], 'W');
        // The cancel frame carries the stale address and data bytes.
        EXPECT_EQ(rig.meter.frames[std::size_t(i + 1)], (Bytes{0x02, 'Q', 0x01, 0x11, 0x70, 0x2C, 0x03}));
    }
    EXPECT_GE(rig.clock.tickMs() - start, 5u * 900u);  // 300 ms per failure, 300 before and after "Q"

    // Both echo bytes wrong count two failures: three attempts reach five.
    rig.meter.frames.clear();
    rig.meter.answer = [](const Bytes&) { return Bytes(32, 0); };
    EXPECT_EQ(WriteEEProm(rig.link, 1, 1), kEepromWriteNoEcho);
    EXPECT_EQ(rig.meter.count('W'), 3);
    EXPECT_EQ(rig.meter.count('Q'), 3);

    // A silent meter: 9003 five times, no cancel frames.
    rig.meter.frames.clear();
    rig.meter.answer = nullptr;
    EXPECT_EQ(WriteEEProm(rig.link, 1, 1), kEepromWriteRead);
    EXPECT_EQ(rig.meter.count('W'), 5);
    EXPECT_EQ(rig.meter.count('Q'), 0);
}

TEST(SetupEeprom, ReadRetriesAfterAFailureAndReturnsByteFive)
{
    Rig rig;
    int n = 0;
    rig.meter.answer = [&](const Bytes& f) {
        if (f[1] == 'Q')
            return Bytes{};
        Bytes r(32, 0);
        r[0] = 0x02;
        r[1] = ++n == 1 ? 'x' : f[1];
        r[5] = 0xC8;
        return r;
    };
    rig.link.setupFrame()[5] = 0x2C;
    std::uint8_t value = 0;
    ASSERT_EQ(ReadEEProm(rig.link, 70000, value), 0);
    EXPECT_EQ(value, 200);
    ASSERT_EQ(rig.meter.frames.size(), 3u);
    EXPECT_EQ(rig.meter.frames[0], (Bytes{0x02, 'r', 0x01, 0x11, 0x70, 0x2C, 0x03}));
    EXPECT_EQ(rig.meter.frames[1][1], 'Q');

    rig.meter.answer = nullptr;
    EXPECT_EQ(ReadEEProm(rig.link, 0, value), kEepromReadRead);
    EXPECT_EQ(rig.meter.count('Q'), 1 + 5);
}

TEST(SetupEeprom, TypedNumbersAndAccessCode)
{
    int v = -1;
    QString error;
    EXPECT_TRUE(ParseEepromAddress(QStringLiteral("70000"), v, &error));
    EXPECT_EQ(v, 70000);
    EXPECT_TRUE(ParseEepromAddress(QStringLiteral("131071"), v, &error));
    for (const char* bad : {"", "abc", "0x10", "-1", "131072", "16777216", "99999999999"}) {
        error.clear();
        EXPECT_FALSE(ParseEepromAddress(QString::fromLatin1(bad), v, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    EXPECT_TRUE(ParseEepromData(QStringLiteral("300"), v, &error));
    EXPECT_FALSE(ParseEepromData(QStringLiteral("3x"), v, &error));
    EXPECT_EQ(error, "'3x' is not a valid integer value");

    EXPECT_TRUE(EepromAccessCodeMatches(QStringLiteral("8921")));
    for (const char* bad : {"", "0", "08921", "8921 ", " 8921", "89210"})
        EXPECT_FALSE(EepromAccessCodeMatches(QString::fromLatin1(bad))) << bad;
}

TEST(SetupSim, CommandsChangeTheSimulatedMeter)
{
    ManualClock clock;
    SimDevice sim(clock);
    MeterLink link(sim, clock);
    ASSERT_GT(sim.meter().memory().dataSetCount(), 0);

    clock.setNow(QDateTime(QDate(2027, 3, 14), QTime(15, 9, 26)));
    ASSERT_EQ(AdjustMeterTime(link), 0);
    EXPECT_LE(std::abs(sim.meter().meterTime().secsTo(clock.now())), 1);
    ASSERT_EQ(AdjustRecordingInterval(link, {0x05, 0x30}), 0);
    EXPECT_EQ(sim.meter().memory().intervalMinutes(), 5);
    EXPECT_EQ(sim.meter().memory().intervalSeconds(), 30);

    ASSERT_EQ(EraseMeterMemory(link), 0);
    std::array<std::uint8_t, 64> reply{};
    QString serial;
    ASSERT_EQ(ReadMeterInformation(link, reply, serial), 0);
    const MeterInformation info = DecodeMeterInformation(reply, serial);
    EXPECT_EQ(info.memoryAvailable, "16000");
    EXPECT_EQ(info.dataSets, "0");
    EXPECT_EQ(info.interval, "5:30");
    EXPECT_EQ(info.serial, "KV4-SIM-00001");
    EXPECT_TRUE(info.meterTime.startsWith("03/14/2027   15:09:")) << info.meterTime.toStdString();

    // The download after an erase finds nothing to show.
    MemoryDownload download(link);
    DataSetStore store;
    QTemporaryDir dir;
    const LoadOutcome out = LoadDataSets(download, store, clock, dir.filePath("temp/DataSetsTemp.tmp"));
    EXPECT_EQ(out.code, kNoDataSet);
    EXPECT_TRUE(store.sets.empty());

    // EEPROM write and read back through the same cells.
    ASSERT_EQ(WriteEEProm(link, 70000, 300), 0);
    std::uint8_t value = 0;
    ASSERT_EQ(ReadEEProm(link, 70000, value), 0);
    EXPECT_EQ(value, 0x2C);
    AdjustValues v{};
    ASSERT_EQ(ReadAdjustValues(link, v), 0);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
}

TEST(SetupSim, FaultPlanReachesTheCodes)
{
    struct Case {
        const char* rules;
        std::function<int(MeterLink&)> run;
        int code;
    };
    const Case cases[] = {
        {"nak:e@1+*", [](MeterLink& l) { return EraseMeterMemory(l); }, 506},
        {"drop:t@1+2", [](MeterLink& l) { return AdjustMeterTime(l); }, 0},
        {"drop:s@1+*", [](MeterLink& l) { return SetupOther(l); }, 405},
        {"echo:W@1+*", [](MeterLink& l) { return WriteEEProm(l, 5, 5); }, kEepromWriteNoEcho},
        {"unplug@1+*",
         [](MeterLink& l) {
             return AdjustRecordingInterval(l, {0, 2});
         },
         604},
    };
    for (const Case& c : cases) {
        ManualClock clock;
        SimFaultPlan plan;
        QString error;
        ASSERT_TRUE(plan.parseRules(QString::fromLatin1(c.rules), &error));
        SimDevice sim(clock, {}, plan);
        MeterLink link(sim, clock);
        EXPECT_EQ(c.run(link), c.code) << c.rules;
    }
}
