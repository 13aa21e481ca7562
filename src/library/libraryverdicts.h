// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "library/librarytypes.h"
#include "profile/profile.h"

namespace kelvor {

class Clock;
class Library;

// One library item's verdict against the profile: a download's is the worst of its data
// sets' (FAIL, then CANNOT CHECK, then PASS).
struct LibraryVerdict {
    RuleVerdict verdict = RuleVerdict::CannotCheck;
    QString text;  // "PASS", "FAIL (2 of 3 sets)", "CANNOT CHECK: <why the item cannot be read>"
};

// The verdicts of library items against one profile, worked out when first asked and
// kept in memory: the library stores none, so its schema stays as it is and a changed
// profile file needs nothing migrated. An item is checked again only when it changed
// (its samples, end or state moved, as a run that still records does).
class LibraryVerdicts {
public:
    // Forgets every verdict; no profile: nothing is checked.
    void setProfile(std::optional<Profile> profile);
    const std::optional<Profile>& profile() const { return m_profile; }

    // The item's verdict (checked now unless known for the item as it is); none without a profile.
    std::optional<LibraryVerdict> verdictOf(const Library& library, const LibraryEntry& entry, const Clock& clock);
    // How many times an item was read and checked since the profile was set.
    int checks() const { return m_checks; }

private:
    struct Known {
        std::int64_t samples;
        double end;
        QString state;
        LibraryVerdict verdict;
    };
    std::optional<Profile> m_profile;
    std::unordered_map<std::int64_t, Known> m_known;
    int m_checks = 0;
};

}  // namespace kelvor
