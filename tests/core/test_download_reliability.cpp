// SPDX-License-Identifier: GPL-3.0-or-later
// Many downloads from the simulated meter, each through its own random link faults:
// a download either brings the meter's memory exactly or says it failed.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/clock.h"
#include "logger/memorydownload.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {
QByteArray memoryImage(SimDevice& sim)
{
    const std::vector<std::uint8_t>& all = sim.meter().memory().bytes();
    const int total = DownloadTotal(std::uint32_t(sim.meter().memory().position()));
    return QByteArray(reinterpret_cast<const char*>(all.data()), total);
}

// One to three faults on the link: lost replies, damaged replies, the meter unplugged
// for a while; counted over every frame or over one command of the download.
QString randomFaults(std::mt19937& rng, const std::vector<const char*>& kinds)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* letters[] = {"", ":p", ":p", ":P", ":r", ":A"};
    QStringList rules;
    for (int n = pick(1, 3); n > 0; --n) {
        const QString kind = QString::fromLatin1(kinds[std::size_t(pick(0, int(kinds.size()) - 1))]);
        const QString letter = QString::fromLatin1(letters[pick(0, 5)]);
        const int first = letter == QLatin1String(":p") || letter.isEmpty() ? pick(1, 300) : pick(1, 4);
        const int count = kind == QLatin1String("unplug") ? pick(1, 40) : pick(1, 3);
        rules << QStringLiteral("%1%2@%3+%4").arg(kind, letter).arg(first).arg(count);
    }
    return rules.join(QLatin1Char(';'));
}

struct Tally {
    int succeeded = 0;
    std::map<int, int> failures;  // code -> downloads
};

Tally downloadMany(std::uint32_t seed, const std::vector<const char*>& kinds)
{
    std::mt19937 rng(seed);
    Tally tally;
    for (int run = 0; run < 50; ++run) {
        const QString rules = randomFaults(rng, kinds);
        SimFaultPlan plan;
        plan.seed = std::uint32_t(run + 1);
        plan.lossPercent = std::uniform_int_distribution<int>(0, 2)(rng);
        QString error;
        EXPECT_TRUE(plan.parseRules(rules, &error)) << error.toStdString();
        ManualClock clock;
        SimDevice sim(clock, {}, plan);
        MeterLink link(sim, clock);
        MemoryDownload download(link);
        QByteArray image;
        const int code = download.DownloadMemory(image);
        if (code == kDownloadOk) {
            ++tally.succeeded;
            EXPECT_EQ(image.size(), memoryImage(sim).size()) << rules.toStdString();
            EXPECT_TRUE(image == memoryImage(sim)) << "a wrong image reported as good: " << rules.toStdString();
        } else {
            ++tally.failures[code];
        }
    }
    return tally;
}

std::string describe(const Tally& t)
{
    std::string s = std::to_string(t.succeeded) + " succeeded";
    for (const auto& [code, n] : t.failures)
        s += ", " + std::to_string(n) + " x code " + std::to_string(code);
    return s;
}
}  // namespace

// Damaged replies are limited to the block trailer (block number and signature): the
// 32 data bytes of a block reply carry no check the PC could test them against.
TEST(DownloadReliability, LinkFaultsNeverGiveAWrongImage)
{
    const Tally t = downloadMany(20260105, {"drop", "unplug", "garble-end", "nak"});
    std::printf("[ reliability ] 50 downloads through link faults: %s\n", describe(t).c_str());
    EXPECT_GT(t.succeeded, 25);
    EXPECT_FALSE(t.failures.empty());
}
