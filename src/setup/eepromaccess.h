// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

namespace kelvor {

class MeterLink;

enum EepromCode : int {
    kEepromWriteOpen = 9000,
    kEepromWriteTimeouts = 9001,
    kEepromWriteFrame = 9002,
    kEepromWriteRead = 9003,
    kEepromWriteNoEcho = 9004,
    kEepromReadOpen = 8000,
    kEepromReadTimeouts = 8001,
    kEepromReadFrame = 8002,
    kEepromReadRead = 8003,
    kEepromReadNoEcho = 8004,
};

inline constexpr int kEepromFailureLimit = 5;
// "W" and "r" reach the meter's 128 KiB memory; the frame's three address bytes could
// name more, but no meter answers there, and five silent retries only to say "code
// 8004" tell the user nothing.
inline constexpr int kEepromLastAddress = 0x1FFFF;
inline constexpr char kPasswordErrorText[] = "Password error !!";

// The write needs this exact text; nothing else (no blanks, no leading zeros).
bool EepromAccessCodeMatches(const QString& text);

// A decimal integer typed for an address or a data byte. On failure `error` says
// what is wrong with the text.
bool ParseEepromAddress(const QString& text, int& address, QString* error);
// Data: any integer; the low 8 bits are written (300 writes 0x2C).
bool ParseEepromData(const QString& text, int& data, QString* error);

// "W" with the address (high byte first) and the data byte. Up to five counted
// failures; a reply that does not echo the frame is followed by the cancel frame
// "Q". 0 or the last code.
int WriteEEProm(MeterLink& link, int address, int data);
// "r" with the address; on success `value` is reply byte 5. Every failed attempt is
// followed by "Q". 0 or the last code.
int ReadEEProm(MeterLink& link, int address, std::uint8_t& value);

}  // namespace kelvor
