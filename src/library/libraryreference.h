// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "graph/referencecurve.h"

namespace kelvor {

class Clock;
class Library;
struct DataSetStore;
struct ExportSeries;

// What can be laid under a graph besides a file: a library recording, or one data set of
// a library download (set from 1; 0 for a recording).
struct LibraryReferenceItem {
    std::int64_t id = 0;
    int set = 0;
    QString label;  // "12  Oven run  2026-12-10 08:00  (3600 samples)", "7  Set 2 of a download  ..."
    QString name;   // what the reference is called on the chart: the item's name, else "Item 12"
};

// Every recording and every data set of every download, newest first.
Result<std::vector<LibraryReferenceItem>> LibraryReferenceItems(const Library& library);
// The item's samples, unit and (a recording's) annotations as reference curves.
Result<CurveSet> LibraryReferenceCurves(const Library& library, const LibraryReferenceItem& item, const Clock& clock);
// Data set k (from 0) of the data sets the data logger holds.
CurveSet DataSetReferenceCurves(const DataSetStore& store, int k);

}  // namespace kelvor
