// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <limits>
#include <vector>

#include "chart/envelopebucket.h"
#include "chart/slidingextremes.h"

namespace kelvor {

class ChartModel;
struct ChartChanges;

// Days since 30 Dec 1899 <-> plot keys. The chart's date-times are local wall-clock
// values; the key is that wall clock read as UTC seconds and the axes show UTC, so a
// plot prints exactly the stored clock time and a conversion is one multiply.
constexpr double kPlotEpochDays = 25569.0;
constexpr double PlotKeyOf(double days) { return (days - kPlotEpochDays) * 86400.0; }
constexpr double DaysOfPlotKey(double key) { return key / 86400.0 + kPlotEpochDays; }

// One point as a plot draws it: the time as a plot key, the value (NaN: a gap).
struct PlotPoint {
    double key = 0.0;
    double value = 0.0;
};

// Where the mirror hands a subset's points; the drawing side stores them its own way.
class PlotSeriesSink {
public:
    virtual ~PlotSeriesSink() = default;
    virtual void replacePoints(const std::vector<PlotPoint>& points, bool sorted) = 0;
    virtual void appendPoints(const std::vector<PlotPoint>& points, bool sorted) = 0;
    virtual void dropLastPoints(int n) = 0;
};

// Keeps what a plot draws in step with a ChartModel: the filled part of each subset,
// handed on as every point or, when far more points are in view than the plot has
// pixels, as the envelope of runs of points (every run's first, last, lowest and highest
// value and where a gap starts, so nothing a user could see is lost). After the first
// refresh only the points written since are taken over; the run still filling is
// redrawn on every sample.
class ChartMirror {
public:
    // Beyond this many points per pixel of width a subset is drawn from its envelope.
    static constexpr int kRawPointsPerPixel = 4;
    // Envelope runs are made small enough for this many of them per pixel.
    static constexpr int kRunsPerPixel = 2;

    explicit ChartMirror(const ChartModel& model) : m_model(model) {}

    // Starts over with one sink per subset (null: the subset is not drawn). Nothing is
    // mirrored until the next takeOver.
    void attach(std::vector<PlotSeriesSink*> sinks);
    int subsets() const { return int(m_series.size()); }
    bool drawn(int sub) const { return sub >= 0 && sub < subsets() && m_series[size_t(sub)].sink; }

    // Takes over the model's changes. `keepDetail`: the plot shows a chosen range (a
    // zoom), so a rebuilt subset keeps its detail rather than judging by every point.
    void takeOver(const ChartChanges& changes, bool keepDetail, int pixels);
    // Fits a subset's detail to the time range in view; true when it was redrawn.
    bool fitDetail(int sub, double fromDays, double toDays, int pixels);

    // The model's points mirrored for a subset (never past the model's arrays).
    int mirrored(int sub) const;
    int bucket(int sub) const { return drawn(sub) ? m_series[size_t(sub)].bucket : 1; }
    // The mirrored times never go back.
    bool ordered(int sub) const { return !drawn(sub) || m_series[size_t(sub)].ordered; }
    // Point i of the model as drawn.
    PlotPoint pointOf(int sub, int i) const;
    // The lowest and highest value of a subset's mirrored points in [fromDays, toDays],
    // gaps left out; false when there is none. Cheap while the range only moves forward.
    bool extremesIn(int sub, double fromDays, double toDays, double& lo, double& hi);

    // The run length for `inView` points on `pixels` of width: 1 draws every point.
    static int BucketFor(int inView, int pixels);

private:
    struct Series {
        PlotSeriesSink* sink = nullptr;
        int synced = 0;
        int bucket = 1;
        bool ordered = true;
        EnvelopeBucket open;  // the run still filling
        int openStart = 0;
        int openDrawn = 0;  // its points now in the sink
        double lastKey = -std::numeric_limits<double>::infinity();
        SlidingExtremes extremes;
    };

    int wantedBucket(int sub, double fromDays, double toDays, int pixels) const;
    void drawPoints(int sub, int from, int end);
    void drawEnvelope(int sub, int end);
    void extendEnvelope(int sub, int i);

    const ChartModel& m_model;
    std::vector<Series> m_series;
    std::vector<PlotPoint> m_buffer;  // reused for every hand-over
};

}  // namespace kelvor
