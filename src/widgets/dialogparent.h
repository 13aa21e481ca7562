// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMdiArea;
class QWidget;

namespace kelvor {

class Program;

// The widget message boxes and dialogs hang from: the main window when there is one.
QWidget* DialogParent(const Program& program);
// The widget of the area's active MDI child (null when there is none).
QWidget* ActiveChild(const QMdiArea& area);

}  // namespace kelvor
