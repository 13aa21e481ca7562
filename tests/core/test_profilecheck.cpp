// SPDX-License-Identifier: GPL-3.0-or-later
// Each rule kind against hand-computed runs, and whole runs against plain scans.
#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <random>

#include "profile/profilechecker.h"
#include "profile/profilereader.h"

using namespace kelvor;

namespace {

constexpr float kGap = 9999.0f;
const double kNone = std::nan("");

struct Sample {
    double t;
    float v;  // on T1; the other channels stay at 20.0
};

Profile profileOf(const QByteArray& rule)
{
    const Result<Profile> p = ParseProfile("{\"kelvorProfile\": 1, \"rules\": [" + rule + "]}", QStringLiteral("t"));
    EXPECT_TRUE(p.ok()) << p.error().toStdString();
    return p.ok() ? p.value() : Profile{};
}

RuleResult checkRun(const QByteArray& rule, const std::vector<Sample>& run, bool oneByOne = false)
{
    ProfileChecker checker(profileOf(rule));
    std::vector<double> times;
    std::vector<float> values;
    for (const Sample& s : run) {
        times.push_back(s.t);
        values.insert(values.end(), {s.v, 20.0f, 20.0f, 20.0f});
    }
    if (oneByOne) {
        for (std::size_t i = 0; i < run.size(); ++i)
            checker.add(times[i], {values[4 * i], 20.0f, 20.0f, 20.0f});
    } else {
        checker.add(times.data(), values.data(), times.size());
    }
    checker.finish();
    return checker.results().at(0);
}

// Every 10 s from `from` to `to` at value v.
std::vector<Sample> flat(double from, double to, float v)
{
    std::vector<Sample> run;
    for (double t = from; t <= to + 1e-9; t += 10)
        run.push_back({t, v});
    return run;
}

std::vector<Sample> operator+(std::vector<Sample> a, const std::vector<Sample>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Case {
    const char* what;
    QByteArray rule;
    std::vector<Sample> run;
    RuleVerdict verdict;
    double measured;       // kNone: not compared
    double violationAt;    // kNone: no violation
    float violationValue;  // kGap: the violation fell in a gap
};

const QByteArray kBandLine = R"({"kind": "band", "upper": [[0, 100], [100, 200]]})";
const QByteArray kReference = R"({"kind": "band", "reference": [[0, 20], [10, 30]], "tolerance": 2})";
const QByteArray kLevel = R"({"kind": "band", "upper": [[0, 50]]})";
const QByteArray kRise = R"({"kind": "rate", "direction": "rise", "maxPerSecond": 1})";
const QByteArray kRiseWindow = R"({"kind": "rate", "direction": "rise", "maxPerSecond": 1, "windowSeconds": 10})";
const QByteArray kRiseShortWindow = R"({"kind": "rate", "direction": "rise", "maxPerMinute": 60, "windowSeconds": 1})";
const QByteArray kFall = R"({"kind": "rate", "direction": "fall", "maxPerSecond": 1})";
const QByteArray kAbove60 = R"({"kind": "dwell", "above": 217, "minSeconds": 60})";
const QByteArray kAbove70 = R"({"kind": "dwell", "above": 217, "minSeconds": 70})";
const QByteArray kAboveAtMost30 = R"({"kind": "dwell", "above": 217, "maxSeconds": 30})";
const QByteArray kSoak = R"({"kind": "dwell", "between": [840, 860], "minSeconds": 30, "maxSeconds": 40})";
const QByteArray kPeak = R"({"kind": "peak", "min": 235, "max": 250, "beforeSeconds": 300})";
const QByteArray kPeakAtLeast = R"({"kind": "peak", "min": 235})";
// A dwell beside a peak due by 300 s: the profile runs to 300 s.
const QByteArray kAbove60ThenPeak = kAbove60 + ", " + kPeak;
const QByteArray kCooling = R"({"kind": "cooling", "from": 57, "stages": [
    {"to": 21, "withinMinutes": 120}, {"to": 5, "withinMinutes": 240}]})";

// The gap inside: 0..50 s and 70..130 s above 217, then below it.
const std::vector<Sample> kBrokenDwell =
    flat(0, 50, 220) + std::vector<Sample>{{60, kGap}} + flat(70, 130, 220) + std::vector<Sample>{{140, 200}};

