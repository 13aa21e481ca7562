// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/choice/devicechoice.h"

namespace kelvor {

namespace {

bool isUsb(const QString& choice) { return choice == QLatin1String("usb") || choice.startsWith(QLatin1String("usb:")); }
bool isSim(const QString& choice) { return choice == QLatin1String("sim") || choice.startsWith(QLatin1String("sim:")); }

}  // namespace

bool IsRemoteMeterChoice(const QString& meterChoice)
{
    return meterChoice.startsWith(QLatin1String("mqtt://"), Qt::CaseInsensitive) ||
           meterChoice.startsWith(QLatin1String("mqtts://"), Qt::CaseInsensitive);
}

QString MeterOptionsError(const QString& meterChoice, const QString& captureFile, bool captureGiven)
{
    const QString choice = meterChoice.isEmpty() ? QStringLiteral("usb") : meterChoice;
    const QString named = QStringLiteral("--meter=%1: ").arg(meterChoice);
    if (IsRemoteMeterChoice(choice)) {
        // Its address is read by the command that reads it.
        if (captureGiven)
            return QStringLiteral("--capture logs the exchanges with a meter on this computer, not a remote one");
    } else if (isSim(choice)) {
        SimMeterConfig config;
        SimFaultPlan plan;
        QString why;
        if (!parseSimOptions(choice.mid(4), config, plan, &why))
            return named + why;
    } else if (choice.startsWith(QLatin1String("replay:"))) {
        if (choice.size() == 7)
            return named + QStringLiteral("replay needs the capture file, as replay:FILE");
    } else if (isUsb(choice)) {
        if (choice.size() == 4)
            return named + QStringLiteral(
                               "give the meter's serial, as usb:SERIAL (kelvor-cli probe --list shows "
                               "the serials)");
    } else {
        return named + QStringLiteral(
                           "unknown meter '%1' (use usb, usb:SERIAL, sim[:options], replay:FILE or mqtt://HOST/PREFIX)")
                           .arg(choice);
    }
    if (captureGiven && captureFile.isEmpty())
        return QStringLiteral("--capture needs a file name");
    return {};
}

namespace {

// The serial a choice names, or an empty text where it names no particular meter.
QString serialNamed(const QString& choice)
{
    if (isUsb(choice))
        return choice.mid(4);
    if (isSim(choice)) {
        SimMeterConfig config;
        SimFaultPlan plan;
        parseSimOptions(choice.mid(4), config, plan, nullptr);
        return config.serial.isEmpty() ? QStringLiteral("sim seed %1").arg(config.seed) : config.serial;
    }
    return choice;  // a replay: its file; a remote meter: its address
}

}  // namespace

QString MeterListError(const QStringList& meterChoices, const QString& captureFile, bool captureGiven)
{
    if (meterChoices.size() <= 1)
        return MeterOptionsError(meterChoices.value(0), captureFile, captureGiven);
    if (meterChoices.size() > kMaxMeters)
        return QStringLiteral("--meter: one run reads at most %1 meters, not %2")
            .arg(kMaxMeters)
            .arg(meterChoices.size());
    if (captureGiven)
        return QStringLiteral("--capture logs the exchanges of one meter; give one --meter with it");
    QStringList serials;
    for (const QString& choice : meterChoices) {
        if (const QString bad = MeterOptionsError(choice, QString(), false); !bad.isEmpty())
            return bad;
        const QString kind = choice.isEmpty() ? QStringLiteral("usb") : choice;
        if (kind == QLatin1String("usb"))
            return QStringLiteral(
                "--meter=usb: with several meters, name each by its serial, as usb:SERIAL "
                "(kelvor-cli probe --list shows the serials)");
        const QString serial = serialNamed(kind);
        if (serials.contains(serial))
            return QStringLiteral("--meter=%1: that meter is already chosen%2")
                .arg(choice,
                     isSim(kind) ? QStringLiteral(" (give each simulated meter its own serial=...)") : QString());
        serials << serial;
    }
    return {};
}

std::unique_ptr<MeterDevice> createDevice(const QString& meterChoice, const QString& captureFile, Clock& clock,
                                          QString* error, const HidApiFactory& hid)
{
    std::unique_ptr<MeterDevice> device;
    const QString choice = meterChoice.isEmpty() ? QStringLiteral("usb") : meterChoice;
    if (isUsb(choice) && choice.size() != 4)
        device = std::make_unique<UsbDevice>(hid ? hid() : createSystemHidApi(), choice.mid(4).toStdString());
    else if (isSim(choice))
        device = createSimDevice(choice.mid(4), clock, error);
    else if (choice.startsWith(QLatin1String("replay:")))
        device = createReplayDevice(choice.mid(7), error);
    else if (IsRemoteMeterChoice(choice) && error)
        *error = QStringLiteral("--meter=%1: a remote meter is no device on this computer").arg(meterChoice);
    else if (error)
        *error = MeterOptionsError(meterChoice, captureFile, !captureFile.isEmpty());
    if (device && !captureFile.isEmpty())
        device = wrapWithCapture(std::move(device), captureFile, error);
    return device;
}

}  // namespace kelvor
