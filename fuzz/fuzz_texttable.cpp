// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as a text table file, read with both separators.
#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/texttable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (QChar sep : {QLatin1Char('\t'), QLatin1Char(',')}) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        int calls = 0;
        const TableReadResult r = ReadTextTable(buffer, sep, [&](int) { return ++calls < 3; });
        // A row per line at most, whether lines end in CR, LF or CR LF.
        if (r.rows.size() > std::size_t(bytes.count('\n') + bytes.count('\r')) + 1)
            std::abort();
    }
    return 0;
}
