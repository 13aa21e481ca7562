// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/eepromaccess.h"

#include "meter/exchange.h"
#include "meter/meterlink.h"
#include "meter/replylayout.h"

namespace kelvor {

namespace {

constexpr std::uint32_t kRetryWaitMs = 300;

bool parseDecimal(const QString& text, int& value, QString* error)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return false;
    }
    value = v;
    return true;
}

void putAddress(CommandFrame& frame, int address)
{
    frame[kFrameParam1] = std::uint8_t(address >> 16);
    frame[kFrameParam2] = std::uint8_t(address >> 8);
    frame[kFrameParam3] = std::uint8_t(address);
}

// The cancel frame is only written: no sync, no reply. Its parameter bytes are
// whatever the last EEPROM frame left.
void cancel(MeterLink& link)
{
    link.WaitMs(kRetryWaitMs);
    link.writeCommand(link.setupFrame(), Command::Cancel);
    link.WaitMs(kRetryWaitMs);
}

// Open, time-outs, frame, read; the first failing step ends the exchange.
int exchange(MeterLink& link, const ExchangeCodes& codes, Command command, int address, const int* data)
{
    Exchange x;
    x.command = command;
    x.frame = &link.setupFrame();
    x.fillFrame = [address, data](CommandFrame& frame) {
        putAddress(frame, address);
        if (data)
            frame[kFrameParam4] = std::uint8_t(*data & 0xFF);
    };
    x.reply = link.setupBlock().data();
    x.replyLength = int(link.setupBlock().size());
    x.codes = codes;
    x.stopAtFirstFailure = true;
    return RunExchange(link, x);
}

}  // namespace

bool EepromAccessCodeMatches(const QString& text) { return text == QLatin1String("8921"); }

bool ParseEepromAddress(const QString& text, int& address, QString* error)
{
    int v = 0;
    if (!parseDecimal(text, v, error))
        return false;
    if (v < 0 || v > kEepromLastAddress) {
        if (error)
            *error = QStringLiteral("EEPROM address %1 is out of range (0 to %2)").arg(v).arg(kEepromLastAddress);
        return false;
    }
    address = v;
    return true;
}

bool ParseEepromData(const QString& text, int& data, QString* error) { return parseDecimal(text, data, error); }

int WriteEEProm(MeterLink& link, int address, int data)
{
    static constexpr ExchangeCodes codes{kEepromWriteOpen, kEepromWriteTimeouts, kEepromWriteFrame, 0,
                                         kEepromWriteRead};
    int failures = 0;
    int code = 0;
    while (failures < kEepromFailureLimit) {
        code = exchange(link, codes, Command::EepromWrite, address, &data);
        if (code != 0) {
            ++failures;
            link.WaitMs(kRetryWaitMs);
            continue;
        }
        const CommandFrame& frame = link.setupFrame();
        const auto& reply = link.setupBlock();
        // Each differing echo byte counts a failure of its own.
        for (int i = 0; i < kEepromEchoBytes; ++i) {
            if (reply[std::size_t(i)] != frame[std::size_t(i)]) {
                code = kEepromWriteNoEcho;
                ++failures;
                link.WaitMs(kRetryWaitMs);
            }
        }
        if (code == 0)
            break;
        cancel(link);
    }
    return code;
}

int ReadEEProm(MeterLink& link, int address, std::uint8_t& value)
{
    static constexpr ExchangeCodes codes{kEepromReadOpen, kEepromReadTimeouts, kEepromReadFrame, 0, kEepromReadRead};
    int failures = 0;
    int code = 0;
    while (failures < kEepromFailureLimit) {
        code = exchange(link, codes, Command::MemoryRetryOrEepromRead, address, nullptr);
        if (code == 0) {
            const CommandFrame& frame = link.setupFrame();
            const auto& reply = link.setupBlock();
            if (reply[0] != frame[0] || reply[1] != frame[1])
                code = kEepromReadNoEcho;
        }
        if (code == 0) {
            value = link.setupBlock()[kEepromValueAt];
            break;
        }
        ++failures;
        cancel(link);
    }
    return code;
}

}  // namespace kelvor
