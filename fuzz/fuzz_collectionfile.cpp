// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a collection file on disk, opened as the program opens one: read,
// decoded, and kept exactly as it was when it opens.
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "base/clock.h"
#include "files/collection.h"
#include "logger/datasetstore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.ch4"));
    static ManualClock clock;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            std::abort();
    }
    const CollectionReadResult read = ReadCollectionFile(path);
    if (read.ok() != (!bytes.isEmpty() && bytes.size() <= kMaxCollectionBytes) || (read.ok() && read.image != bytes))
        std::abort();
    DataSetStore store;
    const CollectionOpenResult opened = OpenCollection(path, store, clock, QString());
    if (opened.status == CollectionOpenResult::Opened && store.collectionImage != bytes)
        std::abort();
    return 0;
}
