// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "base/meternames.h"
#include "chart/chartmodel.h"

namespace kelvor {

// One real-time sample as the run took it: the raw channel values in degrees C and the
// live reading's flags (bit c "OL", bit c+4 "----" of channel c+1).
struct JournalSample {
    double time = 0.0;  // days since 30 Dec 1899, local
    std::uint8_t flags = 0;
    std::array<float, 4> t{};
    bool operator==(const JournalSample&) const = default;
};

// What one meter of a run of several is known by.
struct RecordingMeter {
    QString model;
    QString serial;
    QString name;  // the user's name for it; empty: none
    bool operator==(const RecordingMeter&) const = default;
};

// The most meters one run holds.
inline constexpr int kMaxRecordingMeters = 8;
// A meter's part of a row where it gave no reading: every channel "----", no value.
inline constexpr std::uint8_t kMeterGapFlags = 0xF0;
inline JournalSample MeterGap(double time) { return {time, kMeterGapFlags, {}}; }

// A row of a run of several meters beyond its first meter's sample: which meters gave
// no reading, and the samples of meters 2.. (MeterGap where they gave none).
struct JournalRowRest {
    std::uint8_t absent = 0;  // bit m: meter m+1 gave no reading
    std::vector<JournalSample> others;
    bool operator==(const JournalRowRest&) const = default;
};

// What a recording is known by when it begins.
struct RecordingHeader {
    double started = 0.0;
    int rateSeconds = 0;
    int recordCount = 0;
    bool openEnded = false;  // keeps recording past recordCount
    QString meterModel;
    QString meterSerial;
    QString unit = QStringLiteral("C");  // the samples' unit; live readings are always degrees C
    QString name;
    QString source = QStringLiteral("realtime");  // realtime, cli, import
    // A run of several meters: every one of them in the order of its channels (the first
    // is meterModel and meterSerial's). Empty for a run of one meter.
    std::vector<RecordingMeter> meters = {};
};

// Per-channel statistics of a recording, kept the way the real-time run keeps them:
// extremes over the raw values (the first one reached wins, with its flags so "OL"
// and "----" show as such), averages over the values that lie strictly between -3000
// and 3000 after gaps are applied.
struct RecordingChannelStatistics {
    float maximum = -9999.0f;
    float minimum = 9999.0f;
    double maximumTime = 0.0;
    double minimumTime = 0.0;
    std::uint8_t maximumFlags = 0;
    std::uint8_t minimumFlags = 0;
    double sum = 0.0;
    std::int64_t averaged = 0;
    bool operator==(const RecordingChannelStatistics&) const = default;
};
struct RecordingStatistics {
    std::array<RecordingChannelStatistics, 4> channels{};
    std::int64_t samples = 0;
    void add(const JournalSample& s);
    bool operator==(const RecordingStatistics&) const = default;
};

struct RecordingAnnotation {
    double x = 0.0;
    double y = 0.0;
    int type = 0;   // the chart's annotation type (text only, cross)
    int color = 0;  // 0x00BBGGRR
    QString text;
    bool operator==(const RecordingAnnotation&) const = default;
};

enum class EntryKind { Recording, Download };

// One row of the library's list.
struct LibraryEntry {
    std::int64_t id = 0;
    EntryKind kind = EntryKind::Recording;
    double start = 0.0;        // recording: its start; download: when it was downloaded
    double end = 0.0;          // recording: its last sample (start when it has none)
    std::int64_t samples = 0;  // recording: samples taken; download: samples in all sets
    int dataSets = 0;          // download only
    int rateSeconds = 0;       // recording only
    QString state;             // recording: recording / complete / interrupted; download: empty
    QString meterSerial;
    QString name;
    QString note;
};

struct RecordingData {
    LibraryEntry entry;
    RecordingHeader header;
    RecordingStatistics statistics;      // over every sample, also when decimated
    std::vector<JournalSample> samples;  // all of them, or an envelope (see loadRecording)
    bool decimated = false;
    std::vector<RecordingAnnotation> annotations;
    std::vector<ChartAlarmEvent> alarmEvents;  // subset = channel 0..3
    // A run of several meters: the samples of meters 2.., one list per meter beside
    // `samples` (the same times, MeterGap where the meter gave no reading), and their
    // statistics. `statistics` is the first meter's, over the rows it gave a reading for.
    std::vector<std::vector<JournalSample>> otherMeters = {};
    std::vector<RecordingStatistics> otherStatistics = {};
    // A run of several meters read whole: per row, which meters gave no reading (bit m:
    // meter m+1, as JournalRowRest::absent). Empty for a run of one meter or an envelope.
    std::vector<std::uint8_t> absent = {};
};

struct DownloadData {
    LibraryEntry entry;
    QByteArray image;  // the memory exactly as downloaded
};

// What a write did. Failures never throw; `error` says what went wrong in words a
// user can act on.
struct LibraryStatus {
    int code = 0;  // 0, or the SQLite result code
    QString error;
    bool ok() const { return code == 0 && error.isEmpty(); }
};

inline constexpr const char* kStateRecording = "recording";
inline constexpr const char* kStateComplete = "complete";
inline constexpr const char* kStateInterrupted = "interrupted";

// How a table's header names a meter of a run of several (see MeterHeading).
inline QString MeterColumnName(const RecordingMeter& m, int index) { return MeterHeading(m.name, m.serial, index); }

// How a report names a meter: model and serial where known ("QZX KV4-SIM-00001").
inline QString MeterText(const QString& model, const QString& serial)
{
    const QString m = model.trimmed(), s = serial.trimmed();
    return m.isEmpty() || s.isEmpty() ? m + s : m + QLatin1Char(' ') + s;
}

}  // namespace kelvor
