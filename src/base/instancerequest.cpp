// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/instancerequest.h"

#include <QtEndian>
#include <algorithm>

namespace kelvor {

namespace {
constexpr char kTag[4] = {'K', 'L', 'V', '1'};
constexpr int kHeader = 8;
}  // namespace

QByteArray EncodeInstanceRequest(const QStringList& files)
{
    QByteArray text;
    for (const QString& f : files) {
        // A name with a line break cannot be told apart from two names; it is left out.
        if (f.isEmpty() || f.contains(QLatin1Char('\n')))
            continue;
        text += f.toUtf8() + '\n';
    }
    QByteArray out(kHeader, '\0');
    std::copy(kTag, kTag + 4, out.data());
    qToBigEndian(quint32(text.size()), out.data() + 4);
    return out + text;
}

std::optional<QStringList> DecodeInstanceRequest(const QByteArray& bytes, bool* bad)
{
    if (bad)
        *bad = false;
    const qsizetype tagBytes = std::min<qsizetype>(bytes.size(), 4);
    if (!std::equal(bytes.constData(), bytes.constData() + tagBytes, kTag)) {
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
    QStringList files;
    for (const QByteArray& line : bytes.mid(kHeader, length).split('\n'))
        if (!line.isEmpty())
            files << QString::fromUtf8(line);
    return files;
}

}  // namespace kelvor
