// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/reportverdict.h"

namespace kelvor {

QColor VerdictColour(RuleVerdict verdict)
{
    switch (verdict) {
        case RuleVerdict::Passed:
            return QColor(0x1E, 0x6B, 0x2E);
        case RuleVerdict::Failed:
            return QColor(0xB0, 0x14, 0x20);
        case RuleVerdict::CannotCheck:
        case RuleVerdict::Pending:
            break;
    }
    return QColor(0x8A, 0x56, 0x00);
}

QString VerdictSummary(const SeriesCheck& check)
{
    int counts[4] = {};
    for (const RuleResult& r : check.results)
        ++counts[int(r.verdict)];
    QStringList parts{QStringLiteral("%1 rule%2")
                          .arg(check.results.size())
                          .arg(check.results.size() == 1 ? QString() : QStringLiteral("s"))};
    if (counts[int(RuleVerdict::Passed)])
        parts << QStringLiteral("%1 passed").arg(counts[int(RuleVerdict::Passed)]);
    if (counts[int(RuleVerdict::Failed)])
        parts << QStringLiteral("%1 failed").arg(counts[int(RuleVerdict::Failed)]);
    if (counts[int(RuleVerdict::CannotCheck)])
        parts << QStringLiteral("%1 could not be checked").arg(counts[int(RuleVerdict::CannotCheck)]);
    const QString name = check.profile.name.isEmpty() ? QStringLiteral("(unnamed)") : check.profile.name;
    return QStringLiteral("Profile \"%1\" (%2): %3").arg(name, check.profile.unit, parts.join(QStringLiteral(", ")));
}

QStringList VerdictCells(const SeriesCheck& check, std::size_t i)
{
    const RuleResult& r = check.results[i];
    const ProfileRule& rule = check.profile.rules[i];
    return {VerdictText(r.verdict), rule.name,   ProfileChannelName(rule.channel),
            r.measuredText,         r.limitText, ResultDetailText(r, check.profile.unit)};
}

}  // namespace kelvor
