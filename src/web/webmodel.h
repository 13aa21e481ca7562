// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

#include "meter/livereading.h"

namespace kelvor {

class Clock;
class RecordingSession;

// What the browser view knows of one meter: who it is, whether it answers, and its
// latest reading as the meter shows it.
struct WebMeter {
    QString model;
    QString serial;
    QString name;  // what the user calls it; empty: none given
    bool connected = false;
    bool hasReading = false;  // `reading` and `time` hold a reading since it connected
    QDateTime time;
    LiveReading reading;
};

// Everything the pages, the API and the metrics are drawn from. The run is the recording
// session's (none in `live`, which only reads); its number goes up with each run started
// or cleared, so a client that saw another run starts again.
struct WebModel {
    explicit WebModel(Clock& c) : clock(c) {}
    Clock& clock;
    const RecordingSession* session = nullptr;
    std::vector<WebMeter> meters;
    std::int64_t run = 0;
    int viewers = 0;
};

// Channels per meter, as the session keeps them.
inline constexpr int kWebChannels = int(std::tuple_size_v<decltype(LiveReading::T)>);

}  // namespace kelvor
