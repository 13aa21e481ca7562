// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace kelvor {

// The sixteen information fields as the setup window shows them.
struct MeterInformation {
    QString memoryAvailable;  // txtMemoryAvailable
    QString meterTime;        // txtMeterTime "MM/DD/20YY   hh:mm:ss", "--/--/--   --:--:--" when unset
    QString interval;         // txtInt "m:s"
    int intervalMinutes = 0;  // the two numbers behind it
    int intervalSeconds = 0;
    QString dataSets;                // txtDataSets
    QString version;                 // txtVer "x.xx"
    QString serial;                  // txtSN
    QString alarm;                   // txtAlarm
    QString high;                    // txtHi
    QString low;                     // txtLo
    QString t1MinusT2;               // txtT1_T2
    QString thermoType;              // txtThermoType
    QString sleepTime;               // txtSleepTime
    std::array<QString, 4> offsets;  // txtT1offset..txtT4offset
};

// Decodes an accepted 64-byte information reply (bytes 3..31 the settings record,
// 40..46 the clock) and the serial text.
MeterInformation DecodeMeterInformation(const std::array<std::uint8_t, 64>& reply, const QString& serial);

// Whether the reply's clock (bytes 40..46) holds a BCD date and time; a meter whose
// clock was reset answers zeros there.
bool MeterClockValid(const std::array<std::uint8_t, 64>& reply);

// The number of data sets an information reply reports (bytes 8, 9).
int MeterInformationDataSets(const std::array<std::uint8_t, 64>& reply);

// The fields with their control names, in the window's order: {objectName, value}.
QList<QPair<QString, QString>> InformationFields(const MeterInformation& info);

}  // namespace kelvor
