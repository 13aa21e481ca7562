// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/choice/devicechoice.h"

namespace kelvor {

QString MeterOptionsError(const QString& meterChoice, const QString& captureFile, bool captureGiven)
{
    const QString choice = meterChoice.isEmpty() ? QStringLiteral("usb") : meterChoice;
    const QString named = QStringLiteral("--meter=%1: ").arg(meterChoice);
    if (choice == QLatin1String("sim") || choice.startsWith(QLatin1String("sim:"))) {
        SimMeterConfig config;
        SimFaultPlan plan;
        QString why;
        if (!parseSimOptions(choice.mid(4), config, plan, &why))
            return named + why;
    } else if (choice.startsWith(QLatin1String("replay:"))) {
        if (choice.size() == 7)
            return named + QStringLiteral("replay needs the capture file, as replay:FILE");
    } else if (choice != QLatin1String("usb")) {
        return named + QStringLiteral("unknown meter '%1' (use usb, sim[:options] or replay:FILE)").arg(choice);
    }
    if (captureGiven && captureFile.isEmpty())
        return QStringLiteral("--capture needs a file name");
    return {};
}

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
