// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/meterinformation.h"

namespace kelvor {

namespace {
QString onOff(std::uint8_t b) { return b != 0 ? QStringLiteral("ON") : QStringLiteral("OFF"); }
QString hex2(std::uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }
int signed16(std::uint8_t hi, std::uint8_t lo) { return std::int16_t(std::uint16_t(hi << 8 | lo)); }

bool bcdInRange(std::uint8_t b, int low, int high)
{
    if ((b >> 4) > 9 || (b & 0x0F) > 9)
        return false;
    const int v = (b >> 4) * 10 + (b & 0x0F);
    return v >= low && v <= high;
}
}  // namespace

bool MeterClockValid(const std::array<std::uint8_t, 64>& r)
{
    return bcdInRange(r[40], 0, 59) && bcdInRange(r[41], 0, 59) && bcdInRange(r[42], 0, 23) &&
           bcdInRange(r[43], 1, 31) && bcdInRange(r[44], 1, 12) && bcdInRange(r[46], 0, 99);
}

MeterInformation DecodeMeterInformation(const std::array<std::uint8_t, 64>& r, const QString& serial)
{
    static const char* const kTypes[] = {"K", "J", "E", "T"};
    static const char* const kSleep[] = {"OFF", "10 minutes", "30 minutes", "1 hour", "2 hours", "4 hours", "8 hours"};

    MeterInformation info;
    const int position = r[10] << 16 | r[11] << 8 | r[12];
    info.memoryAvailable = QString::number((130816 - position) / 8);  // C++ division truncates toward zero
    info.meterTime = MeterClockValid(r)
                         ? QStringLiteral("%1/%2/20%3   %4:%5:%6")
                               .arg(hex2(r[44]), hex2(r[43]), hex2(r[46]), hex2(r[42]), hex2(r[41]), hex2(r[40]))
                         : QStringLiteral("--/--/--   --:--:--");
    info.intervalMinutes = r[13];
    info.intervalSeconds = r[14];
    info.interval = QStringLiteral("%1:%2").arg(r[13]).arg(r[14]);
    info.dataSets = QString::number(MeterInformationDataSets(r));
    // A firmware number, not a measurement: "1.05" in every locale.
    info.version = QStringLiteral("%1.%2").arg(r[31] / 100).arg(r[31] % 100, 2, 10, QLatin1Char('0'));
    info.serial = serial;
    info.alarm = onOff(r[3]);
    info.high = QString::number(signed16(r[4], r[5]));
    info.low = QString::number(signed16(r[6], r[7]));
    info.t1MinusT2 = onOff(r[21]);
    if (r[18] < 4)
        info.thermoType = QLatin1String(kTypes[r[18]]);
    if (r[30] < 7)
        info.sleepTime = QLatin1String(kSleep[r[30]]);
    for (int c = 0; c < 4; ++c)
        info.offsets[std::size_t(c)] = QString::number(std::int8_t(r[std::size_t(22 + c)]));
    return info;
}

int MeterInformationDataSets(const std::array<std::uint8_t, 64>& r) { return r[8] << 8 | r[9]; }

QList<QPair<QString, QString>> InformationFields(const MeterInformation& i)
{
    return {
        {QStringLiteral("txtMemoryAvailable"), i.memoryAvailable},
        {QStringLiteral("txtMeterTime"), i.meterTime},
        {QStringLiteral("txtInt"), i.interval},
        {QStringLiteral("txtDataSets"), i.dataSets},
        {QStringLiteral("txtVer"), i.version},
        {QStringLiteral("txtSN"), i.serial},
        {QStringLiteral("txtAlarm"), i.alarm},
        {QStringLiteral("txtHi"), i.high},
        {QStringLiteral("txtLo"), i.low},
        {QStringLiteral("txtT1_T2"), i.t1MinusT2},
        {QStringLiteral("txtThermoType"), i.thermoType},
        {QStringLiteral("txtSleepTime"), i.sleepTime},
        {QStringLiteral("txtT1offset"), i.offsets[0]},
        {QStringLiteral("txtT2offset"), i.offsets[1]},
        {QStringLiteral("txtT3offset"), i.offsets[2]},
        {QStringLiteral("txtT4offset"), i.offsets[3]},
    };
}

}  // namespace kelvor
