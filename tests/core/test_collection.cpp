// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "files/collection.h"
#include "logger/datasetstore.h"
#include "memoryimage_builder.h"

using namespace kelvor;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray threeSets()
{
    TestDataSet a, b, c;
    a.values = {1, 2, 3, 4};
    b.values = {5, 6, 7, 8, 9, 10, 11, 12};
    c.flags = 0x11;
    return buildImage({a, b, c});
}
}  // namespace

TEST(Collection, SaveAndOpenRoundTrip)
{
    QTemporaryDir dir;
    ManualClock clock;
    const QString wc = dir.filePath("temp/DataSetsTemp.tmp");
    const QString path = dir.filePath("three.ch4");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("temp")));
    writeFile(wc, "an older download");  // left by an earlier run

    DataSetStore store;
    store.collectionImage = threeSets();  // what the last download listed
    ASSERT_TRUE(SaveCollection(store, wc, path).ok());
    EXPECT_EQ(readFile(path), threeSets());

    DataSetStore opened;
    const CollectionOpenResult r = OpenCollection(path, opened, clock, wc);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(opened.sets.size(), 3u);
    EXPECT_EQ(opened.values.size(), 12u);
    EXPECT_TRUE(r.warning.isEmpty());
    EXPECT_EQ(readFile(wc), threeSets());  // the working copy now is this collection

    // Saving over an existing file replaces it.
    store.collectionImage = buildImage({TestDataSet{}});
    ASSERT_TRUE(SaveCollection(store, wc, path).ok());
    EXPECT_EQ(readFile(path), store.collectionImage);
}

TEST(Collection, SaveWithoutDataOrTarget)
{
    QTemporaryDir dir;
    DataSetStore store;
    const QString wc = dir.filePath("temp/DataSetsTemp.tmp");
    Status r = SaveCollection(store, wc, dir.filePath("x.ch4"));
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().startsWith("There is no data set to save")) << r.error().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("x.ch4")));

    // Right after start, the working copy of an earlier run is what there is to save.
    writeFile(dir.filePath("earlier.tmp"), threeSets());
    ASSERT_TRUE(SaveCollection(store, dir.filePath("earlier.tmp"), dir.filePath("x.ch4")).ok());
    EXPECT_EQ(readFile(dir.filePath("x.ch4")), threeSets());

    store.collectionImage = threeSets();
    const QString bad = dir.filePath("no/such/folder/x.ch4");
    r = SaveCollection(store, wc, bad);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains("x.ch4")) << r.error().toStdString();
}

TEST(Collection, BadFilesLeaveTheStore)
{
    QTemporaryDir dir;
    ManualClock clock;
    const QString wc = dir.filePath("temp/DataSetsTemp.tmp");
    DataSetStore store;
    writeFile(dir.filePath("good.ch4"), threeSets());
    ASSERT_TRUE(OpenCollection(dir.filePath("good.ch4"), store, clock, wc).ok());

    QByteArray tooMany = threeSets();
    putBe16(tooMany, 8, 4001);
    QByteArray headerOnly = threeSets().left(2816 + 10);
    struct Case {
        const char* name;
        QByteArray bytes;
        CollectionOpenResult::Status status;
        bool silent;
    } cases[] = {
        {"zeros", QByteArray(100, '\0'), CollectionOpenResult::NotDecoded, true},
        {"empty", QByteArray(), CollectionOpenResult::Unreadable, false},
        {"huge", QByteArray((1 << 20) + 1, '\1'), CollectionOpenResult::Unreadable, false},
        {"too many", tooMany, CollectionOpenResult::NotDecoded, false},
        {"cut in first set", headerOnly, CollectionOpenResult::NotDecoded, false},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".ch4");
        writeFile(path, c.bytes);
        const CollectionOpenResult r = OpenCollection(path, store, clock, wc);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.error.isEmpty(), c.silent) << c.name;
        EXPECT_EQ(store.sets.size(), 3u) << c.name;
        EXPECT_EQ(store.collectionImage, threeSets()) << c.name;
    }
    EXPECT_EQ(OpenCollection(dir.filePath("missing.ch4"), store, clock, wc).status, CollectionOpenResult::Unreadable);
    EXPECT_EQ(readFile(wc), threeSets());

    // A collection that ends inside its last data set opens with the complete ones.
    writeFile(dir.filePath("cut.ch4"), threeSets().chopped(3));
    const CollectionOpenResult cut = OpenCollection(dir.filePath("cut.ch4"), store, clock, wc);
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(store.sets.size(), 2u);
    EXPECT_FALSE(cut.warning.isEmpty());
}
