// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simprotocol.h"

#include <cstring>

#include <QDate>
#include <QTime>

#include "meter/commandframe.h"
#include "meter/sim/simmeter.h"

namespace kelvor {

namespace {
using Reply = std::vector<std::uint8_t>;

Reply reply32(std::uint8_t letter)
{
    Reply r(32, 0);
    r[0] = kFrameStart;
    r[1] = letter;
    r[31] = kFrameEnd;
    return r;
}

Reply acknowledge(std::uint8_t letter, bool ok)
{
    Reply r = reply32(letter);
    r[2] = ok ? 'O' : 'N';
    r[3] = ok ? 'K' : 'G';
    return r;
}

bool isBcd(std::uint8_t b) { return (b >> 4) < 10 && (b & 0x0F) < 10; }
int fromBcd(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }
std::uint8_t toBcd(int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); }

// Three bytes of a float: bits 8..15, 16..23, 24..31 (the lowest byte is dropped).
void putCalibration(Reply& r, int at, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    r[std::size_t(at)] = std::uint8_t(bits >> 8);
    r[std::size_t(at + 1)] = std::uint8_t(bits >> 16);
    r[std::size_t(at + 2)] = std::uint8_t(bits >> 24);
}
}  // namespace

Reply SimProtocol::handleFrame(const std::uint8_t* f, int length)
{
    m_awaitingBlockFor = 0;
    if (length != 7 || f[0] != kFrameStart || f[6] != kFrameEnd)
        return {};
    SimMeter& m = *m_meter;
    m.advance();
    const std::uint8_t letter = f[1];
    switch (letter) {
        case 'A': {
            const auto live = m.liveReply();
            return Reply(live.begin(), live.end());
        }
        case 'K': {
            Reply r = reply32('K');
            r[23] = 'Q';
            r[24] = 'Z';
            r[25] = 'X';
            return r;
        }
        case 'P':
            m_downloading = true;
            m_block = std::max(1, f[2] << 8 | f[3]);
            return memoryBlockReply(m_block);
        case 'p':
            if (!m_downloading)
                return {};
            return memoryBlockReply(++m_block);
        case 'r':
            if (!m_downloading)
                return eeprom(f);
            // The PC missed the last block: step back so that the next "p" sends it again.
            if (m_block > 1)
                --m_block;
            return memoryBlockReply(m_block);
        case 'q':
        case 'Q':
            m_downloading = false;
            return {};
        case 'W':
            return eeprom(f);
        case 'I': {
            const bool ok = isBcd(f[2]) && isBcd(f[3]) && m.setInterval(fromBcd(f[2]), fromBcd(f[3]));
            return acknowledge(letter, ok);
        }
        case 'e':
            return acknowledge(letter, m.eraseMemory());
        case 'X':
            return information();
        case 'Y':
        case 'Z':
            return calibration(letter);
        case 't':
        case 's':
            m_awaitingBlockFor = letter;
            return {};
        default:
            if (m.pressKey(letter))
                return acknowledge(letter, true);
            return {};
    }
}

Reply SimProtocol::handleBlock(const std::uint8_t* b, int length)
{
    const std::uint8_t letter = m_awaitingBlockFor;
    m_awaitingBlockFor = 0;
    if (letter == 0 || length != 32)
        return {};
    SimMeter& m = *m_meter;
    if (letter == 's')
        return acknowledge(letter, !m.recording() && m.memory().applySettings(b));

    // Clock block: seconds, minutes, hours, day, month, -, year, all BCD.
    for (int i : {0, 1, 2, 3, 4, 6})
        if (!isBcd(b[i]))
            return acknowledge(letter, false);
    const QDate d(2000 + fromBcd(b[6]), fromBcd(b[4]), fromBcd(b[3]));
    const QTime t(fromBcd(b[2]), fromBcd(b[1]), fromBcd(b[0]));
    if (!d.isValid() || !t.isValid())
        return acknowledge(letter, false);
    m.setMeterTime(QDateTime(d, t));
    return acknowledge(letter, true);
}

Reply SimProtocol::memoryBlockReply(int number) const
{
    Reply r(36, 0xFF);
    const SimMemory& mem = m_meter->memory();
    const int base = (number - 1) * 32;
    for (int i = 0; i < 32; ++i)
        if (base + i < SimMemory::kSize)
            r[std::size_t(i)] = mem.at(base + i);
    r[32] = std::uint8_t(number >> 8);
    r[33] = std::uint8_t(number);
    r[34] = 0x04;
    r[35] = 0x05;
    return r;
}

Reply SimProtocol::information() const
{
    Reply r(64, 0);
    const SimMemory& mem = m_meter->memory();
    for (int i = 0; i < 32; ++i)
        r[std::size_t(i)] = mem.at(i);
    const QDateTime now = m_meter->meterTime();
    r[40] = toBcd(now.time().second());
    r[41] = toBcd(now.time().minute());
    r[42] = toBcd(now.time().hour());
    r[43] = toBcd(now.date().day());
    r[44] = toBcd(now.date().month());
    r[45] = toBcd(now.date().dayOfWeek() % 7);
    r[46] = toBcd(now.date().year() % 100);
    r[63] = kFrameEnd;
    return r;
}

Reply SimProtocol::calibration(std::uint8_t letter) const
{
    Reply r = reply32(letter);
    const SimMemory& mem = m_meter->memory();
    if (letter == 'Y') {
        for (int i = 0; i < 8; ++i)
            putCalibration(r, 3 * i, mem.calibration(i));
        r[28] = 'O';
        r[29] = 'K';
    } else {
        for (int i = 0; i < 4; ++i)
            putCalibration(r, 3 * i, mem.calibration(8 + i));
        r[30] = 'O';
        r[31] = 'K';
    }
    return r;
}

Reply SimProtocol::eeprom(const std::uint8_t* f)
{
    Reply r = reply32(f[1]);
    for (int i = 2; i <= 5; ++i)
        r[std::size_t(i)] = f[i];
    const int address = f[2] << 16 | f[3] << 8 | f[4];
    SimMemory& mem = m_meter->memory();
    if (address >= SimMemory::kSize) {
        r[1] = '?';  // no such cell: the echo does not match, so the PC retries and fails
        return r;
    }
    if (f[1] == 'W')
        mem.set(address, f[5]);
    else
        r[5] = mem.at(address);
    return r;
}

}  // namespace kelvor
