// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryreference.h"

#include <algorithm>
#include <cmath>

#include "base/localetext.h"
#include "export/exportseries.h"
#include "library/library.h"
#include "library/libraryseries.h"
#include "logger/datasetstore.h"

namespace kelvor {

namespace {

CurveSet curvesOf(const ExportSeries& s) { return CurvesFromSamples(s.times, s.values, s.unit); }

QString itemName(const LibraryEntry& e, int set)
{
    const QString name = e.name.isEmpty() ? QStringLiteral("Item %1").arg(e.id) : e.name;
    return set > 0 ? QStringLiteral("%1 set %2").arg(name).arg(set) : name;
}

}  // namespace

Result<std::vector<LibraryReferenceItem>> LibraryReferenceItems(const Library& library)
{
    QString error;
    std::vector<LibraryEntry> entries = library.list(&error);
    if (!error.isEmpty())
        return Result<std::vector<LibraryReferenceItem>>::failure(error);
    std::sort(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        return a.start != b.start ? a.start > b.start : a.id > b.id;
    });
    std::vector<LibraryReferenceItem> items;
    for (const LibraryEntry& e : entries) {
        const QString when = ShortDateText(e.start) + QLatin1Char(' ') + LongTimeText(e.start);
        const QString named = e.name.isEmpty() ? QString() : e.name + QStringLiteral("  ");
        if (e.kind == EntryKind::Recording) {
            items.push_back(
                {e.id, 0, QStringLiteral("%1  %2Recording  %3  (%4 samples)").arg(e.id).arg(named, when).arg(e.samples),
                 itemName(e, 0)});
            continue;
        }
        for (int k = 1; k <= e.dataSets; ++k)
            items.push_back({e.id, k,
                             QStringLiteral("%1  %2Set %3 of the download of %4").arg(e.id).arg(named).arg(k).arg(when),
                             itemName(e, k)});
    }
    return items;
}

Result<CurveSet> LibraryReferenceCurves(const Library& library, const LibraryReferenceItem& item, const Clock& clock)
{
    const LibraryItemSeries read = SeriesOfLibraryItem(library, item.id, item.set, clock);
    if (!read.ok())
        return Result<CurveSet>::failure(read.error);
    if (read.series.empty())
        return Result<CurveSet>::failure(
            QStringLiteral("Library item %1 holds no data set %2.").arg(item.id).arg(item.set));
    CurveSet set = curvesOf(read.series.front());
    for (const auto& a : read.annotations)
        set.annotations.push_back(a.first);
    std::sort(set.annotations.begin(), set.annotations.end());
    const bool any = std::any_of(set.channels.begin(), set.channels.end(), [](const CurvePoints& c) {
        return std::any_of(c.y.begin(), c.y.end(), [](double v) { return !std::isnan(v); });
    });
    if (!any)
        return Result<CurveSet>::failure(
            QStringLiteral("Library item %1 holds no readings to lay under the graph.").arg(item.id));
    return set;
}

CurveSet DataSetReferenceCurves(const DataSetStore& store, int k) { return curvesOf(SeriesFromDataSet(store, k)); }

}  // namespace kelvor
