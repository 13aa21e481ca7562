// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelvor {

// One meter a backend can reach, as `kelvor-cli probe --list` shows it.
struct FoundMeter {
    QString path;     // the device node (usb), or the backend's own name
    QString serial;   // empty when the meter gives none
    QString problem;  // why it cannot be opened; empty when it can
};

inline constexpr std::uint16_t kMeterVendorId = 0x04D9;
inline constexpr std::uint16_t kMeterProductId = 0xE000;
inline constexpr int kLinkOk = 0;
inline constexpr int kLinkFailed = -1;

// The eight operations through which the program reaches the meter. Every call
// returns kLinkOk (0) on success and something else on failure; callers rely on
// nothing more. Backends: usb (hidapi), sim (simulated meter), replay (capture),
// and a capture decorator over any of them.
class MeterDevice {
public:
    virtual ~MeterDevice() = default;

    virtual int OpenLink(std::uint16_t vendorId, std::uint16_t productId) = 0;
    virtual int SetLinkTimeouts(int readTimeout, int writeTimeout) = 0;
    virtual int WriteFrame(const std::uint8_t* frame, int length) = 0;  // length 7
    virtual int WriteBlock(const std::uint8_t* block, int length) = 0;  // length 32
    virtual int SyncLink() = 0;
    // 0 means the buffer holds `length` reply bytes (32, 36 or 64).
    virtual int ReadReply(std::uint8_t* buffer, int length) = 0;
    virtual int CloseLink() = 0;
    // Fills a NUL-terminated text into buffer (size bytes).
    virtual int GetSerialText(char* buffer, int size) = 0;

    // Plain-words reason for the last failed OpenLink, for the status bar and the CLI
    // ("no meter found", "permission denied ..."). Empty when there is nothing to say.
    virtual QString lastOpenProblem() const { return {}; }

    // Every meter within reach, each opened once and closed again to see whether it
    // can be used. The usb backend lists every attached meter, whichever serial it was
    // asked for; the other backends list themselves.
    virtual std::vector<FoundMeter> findMeters() { return {}; }

    // The serial of the meter the last successful OpenLink reached (kept after the link
    // closes, for the status bar); empty when none was reached or it has no serial.
    virtual QString connectedSerial() const { return {}; }

    // True when the device can never answer again (a replayed capture that has run
    // out), so a polling loop can stop instead of probing forever.
    virtual bool atEnd() const { return false; }

    // Why the log of the exchanges (--capture FILE) could not be written in full;
    // empty when there is no such log or nothing went wrong.
    virtual QString captureProblem() const { return {}; }
};

}  // namespace kelvor
