// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class Program;
class TfrmGraph;

// The graph windows the program knows by slot (program/graphwindows.h), with their type.
// Each is null while no such window is open.
TfrmGraph* RealTimeGraph(const Program& program);
TfrmGraph* LoggerGraph(const Program& program);
// The newest graph opened from a file, drawn from a table or opened from the library.
TfrmGraph* NewestFileGraph(const Program& program);

// Puts a new window in the slot its role gives it, in place of the one there before.
void EnrollGraph(Program& program, TfrmGraph& window);
// Takes a closing window out of its slot, unless a newer one holds it by now.
void WithdrawGraph(Program& program, const TfrmGraph& window);

}  // namespace kelvor
