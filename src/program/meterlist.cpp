// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/meterlist.h"

#include <algorithm>

#include "base/meternames.h"
#include "base/settings.h"
#include "meter/choice/devicechoice.h"
#include "program/monitorpause.h"
#include "program/program.h"

namespace kelvor {

QString DeviceSerial(MeterDevice& device)
{
    if (QString reached = device.connectedSerial(); !reached.isEmpty())
        return reached;
    char text[64] = {};
    if (device.GetSerialText(text, int(sizeof text)) != 0)
        return {};
    text[sizeof text - 1] = '\0';
    return QString::fromLatin1(text).trimmed();
}

std::vector<MeterEntry> ListMeters(Program& program)
{
    const std::unique_ptr<QSettings> names = openProgramSettings(program.settingsFile);
    std::vector<MeterEntry> entries;
    auto add = [&](MeterDevice& device, int meter, bool chosen, const QString& problem) {
        const QString serial = DeviceSerial(device);
        entries.push_back({serial, kMeterModel, ReadMeterName(*names, serial), meter, chosen, problem});
    };
    add(*program.device, 0, true, program.deviceProblem);
    for (std::size_t i = 0; i < program.otherMeters.size(); ++i) {
        const OtherMeter& other = *program.otherMeters[i];
        add(*other.device, int(i + 1), other.chosen, other.problem);
    }
    // The bus is asked between two ticks, never inside an exchange.
    std::vector<FoundMeter> found;
    {
        MonitorPause pause(program.monitorLoop);
        found = program.device->findMeters();
    }
    for (const FoundMeter& f : found) {
        const bool known = std::any_of(entries.begin(), entries.end(), [&f](const MeterEntry& e) {
            return !f.serial.isEmpty() && e.serial == f.serial;
        });
        if (!known && !f.serial.isEmpty())
            entries.push_back({f.serial, kMeterModel, ReadMeterName(*names, f.serial), -1, false, f.problem});
    }
    return entries;
}

Status ChooseMeters(Program& program, const std::vector<MeterEntry>& entries)
{
    const auto chosen =
        std::count_if(entries.begin(), entries.end(), [](const MeterEntry& e) { return e.chosen || e.isDefault(); });
    if (chosen > kMaxMeters)
        return Status::failure(
            QStringLiteral("One run reads at most %1 meters, not %2.").arg(kMaxMeters).arg(qlonglong(chosen)));
    const std::unique_ptr<QSettings> names = openProgramSettings(program.settingsFile);
    for (const MeterEntry& e : entries) {
        if (e.serial.isEmpty() || CleanMeterName(e.name) == ReadMeterName(*names, e.serial))
            continue;
        if (const QString why = WriteMeterName(*names, e.serial, e.name); !why.isEmpty())
            return Status::failure(QStringLiteral("The name of meter %1 cannot be kept: %2").arg(e.serial, why));
    }
    for (const MeterEntry& e : entries) {
        if (e.meter > 0 && std::size_t(e.meter) <= program.otherMeters.size()) {
            program.otherMeters[std::size_t(e.meter - 1)]->chosen = e.chosen;
        } else if (e.meter < 0 && e.chosen) {
            // A meter found on the bus is read from now on, beside the others.
            QString why;
            std::unique_ptr<MeterDevice> device =
                createDevice(QStringLiteral("usb:") + e.serial, QString(), program.clock, &why);
            if (!device)
                return Status::failure(QStringLiteral("Meter %1 cannot be read: %2").arg(e.serial, why));
            program.otherMeters.push_back(std::make_unique<OtherMeter>(std::move(device), program.clock));
        }
    }
    return {};
}

std::vector<std::size_t> ChosenOtherMeters(const Program& program)
{
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < program.otherMeters.size(); ++i)
        if (program.otherMeters[i]->chosen && chosen.size() + 1 < std::size_t(kMaxMeters))
            chosen.push_back(i);
    return chosen;
}

}  // namespace kelvor
