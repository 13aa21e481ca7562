// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "meter/meterdevice.h"
#include "meter/sim/simfaults.h"
#include "meter/sim/simmeter.h"
#include "meter/sim/simprotocol.h"

namespace kelvor {

class Clock;

// The simulated meter behind the device interface: model, wire protocol and fault
// plan glued together. One frame in, at most one reply pending, read once.
//
// Options (the text after "--meter=sim:"), comma-separated key=value:
//   seed=N          noise, random loss and demo data (default 1)
//   faults=RULES    fault rules, see SimFaultPlan (e.g. "unplug@20+10;drop@5")
//   latency=MS      added to every read
//   loss=PERCENT    replies lost at random, 0..100
//   memory=demo|erased
//   ol=CHANNELS     channels (1..4) shown over range, e.g. "ol=2" or "ol=23"
//   unplugged=CHANNELS   channels without a thermocouple (default "4"; empty: none)
//   battery=full|2|1|empty
//   serial=TEXT     the USB serial it reports (letters, digits, '-', '_', '.'; up to 32);
//                   without a seed, the serial also chooses the seed and shifts the
//                   temperatures, so meters of different serials read differently
// Example: --meter=sim:seed=7,faults=unplug@20+10;drop@5,latency=2
class SimDevice final : public MeterDevice {
public:
    SimDevice(Clock& clock, SimMeterConfig config = {}, SimFaultPlan plan = {});

    int OpenLink(std::uint16_t vendorId, std::uint16_t productId) override;
    int SetLinkTimeouts(int readTimeout, int writeTimeout) override;
    int WriteFrame(const std::uint8_t* frame, int length) override;
    int WriteBlock(const std::uint8_t* block, int length) override;
    int SyncLink() override;
    int ReadReply(std::uint8_t* buffer, int length) override;
    int CloseLink() override;
    int GetSerialText(char* buffer, int size) override;
    QString lastOpenProblem() const override { return m_openProblem; }
    std::vector<FoundMeter> findMeters() override;
    QString connectedSerial() const override { return serialText(); }

    SimMeter& meter() { return m_meter; }
    SimProtocol& protocol() { return m_protocol; }
    SimFaults& faults() { return m_faults; }
    bool linkOpen() const { return m_open; }

private:
    void wait(int ms);
    QString serialText() const;

    Clock* m_clock;
    SimMeter m_meter;
    SimProtocol m_protocol;
    SimFaults m_faults;
    SimFaults::Hit m_hit;
    std::optional<std::vector<std::uint8_t>> m_pending;
    bool m_open = false;
    QString m_openProblem;
    QString m_serial;
};

// Parses the option text into a model configuration and a fault plan; false with
// a message naming the bad option.
bool parseSimOptions(const QString& options, SimMeterConfig& config, SimFaultPlan& plan, QString* error);

// The simulated meter as a device (the options as above); nullptr with a message in
// *error for options it does not know.
std::unique_ptr<MeterDevice> createSimDevice(const QString& options, Clock& clock, QString* error);

}  // namespace kelvor
