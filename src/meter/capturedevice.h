// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <memory>

#include "meter/captureformat.h"
#include "meter/meterdevice.h"

namespace kelvor {

// Passes every call to the wrapped device and logs the calls a replay needs in the
// capture format. Each entry goes to the file as soon as its call returns (the file
// is unbuffered), so a program stopped by a signal or a crash leaves a capture of
// everything up to that moment. The first failed write ends the log and is kept
// as captureProblem(); the meter keeps working.
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
    std::vector<FoundMeter> findMeters() override { return m_inner->findMeters(); }
    QString connectedSerial() const override { return m_inner->connectedSerial(); }
    QString captureProblem() const override;

private:
    void log(const CaptureEntry& entry);
    void append(const QByteArray& line);

    std::unique_ptr<MeterDevice> m_inner;
    std::unique_ptr<QFile> m_log;
    QString m_problem;
};

}  // namespace kelvor