const std::vector<Case> kCases = {
    {"band: on the curve at both ends and between",
     kBandLine,
     {{0, 100}, {50, 150}, {100, 200}},
     RuleVerdict::Passed,
     0.0,
     kNone,
     0},
    {"band: a tenth over between points",
     kBandLine,
     {{0, 100}, {50, 150.1f}, {100, 100}},
     RuleVerdict::Failed,
     kNone,
     50,
     150.1f},
    {"band: reference plus tolerance is the limit",
     kReference,
     {{0, 18}, {5, 27}, {10, 32}},
     RuleVerdict::Passed,
     0.0,
     kNone,
     0},
    {"band: below reference minus tolerance",
     kReference,
     {{0, 20}, {5, 22.9f}, {10, 30}},
     RuleVerdict::Failed,
     kNone,
     5,
     22.9f},
    {"band: a single point is a level for the whole run",
     kLevel,
     {{0, 10}, {500, 50}},
     RuleVerdict::Passed,
     0.0,
     kNone,
     0},
    {"band: a single point, exceeded late", kLevel, {{0, 10}, {500, 50.5f}}, RuleVerdict::Failed, 0.5, 500, 50.5f},
    {"band: a run shorter than the band", kBandLine, {{0, 100}, {50, 120}}, RuleVerdict::CannotCheck, kNone, kNone, 0},
    {"band: only gaps under the band", kBandLine, {{0, kGap}, {100, kGap}}, RuleVerdict::CannotCheck, kNone, kNone, 0},
    {"band: a gap beyond the curve is no violation",
     kBandLine,
     {{0, 100}, {50, kGap}, {100, 150}},
     RuleVerdict::Passed,
     kNone,
     kNone,
     0},

    {"rate: exactly at the limit", kRise, {{0, 20}, {1, 21}, {2, 22}}, RuleVerdict::Passed, 1.0, kNone, 0},
    {"rate: in tenths at the limit",
     R"({"kind": "rate", "direction": "rise", "maxPerSecond": 0.1})",
     {{0, 20.1f}, {1, 20.2f}, {2, 20.3f}},
     RuleVerdict::Passed,
     kNone,
     kNone,
     0},
    {"rate: too fast on the last step", kRise, {{0, 20}, {1, 21}, {2, 22.5f}}, RuleVerdict::Failed, 1.5, 2, 22.5f},
    {"rate: the window evens out a spike", kRiseWindow,
     flat(0, 0, 20) + std::vector<Sample>{{5, 23}, {10, 20}, {15, 20}, {20, 21}}, RuleVerdict::Passed, 0.1, kNone, 0},
    {"rate: window shorter than the interval takes the next sample",
     kRiseShortWindow,
     {{0, 20}, {5, 25}, {10, 31}},
     RuleVerdict::Failed,
     72.0,
     10,
     31},
    {"rate: no pair across a gap", kRise, {{0, 20}, {1, kGap}, {2, 25}}, RuleVerdict::CannotCheck, kNone, kNone, 0},
    {"rate: pairs after a gap count",
     kRise,
     {{0, 20}, {1, kGap}, {2, 25}, {3, 26}},
     RuleVerdict::Passed,
     1.0,
     kNone,
     0},
    {"rate: a fall too fast", kFall, {{0, 100}, {1, 99}, {2, 97}}, RuleVerdict::Failed, 2.0, 2, 97},

    {"dwell: a gap breaks the stretch, the second is long enough", kAbove60, kBrokenDwell, RuleVerdict::Passed, 60,
     kNone, 0},
    {"dwell: a gap breaks the stretch, neither is long enough", kAbove70, kBrokenDwell, RuleVerdict::Failed, 60, kNone,
     0},
    {"dwell: exactly on the temperature counts as within", kAbove60, flat(0, 60, 217) + flat(70, 70, 216.9f),
     RuleVerdict::Passed, 60, kNone, 0},
    {"dwell: too long, failed where it passes the limit", kAboveAtMost30, flat(0, 50, 220), RuleVerdict::Failed, kNone,
     40, 220},
    {"dwell: exactly the longest allowed", kAboveAtMost30, flat(0, 30, 220) + flat(40, 40, 100), RuleVerdict::Passed,
     30, kNone, 0},
    {"dwell: the run ends inside a stretch too short so far", kAbove60, flat(0, 40, 220), RuleVerdict::CannotCheck, 40,
     kNone, 0},
    // Runs shorter than the profile: never within the range is no failure before the
    // profile's length (the dwell's own 60 s, or the peak's 300 s beside it).
    {"dwell: never within the range, the run shorter than its time", kAbove60, flat(0, 0, 25) + flat(8, 8, 25),
     RuleVerdict::CannotCheck, 0, kNone, 0},
    {"dwell: never within the range, the run exactly its time", kAbove60, flat(0, 60, 25), RuleVerdict::Failed, 0,
     kNone, 0},
    {"dwell: never within the range, the run ends before the profile's peak is due", kAbove60ThenPeak, flat(0, 290, 25),
     RuleVerdict::CannotCheck, 0, kNone, 0},
    {"dwell: never within the range though the run lasts the profile", kAbove60ThenPeak, flat(0, 300, 25),
     RuleVerdict::Failed, 0, kNone, 0},
    {"dwell: within the range and out again too soon, on a run shorter than its time", kAbove60ThenPeak,
     flat(0, 10, 220) + flat(20, 20, 200), RuleVerdict::Failed, 10, kNone, 0},
    {"dwell: between two temperatures", kSoak, flat(0, 0, 800) + flat(10, 40, 850) + flat(50, 50, 870),
     RuleVerdict::Passed, 30, kNone, 0},

    {"peak: within the range and in time",
     kPeak,
     {{0, 20}, {200, 245}, {400, 100}},
     RuleVerdict::Passed,
     245,
     kNone,
     0},
    {"peak: exactly the highest allowed", kPeak, {{0, 20}, {200, 250}, {400, 100}}, RuleVerdict::Passed, 250, kNone, 0},
    {"peak: a tenth over", kPeak, {{0, 20}, {200, 250.1f}, {400, 100}}, RuleVerdict::Failed, kNone, 200, 250.1f},
    {"peak: the maximum comes late", kPeak, {{0, 20}, {200, 240}, {310, 245}}, RuleVerdict::Failed, 245, 310, 245},
    {"peak: not reached by its time", kPeak, {{0, 20}, {300, 230}, {320, 230}}, RuleVerdict::Failed, kNone, 320, 230},
    {"peak: the run ends before its time", kPeak, {{0, 20}, {200, 230}}, RuleVerdict::CannotCheck, 230, kNone, 0},
    {"peak: the run ends at its highest before its time",
     kPeak,
     {{0, 20}, {200, 240}},
     RuleVerdict::CannotCheck,
     240,
     kNone,
     0},
    {"peak: within the range and come down from it before its time",
     kPeak,
     {{0, 20}, {200, 245}, {250, 244.9f}},
     RuleVerdict::Passed,
     245,
     kNone,
     0},
    {"peak: no time of its own, below the range before the profile's length",
     kPeakAtLeast + ", " + kAbove60,
     {{0, 20}, {50, 100}},
     RuleVerdict::CannotCheck,
     100,
     kNone,
     0},
    {"peak: no time of its own, below the range at the profile's length",
     kPeakAtLeast + ", " + kAbove60,
     {{0, 20}, {60, 100}},
     RuleVerdict::Failed,
     100,
     kNone,
     0},

    {"cooling: each stage exactly at its time",
     kCooling,
     {{0, 60}, {600, 57}, {7800, 21}, {22200, 5}},
     RuleVerdict::Passed,
     21600,
     kNone,
     0},
    {"cooling: the first stage a second late",
     kCooling,
     {{0, 60}, {600, 57}, {7801, 21}},
     RuleVerdict::Failed,
     kNone,
     7801,
     21},
    {"cooling: the deadline passes in a gap",
     kCooling,
     {{0, 60}, {600, 50}, {8000, kGap}},
     RuleVerdict::Failed,
     kNone,
     8000,
     kGap},
    {"cooling: never above the start", kCooling, {{0, 50}, {600, 20}}, RuleVerdict::CannotCheck, kNone, kNone, 0},
    {"cooling: never fell to its start", kCooling, {{0, 60}, {600, 58}}, RuleVerdict::CannotCheck, kNone, kNone, 0},
    {"cooling: the run ends within the first stage",
     kCooling,
     {{0, 60}, {600, 50}, {3000, 30}},
     RuleVerdict::CannotCheck,
     kNone,
     kNone,
     0},
    {"cooling: the run ends within the second stage",
     kCooling,
     {{0, 60}, {600, 50}, {4000, 20}, {9000, 10}},
     RuleVerdict::CannotCheck,
     kNone,
     kNone,
     0},
};

