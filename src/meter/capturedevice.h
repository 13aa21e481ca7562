// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <QFile>

#include "meter/captureformat.h"
#include "meter/meterdevice.h"

namespace kelvor {

// Passes every call to the wrapped device and logs the calls a replay needs in the
// capture format. The log is buffered and flushed at every CloseLink and at
// destruction, so a normal exit, and an interrupted one between exchanges, keep it whole.
class CaptureDevice final : public MeterDevice {
public:
    CaptureDevice(std::unique_ptr<MeterDevice> inner, std::unique_ptr<QFile> log);
    ~CaptureDevice() override;

    int OpenLink(std::uint16_t vendorId, std::uint16_t productId) override;
    int SetLinkTimeouts(int readTimeout, int writeTimeout) override;
    int WriteFrame(const std::uint8_t* frame, int length) override;
    int WriteBlock(const std::uint8_t* block, int length) override;
    int SyncLink() override;
    int ReadReply(std::uint8_t* buffer, int length) override;
    int CloseLink() override;
    int GetSerialText(char* buffer, int size) override;
    QString lastOpenProblem() const override { return m_inner->lastOpenProblem(); }
    bool atEnd() const override { return m_inner->atEnd(); }

    void flush();

private:
    void log(const CaptureEntry& entry);

    std::unique_ptr<MeterDevice> m_inner;
    std::unique_ptr<QFile> m_log;
};

}  // namespace kelvor
