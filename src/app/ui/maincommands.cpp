// SPDX-License-Identifier: GPL-3.0-or-later
// Placeholders: each command moves into its subsystem's own file when it is built.
#include "app/ui/maincommands.h"

namespace kelvor::commands {

void Open(TfrmMain&) {}
void Save(TfrmMain&) {}
void LoadData(TfrmMain&) {}
void OutputToGraph(TfrmMain&) {}

}  // namespace kelvor::commands
