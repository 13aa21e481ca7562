// SPDX-License-Identifier: GPL-3.0-or-later
// Profiles read from their JSON text, and the messages that point at what is wrong.
#include <gtest/gtest.h>

#include "profile/profilereader.h"

using namespace kelvor;

namespace {

TEST(ProfileReader, ReadsEveryRuleKind)
{
    const Result<Profile> p = ParseProfile(R"({
  "kelvorProfile": 1, "name": "Oven", "unit": "F", "channel": "T2", "maxSpacingSeconds": 30,
  "rules": [
    {"kind": "band", "reference": [[0, 100], [60, 200]], "tolerance": 5},
    {"kind": "rate", "channel": "t4", "direction": "fall", "maxPerMinute": 6, "windowSeconds": 10,
     "fromSeconds": 60, "untilSeconds": 120},
    {"kind": "dwell", "name": "soak", "between": [140, 160], "minSeconds": 60, "maxSeconds": 90},
    {"kind": "peak", "min": 235, "beforeSeconds": 300},
    {"kind": "cooling", "from": 57, "stages": [{"to": 21, "withinMinutes": 120}, {"to": 5, "withinSeconds": 60}]}
  ]
})",
                                           QStringLiteral("oven.json"));
    ASSERT_TRUE(p.ok()) << p.error().toStdString();
    EXPECT_EQ(p->unit, QStringLiteral("°F"));
    EXPECT_EQ(p->maxSpacingSeconds, 30);
    ASSERT_EQ(p->rules.size(), 5u);
    const ProfileRule& band = p->rules[0];
    EXPECT_EQ(band.channel, 1);
    EXPECT_EQ(band.line, 4);
    EXPECT_EQ(band.name, QStringLiteral("band 1"));
    ASSERT_EQ(band.upper.size(), 2u);
    EXPECT_EQ(band.upper[1].value, 205);
    EXPECT_EQ(band.lower[0].value, 95);
    const ProfileRule& rate = p->rules[1];
    EXPECT_EQ(rate.channel, 3);
    EXPECT_FALSE(rate.rise);
    EXPECT_DOUBLE_EQ(rate.maxPerSecond, 0.1);
    EXPECT_EQ(rate.untilSeconds, 120);
    EXPECT_EQ(p->rules[2].name, QStringLiteral("soak"));
    EXPECT_EQ(p->rules[2].line, 7);
    EXPECT_EQ(p->rules[3].peakMax, kNoLimit);
    ASSERT_EQ(p->rules[4].stages.size(), 2u);
    EXPECT_EQ(p->rules[4].stages[0].withinSeconds, 7200);
    EXPECT_EQ(p->rules[4].stages[1].withinSeconds, 60);
}

// Each message names the file, the line, and the rule and field where there is one.
TEST(ProfileReader, MessagesNameLineRuleAndField)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"{\n  \"kelvorProfile\": 1,\n  \"rules\": [\n    {\"kind\": \"peak\", \"max\": 250,}\n  ]\n}",
         "\"p.json\" is not a profile: line 4:34: "},
        {"[1, 2]", "\"p.json\" is not a profile: it must be one JSON object"},
        {"{\"kelvorProfile\": 2, \"rules\": []}", "\"p.json\", line 1: \"kelvorProfile\" must be 1"},
        {"{\"kelvorProfile\": 1,\n \"rules\": []}", "\"p.json\", line 2: \"rules\" must hold 1 to 1000 rules"},
        {"{\"kelvorProfile\": 1, \"rules\": [\n{\"kind\": \"peak\", \"max\": 250},\n{\"kind\": \"dwell\",\n "
         "\"above\": 217,\n \"minSeconds\": -5}]}",
         "\"p.json\", line 5: rule 2: \"minSeconds\" must be 0 or more"},
        {"{\"kelvorProfile\": 1, \"rules\": [\n{\"kind\": \"peek\", \"max\": 250}]}",
         "\"p.json\", line 2: rule 1: \"kind\" must be"},
        {"{\"kelvorProfile\": 1, \"rules\": [\n{\"kind\": \"peak\",\n \"maxx\": 250}]}",
         "\"p.json\", line 3: rule 1: unknown field \"maxx\""},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"band\", \"upper\": [\n[0, 1],\n[0, 2]]}]}",
         "\"p.json\", line 3: rule 1: point 2 of \"upper\": the times must rise from 0 on"},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"band\"}]}",
         "\"p.json\", line 1: rule 1: a band needs \"upper\", \"lower\" or \"reference\""},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"cooling\", \"from\": 57, \"stages\": [\n{\"to\": 60, "
         "\"withinMinutes\": 5}]}]}",
         "\"p.json\", line 2: rule 1: stage 1 must end below where it starts"},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"rate\", \"direction\": \"rise\"}]}",
         "rule 1: a rate needs one of \"maxPerSecond\" and \"maxPerMinute\""},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"dwell\", \"above\": 1, \"below\": 2, \"minSeconds\": 1}]}",
         "rule 1: a dwell needs one of \"above\", \"below\" and \"between\""},
        {"{\"kelvorProfile\": 1, \"rules\": [{\"kind\": \"peak\", \"min\": 250, \"max\": 240}]}",
         "rule 1: \"max\" is less than \"min\""},
        {"{\"kelvorProfile\": 1, \"channel\": \"T5\", \"rules\": [{\"kind\": \"peak\", \"max\": 1}]}",
         "line 1: \"channel\" must be T1, T2, T3 or T4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Result<Profile> p = ParseProfile(c.text, QStringLiteral("p.json"));
        ASSERT_FALSE(p.ok());
        EXPECT_TRUE(p.error().contains(QString::fromUtf8(c.message))) << p.error().toStdString();
    }
}

TEST(ProfileReader, RefusesWhatIsNoProfileFile)
{
    EXPECT_TRUE(ReadProfileFile(QStringLiteral("/nonexistent/p.json")).error().contains(QStringLiteral("not a file")));
    EXPECT_TRUE(ReadProfileFile(QStringLiteral("/dev/zero")).error().contains(QStringLiteral("not a file")));
}

}  // namespace