TEST(ProfileCheck, HandComputedCases)
{
    for (const Case& c : kCases) {
        for (const bool oneByOne : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (oneByOne ? " (one sample at a time)" : ""));
            const RuleResult r = checkRun(c.rule, c.run, oneByOne);
            EXPECT_EQ(VerdictText(r.verdict), VerdictText(c.verdict)) << r.reason.toStdString();
            if (!std::isnan(c.measured)) {
                EXPECT_NEAR(r.measured, c.measured, 1e-4) << r.measuredText.toStdString();
            }
            EXPECT_EQ(r.violated, !std::isnan(c.violationAt));
            if (r.violated && !std::isnan(c.violationAt)) {
                EXPECT_DOUBLE_EQ(r.violationSeconds, c.violationAt);
                if (c.violationValue == kGap) {
                    EXPECT_TRUE(std::isnan(r.violationValue));
                } else {
                    EXPECT_FLOAT_EQ(float(r.violationValue), c.violationValue);
                }
            }
            EXPECT_FALSE(r.limitText.isEmpty());
        }
    }
}

// An 8 s run of a cold oven against the shipped reflow example: nothing it recorded breaks
// a rule, and what the profile asks for later was never recorded (not even a rate: its
// 10 s window is longer than the run).
TEST(ProfileCheck, ShortRunOfTheReflowExampleCannotBeChecked)
{
    const Result<Profile> reflow = ReadProfileFile(QStringLiteral(KELVOR_PROFILES_DIR "/leadfree-reflow.json"));
    ASSERT_TRUE(reflow.ok()) << reflow.error().toStdString();
    ProfileChecker checker(reflow.value());
    for (int t = 0; t <= 8; ++t)
        checker.add(t, {25.0f + 0.1f * float(t), 20, 20, 20});
    checker.finish();
    QStringList got;
    for (const RuleResult& r : checker.results())
        got << VerdictText(r.verdict);
    // ramp up, soak, time above liquidus, peak, ramp down
    EXPECT_EQ(got.join(QLatin1Char('/')).toStdString(),
              "CANNOT CHECK/CANNOT CHECK/CANNOT CHECK/CANNOT CHECK/CANNOT CHECK");
    EXPECT_EQ(checker.verdict(), RuleVerdict::CannotCheck);
    EXPECT_EQ(checker.results()[1].reason.toStdString(),
              "the run ends at 8 s without reaching the range, before the profile's 360 s");
    EXPECT_EQ(checker.results()[3].reason.toStdString(),
              "the run ends at 8 s, below the range, before the peak is due (360 s)");
}

