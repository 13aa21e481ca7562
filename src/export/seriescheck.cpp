// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/seriescheck.h"

#include "export/exportseries.h"
#include "profile/profilechecker.h"
#include "profile/runvalues.h"

namespace kelvor {

SeriesCheck CheckSeries(const ExportSeries& s, const Profile& profile, int channel)
{
    ProfileChecker checker(profile, channel);
    const QString& unit = checker.profile().unit;
    std::vector<double> seconds(s.times.size());
    std::vector<float> values(s.values.size());
    for (std::size_t i = 0; i < s.times.size(); ++i)
        seconds[i] = ProfileSeconds(s.times[i], s.times[0]);
    for (std::size_t i = 0; i < s.values.size(); ++i)
        values[i] = InProfileUnit(s.values[i], s.unit, unit);
    checker.add(seconds.data(), values.data(), seconds.size());
    checker.finish();
    SeriesCheck c;
    c.profile = checker.profile();
    c.results = checker.results();
    c.verdict = OverallVerdict(c.results);
    return c;
}

}  // namespace kelvor
