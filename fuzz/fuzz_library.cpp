// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as kelvor.sqlite: opening, listing and reading every item must end
// in a library, a file set aside or a message, never a crash or a wild allocation.
#include <cstddef>
#include <cstdint>
#include <QFile>
#include <QTemporaryDir>

#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    QTemporaryDir dir;
    {
        QFile f(Library::pathIn(dir.path()));
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    LibraryOpenResult r = Library::open(dir.path());
    if (!r.library)
        return 0;
    QString error;
    for (const LibraryEntry& e : r.library->list(&error)) {
        if (e.kind == EntryKind::Recording)
            r.library->loadRecording(e.id, 1000, &error);
        else
            r.library->loadDownload(e.id, &error);
    }
    LibraryStatus s;
    r.library->markInterrupted({}, &s);
    return 0;
}
