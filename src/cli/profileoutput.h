// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <optional>
#include <vector>

#include "profile/profile.h"

namespace kelvor {

class CliContext;

// The exit status of a run that failed its profile.
inline constexpr int kCliCheckFailed = 3;

// --profile P and --channel T, for the commands that check a run against a profile.
extern const QCommandLineOption kProfileOption;
extern const QCommandLineOption kProfileChannelOption;

// The channel of --channel (0..3), -1 when it is not given; false after saying it is no channel.
bool ProfileChannelFromArgs(CliContext& ctx, int& channel);
// The profile of --profile (none when it is not given) and the channel of --channel: kCliOk,
// else the exit status after saying what is wrong (2 for the command line, 1 for the file).
int ProfileFromArgs(CliContext& ctx, std::optional<Profile>& profile, int& channel);

// A header and one tab-separated row per rule, then "Verdict: PASS|FAIL|CANNOT CHECK".
void PrintProfileResults(CliContext& ctx, const Profile& p, const std::vector<RuleResult>& results,
                         RuleVerdict verdict);
// The same as one JSON object (docs/profiles.md); not indented: on one line.
void PrintProfileJson(CliContext& ctx, const Profile& p, const std::vector<RuleResult>& results, RuleVerdict verdict,
                      const QString& run, bool indented = true);

// 0 PASS, 3 FAIL, 1 anything else.
int VerdictExitCode(RuleVerdict verdict);

}  // namespace kelvor
