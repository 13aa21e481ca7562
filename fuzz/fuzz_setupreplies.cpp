// SPDX-License-Identifier: GPL-3.0-or-later
// The setup window's reads fed arbitrary replies (meter information, calibration
// values, an EEPROM byte), and the information decoder on any 64 bytes.
#include <array>
#include <cmath>
#include <cstdlib>

#include "base/clock.h"
#include "meter/meterlink.h"
#include "scripteddevice.h"
#include "setup/adjustvalues.h"
#include "setup/eepromaccess.h"
#include "setup/meterinformation.h"
#include "setup/setupcommands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    std::array<std::uint8_t, 64> raw{};
    std::copy(data, data + std::min<std::size_t>(size, 64), raw.begin());
    const MeterInformation direct = DecodeMeterInformation(raw, QString());
    (void)InformationFields(direct);
    (void)MeterClockValid(raw);
    (void)MeterInformationDataSets(raw);
    (void)InformationReplyPlausible(raw);
    if (size >= 3)
        (void)CalibrationText(CalibrationValue(data[0], data[1], data[2]));

    ManualClock clock;
    fuzz::ScriptedDevice device(data, size);
    MeterLink link(device, clock);
    std::array<std::uint8_t, 64> reply{};
    QString serial;
    if (ReadMeterInformation(link, reply, serial) == 0)
        (void)InformationFields(DecodeMeterInformation(reply, serial));
    AdjustValues values;
    (void)ReadAdjustValues(link, values);
    std::uint8_t byte = 0;
    (void)ReadEEProm(link, size > 0 ? data[0] : 0, byte);
    return 0;
}
