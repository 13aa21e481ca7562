// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the profile reader. Whatever it accepts is checked against a
// short run with gaps, and once the run has ended no rule may still be pending.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "profile/profilechecker.h"
#include "profile/profilereader.h"

using namespace kelvor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<Profile> profile = ParseProfile(bytes, QStringLiteral("fuzz.json"));
    if (!profile.ok()) {
        if (profile.error().isEmpty())
            std::abort();
        return 0;
    }
    ProfileChecker checker(profile.value());
    for (int i = 0; i < 200; ++i) {
        const float v = i % 17 == 5 ? 9999.0f : float(20 + (i * 7) % 240);
        checker.add(i * 2.5, {v, v - 10, -1e30f, v});
    }
    checker.add(10.0, {1, 2, 3, 4});  // out of order
    checker.finish();
    for (const RuleResult& r : checker.results())
        if (r.verdict == RuleVerdict::Pending || r.limitText.isEmpty())
            std::abort();
    return 0;
}
