// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/meterlink.h"

#include "base/clock.h"
#include "meter/exchange.h"
#include "meter/replylayout.h"

namespace kelvor {

MeterLink::MeterLink(MeterDevice& device, Clock& clock) : m_device(&device), m_clock(&clock) {}

std::uint32_t MeterLink::WaitMs(std::uint32_t ms)
{
    const std::uint32_t start = m_clock->tickMs();
    std::uint32_t elapsed = 0;
    // Unsigned subtraction: a wrap of the tick counter is harmless. Events are
    // processed at least once, so WaitMs(0) still lets the UI breathe.
    do {
        m_clock->processEventsWhileWaiting();
        elapsed = m_clock->tickMs() - start;
    } while (elapsed <= ms);
    return elapsed;
}

int MeterLink::writeCommand(CommandFrame& frame, Command c)
{
    frame[0] = kFrameStart;
    frame[1] = std::uint8_t(c);
    frame[6] = kFrameEnd;
    return m_device->WriteFrame(frame.data(), int(frame.size()));
}

bool MeterLink::ProbeMeter()
{
    bool ok = false;
    if (m_device->OpenLink(kMeterVendorId, kMeterProductId) == kLinkOk &&
        m_device->SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) == kLinkOk) {
        writeCommand(m_mainFrame, Command::Identity);  // result ignored: the read decides
        m_device->SyncLink();
        ok = m_device->ReadReply(m_reply.data(), 32) == kLinkOk;
    }
    m_device->CloseLink();
    return ok;
}

bool MeterLink::replyHasModelCode() const
{
    return m_reply[kModelCodeAt] == 'Q' && m_reply[kModelCodeAt + 1] == 'Z' && m_reply[kModelCodeAt + 2] == 'X';
}

bool MeterLink::ReadLiveReading()
{
    bool ok = false;
    if (m_device->OpenLink(kMeterVendorId, kMeterProductId) == kLinkOk &&
        m_device->SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) == kLinkOk) {
        m_mainFrame[kFrameSequence] = nextSequence();
        writeCommand(m_mainFrame, Command::LiveReading);
        m_device->SyncLink();
        m_reply.fill(0);  // a failed read must not leave the previous reading behind
        ok = m_device->ReadReply(m_reply.data(), 64) == kLinkOk;
        if (!ok)
            ++m_failedLiveReads;
    }
    m_device->CloseLink();
    return ok;
}

int MeterLink::SendKeyCommand()
{
    static constexpr ExchangeCodes kKeyCodes{kKeyOpenFailed, kKeyTimeoutsFailed,  kKeyWriteFailed, 0,
                                             kKeyReadFailed, kKeyNotAcknowledged, kKeyReplyError};
    Exchange x;
    x.command = Command(m_panelFrame[1]);
    x.frame = &m_panelFrame;
    x.reply = m_keyReply.data();
    x.replyLength = int(m_keyReply.size());
    x.codes = kKeyCodes;
    x.accepted = OkAt(kAckAt);
    return RunExchange(*this, x);  // the link stays open; the next exchange opens it again
}

int MeterLink::SendKey(Command key)
{
    m_panelFrame[0] = kFrameStart;
    m_panelFrame[1] = std::uint8_t(key);
    m_panelFrame[kFrameParam1] = 0;
    m_panelFrame[kFrameParam2] = 0;
    m_panelFrame[6] = kFrameEnd;
    return SendKeyCommand();
}

}  // namespace kelvor
