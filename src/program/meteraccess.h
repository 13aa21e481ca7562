// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class MeterLink;
class MonitorHook;
class Prompts;

// What a window that talks to the meter is handed: the link, the switch that keeps the
// monitor loop off it while it does (hold a MonitorPause), and the prompts for its
// questions.
struct MeterAccess {
    MeterLink& link;
    MonitorHook& monitor;
    Prompts& prompts;
};

}  // namespace kelvor
