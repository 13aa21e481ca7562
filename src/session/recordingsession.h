// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

// One meter feeding the run. A run takes its samples from source 0 today; a run of
// several meters adds one source each.
struct SessionSource {
    QString model;
    QString serial;
};

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
    bool takeDueSample(int source, MonitorCycle& cycle);
    // Takes `sample` as the run's next one, due or not (a recording run only).
    void takeSample(int source, const CycleSample& sample);

    // Every sample since the run started, oldest first (none unless keepSamples).
    const std::vector<SessionSample>& samples() const { return m_samples; }
    std::int64_t sampleCount() const { return m_statistics.samples; }
    // Extremes over the raw values (with the flags and time of the sample that set them)
    // and the sums behind the averages.
    const RecordingStatistics& statistics() const { return m_statistics; }
    // "OL", "----" or the value "@" its date-time; empty before any sample.
    QString maximumText(int channel) const;
    QString minimumText(int channel) const;
    // The mean with three decimals, "****" when nothing was averaged.
    QString averageText(int channel) const;

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
    void sampleAdded(const kelvor::SessionSample& sample, std::uint8_t moved);
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
    bool m_firstDue = false;  // the run's first reading is a sample
    std::vector<SessionSample> m_samples;
    RecordingStatistics m_statistics;
    AlarmMonitor m_alarms;
    std::vector<ChartAlarmEvent> m_events;
    std::vector<RecordingAnnotation> m_annotations;
};

}  // namespace kelvor
