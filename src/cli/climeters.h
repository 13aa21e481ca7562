// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "cli/climonitor.h"
#include "publish/remotemeter.h"
#include "session/recordingsession.h"

namespace kelvor {

// Several meters read as one: in each round every meter's cycle ticks once, in the
// order the meters were given, so their readings share the round's time; the pause
// runs from the first tick to the shortest interval any of them asks for. A remote
// meter (--meter=mqtt://...) takes its turn in the round like a meter on this computer;
// its connection runs in the event loop while the round pauses.
class CliMeters {
public:
    // `links`: the meters on this computer, `remotes`: the remote ones, each in the order
    // given; `choices`: every --meter value, which says how the two interleave.
    CliMeters(CliContext& ctx, const std::vector<MeterLink*>& links, const std::vector<MqttSettings>& remotes,
              const QStringList& choices);

    // One tick of every meter; each meter's news is said on err under its name.
    std::vector<CycleTick> step();
    void pauseAfter(const std::vector<CycleTick>& ticks);

    std::size_t size() const { return m_meters.size(); }
    const LiveReading& reading(std::size_t i) const;
    std::vector<SampleSource*> cycles();
    // What the run records each meter as: the model and serial it reports (a remote meter
    // as its publisher names it) and the name the program's settings keep for the serial.
    std::vector<SessionSource> sources() const;
    // Every device has nothing more to give (replays at their end); never while a remote
    // meter is read.
    bool atEnd() const;
    bool everConnected() const;
    // Says "no meter answered" for each meter that never did.
    void failNoMeterAnswered();
    // Ends the remote meters' connections and says the drops the log has not counted.
    void stop();

private:
    struct Meter {
        std::unique_ptr<CliMonitor> local;
        MeterLink* link = nullptr;
        std::unique_ptr<RemoteMeter> remote;
        QString label;  // "KV-0042: " with several meters
        bool toldWaiting = false;
        bool everConnected = false;
    };
    void tellRemote(Meter& m, const CycleTick& tick);

    CliContext& m_ctx;
    std::vector<Meter> m_meters;
};

}  // namespace kelvor
