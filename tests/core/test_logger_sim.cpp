// SPDX-License-Identifier: GPL-3.0-or-later
// The data logger against the simulated meter: download, decode and the CLI commands.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "logger/datasetstore.h"
#include "logger/memorydownload.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {
QByteArray expectedImage(SimDevice& sim)
{
    const std::vector<std::uint8_t>& all = sim.meter().memory().bytes();
    const int total = DownloadTotal(std::uint32_t(sim.meter().memory().position()));
    return QByteArray(reinterpret_cast<const char*>(all.data()), total);
}

SimFaultPlan plan(const char* rules)
{
    SimFaultPlan p;
    QString error;
    EXPECT_TRUE(p.parseRules(QString::fromLatin1(rules), &error)) << error.toStdString();
    return p;
}
}  // namespace

TEST(LoggerSim, DownloadsTheDemoMemoryThroughFaults)
{
    for (const char* rules : {"", "drop:p@7", "drop:p@7;unplug:p@40+12", "garble-end:p@3+2"}) {
        ManualClock clock;
        SimDevice sim(clock, {}, plan(rules));
        MeterLink link(sim, clock);
        MemoryDownload download(link);
        DataSetStore store;
        QTemporaryDir dir;
        const LoadOutcome out = LoadDataSets(download, store, clock, dir.filePath("temp/DataSetsTemp.tmp"));
        ASSERT_EQ(out.code, kDownloadOk) << rules;
        EXPECT_EQ(store.collectionImage, expectedImage(sim)) << rules;
        EXPECT_EQ(int(store.sets.size()), sim.meter().memory().dataSetCount()) << rules;
        EXPECT_FALSE(out.decode.cutShort) << rules;
    }
}

TEST(LoggerSim, UnpluggedForGoodEndsWithTheResumeCode)
{
    ManualClock clock;
    SimDevice sim(clock, {}, plan("unplug:p@10+*"));
    MeterLink link(sim, clock);
    MemoryDownload download(link);
    QByteArray image;
    const int code = download.DownloadMemory(image);
    EXPECT_TRUE(code == kDownloadSeekFailed || code == kDownloadResumeWriteFailed || code == kDownloadResumeReadFailed)
        << code;
    EXPECT_LT(image.size(), download.total());
}

namespace {
struct SimCli {
    ManualClock clock;
    SimMeterConfig config;
    SimFaultPlan faults;
    std::function<void(SimDevice&)> prepare;
    QString out, err;

    int run(QStringList args)
    {
        QTextStream o(&out), e(&err);
        CliEnv env{clock, o, e, nullptr, nullptr, nullptr};
        env.makeDevice = [this](const QString&, const QString&, QString*) -> std::unique_ptr<MeterDevice> {
            auto sim = std::make_unique<SimDevice>(clock, config, faults);
            if (prepare)
                prepare(*sim);
            return sim;
        };
        args.prepend(QStringLiteral("kelvor-cli"));
        return runCli(args, env);
    }
};
}  // namespace

TEST(LoggerSim, CliDownloadChecksAndWritesTheCollection)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.ch4");
    {
        SimCli cli;
        ASSERT_EQ(cli.run({"download", "-o", path}), kCliOk) << cli.err.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.size() % 32, 0);
        EXPECT_TRUE(cli.err.contains("bytes received")) << cli.err.toStdString();
        SimCli sets;
        ASSERT_EQ(sets.run({"sets", "--iso", path}), kCliOk) << sets.err.toStdString();
        EXPECT_EQ(sets.out.count('\n'), 4);
    }
    struct Case {
        const char* name;
        std::function<void(SimCli&)> setUp;
        const char* message;
    } cases[] = {
        {"erased", [](SimCli& c) { c.config.demoMemory = false; },
         "There was not any data recorded in momery of meter !"},
        {"recording", [](SimCli& c) { c.prepare = [](SimDevice& s) { s.meter().pressKey('E'); }; },
         "The meter is recording data, please stop recording before loading data."},
        {"absent", [](SimCli& c) { c.faults = plan("unplug@1+*"); }, "There is no connection with multimeter !"},
        {"lost mid-way", [](SimCli& c) { c.faults = plan("unplug:p@10+*"); },
         "There was error,please try again!   error code=12"},
    };
    for (const Case& c : cases) {
        SimCli cli;
        c.setUp(cli);
        const QString target = dir.filePath(QString::fromLatin1(c.name) + ".ch4");
        EXPECT_EQ(cli.run({"download", "-o", target}), kCliFailed) << c.name;
        EXPECT_TRUE(cli.err.contains(QString::fromLatin1(c.message))) << c.name << ": " << cli.err.toStdString();
        EXPECT_FALSE(QFile::exists(target)) << c.name;
    }
}
