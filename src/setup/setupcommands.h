// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "meter/exchange.h"

namespace kelvor {

class MeterLink;

inline constexpr int kSetupAttempts = 3;

// Failure codes of one setup command, by the step that failed. 0 marks a step the
// command does not have (no data block).
using SetupStepCodes = ExchangeCodes;

inline constexpr SetupStepCodes kClockCodes{401, 402, 403, 404, 405, 406};
inline constexpr SetupStepCodes kIntervalCodes{600, 602, 603, 0, 604, 605};
inline constexpr SetupStepCodes kEraseCodes{501, 502, 503, 0, 505, 506};
inline constexpr SetupStepCodes kSettingsCodes{401, 402, 403, 404, 405, 406};
inline constexpr SetupStepCodes kInformationCodes{201, 202, 203, 0, 204, 205};

// The interval typed as minutes and seconds, checked and turned into the two BCD
// parameter bytes of "I".
enum IntervalInputCode : int {
    kIntervalMinutesNotNumber = 620,
    kIntervalSecondsNotNumber = 622,
    kIntervalAbove60 = 623,
    kIntervalZero = 624,
};
struct IntervalParameter {
    std::uint8_t minutesBcd = 0;
    std::uint8_t secondsBcd = 0;
};
// 0 or one of the codes above. Each text must be one or two decimal digits: the BCD
// byte is built from its characters, so a sign, a blank or a third digit would send
// a byte that is not the number typed.
int ParseRecordingInterval(const QString& minutes, const QString& seconds, IntervalParameter& out);

// The clock block sent after "t": BCD seconds, minutes, hours, day, month, (byte 5
// untouched), year mod 100, 0, "rtc"; bytes 11..31 keep what the buffer held.
void FillClockBlock(std::array<std::uint8_t, 32>& block, const QDateTime& now);
// The default settings record sent after "s"; bytes 16, 17, 19, 20, 26..29 and 31
// keep what the buffer held.
void FillDefaultSettings(std::array<std::uint8_t, 32>& block);

// The setup commands. Each makes up to three attempts over the link's setup frame
// and setup block, runs every step of an attempt even after a failure, and returns
// 0 or the code of the last attempt's last failing step. The caller keeps the
// monitor loop paused around them.
int AdjustMeterTime(MeterLink& link);
int AdjustRecordingInterval(MeterLink& link, const IntervalParameter& interval);
int EraseMeterMemory(MeterLink& link);
int SetupOther(MeterLink& link);
// On success `reply` holds the 64-byte information reply and `serial` the meter's
// serial text.
int ReadMeterInformation(MeterLink& link, std::array<std::uint8_t, 64>& reply, QString& serial);

// Whether a 64-byte information reply is one to show: its memory position lies
// between the empty memory's position (the data area's start - 1) and the memory's
// end. The clock is not part of it: a meter whose clock was reset (all zeros after
// a battery change) still tells its memory and settings, and Set Clock mends it.
bool InformationReplyPlausible(const std::array<std::uint8_t, 64>& reply);

}  // namespace kelvor
