// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

class Program;

// File > Print and btnPrint on the main window's active child. Only tables and graphs
// print; the front panel, the setup window or no window at all leave it without effect.
void PrintActiveWindow(Program& program, QWidget* child);

}  // namespace kelvor
