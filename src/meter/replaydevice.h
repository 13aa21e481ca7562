// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "meter/captureformat.h"
#include "meter/meterdevice.h"

namespace kelvor {

// Plays a capture back as a meter. The calls walk the entries in order: a call
// consumes the next entry when it is of its own kind (OpenLink-O, WriteFrame-W,
// WriteBlock-B, ReadReply-R). A write that differs from its entry fails; a read of
// another length than its entry fails. An OpenLink or a write meeting an entry of
// another kind succeeds without consuming it (the capture only records what a
// replay needs); a read meeting another kind fails. The remaining calls always
// succeed. Once the entries are used up, every call fails.
class ReplayDevice final : public MeterDevice {
public:
    explicit ReplayDevice(std::vector<CaptureEntry> entries);

    int OpenLink(std::uint16_t vendorId, std::uint16_t productId) override;
    int SetLinkTimeouts(int readTimeout, int writeTimeout) override;
    int WriteFrame(const std::uint8_t* frame, int length) override;
    int WriteBlock(const std::uint8_t* block, int length) override;
    int SyncLink() override;
    int ReadReply(std::uint8_t* buffer, int length) override;
    int CloseLink() override;
    int GetSerialText(char* buffer, int size) override;
    QString lastOpenProblem() const override;
    bool atEnd() const override { return m_next >= m_entries.size(); }
    std::vector<FoundMeter> findMeters() override { return {{QStringLiteral("replay"), QString(), lastOpenProblem()}}; }

private:
    const CaptureEntry* peek() const { return atEnd() ? nullptr : &m_entries[m_next]; }
    int write(CaptureEntry::Kind kind, const std::uint8_t* data, int length);

    std::vector<CaptureEntry> m_entries;
    std::size_t m_next = 0;
};

}  // namespace kelvor
