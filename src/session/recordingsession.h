// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "graph/alarms.h"
#include "library/librarytypes.h"
#include "meter/monitorcycle.h"

namespace kelvor {

class Clock;

// What a run is told when it starts.
struct SessionSettings {
    int rateSeconds = 2;     // a sample every this many seconds; 0: every reading
    int recordCount = 2000;  // the samples the run takes, unless open-ended (0: no count)
    bool openEnded = false;  // goes past recordCount until stopped
    // The first reading of the run is a sample at once, rather than after the rate's
    // seconds have passed since the last sample of an earlier run.
    bool sampleFirstReading = false;
    // Every sample stays in memory for observers that join late (a window opened while the
    // run goes on, a save of the whole run); a logger that only streams them turns it off.
    bool keepSamples = true;
    QString name;                                 // the library item's name; empty: none given
    QString origin = QStringLiteral("realtime");  // who recorded it: realtime, cli
};

// Something that yields readings for the run's sample times: a meter on this computer, or
// one that another computer publishes (its serial then as the publisher gave it). A run of
// several meters has one source each, source 0 the one a view of four channels follows.
struct SessionSource {
    QString model;
    QString serial;
    QString name = {};  // what the user calls it ("Oven A"); empty: none given
};

// The most sources one run takes (32 channels).
inline constexpr int kMaxSessionSources = 8;

// One sample as the run took it: the readings as the meter reported them (flags say
// where a channel showed "OL" or "----").
struct SessionSample {
    double time = 0.0;  // days since 30 Dec 1899, local
    std::uint8_t flags = 0;
    std::array<float, 4> t{};
    int source = 0;
    // Due samples were missed before this one (the meter was away): a view must not
    // draw a line across the gap.
    bool afterMiss = false;
    JournalSample journal() const { return {time, flags, t}; }
};

// One source's part of a row: its reading at the row's time, or a gap where it gave none.
struct SessionMeterReading {
    bool present = false;
    std::uint8_t flags = 0;
    std::array<float, 4> t{};
    // The source had a gap just before this reading: a view must not draw across it.
    bool afterGap = false;
    JournalSample journal(double time) const { return {time, flags, t}; }
};

// Everything a run took at one sample time: one entry per source, in source order.
struct SessionRow {
    double time = 0.0;  // days since 30 Dec 1899, local
    QDateTime at;       // the same time as the clock gave it
    // Due rows were missed before this one (no source gave a reading).
    bool afterMiss = false;
    std::vector<SessionMeterReading> meters;
};

enum class SessionState { Idle, Recording, Ended };

// One real-time run, with no widgets: its settings, its sources, when a sample is due,
// every sample from the start, the running extremes and averages, the alarms and their events and the annotations the user placed. The graph window,
// the library journal and kelvor-cli's outputs observe it through its signals; one that
// joins late reads samples() from the start.
//
// The time base: after each tick of a source's monitor cycle, takeDueSample() asks the
// cycle for a sample at the run's rate (the cycle counts the seconds and knows whether
// the tick brought a reading) and takes it, stamped with the time of that tick.
class RecordingSession : public QObject {
    Q_OBJECT
public:
    explicit RecordingSession(Clock& clock, QObject* parent = nullptr);
    ~RecordingSession() override;

    // Sources: kept from run to run; a run needs at least one.
    int addSource(const SessionSource& source);
    void setSource(int index, const SessionSource& source);
    // Replaces every source (at least one, at most kMaxSessionSources are kept).
    void setSources(std::vector<SessionSource> sources);
    const std::vector<SessionSource>& sources() const { return m_sources; }

    // Starts a run (ending one that records): forgets the last run's samples, statistics
    // and events. Emits stateChanged(Recording).
    void start(const SessionSettings& settings);
    // Ends the run: emits aboutToEnd() (observers hand over what they hold for it, such as
    // annotations), then stateChanged(Ended). Nothing happens when nothing records.
    void stop();
    // The samples are gone (the graph was cleared or the rate changed): back to Idle.
    void clear();

    SessionState state() const { return m_state; }
    bool recording() const { return m_state == SessionState::Recording; }
    const SessionSettings& settings() const { return m_settings; }
    // The rate the next run takes unless start() is told otherwise; a running run keeps its own.
    int rateSeconds() const { return m_settings.rateSeconds; }
    void setRateSeconds(int seconds);
    double startTime() const { return m_startTime; }
    double endTime() const { return m_endTime; }

