// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "meter/meterdevice.h"

namespace kelvor::test {

// A meter whose answers the test scripts: present or not, which live reads fail,
// what the live reply holds. Records every frame written.
class FakeMeter final : public MeterDevice {
public:
    using Frame = std::array<std::uint8_t, 7>;

    bool present = true;
    bool ackKeys = true;
    // Outcome of the coming "A" reads in order (true = a reply); empty = all succeed.
    std::deque<bool> liveReads;
    std::array<std::uint8_t, 64> liveReply{};
    std::vector<Frame> frames;

    FakeMeter();
    // Frames written with this command letter.
    int count(char letter) const;

    int OpenLink(std::uint16_t, std::uint16_t) override { return present ? kLinkOk : kLinkFailed; }
    int SetLinkTimeouts(int, int) override { return present ? kLinkOk : kLinkFailed; }
    int WriteFrame(const std::uint8_t* frame, int length) override;
    int WriteBlock(const std::uint8_t*, int) override { return present ? kLinkOk : kLinkFailed; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* buffer, int length) override;
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* buffer, int size) override;
    QString connectedSerial() const override { return serial; }

    QString serial;  // what connectedSerial() reports

private:
    std::uint8_t m_last = 0;
};

// A meter that takes every call and answers nothing: for windows that need a
// program but never a reading.
class NoMeter final : public MeterDevice {
public:
    int OpenLink(std::uint16_t, std::uint16_t) override { return 0; }
    int SetLinkTimeouts(int, int) override { return 0; }
    int WriteFrame(const std::uint8_t*, int) override { return 0; }
    int WriteBlock(const std::uint8_t*, int) override { return 0; }
    int SyncLink() override { return 0; }
    int ReadReply(std::uint8_t*, int) override { return 0; }
    int CloseLink() override { return 0; }
    int GetSerialText(char*, int) override { return 0; }
};

}  // namespace kelvor::test
