// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

#include "profile/profile.h"

namespace kelvor {

struct ExportSeries;

// A stored run checked against a profile, for the texts that show the verdict (the
// report, the workbook, the command line).
struct SeriesCheck {
    Profile profile;  // as checked: every rule's channel is the one it was checked on
    std::vector<RuleResult> results;
    RuleVerdict verdict = RuleVerdict::CannotCheck;
};

// Checks the whole series against the profile, the way a live run is checked
// (profile/runvalues.h); channel 0..3 checks every rule on that channel.
SeriesCheck CheckSeries(const ExportSeries& series, const Profile& profile, int channel = -1);

}  // namespace kelvor