    // Takes the sample of source `source`'s cycle if one is due at the run's rate (see the
    // class comment); true when it took one (sampleAdded was emitted).
    bool takeDueSample(int source, SampleSource& cycle);
    // Takes `sample` as the run's next one, due or not (a recording run only).
    void takeSample(int source, const CycleSample& sample);
    // A run of several sources: cycles[i] watches source i, and every cycle has just
    // ticked. A row is due when one of them brought a reading and the run's seconds have
    // passed; it holds the reading of each source that brought one this tick and a gap
    // for the others, and every cycle counts again from it. With one cycle this is
    // takeDueSample(0, ...). True when a row was taken.
    bool takeDueRow(const std::vector<SampleSource*>& cycles);
    // The same for a list of one kind of source (every meter's monitor cycle).
    template <class Cycle>
    bool takeDueRow(const std::vector<Cycle*>& cycles)
    {
        return takeDueRow(std::vector<SampleSource*>(cycles.begin(), cycles.end()));
    }

    // Every sample of source 0 since the run started, oldest first (none unless keepSamples).
    const std::vector<SessionSample>& samples() const { return m_samples; }
    // Every row of a run of several sources, oldest first (none unless keepSamples; a run
    // of one source keeps samples() only).
    const std::vector<SessionRow>& rows() const { return m_rows; }
    // The sample times taken: samples, or rows of a run of several sources.
    std::int64_t sampleCount() const { return m_taken; }
    // Extremes over the raw values (with the flags and time of the sample that set them)
    // and the sums behind the averages, of source 0.
    const RecordingStatistics& statistics() const { return m_statistics[0]; }
    // The same of source `source` (source 0's for one out of range).
    const RecordingStatistics& statistics(int source) const;
    // "OL", "----" or the value "@" its date-time; empty before any sample (of source
    // `source`, see statistics(int)).
    QString maximumText(int channel, int source = 0) const;
    QString minimumText(int channel, int source = 0) const;
    // The mean with three decimals, "****" when nothing was averaged.
    QString averageText(int channel, int source = 0) const;

    // Alarms: the limits apply from the next sample; a new run starts with no alarm active.
    void setAlarmLimits(const AlarmLimits& limits);
    const AlarmLimits& alarmLimits() const { return m_alarms.limits(); }
    bool channelAlarmed(int channel) const { return m_alarms.active(channel); }
    const std::vector<ChartAlarmEvent>& alarmEvents() const { return m_events; }

    // The annotations placed on the run, as the window last handed them over.
    void setAnnotations(std::vector<RecordingAnnotation> annotations) { m_annotations = std::move(annotations); }
    const std::vector<RecordingAnnotation>& annotations() const { return m_annotations; }

signals:
    void stateChanged(kelvor::SessionState state);
    // `moved`: which extremes the sample set (bit c: maximum of channel c, bit c+4: minimum).
    // Source 0's sample of each sample time it gave one (every sample of a run of one source).
    void sampleAdded(const kelvor::SessionSample& sample, std::uint8_t moved);
    // Every sample time of the run, with all its sources, right after sampleAdded.
    void rowAdded(const kelvor::SessionRow& row);
    void alarmEvent(const kelvor::ChartAlarmEvent& event);
    void aboutToEnd();
    // The run's samples were forgotten (clear()).
    void cleared();

private:
    Clock& m_clock;
    std::vector<SessionSource> m_sources;
    SessionSettings m_settings;
    SessionState m_state = SessionState::Idle;
    double m_startTime = 0.0;
    double m_endTime = 0.0;
    void takeRow(SessionRow row, int sourceOfFirst);
    std::uint8_t addToStatistics(const SessionSample& s);  // source 0's; which extremes moved
    void resetRun();

    bool m_firstDue = false;  // the run's first reading is a sample
    std::vector<SessionSample> m_samples;
    std::vector<SessionRow> m_rows;
    std::int64_t m_taken = 0;
    std::vector<RecordingStatistics> m_statistics{1};
    std::vector<bool> m_lastPresent;  // per source: in the row before
    AlarmMonitor m_alarms;
    std::vector<ChartAlarmEvent> m_events;
    std::vector<RecordingAnnotation> m_annotations;
};

}  // namespace kelvor
