// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace kelvor {

// True when bytes are a whole PDF file as a writer finishes it: the header first, and
// last the offset of the cross-reference table, which must point at that table. A file
// cut short, or missing a stretch in the middle, fails.
bool IsCompletePdf(const QByteArray& bytes);

}  // namespace kelvor
