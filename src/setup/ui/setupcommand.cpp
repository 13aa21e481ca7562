// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/maincommands.h"
#include "app/ui/tfrmmain.h"
#include "setup/ui/tfrmsetup.h"

namespace kelvor::commands {

void Setup(TfrmMain& main) { TfrmSetup::open(main.program(), main.mdiArea()); }

}  // namespace kelvor::commands
