// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

#include "meter/meterdevice.h"

// A meter that answers the download commands from a memory image: "P" n answers with
// block n - 1 and positions the meter so the next "p" sends block n; "r" repeats the
// last block without moving. Faults come from two predicates, asked with the command
// letter and the block the reply would carry.
struct FakeMemoryMeter : kelvor::MeterDevice {
    QByteArray memory;
    std::vector<std::vector<std::uint8_t>> frames;  // every frame written, failed or not
    int opens = 0;
    std::function<bool(char, int)> failWrite = [](char, int) { return false; };
    std::function<bool(char, int)> failRead = [](char, int) { return false; };
    std::function<bool()> failOpen = [] { return false; };
    std::function<bool(char, int)> garbleTrailer = [](char, int) { return false; };

    char lastCommand = 0;
    int next = 0;       // the block the next "p" sends
    int lastBlock = 0;  // the block the pending reply carries
    int blockField = 0;

    int OpenLink(std::uint16_t, std::uint16_t) override
    {
        ++opens;
        return failOpen() ? kelvor::kLinkFailed : kelvor::kLinkOk;
    }
    int SetLinkTimeouts(int, int) override { return kelvor::kLinkOk; }
    int WriteFrame(const std::uint8_t* f, int n) override
    {
        frames.emplace_back(f, f + n);
        const char c = char(f[1]);
        int block = next;
        if (c == 'P')
            block = (f[2] << 8 | f[3]) - 1;
        if (c == 'r')
            block = lastBlock;
        if (failWrite(c, block))
            return kelvor::kLinkFailed;
        lastCommand = c;
        if (c == 'P') {
            lastBlock = block;
            blockField = f[2] << 8 | f[3];
            next = block + 1;
        } else if (c == 'r') {
            next = lastBlock;  // the lost block is sent again by the next "p"
        } else if (c == 'p') {
            lastBlock = next++;
            blockField = lastBlock;
        }
        return kelvor::kLinkOk;
    }
    int WriteBlock(const std::uint8_t*, int) override { return kelvor::kLinkOk; }
    int SyncLink() override { return kelvor::kLinkOk; }
    int ReadReply(std::uint8_t* b, int n) override
    {
        if (failRead(lastCommand, lastBlock)) {
            return kelvor::kLinkFailed;
        }
        std::fill(b, b + n, 0);
        if (n == 36 && (lastCommand == 'P' || lastCommand == 'p' || lastCommand == 'r')) {
            const int at = lastBlock * 32;
            for (int i = 0; i < 32; ++i)
                b[i] = at + i < memory.size() ? std::uint8_t(memory[at + i]) : 0xFF;
            b[32] = std::uint8_t(blockField >> 8);
            b[33] = std::uint8_t(blockField);
            b[34] = 0x04;
            b[35] = 0x05;
            if (garbleTrailer(lastCommand, lastBlock)) {
                b[3] ^= 0x5A;  // the damage reaches the data too
                b[35] = 0x00;
            }
        }
        return kelvor::kLinkOk;
    }
    int CloseLink() override { return kelvor::kLinkOk; }
    int GetSerialText(char* b, int) override
    {
        b[0] = 0;
        return kelvor::kLinkOk;
    }

    int count(char c) const
    {
        int k = 0;
        for (const auto& f : frames)
            k += f[1] == std::uint8_t(c);
        return k;
    }
};
