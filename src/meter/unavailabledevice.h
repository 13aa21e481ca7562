// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "meter/meterdevice.h"

namespace kelvor {

// Stands in when no backend could be built (bad --meter, backend missing): every
// operation fails, and the reason is kept for the status bar.
class UnavailableDevice final : public MeterDevice {
public:
    explicit UnavailableDevice(QString reason) : m_reason(std::move(reason)) {}

    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkFailed; }
    int SetLinkTimeouts(int, int) override { return kLinkFailed; }
    int WriteFrame(const std::uint8_t*, int) override { return kLinkFailed; }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkFailed; }
    int SyncLink() override { return kLinkFailed; }
    int ReadReply(std::uint8_t*, int) override { return kLinkFailed; }
    int CloseLink() override { return kLinkFailed; }
    int GetSerialText(char* buffer, int size) override
    {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return kLinkFailed;
    }
    QString lastOpenProblem() const override { return m_reason; }

private:
    QString m_reason;
};

}  // namespace kelvor
