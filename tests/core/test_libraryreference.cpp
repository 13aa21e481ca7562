// SPDX-License-Identifier: GPL-3.0-or-later
// Library items and data sets as reference curves.
#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <cmath>

#include "base/clock.h"
#include "library/library.h"
#include "library/libraryreference.h"
#include "logger/datasetdecoder.h"
#include "memoryimage_builder.h"

using namespace kelvor;

namespace {
constexpr double kStart = 46027.5;  // 5 Jan 2026 12:00
constexpr double kSec = 1.0 / 86400.0;
}  // namespace

// Every recording and every data set of a download is offered, newest first, and each
// reads back as its own samples: a recording with its gaps and annotations in its unit,
// the download's set 2 as the second data set (not the first or third).
TEST(LibraryReference, RecordingsAndDownloadSetsReadAsCurves)
{
    QTemporaryDir dir;
    LibraryOpenResult opened = Library::open(dir.path());
    ASSERT_TRUE(opened.library) << opened.error.toStdString();
    Library& lib = *opened.library;
    LibraryStatus s;

    RecordingHeader h;
    h.started = kStart;
    h.rateSeconds = 10;
    h.recordCount = 3;
    h.unit = QStringLiteral("F");
    const std::int64_t run = *lib.beginRecording(h, &s);
    RecordingStatistics stats;
    for (int i = 0; i < 3; ++i) {
        JournalSample j{kStart + 10 * i * kSec, std::uint8_t(i == 1 ? 0x10 : 0), {100.0f + i, 50, 50, 50}};
        stats.add(j);
        ASSERT_TRUE(lib.appendSample(run, i, j).ok());
    }
    ASSERT_TRUE(lib.endRecording(run, kStateComplete, stats,
                                 {{kStart + 15 * kSec, 0, 0, 0, QStringLiteral("door")},
                                  {kStart + 10 * kSec, 0, 0, 0, QStringLiteral("lid")}})
                    .ok());
    ASSERT_TRUE(lib.rename(run, QStringLiteral("kiln")).ok());

    TestDataSet a, b, c;
    a.values = {250, 260, 270, 280};
    b.values = {100, 101, 102, 103, 110, 111, 112, 113};
    b.flags = 0x10;  // °C
    c.values = {300, 300, 300, 300};
    const QByteArray image = buildImage({a, b, c});
    ManualClock clock;
    DataSetStore store;
    ASSERT_TRUE(DecodeDataSets(image, store, clock).ok());
    const std::int64_t download = *lib.storeDownload(image, store.sets, kStart + 1, {}, {}, &s);

    const Result<std::vector<LibraryReferenceItem>> items = LibraryReferenceItems(lib);
    ASSERT_TRUE(items.ok()) << items.error().toStdString();
    ASSERT_EQ(items.value().size(), 4u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(items.value()[size_t(k)].id, download);
        EXPECT_EQ(items.value()[size_t(k)].set, k + 1);
    }
    const LibraryReferenceItem& recording = items.value()[3];
    EXPECT_EQ(recording.id, run);
    EXPECT_EQ(recording.set, 0);
    EXPECT_EQ(recording.name, QStringLiteral("kiln"));
    EXPECT_TRUE(recording.label.contains(QStringLiteral("kiln"))) << recording.label.toStdString();

    const Result<CurveSet> fromRun = LibraryReferenceCurves(lib, recording, clock);
    ASSERT_TRUE(fromRun.ok()) << fromRun.error().toStdString();
    const CurveSet& r = fromRun.value();
    EXPECT_EQ(r.unit, QStringLiteral("°F"));
    ASSERT_EQ(r.channels[0].y.size(), 3u);
    EXPECT_EQ(r.channels[0].y[0], 100.0);
    EXPECT_TRUE(std::isnan(r.channels[0].y[1]));  // "----"
    EXPECT_EQ(r.channels[0].y[2], 102.0);
    ASSERT_EQ(r.annotations.size(), 2u);
    EXPECT_NEAR((r.annotations[0] - kStart) / kSec, 10, 1e-3);  // in time order
    EXPECT_NEAR((r.annotations[1] - kStart) / kSec, 15, 1e-3);

    const Result<CurveSet> set2 = LibraryReferenceCurves(lib, items.value()[1], clock);
    ASSERT_TRUE(set2.ok()) << set2.error().toStdString();
    const CurveSet held = DataSetReferenceCurves(store, 1);
    EXPECT_EQ(set2.value().unit, QStringLiteral("°C"));
    ASSERT_EQ(set2.value().channels[3].y.size(), 2u);
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(set2.value().channels[size_t(ch)].y, held.channels[size_t(ch)].y);
    EXPECT_EQ(set2.value().channels[0].x, held.channels[0].x);

    EXPECT_FALSE(LibraryReferenceCurves(lib, {download, 4, {}, {}}, clock).ok());
    EXPECT_FALSE(LibraryReferenceCurves(lib, {999, 0, {}, {}}, clock).ok());
}
