// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace kelvor {

// What can go wrong between the PC and the simulated meter. An "exchange" is one
// frame written by the PC; rules pick exchanges by number, counted over all frames
// or over the frames of one command letter.
enum class FaultKind : std::uint8_t {
    Drop,         // the meter acts on the frame but its reply never arrives
    GarbleStart,  // the reply's first byte is damaged
    GarbleEnd,    // the reply's last byte is damaged
    WrongModel,   // the identity reply carries another model code
    Unplug,       // the meter goes away: opens, writes and reads fail
    NoOk,         // the reply says "NG" where it would say "OK"
    WrongEcho,    // the command byte of the reply does not echo the frame
};

struct FaultRule {
    FaultKind kind = FaultKind::Drop;
    std::uint8_t letter = 0;  // 0: count every frame; else only frames of this command
    int first = 1;            // 1-based exchange number where the fault starts
    int count = 1;            // exchanges it lasts; 0 = for good
};

// The fault plan. Text form, rules separated by ';':
//   KIND[:LETTER]@N[+M]    KIND = drop | garble-start | garble-end | model | unplug | nak | echo
// N: the exchange (1 = first frame) where the fault starts; M: how many exchanges it
// lasts (default 1, '*' = for good). With ':LETTER' only frames of that command
// letter are counted ("drop:p@7" loses the reply to the 7th "p"). An unplug lasts M
// exchanges of any kind; while unplugged, failed OpenLink calls count too, so a
// program that only probes still brings the meter back.
// Examples: "unplug@20+10;drop@5", "drop:p@7", "unplug:p@40+12", "unplug@1+*".
struct SimFaultPlan {
    std::vector<FaultRule> rules;
    int latencyMs = 0;    // added to every read
    int lossPercent = 0;  // replies lost at random (seeded)
    std::uint32_t seed = 1;

    // Appends the rules of `text`; false with a message naming the bad rule.
    bool parseRules(const QString& text, QString* error);
};

// The plan in action: counts exchanges and says which faults hit the current one.
class SimFaults {
public:
    struct Hit {
        bool unplugged = false;
        bool drop = false;
        bool garbleStart = false, garbleEnd = false, wrongModel = false, noOk = false, wrongEcho = false;
    };

    explicit SimFaults(SimFaultPlan plan = {}) : m_plan(std::move(plan)) {}

    Hit beginExchange(std::uint8_t letter);
    // An OpenLink: false while the meter is away (and the attempt counts toward its return).
    bool open();
    bool unplugged() const { return m_unplugged; }
    void damage(const Hit& hit, std::vector<std::uint8_t>& reply) const;

    const SimFaultPlan& plan() const { return m_plan; }
    SimFaultPlan& plan() { return m_plan; }
    int exchanges() const { return m_exchange; }

private:
    void tickUnplug();

    SimFaultPlan m_plan;
    int m_exchange = 0;
    std::array<int, 256> m_perLetter{};
    bool m_unplugged = false;
    bool m_forever = false;
    int m_unplugLeft = 0;  // failed exchanges still to come
};

}  // namespace kelvor
