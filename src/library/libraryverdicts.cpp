// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryverdicts.h"

#include "export/seriescheck.h"
#include "library/libraryseries.h"

namespace kelvor {

namespace {

int severity(RuleVerdict v)
{
    return v == RuleVerdict::Failed ? 2 : v == RuleVerdict::CannotCheck || v == RuleVerdict::Pending ? 1 : 0;
}

LibraryVerdict check(const Library& library, const LibraryEntry& entry, const Clock& clock, const Profile& profile)
{
    const LibraryItemSeries item = SeriesOfLibraryItem(library, entry.id, 0, clock);
    if (!item.ok())
        return {RuleVerdict::CannotCheck, VerdictText(RuleVerdict::CannotCheck) + QStringLiteral(": ") + item.error};
    if (item.series.empty())
        return {RuleVerdict::CannotCheck, QStringLiteral("CANNOT CHECK: no data set")};
    RuleVerdict worst = RuleVerdict::Passed;
    std::vector<RuleVerdict> each;
    for (const ExportSeries& s : item.series) {
        each.push_back(CheckSeries(s, profile).verdict);
        if (severity(each.back()) > severity(worst))
            worst = each.back();
    }
    LibraryVerdict v{worst, VerdictText(worst)};
    if (each.size() > 1)
        v.text += QStringLiteral(" (%1 of %2 sets)").arg(std::count(each.begin(), each.end(), worst)).arg(each.size());
    return v;
}

}  // namespace

void LibraryVerdicts::setProfile(std::optional<Profile> profile)
{
    m_profile = std::move(profile);
    m_known.clear();
    m_checks = 0;
}

std::optional<LibraryVerdict> LibraryVerdicts::verdictOf(const Library& library, const LibraryEntry& entry,
                                                         const Clock& clock)
{
    if (!m_profile)
        return std::nullopt;
    const auto known = m_known.find(entry.id);
    if (known != m_known.end() && known->second.samples == entry.samples && known->second.end == entry.end &&
        known->second.state == entry.state)
        return known->second.verdict;
    ++m_checks;
    const LibraryVerdict v = check(library, entry, clock, *m_profile);
    m_known[entry.id] = {entry.samples, entry.end, entry.state, v};
    return v;
}

}  // namespace kelvor