// While the run goes on a rule is pending until it is decided, and a failure shows at
// the sample that made it.
TEST(ProfileCheck, LiveStatesChangeAsSamplesArrive)
{
    ProfileChecker checker(profileOf(kAbove60 + ", " + kPeak));
    const auto states = [&] {
        const std::vector<RuleResult> r = checker.results();
        return VerdictText(r[0].verdict) + QLatin1Char('/') + VerdictText(r[1].verdict);
    };
    checker.add(0, {220, 20, 20, 20});
    EXPECT_EQ(states(), QStringLiteral("PENDING/PENDING"));
    checker.add(60, {240, 20, 20, 20});
    EXPECT_EQ(states(), QStringLiteral("PASS/PENDING"));
    checker.add(70, {255, 20, 20, 20});
    EXPECT_EQ(states(), QStringLiteral("PASS/FAIL"));
    EXPECT_EQ(VerdictText(checker.verdict()), QStringLiteral("FAIL"));
}

// Out of order, too far apart: a gap, so a dwell does not run across it.
TEST(ProfileCheck, DisorderAndLongStepsAreGaps)
{
    Profile p = profileOf(kAbove60);
    ProfileChecker plain(p);
    p.maxSpacingSeconds = 15;
    ProfileChecker spaced(p);
    const std::vector<double> t = {0, 10, 5, 40, 70};
    const std::vector<float> v = {220, 20, 20, 20, 220, 20, 20, 20, 220, 20, 20, 20, 220, 20, 20, 20, 220, 20, 20, 20};
    for (ProfileChecker* c : {&plain, &spaced}) {
        c->add(t.data(), v.data(), t.size());
        c->add(50, {220, 20, 20, 20});  // before the last: dropped, breaks the stretch
        c->add(80, {220, 20, 20, 20});
        c->finish();
    }
    EXPECT_DOUBLE_EQ(plain.results()[0].measured, 30);   // 40..70: the disordered 5 s ended 0..10
    EXPECT_DOUBLE_EQ(spaced.results()[0].measured, 10);  // 0..10: the 30 s steps break 40..70
}

