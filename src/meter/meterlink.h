// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "meter/commandframe.h"
#include "meter/meterdevice.h"

namespace kelvor {

class Clock;

// Key command failure codes.
enum KeyCommandCode : int {
    kKeyOpenFailed = 7002,
    kKeyTimeoutsFailed = 7003,
    kKeyWriteFailed = 7004,
    kKeyReadFailed = 7005,
    kKeyNotAcknowledged = 7006,
    kKeyReplyError = 7007,
};

// The program's layer between its windows and the device: the three frame buffers
// (whose unnamed parameter bytes stay stale between commands, on purpose: the meter
// sees them unchanged), the main reply buffer, the shared sequence counter and the
// three exchanges of the monitor loop and the panel.
class MeterLink {
public:
    MeterLink(MeterDevice& device, Clock& clock);

    MeterDevice& device() { return *m_device; }
    Clock& clock() { return *m_clock; }
    void setDevice(MeterDevice& device) { m_device = &device; }

    // Waits a little more than ms while processing events; returns the elapsed ms.
    std::uint32_t WaitMs(std::uint32_t ms);

    bool ProbeMeter();       // "K"; the identity reply stays in replyBuffer()
    bool ReadLiveReading();  // "A"; the 64-byte reply stays in replyBuffer()
    int SendKeyCommand();    // sends panelFrame(); 0 or 7002..7007
    // Fills the panel frame for a key and sends it.
    int SendKey(Command key);

    // True when the identity reply carries the model code "QZX" at bytes 23..25.
    bool replyHasModelCode() const;
    bool replyIsLiveReading() const { return m_reply[0] == kFrameStart && m_reply[63] == kFrameEnd; }

    CommandFrame& mainFrame() { return m_mainFrame; }
    CommandFrame& panelFrame() { return m_panelFrame; }
    CommandFrame& setupFrame() { return m_setupFrame; }
    std::array<std::uint8_t, 64>& replyBuffer() { return m_reply; }
    const std::array<std::uint8_t, 64>& replyBuffer() const { return m_reply; }
    std::array<std::uint8_t, 32>& keyReplyBuffer() { return m_keyReply; }
    // The setup commands' 32-byte buffer: the block sent after "t" and "s" and the
    // place their 32-byte replies land. Bytes a command does not write stay as the
    // last block or reply left them.
    std::array<std::uint8_t, 32>& setupBlock() { return m_setupBlock; }

    std::uint8_t nextSequence() { return ++m_sequence; }  // wraps 255 -> 0
    std::uint8_t sequence() const { return m_sequence; }

    // True while an exchange of several frames holds the link (see LinkHold).
    bool busy() const { return m_holds > 0; }

    int failedLiveReads() const { return m_failedLiveReads; }
    void setFailedLiveReads(int n) { m_failedLiveReads = n; }

    // Convenience used by the senders: set bytes 0, 1, 6 of a frame and write it.
    int writeCommand(CommandFrame& frame, Command c);

private:
    friend class LinkHold;

    MeterDevice* m_device;
    Clock* m_clock;
    CommandFrame m_mainFrame{kFrameStart, 0, 0, 0, 0, 0, kFrameEnd};
    CommandFrame m_panelFrame{kFrameStart, 0, 0, 0, 0, 0, kFrameEnd};
    CommandFrame m_setupFrame{kFrameStart, 0, 0, 0, 0, 0, kFrameEnd};
    std::array<std::uint8_t, 64> m_reply{};
    std::array<std::uint8_t, 32> m_keyReply{};
    std::array<std::uint8_t, 32> m_setupBlock{};
    std::uint8_t m_sequence = 0;
    int m_failedLiveReads = 0;
    int m_holds = 0;
};

// Held over an exchange of several frames that waits between them (a download, a
// setup command): its waits process events, and a sender reached through them (a key
// press) must not put its frame in between, however the exchange then ends.
class LinkHold {
public:
    explicit LinkHold(MeterLink& link) : m_link(link) { ++m_link.m_holds; }
    ~LinkHold() { --m_link.m_holds; }
    LinkHold(const LinkHold&) = delete;
    LinkHold& operator=(const LinkHold&) = delete;

private:
    MeterLink& m_link;
};

}  // namespace kelvor
