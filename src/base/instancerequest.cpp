// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/instancerequest.h"

#include <QtEndian>
#include <algorithm>

namespace kelvor {

namespace {
// "KLV1" requests (from older copies) end each name with a line feed, "KLV2" with a NUL
// byte, the one character no file name holds.
constexpr char kTag[3] = {'K', 'L', 'V'};
constexpr char kNewlineVersion = '1';
constexpr char kNulVersion = '2';
constexpr int kHeader = 8;

bool IsFileName(const QString& name) { return !name.isEmpty() && !name.contains(QChar(u'\0')); }
}  // namespace

QByteArray EncodeInstanceRequest(const QStringList& files)
{
    QByteArray text;
    for (const QString& f : files) {
        if (!IsFileName(f))
            continue;
        text += f.toUtf8();
        text += '\0';
    }
    QByteArray out(kHeader, '\0');
    std::copy(kTag, kTag + 3, out.data());
    out[3] = kNulVersion;
    qToBigEndian(quint32(text.size()), out.data() + 4);
    return out + text;
}

std::optional<QStringList> DecodeInstanceRequest(const QByteArray& bytes, bool* bad)
{
    if (bad)
        *bad = false;
    const qsizetype tagBytes = std::min<qsizetype>(bytes.size(), 3);
    const bool knownVersion = bytes.size() < 4 || bytes[3] == kNewlineVersion || bytes[3] == kNulVersion;
    if (!std::equal(bytes.constData(), bytes.constData() + tagBytes, kTag) || !knownVersion) {
        if (bad)
            *bad = true;
        return std::nullopt;
    }
    if (bytes.size() < kHeader)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(bytes.constData() + 4);
    if (length > kInstanceRequestMax) {
        if (bad)
            *bad = true;
        return std::nullopt;
    }
    if (bytes.size() - kHeader < qint64(length))
        return std::nullopt;
    const char separator = bytes[3] == kNulVersion ? '\0' : '\n';
    QStringList files;
    for (const QByteArray& name : bytes.mid(kHeader, length).split(separator)) {
        const QString file = QString::fromUtf8(name);
        if (IsFileName(file))
            files << file;
    }
    return files;
}

}  // namespace kelvor
