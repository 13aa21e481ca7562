// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "logger/datasetstore.h"
#include "meter/livereading.h"
#include "meter/meterdevice.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"
#include "program/graphwindows.h"
#include "program/meteraccess.h"
#include "program/monitorswitch.h"
#include "program/othermeter.h"
#include "program/windowsignals.h"
#include "publish/publishsettings.h"
#include "session/recordingsession.h"
#include "web/webserver.h"

class QPrinter;
class QWidget;

namespace kelvor {

struct DigitImages;
class LibraryAccess;
class RunJournal;
class SamplePublisher;
class SessionJournal;
class Prompts;

// What a click on a graph does; the values are GraphClickMode's own.
enum class ClickMode : int {
    Normal = -99,  // the normal cursor: clicks place nothing
    Text = 0,      // the text tool
    Cross = 2,     // the cross tool
};

// State shared by every graph window.
struct GraphState {
    ClickMode GraphClickMode = ClickMode::Normal;
    int AnnotationCounter = 3;  // the first annotation placed gets index 4
    int AnnoColor = 0;          // 0x00BBGGRR
    GraphWindows windows;       // the real-time, data logger and newest file graphs
    bool LoggerGraphUnsaved = false;
    // Real-time samples shown since the real-time graph last asked to save them.
    bool RealTimeUnsaved = false;
    // How far the time axis reaches past a real-time sample that went beyond its end.
    double AxisExtendDays = 10.0 / 86400.0;
    // The program is closing: the real-time graph ends a run rather than asking.
    bool EndRunOnClose = false;
    bool TemplateMissingShown = false;  // the note about a missing graph template was shown
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
    // The real-time run: the monitor loop feeds it, the windows and the journal observe it.
    RecordingSession session;
    // The browser view of the run (View > Share in Browser, --serve); it listens only when started.
    WebServer web;
    GraphState graph;
    WindowSignals windowSignals;
    DataSetStore store;
    bool LoadingData = false;  // a memory download is running (the load command's re-entry guard)
    QString dataDir;           // template/, temp/ and the help file live here
    bool serviceMode = false;  // --service: shows Data Logger > Setup

    // The library of runs and downloads (null: none, as in most tests).
    std::unique_ptr<LibraryAccess> library;
    // From the next run on, the session's runs go into the library (nothing without one);
    // its problems are told after the monitor tick that met them.
    void keepRunsInLibrary();
    // The journal of the runs in the library; null before the first run with a library.
    RunJournal* journal() const;
    // Lets go of the library as a killed program would: a run recording now stays
    // unfinished there (interrupted, once nothing holds it).
    void dropJournal();

    // Publishing to an MQTT broker (Options > Publishing...): the choice, and the
    // publisher while it is on. The status bar hears of it through
    // windowSignals.publishingStatus.
    PublishingSettings publishing;
    // Takes the choice and starts the publisher again (off: none).
    void setPublishing(const PublishingSettings& choice);
    SamplePublisher* publisher() const { return m_publisher.get(); }
    // The meter answered: the publisher connects with its serial in the topics (a
    // different meter starts it again under that meter's).
    void publishMeter();
    // A live reading at `days` (the publisher throttles them).
    void publishLive(double days);

    // The parent of the program's dialogs; the main window keeps its own windows.
    QPointer<QWidget> mainWindow;

    QString settingsFile;   // empty: the platform's own store (see base/settings.h)
    QString deviceProblem;  // why no real meter backend could be built, for the status bar
    // The meters read beside `device` in each run (--meter given several times), in order.
    std::vector<std::unique_ptr<OtherMeter>> otherMeters;
    // The other meters (indexes into otherMeters) whose readings the run takes beside the
    // default's, fixed when a run starts; empty: a run of the default meter alone.
    std::vector<std::size_t> runMeters;
    // Loaded by the main window, drawn by the front panel (none: blank digits).
    std::shared_ptr<const DigitImages> digits;

    // The monitor loop (owned by the main window, which installs it here). Every sender
    // other than the loop holds a MonitorPause (program/monitorpause.h) on it over its
    // exchanges; without a main window that does nothing.
    MonitorSwitch monitorLoop;
    // The link, the monitor switch and the prompts, for a window that talks to the meter.
    MeterAccess meterAccess() { return {link, monitorLoop, prompts}; }

    QString templatePath() const;     // dataDir + "/template/graph.ghf"
    QString workingCopyPath() const;  // dataDir + "/temp/DataSetsTemp.tmp"
    QString helpPath() const;         // dataDir + "/KELVORHELP.htm"

    // The printer chosen with File > Printer Setup, used by every print afterwards
    // (created on first use as the system's default printer).
    QPrinter& printer();

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<SessionJournal> m_sessionJournal;
    std::unique_ptr<SamplePublisher> m_publisher;
    QString m_publishedSerial;
};

}  // namespace kelvor
