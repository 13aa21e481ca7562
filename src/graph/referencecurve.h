// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "base/result.h"
#include "files/texttable.h"

namespace kelvor {

class ChartModel;

inline constexpr int kCurveChannels = 4;

// One channel's samples in time order: time in days, NaN where the meter had no reading
// ("OL", "----").
struct CurvePoints {
    std::vector<double> x;
    std::vector<double> y;
};

// What a run or a reference holds for lining up: its channels and the times of its
// annotations.
struct CurveSet {
    std::array<CurvePoints, kCurveChannels> channels;
    std::vector<double> annotations;  // days, in time order
    QString unit;                     // "°C" or "°F"; empty when not known (a table): the graph's
};

// A run laid under a graph as a reference. Its own times plus `shiftDays` are the graph's.
struct ReferenceCurve {
    QString name;
    CurveSet curves;
    int sourceChannel = -1;  // -1: each channel under the same channel; else this one under all
    double shiftDays = 0.0;
};

// Where a reference is pinned to the run.
enum class ReferenceAnchor { Start, Annotation, Crossing };
struct ReferenceAlignment {
    ReferenceAnchor anchor = ReferenceAnchor::Start;
    int channel = 0;           // Crossing: the channel watched, in the run and the reference
    double temperature = 0.0;  // Crossing
    int annotation = 0;        // Annotation: which one, counted in time order from 0
};

// The rows of a text table (date, time, T1..T4); rows whose date and time do not read are
// left out.
CurveSet CurvesFromTable(const TableRows& rows, const QLocale& locale = QLocale());
// What a graph holds: its filled points and its annotations.
CurveSet CurvesFromChart(const ChartModel& chart);
// A run's samples: times in days, four values per sample (T1..T4); a value outside the
// meter's range (the gap value, "OL") is no reading.
CurveSet CurvesFromSamples(const std::vector<double>& times, const std::vector<float>& values4, const QString& unit);
// The curves in `unit` ("°C" or "°F"): converted when they know another unit, so a
// reference taken in °F lies right under a graph in °C.
void ConvertCurves(CurveSet& curves, const QString& unit);
// A graph file (*.ghf) or a table (*.txt, *.csv; any other name is read as a table). A
// file that cannot be read, or holds no reading at all, gives a message naming it.
Result<CurveSet> ReadReferenceFile(const QString& path);

// The first time the channel reaches `temperature` from either side, interpolated between
// two neighbouring readings; a gap between them is no crossing.
std::optional<double> FirstCrossing(const CurvePoints& c, double temperature);
// The time of the anchor in a run or reference: its first reading, an annotation, a crossing.
std::optional<double> AnchorTime(const CurveSet& curves, const ReferenceAlignment& a);
// The shift that lays the reference's anchor on the run's; none when either lacks it.
std::optional<double> AlignmentShift(const CurveSet& run, const CurveSet& reference, const ReferenceAlignment& a);
// Sets the reference's shift so its anchor lies on the run's; a crossing is looked for on
// the reference's one channel when it is laid under all. False (shift kept) when either
// lacks the anchor.
bool AlignReference(const CurveSet& run, ReferenceCurve& r, const ReferenceAlignment& a);

// The reference points laid under run channel `channel`; null when there are none.
const CurvePoints* ReferenceChannelFor(const ReferenceCurve& r, int channel);
// The reference's value at graph time `t` on run channel `channel`, interpolated; none
// outside the reference, in a gap, or next to one.
std::optional<double> ReferenceValueAt(const ReferenceCurve& r, int channel, double t);
// The graph's own value of `channel` at `t`, interpolated between its samples; none before
// or after them, in a gap, or next to one.
std::optional<double> ChartValueAt(const ChartModel& chart, int channel, double t);
// The run's value minus the reference's at `t`.
std::optional<double> ReferenceDifference(const ReferenceCurve& r, int channel, double t, double runValue);

}  // namespace kelvor
