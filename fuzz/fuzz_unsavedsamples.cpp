// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as an unsaved-samples file beside the library, as a killed run may
// leave one (of one meter or of several). Opening the library takes it in or leaves it
// alone; whatever went in loads back with every meter's samples beside the first's.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "library/library.h"
#include "library/libraryaccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    QTemporaryDir dir;
    {
        QFile f(QDir(dir.path()).filePath(QStringLiteral("kelvor-unsaved-20260105-120000-1.txt")));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    LibraryAccess access(dir.path());
    Library* library = access.get();
    if (!library)
        return 0;
    QString error;
    for (const LibraryEntry& e : library->list(&error)) {
        const auto run = library->loadRecording(e.id, 0, &error);
        if (!run)
            continue;
        if (run->otherMeters.size() + 1 != std::max<std::size_t>(1, run->header.meters.size()))
            std::abort();
        for (const auto& other : run->otherMeters)
            if (other.size() != run->samples.size())
                std::abort();
    }
    return 0;
}
