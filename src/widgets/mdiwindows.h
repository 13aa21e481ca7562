// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace kelvor {

// Placing the main window's child windows so they stay inside its client area, whatever
// the screen: a window keeps its size and place where they fit, otherwise it shrinks
// (never below its minimum size) and then moves until it fits.

// The MDI frame of a child window; null when the window is not in an MDI area.
QMdiSubWindow* MdiFrameOf(const QWidget* child);

// Returns a child window to its normal state, puts it above the others and makes it
// the active window.
void BringForward(QWidget* child);

void FitIntoArea(QMdiSubWindow& frame);

// Window > Tile and Window > Cascade. Only the children move; the main window keeps its
// size however large their minimum sizes are.
void TileWindows(QMdiArea& area);
void CascadeWindows(QMdiArea& area);

}  // namespace kelvor
