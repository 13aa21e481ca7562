// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/replaydevice.h"

#include <QFile>
#include <algorithm>
#include <cstring>

#include "base/inputfile.h"
#include "meter/devicefactory.h"

namespace kelvor {

ReplayDevice::ReplayDevice(std::vector<CaptureEntry> entries) : m_entries(std::move(entries)) {}

int ReplayDevice::OpenLink(std::uint16_t, std::uint16_t)
{
    const CaptureEntry* e = peek();
    if (!e)
        return kLinkFailed;
    if (e->kind != CaptureEntry::Kind::Open)
        return kLinkOk;
    ++m_next;
    return e->ok ? kLinkOk : kLinkFailed;
}

int ReplayDevice::write(CaptureEntry::Kind kind, const std::uint8_t* data, int length)
{
    const CaptureEntry* e = peek();
    if (!e)
        return kLinkFailed;
    if (e->kind != kind)
        return kLinkOk;
    ++m_next;
    if (e->anyFrame)
        return kLinkOk;
    const bool same = data && length == int(e->bytes.size()) && std::equal(e->bytes.begin(), e->bytes.end(), data);
    return same ? kLinkOk : kLinkFailed;
}

int ReplayDevice::WriteFrame(const std::uint8_t* frame, int length)
{
    return write(CaptureEntry::Kind::Frame, frame, length);
}

int ReplayDevice::WriteBlock(const std::uint8_t* block, int length)
{
    return write(CaptureEntry::Kind::Block, block, length);
}

int ReplayDevice::ReadReply(std::uint8_t* buffer, int length)
{
    const CaptureEntry* e = peek();
    if (!e || e->kind != CaptureEntry::Kind::Read)
        return kLinkFailed;
    ++m_next;
    if (length != e->length || !e->ok || !buffer)
        return kLinkFailed;
    std::copy(e->bytes.begin(), e->bytes.end(), buffer);
    return kLinkOk;
}

int ReplayDevice::SetLinkTimeouts(int, int) { return atEnd() ? kLinkFailed : kLinkOk; }
int ReplayDevice::SyncLink() { return atEnd() ? kLinkFailed : kLinkOk; }
int ReplayDevice::CloseLink() { return atEnd() ? kLinkFailed : kLinkOk; }

int ReplayDevice::GetSerialText(char* buffer, int size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';  // a capture does not record the serial text
    return atEnd() ? kLinkFailed : kLinkOk;
}

QString ReplayDevice::lastOpenProblem() const
{
    return atEnd() ? QStringLiteral("the replayed capture has ended") : QString();
}

std::unique_ptr<MeterDevice> createReplayDevice(const QString& file, QString* error)
{
    QFile f(file);
    QString problem = OpenInputFile(f, kMaxCaptureBytes, QStringLiteral("a capture"));
    QByteArray text;
    if (problem.isEmpty()) {
        text = f.read(kMaxCaptureBytes + 1);  // bounded, whatever size() said
        if (f.error() != QFileDevice::NoError)
            problem = QStringLiteral("Cannot read \"%1\": %2").arg(file, f.errorString());
        else if (text.size() > kMaxCaptureBytes)
            problem = QStringLiteral("\"%1\" is too large for a capture: more than %2 bytes.")
                          .arg(file)
                          .arg(kMaxCaptureBytes);
    }
    std::vector<CaptureEntry> entries;
    QString why;
    if (problem.isEmpty() && !parseCapture(text, &entries, &why))
        problem = QStringLiteral("capture file %1, %2").arg(file, why);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return nullptr;
    }
    return std::make_unique<ReplayDevice>(std::move(entries));
}

}  // namespace kelvor
