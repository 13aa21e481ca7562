// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class TfrmMain;

// The main window's menu and tool bar commands that belong to other subsystems. Each
// is a free function so its subsystem defines it in its own file.
namespace commands {
void Open(TfrmMain& main);            // File > Open, SpeedButton1
void Save(TfrmMain& main);            // File > Save, SpeedButton2
void Print(TfrmMain& main);           // File > Print, btnPrint
void PrinterSetup(TfrmMain& main);    // File > Printer Setup
void LoadData(TfrmMain& main);        // Data Logger > Load, btnDataLogger
void Setup(TfrmMain& main);           // Data Logger > Setup
void OutputToGraph(TfrmMain& main);   // btnOutputToGraph
void Run(TfrmMain& main);             // Real Time > Run, btnRun
void Stop(TfrmMain& main);            // Real Time > Stop, btnStop
}  // namespace commands

}  // namespace kelvor
