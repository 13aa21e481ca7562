// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/exchange.h"

#include <exception>

#include "meter/meterlink.h"
#include "meter/replylayout.h"

namespace kelvor {

namespace {
constexpr std::uint32_t kBlockSettleMs = 100;  // before and after the setup block
}

std::function<bool(const std::uint8_t*)> OkAt(int at)
{
    return [at](const std::uint8_t* reply) { return HasOk(reply, at); };
}

int RunExchange(MeterLink& link, const Exchange& x)
{
    MeterDevice& dev = link.device();
    int code = 0;
    // Records a failed step; true when that ends the exchange.
    const auto failed = [&](int stepCode) {
        code = stepCode;
        return x.stopAtFirstFailure;
    };
    if (dev.OpenLink(kMeterVendorId, kMeterProductId) != kLinkOk && failed(x.codes.open))
        return code;
    if (dev.SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) != kLinkOk && failed(x.codes.timeouts))
        return code;
    if (x.fillFrame)
        x.fillFrame(*x.frame);
    if (link.writeCommand(*x.frame, x.command) != kLinkOk && failed(x.codes.frame))
        return code;
    dev.SyncLink();
    if (x.fillBlock) {
        link.WaitMs(kBlockSettleMs);
        x.fillBlock();
        auto& block = link.setupBlock();
        if (dev.WriteBlock(block.data(), int(block.size())) != kLinkOk && failed(x.codes.block))
            return code;
        dev.SyncLink();
        link.WaitMs(kBlockSettleMs);
    } else if (x.waitBeforeReadMs > 0) {
        link.WaitMs(x.waitBeforeReadMs);
    }
    try {
        if (dev.ReadReply(x.reply, x.replyLength) != kLinkOk)
            code = x.codes.read;
        else if (x.accepted && !x.accepted(x.reply))
            code = x.codes.notAccepted;
    } catch (const std::exception&) {
        if (x.codes.replyError == 0)
            throw;
        code = x.codes.replyError;
    }
    return code;
}

}  // namespace kelvor
