// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/metersources.h"

#include "base/meternames.h"
#include "base/settings.h"
#include "meter/meterlink.h"

namespace kelvor {

QString ReportedSerial(MeterDevice& device)
{
    char text[64] = {};
    if (device.GetSerialText(text, int(sizeof text)) != 0)
        return {};
    text[sizeof text - 1] = '\0';
    return QString::fromLatin1(text).trimmed();
}

std::vector<SessionSource> ChosenSources(const std::vector<MeterLink*>& links)
{
    const std::unique_ptr<QSettings> settings = openProgramSettings();
    std::vector<SessionSource> sources;
    for (MeterLink* link : links) {
        SessionSource s;
        s.model = QStringLiteral("QZX");
        s.serial = ReportedSerial(link->device());
        if (s.serial.isEmpty())
            s.serial = link->device().connectedSerial();
        s.name = ReadMeterName(*settings, s.serial);
        sources.push_back(s);
    }
    return sources;
}

}  // namespace kelvor
