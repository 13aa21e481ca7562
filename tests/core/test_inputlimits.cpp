// SPDX-License-Identifier: GPL-3.0-or-later
// Every reader that takes a file whole refuses, before reading, what is not a
// regular file and what is over its stated size, naming the file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <functional>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "chart/chartmodel.h"
#include "files/collection.h"
#include "files/texttable.h"
#include "graph/graphfile.h"
#include "meter/captureformat.h"
#include "meter/devicefactory.h"

using namespace kelvor;

namespace {

struct Reader {
    const char* name;
    qint64 limit;
    // Reads the file; returns the error the user sees (empty when it was accepted).
    std::function<QString(const QString& path)> read;
};

std::vector<Reader> readers()
{
    return {
        {"capture", kMaxCaptureBytes,
         [](const QString& p) {
             QString error;
             return createReplayDevice(p, &error) ? QString() : error;
         }},
        {"graph file", kGraphFileMaxBlock + 4,
         [](const QString& p) {
             ChartModel c;
             return ReadGraphFile(c, p).error;
         }},
        {"collection", kMaxCollectionBytes, [](const QString& p) { return ReadCollectionFile(p).error; }},
        {"table", kMaxTableFileBytes, [](const QString& p) { return ReadTextTable(p).error; }},
    };
}

// A sparse file of the given size: no disk space, and a reader that read it whole
// would need all of it in memory.
QString sparseFile(const QTemporaryDir& dir, const char* name, qint64 size)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
    return path;
}

TEST(InputLimits, EveryReaderRefusesOversizeFilesAndNonFilesByName)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList notFiles{folder};
#ifdef Q_OS_UNIX
    notFiles << QStringLiteral("/dev/zero");
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    notFiles << fifo;  // opening it for reading would wait for a writer forever
#endif
    for (const Reader& r : readers()) {
        for (const QString& path : notFiles) {
            const QString error = r.read(path);
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path)) && error.contains(QLatin1String("not a file")))
                << r.name << " of " << path.toStdString() << ": " << error.toStdString();
        }
        const QString big = sparseFile(dir, r.name, r.limit + 1);
        const QString error = r.read(big);
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(big)) &&
                    (error.contains(QLatin1String("too large")) || error.contains(QLatin1String("more than"))))
            << r.name << ": " << error.toStdString();
        QFile::remove(big);
    }
}

TEST(InputLimits, CaptureLineFarLongerThanAnyValidOneIsRefused)
{
    std::vector<CaptureEntry> entries;
    QString error;
    const QByteArray valid = "R 4096" + QByteArray(" ff").repeated(4096) + "   # " + QByteArray(100000, 'c') + '\n';
    EXPECT_TRUE(parseCapture(valid, &entries, &error)) << error.toStdString();
    EXPECT_FALSE(parseCapture("O OK\n" + QByteArray(" 0").repeated(1 << 20) + '\n', &entries, &error));
    EXPECT_TRUE(error.contains(QLatin1String("line 2"))) << error.toStdString();
    EXPECT_TRUE(entries.empty());
}

}  // namespace
