// SPDX-License-Identifier: GPL-3.0-or-later
// Placeholders until the real backends land; each moves into its own file.
#include "meter/devicefactory.h"

namespace kelvor {

std::unique_ptr<MeterDevice> createSimDevice(const QString&, Clock&, QString* error)
{
    if (error) *error = QStringLiteral("the simulated meter is not built yet");
    return nullptr;
}

}  // namespace kelvor
