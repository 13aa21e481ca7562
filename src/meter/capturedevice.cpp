// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/capturedevice.h"

#include <QDateTime>

#include "meter/devicefactory.h"

namespace kelvor {

CaptureDevice::CaptureDevice(std::unique_ptr<MeterDevice> inner, std::unique_ptr<QFile> log)
    : m_inner(std::move(inner)), m_log(std::move(log))
{
    m_log->write("# kelvor capture " +
                 QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() + '\n');
}

CaptureDevice::~CaptureDevice() { flush(); }

void CaptureDevice::flush() { m_log->flush(); }

void CaptureDevice::log(const CaptureEntry& entry) { m_log->write(formatCaptureEntry(entry)); }

int CaptureDevice::OpenLink(std::uint16_t vendorId, std::uint16_t productId)
{
    const int r = m_inner->OpenLink(vendorId, productId);
    CaptureEntry e;
    e.kind = CaptureEntry::Kind::Open;
    e.ok = r == kLinkOk;
    log(e);
    return r;
}

int CaptureDevice::SetLinkTimeouts(int readTimeout, int writeTimeout)
{
    return m_inner->SetLinkTimeouts(readTimeout, writeTimeout);
}

int CaptureDevice::WriteFrame(const std::uint8_t* frame, int length)
{
    const int r = m_inner->WriteFrame(frame, length);
    CaptureEntry e;
    e.kind = CaptureEntry::Kind::Frame;
    if (frame && length > 0)
        e.bytes.assign(frame, frame + length);
    log(e);
    return r;
}

int CaptureDevice::WriteBlock(const std::uint8_t* block, int length)
{
    const int r = m_inner->WriteBlock(block, length);
    CaptureEntry e;
    e.kind = CaptureEntry::Kind::Block;
    if (block && length > 0)
        e.bytes.assign(block, block + length);
    log(e);
    return r;
}

int CaptureDevice::SyncLink() { return m_inner->SyncLink(); }

int CaptureDevice::ReadReply(std::uint8_t* buffer, int length)
{
    const int r = m_inner->ReadReply(buffer, length);
    CaptureEntry e;
    e.kind = CaptureEntry::Kind::Read;
    e.length = length;
    e.ok = r == kLinkOk && buffer && length > 0;
    if (e.ok)
        e.bytes.assign(buffer, buffer + length);
    log(e);
    return r;
}

int CaptureDevice::CloseLink()
{
    const int r = m_inner->CloseLink();
    flush();
    return r;
}

int CaptureDevice::GetSerialText(char* buffer, int size) { return m_inner->GetSerialText(buffer, size); }

std::unique_ptr<MeterDevice> wrapWithCapture(std::unique_ptr<MeterDevice> inner, const QString& file,
                                             QString* error)
{
    if (!inner)
        return nullptr;
    auto log = std::make_unique<QFile>(file);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("cannot write capture file %1: %2").arg(file, log->errorString());
        return nullptr;
    }
    return std::make_unique<CaptureDevice>(std::move(inner), std::move(log));
}

}  // namespace kelvor
