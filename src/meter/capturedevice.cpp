// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/capturedevice.h"

#include <QDateTime>

#include "meter/devicefactory.h"

namespace kelvor {

CaptureDevice::CaptureDevice(std::unique_ptr<MeterDevice> inner, std::unique_ptr<QFile> log)
    : m_inner(std::move(inner)), m_log(std::move(log))
{
    append("# kelvor capture " + QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() + '\n');
}

CaptureDevice::~CaptureDevice() = default;

QString CaptureDevice::captureProblem() const
{
    if (m_problem.isEmpty())
        return {};
    return QStringLiteral("cannot write capture file %1: %2").arg(m_log->fileName(), m_problem);
}

void CaptureDevice::append(const QByteArray& line)
{
    if (!m_problem.isEmpty())
        return;
    if (m_log->write(line) != line.size())
        m_problem = m_log->errorString().isEmpty() ? QStringLiteral("write failed") : m_log->errorString();
}

void CaptureDevice::log(const CaptureEntry& entry) { append(formatCaptureEntry(entry)); }

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

int CaptureDevice::CloseLink() { return m_inner->CloseLink(); }

int CaptureDevice::GetSerialText(char* buffer, int size) { return m_inner->GetSerialText(buffer, size); }

std::unique_ptr<MeterDevice> wrapWithCapture(std::unique_ptr<MeterDevice> inner, const QString& file, QString* error)
{
    if (!inner)
        return nullptr;
    auto log = std::make_unique<QFile>(file);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("cannot write capture file %1: %2").arg(file, log->errorString());
        return nullptr;
    }
    auto device = std::make_unique<CaptureDevice>(std::move(inner), std::move(log));
    // A capture that cannot take its first line (a full disk, /dev/full) is refused at once.
    if (const QString problem = device->captureProblem(); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return nullptr;
    }
    return device;
}

}  // namespace kelvor
