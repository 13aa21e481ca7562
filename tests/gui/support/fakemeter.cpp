// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakemeter.h"

#include <algorithm>
#include <cstring>

namespace kelvor::test {

FakeMeter::FakeMeter()
{
    liveReply[0] = 0x02;
    liveReply[63] = 0x03;
}

int FakeMeter::count(char letter) const
{
    return int(
        std::count_if(frames.begin(), frames.end(), [letter](const Frame& f) { return f[1] == std::uint8_t(letter); }));
}

int FakeMeter::WriteFrame(const std::uint8_t* frame, int length)
{
    if (length != 7)
        return kLinkFailed;
    Frame f{};
    std::copy(frame, frame + 7, f.begin());
    frames.push_back(f);
    m_last = f[1];
    return present ? kLinkOk : kLinkFailed;
}

int FakeMeter::ReadReply(std::uint8_t* buffer, int length)
{
    if (!present)
        return kLinkFailed;
    std::memset(buffer, 0, std::size_t(length));
    switch (m_last) {
        case 'K':
            if (length < 32)
                return kLinkFailed;
            buffer[23] = 'Q';
            buffer[24] = 'Z';
            buffer[25] = 'X';
            return kLinkOk;
        case 'A':
            if (!liveReads.empty()) {
                const bool ok = liveReads.front();
                liveReads.pop_front();
                if (!ok)
                    return kLinkFailed;
            }
            std::copy(liveReply.begin(), liveReply.begin() + std::min(length, 64), buffer);
            return kLinkOk;
        default:
            if (ackKeys && length >= 4) {
                buffer[2] = 'O';
                buffer[3] = 'K';
            }
            return kLinkOk;
    }
}

int FakeMeter::GetSerialText(char* buffer, int size)
{
    if (size > 0)
        std::strncpy(buffer, "FAKE0001", std::size_t(size - 1));
    if (size > 0)
        buffer[size - 1] = '\0';
    return kLinkOk;
}

}  // namespace kelvor::test
