// SPDX-License-Identifier: GPL-3.0-or-later
// Any damage to kelvor.sqlite: opening, listing and reading every item must end in a
// library, a file set aside or a message, never a crash or a wild allocation.
//
// Random bytes are almost never a database, so most inputs patch a real library (a
// finished recording, one left "recording", and a download of the demo memory): the
// first byte 0 takes the input as the whole file; otherwise the rest is read as
// (24-bit offset, byte) pairs written over the real file.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "base/clock.h"
#include "library/library.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetstore.h"
#include "meter/sim/simdemo.h"
#include "meter/sim/simmemory.h"

namespace {

using namespace kelvor;

JournalSample sampleAt(double start, int i)
{
    JournalSample s;
    s.time = start + i * 2.0 / 86400.0;
    s.t = {20.0f + float(i % 7), -5.5f + float(i % 3), 100.0f - float(i), 9999.0f};
    s.flags = 0x80 | (i % 11 == 0 ? 0x01 : 0);
    return s;
}

QByteArray buildRealLibrary()
{
    QTemporaryDir dir;
    {
        LibraryOpenResult r = Library::open(dir.path());
        if (!r.library)
            return {};
        Library& lib = *r.library;
        const ManualClock clock;
        const double start = clock.nowDays();
        RecordingHeader h;
        h.started = start;
        h.rateSeconds = 2;
        h.recordCount = 40;
        h.name = QStringLiteral("kiln");
        LibraryStatus s;
        for (int run = 0; run < 2; ++run) {
            const auto id = lib.beginRecording(h, &s);
            if (!id)
                return {};
            for (int i = 0; i < 40; ++i)
                lib.appendSample(*id, i, sampleAt(start, i));
            if (run == 0)
                lib.endRecording(*id, kStateComplete, {}, {});
        }
        SimMemory memory;
        loadDemoDataSets(memory, 7, clock.now());
        const std::vector<std::uint8_t> used = memory.usedImage();
        const QByteArray image(reinterpret_cast<const char*>(used.data()), qsizetype(used.size()));
        DataSetStore store;
        DecodeDataSets(image, store, clock);
        lib.storeDownload(image, store.sets, start, QStringLiteral("SN-7"), QStringLiteral("download"), &s);
    }
    QFile f(Library::pathIn(dir.path()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Memory when the system has it there: a sync to disk on every commit would leave the
// fuzzer a few runs a second.
QString scratchFolder()
{
    static const QString base =
        QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return base + QStringLiteral("/kelvor-fuzz-XXXXXX");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static const QByteArray real = buildRealLibrary();
    QByteArray file;
    if (size > 0 && data[0] == 0) {
        file = QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    } else {
        file = real;
        for (std::size_t i = 1; i + 3 < size && !file.isEmpty(); i += 4) {
            const std::size_t at = (std::size_t(data[i]) << 16 | std::size_t(data[i + 1]) << 8 | data[i + 2]);
            file[qsizetype(at % std::size_t(file.size()))] = char(data[i + 3]);
        }
    }
    QTemporaryDir dir(scratchFolder());
    {
        QFile f(Library::pathIn(dir.path()));
        if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
            return 0;
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
