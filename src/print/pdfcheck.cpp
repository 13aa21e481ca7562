// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/pdfcheck.h"

namespace kelvor {

bool IsCompletePdf(const QByteArray& bytes)
{
    if (!bytes.startsWith("%PDF-"))
        return false;
    // "startxref", the offset and "%%EOF" close the file within its last few dozen bytes.
    const QByteArray tail = bytes.right(64).trimmed();
    static constexpr QByteArrayView kStart = "startxref";
    static constexpr QByteArrayView kEnd = "%%EOF";
    if (!tail.endsWith(kEnd))
        return false;
    const qsizetype at = tail.lastIndexOf(kStart);
    if (at < 0)
        return false;
    const qsizetype from = at + kStart.size();
    bool ok = false;
    const qint64 xref = tail.mid(from, tail.size() - kEnd.size() - from).trimmed().toLongLong(&ok);
    return ok && xref > 0 && xref <= bytes.size() - 4 && bytes.mid(xref, 4) == "xref";
}

}  // namespace kelvor
