// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/adjustvalues.h"

#include <QLocale>
#include <cmath>
#include <cstring>

#include "meter/exchange.h"
#include "meter/meterlink.h"
#include "meter/replylayout.h"
#include "setup/setupcommands.h"

namespace kelvor {

namespace {

// One exchange of the pair; every step runs, the last failing one names the code.
int exchange(MeterLink& link, Command command, const ExchangeCodes& codes, int ackAt, std::uint32_t waitMs)
{
    Exchange x;
    x.command = command;
    x.frame = &link.setupFrame();
    x.fillFrame = [](CommandFrame& frame) {
        frame[kFrameParam1] = 0;
        frame[kFrameParam2] = 0;
    };
    x.reply = link.setupBlock().data();
    x.replyLength = int(link.setupBlock().size());
    x.codes = codes;
    x.waitBeforeReadMs = waitMs;
    x.accepted = OkAt(ackAt);
    return RunExchange(link, x);
}

}  // namespace

float CalibrationValue(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    const std::uint32_t bits = std::uint32_t(b2) << 24 | std::uint32_t(b1) << 16 | std::uint32_t(b0) << 8;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

QString CalibrationText(float value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    const QLocale locale;
    // Past ten integer digits fixed notation cannot hold the precision: go exponential.
    if (std::fabs(value) >= 1e10f)
        return locale.toString(double(value), 'E', 9);
    // Round to ten significant digits first, then show eight decimals.
    const double rounded = QString::number(double(value), 'e', 9).toDouble();
    return locale.toString(rounded, 'f', 8);
}

int ReadAdjustValues(MeterLink& link, AdjustValues& values)
{
    const ExchangeCodes y{kAdjustYOpen, kAdjustYTimeouts, kAdjustYFrame, 0, kAdjustYRead, kAdjustNotAccepted};
    const ExchangeCodes z{kAdjustZOpen, kAdjustZTimeouts, kAdjustZFrame, 0, kAdjustZRead, kAdjustNotAccepted};
    int code = 0;
    for (int i = 0; i < kSetupAttempts; ++i) {
        code = 0;
        // Both replies land in the same block buffer: keep "Y" before "Z" overwrites it.
        const int yCode = exchange(link, Command::AdjustValuesY, y, kAdjustYAckAt, 0);
        const std::array<std::uint8_t, 32> yReply = link.setupBlock();
        const int zCode = exchange(link, Command::AdjustValuesZ, z, kAdjustZAckAt, 100);
        code = zCode != 0 ? zCode : yCode;
        if (code != 0)
            continue;
        const auto& zReply = link.setupBlock();
        for (int k = 0; k < 8; ++k)
            values[std::size_t(k)] = CalibrationValue(yReply[std::size_t(3 * k)], yReply[std::size_t(3 * k + 1)],
                                                      yReply[std::size_t(3 * k + 2)]);
        for (int k = 0; k < 4; ++k)
            values[std::size_t(8 + k)] = CalibrationValue(zReply[std::size_t(3 * k)], zReply[std::size_t(3 * k + 1)],
                                                          zReply[std::size_t(3 * k + 2)]);
        break;
    }
    return code;
}

const std::array<const char*, 12>& AdjustValueFieldNames()
{
    static const std::array<const char*, 12> names = {
        "edtT1Gain",        "edtT2Gain",        "edtT3Gain",        "edtT4Gain",
        "edtT1_EXT_offset", "edtT2_EXT_offset", "edtT3_EXT_offset", "edtT4_EXT_offset",
        "edtT1_CJC_offset", "edtT2_CJC_offset", "edtT3_CJC_offset", "edtT4_CJC_offset",
    };
    return names;
}

}  // namespace kelvor
