// SPDX-License-Identifier: GPL-3.0-or-later
// Placeholders until the real backends land; each moves into its own file.
#include "meter/devicefactory.h"

namespace kelvor {

std::unique_ptr<MeterDevice> createUsbDevice(QString* error)
{
    if (error) *error = QStringLiteral("the usb backend is not built yet");
    return nullptr;
}
std::unique_ptr<MeterDevice> createSimDevice(const QString&, Clock&, QString* error)
{
    if (error) *error = QStringLiteral("the simulated meter is not built yet");
    return nullptr;
}
std::unique_ptr<MeterDevice> createReplayDevice(const QString&, QString* error)
{
    if (error) *error = QStringLiteral("replay is not built yet");
    return nullptr;
}
std::unique_ptr<MeterDevice> wrapWithCapture(std::unique_ptr<MeterDevice> inner, const QString&, QString*)
{
    return inner;
}

}  // namespace kelvor
