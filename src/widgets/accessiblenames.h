// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

// Gives every button below `root` that has none an accessible name: its text without
// the mnemonic "&", else its tool tip. A screen reader then says what an icon-only tool
// button does.
void NameButtonsForAccessibility(QWidget& root);

}  // namespace kelvor
