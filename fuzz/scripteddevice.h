// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "meter/meterdevice.h"

namespace kelvor::fuzz {

// A meter whose every reply comes from the fuzzer's bytes: each read takes one byte
// (odd: the read fails) and then the reply's bytes, zero-padded once the input runs
// out; with no input left every read fails, as an unplugged meter's would.
class ScriptedDevice final : public MeterDevice {
public:
    ScriptedDevice(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkOk; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t*, int) override { return kLinkOk; }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkOk; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* buffer, int length) override
    {
        ++reads;
        if (m_at >= m_size || (m_data[m_at++] & 1) != 0)
            return kLinkFailed;
        const std::size_t n = std::min<std::size_t>(std::size_t(length), m_size - m_at);
        std::copy(m_data + m_at, m_data + m_at + n, buffer);
        std::fill(buffer + n, buffer + length, std::uint8_t(0));
        m_at += n;
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* buffer, int size) override
    {
        if (size > 0)
            buffer[0] = '\0';
        return kLinkOk;
    }
    bool exhausted() const { return m_at >= m_size; }

    long reads = 0;

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace kelvor::fuzz