TEST(ProfileCheck, ChannelChosenForEveryRule)
{
    ProfileChecker t1(profileOf(kLevel)), t3(profileOf(kLevel), 2);
    for (ProfileChecker* c : {&t1, &t3}) {
        c->add(0, {20, 20, 60, 20});
        c->finish();
    }
    EXPECT_EQ(t1.verdict(), RuleVerdict::Passed);
    EXPECT_EQ(t3.verdict(), RuleVerdict::Failed);
}

// Random runs with gaps: the measured values are what a plain scan of the samples finds,
// and one sample at a time gives what the whole run gives.
TEST(ProfileCheck, RandomRunsMatchPlainScans)
{
    std::mt19937 random(31);
    const QByteArray rules = R"({"kind": "peak", "max": 1000},
        {"kind": "dwell", "between": [40, 60], "minSeconds": 1},
        {"kind": "rate", "direction": "rise", "maxPerSecond": 1000},
        {"kind": "band", "upper": [[0, 200]]})";
    for (int round = 0; round < 40; ++round) {
        const int n = 1 + int(random() % 400);
        std::vector<double> t(static_cast<size_t>(n));
        std::vector<float> v(4 * size_t(n), 20.0f);
        double now = 0;
        float y = 50;
        for (int i = 0; i < n; ++i) {
            now += 0.5 + (random() % 20) / 4.0;
            y += float(int(random() % 41) - 20) / 10.0f;
            t[size_t(i)] = now;
            v[4 * size_t(i)] = random() % 13 == 0 ? kGap : y;
        }
        // The plain scans.
        double peak = -1e9, longest = 0, fastest = -1e9, worst = -1e9;
        double start = 0;
        bool inside = false, dwelt = false;
        for (int i = 0; i < n; ++i) {
            const float x = v[4 * size_t(i)];
            if (x == kGap) {
                inside = false;
                continue;
            }
            peak = std::max(peak, double(x));
            worst = std::max(worst, double(x) - 200);
            if (i > 0 && v[4 * size_t(i - 1)] != kGap)
                fastest = std::max(fastest, (double(x) - v[4 * size_t(i - 1)]) / (t[size_t(i)] - t[size_t(i - 1)]));
            if (x >= 40 && x <= 60) {
                if (!inside)
                    start = t[size_t(i)];
                inside = dwelt = true;
                longest = std::max(longest, t[size_t(i)] - start);
            } else {
                inside = false;
            }
        }
        ProfileChecker whole(profileOf(rules)), single(profileOf(rules));
        whole.add(t.data(), v.data(), size_t(n));
        for (int i = 0; i < n; ++i)
            single.add(t[size_t(i)], {v[4 * size_t(i)], 20, 20, 20});
        whole.finish();
        single.finish();
        const std::vector<RuleResult> a = whole.results(), b = single.results();
        SCOPED_TRACE(round);
        if (peak > -1e9) {
            EXPECT_FLOAT_EQ(float(a[0].measured), float(peak));
            EXPECT_NEAR(a[3].measured, worst, 1e-4);
        }
        if (dwelt) {
            EXPECT_DOUBLE_EQ(a[1].measured, longest);
        }
        if (fastest > -1e9) {
            EXPECT_NEAR(a[2].measured, fastest, 1e-9);
        } else {
            EXPECT_EQ(a[2].verdict, RuleVerdict::CannotCheck);
        }
        for (std::size_t r = 0; r < a.size(); ++r) {
            EXPECT_EQ(a[r].verdict, b[r].verdict);
            EXPECT_EQ(a[r].measuredText, b[r].measuredText);
        }
    }
}

}  // namespace
