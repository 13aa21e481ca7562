// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <QPointer>
#include <QString>

#include "app/clock.h"
#include "app/monitorstate.h"
#include "graph/realtimestate.h"
#include "logger/datasetstore.h"
#include "meter/livereading.h"
#include "meter/meterdevice.h"
#include "meter/meterlink.h"

namespace kelvor {

class Prompts;
class TfrmMain;
class TfrmGraph;
class TfrmPanel;
class TfrmSetup;

// State shared by every graph window.
struct GraphState {
    int GraphClickMode = -99;     // -99 normal cursor, 0 text tool, 2 cross tool
    int AnnotationCounter = 3;    // the first annotation placed gets index 4
    int AnnoColor = 0;            // 0x00BBGGRR
    QPointer<TfrmGraph> RealTimeGraph;
    QPointer<TfrmGraph> LoggerGraph;
    QPointer<TfrmGraph> FileGraph;  // newest graph opened from a file or drawn from a table
    bool LoggerGraphUnsaved = false;
};

// Everything program-wide, created by the program entry and handed to every window.
// No other globals.
class Program {
public:
    Program(std::unique_ptr<MeterDevice> device, Clock& clock, Prompts& prompts, QString dataDir);
    ~Program();

    Clock& clock;
    Prompts& prompts;
    std::unique_ptr<MeterDevice> device;
    MeterLink link;
    LiveReading live;
    MonitorState monitor;
    RealTimeState realTime;
    GraphState graph;
    DataSetStore store;
    QString dataDir;          // template/, temp/ and the help file live here
    bool serviceMode = false; // --service: shows Data Logger > Setup

    QPointer<TfrmMain> mainWindow;
    QPointer<TfrmPanel> panel;
    QPointer<TfrmSetup> setupWindow;

    QString templatePath() const;     // dataDir + "/template/graph.ghf"
    QString workingCopyPath() const;  // dataDir + "/temp/DataSetsTemp.tmp"
    QString helpPath() const;         // dataDir + "/KELVORHELP.htm"
};

}  // namespace kelvor
