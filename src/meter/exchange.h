// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "meter/commandframe.h"

namespace kelvor {

class MeterLink;

// The read and write time-out every exchange sets after opening the link.
inline constexpr int kLinkTimeoutMs = 100;

// What each step of an exchange reports when it fails: one family of codes, kept as
// data. A step whose code is 0 cannot fail the exchange.
struct ExchangeCodes {
    int open = 0;
    int timeouts = 0;
    int frame = 0;
    int block = 0;
    int read = 0;
    int notAccepted = 0;
    int replyError = 0;  // the device threw while reading; 0 lets the exception through
};

// One exchange: open the link, set the time-outs, send the frame, (fill and send the
// setup block), read the reply and check it. The link stays open.
struct Exchange {
    Command command = Command::Identity;
    CommandFrame* frame = nullptr;                 // bytes 0, 1 and 6 are set before it is sent
    std::function<void(CommandFrame&)> fillFrame;  // the parameter bytes, set just before sending
    std::uint8_t* reply = nullptr;
    int replyLength = 0;
    ExchangeCodes codes;
    // The meter's own programs differ here: most run every step and let the last failing
    // one name the code; the EEPROM commands stop at the first failure.
    bool stopAtFirstFailure = false;
    std::function<void()> fillBlock;     // set: the setup block follows the frame
    std::uint32_t waitBeforeReadMs = 0;  // without a block: a pause between frame and read
    // Whether the reply read is the one asked for; empty: any reply will do.
    std::function<bool(const std::uint8_t* reply)> accepted;
};

// The usual test: "OK" at byte at of the reply.
std::function<bool(const std::uint8_t*)> OkAt(int at);

// Runs the exchange; 0 or the code of the step that failed.
int RunExchange(MeterLink& link, const Exchange& exchange);

}  // namespace kelvor
