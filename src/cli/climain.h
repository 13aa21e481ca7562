// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace kelvor {

// The process around runCli, shared by kelvor-cli and its report writer: names,
// Ctrl-C and SIGTERM, the system clock, standard streams, sleeping pauses.
int RunCliProcess(QCoreApplication& app);

}  // namespace kelvor
