// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QStringList>

#include "export/seriescheck.h"

namespace kelvor {

// Green, red or amber, dark enough for a monochrome copy.
QColor VerdictColour(RuleVerdict verdict);
// "Profile "Lead-free reflow (SAC305)" (°C): 5 rules, 4 passed, 1 failed".
QString VerdictSummary(const SeriesCheck& check);
// The report's row of rule `i`: result, rule, channel, measured, limit, first violation
// (or why it could not be checked).
QStringList VerdictCells(const SeriesCheck& check, std::size_t i);

}  // namespace kelvor
