// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "graph/realtimestate.h"

namespace kelvor {

class ChartModel;
class RecordingSession;
class TfrmGraph;
struct SessionRow;
struct SessionSample;
enum class SessionState;

// The real-time graph window as an observer of the recording session: each sample is
// drawn as it is taken (a break before one taken after missed ones), the statistics
// fields follow the session's extremes, and the run's end cuts the store to what was
// taken and writes the averages. A window opened while a run goes on starts with the
// run's samples so far.
class RealTimeView : public QObject {
    Q_OBJECT
public:
    RealTimeView(TfrmGraph& window, RecordingSession& session);

    // Points of the store in use, breaks included, and the breaks among them.
    int points() const { return m_store.SampleCount; }
    int gapPoints() const { return m_store.GapPoints; }
    // The window holds no sample of a run (a new run, the graph cleared).
    void reset();
    // Gets the store ready for a run of `count` samples starting now.
    void prepareRun(int count, bool openEnded);
    // Shows the run the session holds (the window was opened while it records or after it).
    void showSessionRun();
    // Gives the session the marks placed on the run (it ends, or goes on without the window).
    void handOverAnnotations();
    // The meters the chart shows (1: the four channels of one, as ever).
    int meters() const { return m_meters; }

private:
    void append(const SessionSample& sample, bool draw);
    void appendRow(const SessionRow& row, bool draw);
    // The slot of the next point at `time` (after a break when missed ones came before);
    // -1 when there is none and the run was stopped.
    int nextSlot(double time, bool afterMiss);
    void written(bool draw);
    // Gives the chart four subsets per meter of the session's run, or back the four of one.
    void showMeters();
    void stateChanged(SessionState state);
    void runEnded();
    void showAnnotations();
    void showExtremes(std::uint8_t moved);
    // The meter whose channels the statistics fields show (0 in a run of one).
    int statisticsMeter() const;
    // Every statistics field of that meter (its averages once the run has ended).
    void showStatistics();
    // The count of samples into "Data No.": at once with `now`, else at most every
    // kCountEveryMs (the rest of the way when the timer runs out).
    void showCount(bool now);
    double openEndedSpan() const;

    // Samples come every 200 ms at the most, so in a run the count is always shown at
    // once; only a burst (a run shown whole, a benchmark) waits for the next showing.
    static constexpr int kCountEveryMs = 100;

    TfrmGraph& m_window;
    RecordingSession& m_session;
    RealTimeState m_store;  // the counters of the window's store
    int m_meters = 1;
    // The labels and colours of the four channels, kept while the chart shows several meters.
    std::vector<QString> m_fourLabels;
    std::vector<int> m_fourColors;
    QElapsedTimer m_countShown;
    QTimer m_countTimer;
};

}  // namespace kelvor
