// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/choice/devicechoice.h"

namespace kelvor {

std::unique_ptr<MeterDevice> createDevice(const QString& meterChoice, const QString& captureFile,
                                          Clock& clock, QString* error)
{
    std::unique_ptr<MeterDevice> device;
    const QString choice = meterChoice.isEmpty() ? QStringLiteral("usb") : meterChoice;
    if (choice == QLatin1String("usb"))
        device = createUsbDevice(error);
    else if (choice == QLatin1String("sim") || choice.startsWith(QLatin1String("sim:")))
        device = createSimDevice(choice.mid(4), clock, error);
    else if (choice.startsWith(QLatin1String("replay:")))
        device = createReplayDevice(choice.mid(7), error);
    else if (error)
        *error = QStringLiteral("unknown meter '%1' (use usb, sim or replay:FILE)").arg(choice);
    if (device && !captureFile.isEmpty())
        device = wrapWithCapture(std::move(device), captureFile, error);
    return device;
}

}  // namespace kelvor
