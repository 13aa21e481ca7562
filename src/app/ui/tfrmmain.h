// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "app/ui/monitorloop.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QDragEnterEvent;
class QDropEvent;

namespace kelvor {

class Program;
class TfrmPanel;
class TfrmHelp;
class TfrmSetup;
class WindowPlaces;

// The program's frame: MDI parent with the menus, the tool bar, the two-panel status
// bar and the monitor loop. Commands of other subsystems are handed to their own
// subsystem's functions.
class TfrmMain : public QMainWindow, private MonitorView {
    Q_OBJECT
public:
    explicit TfrmMain(Program& program, QWidget* parent = nullptr);
    ~TfrmMain() override;

    Program& program() { return m_program; }
    QMdiArea& mdiArea() { return *m_mdi; }
    MonitorLoop& monitor() { return *m_monitor; }
    QString statusText(int panel) const;  // 0: first panel, 1: connection text

    // Menu items and tool buttons, by their component names.
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrinterSetup1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Run1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* DataLogger1 = nullptr;  // the Data Logger menu itself
    QAction* LoadData1 = nullptr;
    QAction* Setup1 = nullptr;
    QAction* ControlPanel1 = nullptr;
    QAction* RealTimeGraph1 = nullptr;
    QAction* Library1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* Contents1 = nullptr;
    QMenu* RecentFiles1 = nullptr;  // File > Recent Files
    QAction* ZoomIn1 = nullptr;     // View > Zoom In, on the active graph
    QAction* ZoomOut1 = nullptr;
    QAction* UndoZoom1 = nullptr;
    QAction* CloseWindow1 = nullptr;  // Window > Close
    QAction* About1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* btnPrint = nullptr;
    QToolButton* btnDataLogger = nullptr;
    QToolButton* btnOutputToGraph = nullptr;
    QToolButton* btnLibrary = nullptr;
    QToolButton* btnRun = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* SpeedButton8 = nullptr;

    // Sets Run/Stop and the real-time graph's clear button after the run state or
    // the connection changed.
    void updateRunCommands();

    // Shows the main window where it was last (see WindowPlaces).
    void showInPlace();
    // The files given on the command line, dropped on the window or sent by a second
    // copy of the program, each opened as File > Open would.
    void openFiles(const QStringList& paths);
    // A second copy was started: come to the front.
    void comeForward();
    TfrmHelp* helpWindow() const;  // null until Help > Contents
    // The main window keeps one of each; null while it is closed.
    TfrmPanel* panel() const override;
    TfrmSetup* setupWindow() const;

public slots:
    void FormShow();
    void Open1Click();
    void Save1Click();
    void btnPrintClick();
    void PrinterSetup1Click();
    void Exit1Click();
    void LoadData1Click();
    void Setup1Click();
    void btnOutputToGraphClick();
    void Library1Click();  // View > Library and btnLibrary
    void btnRunClick();
    void btnStopClick();
    void ControlPanel1Click();
    void RealTimeGraph1Click();
    void Tile1Click();
    void Cascade1Click();
    void Contents1Click();
    void About1Click();

signals:
    void shown();  // after FormShow, so the program entry can close its splash

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void connectWindowSignals();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void rebuildWindowMenu();
    void rebuildRecentFiles();
    void noteOpenedFile(const QString& path);
    void reportSettingsProblem(const QString& problem);
    void buildKeyboardCommands(QMenu* view);
    void leaveCloseKeyToMainWindow(QMdiSubWindow& sub);
    void openPanel();
    void meterFound() override;
    void meterLost() override;
    void probeFailed(const QString& why) override;
    void readingsStopped() override;
    void readingsResumed() override;
    void otherMeterChanged(std::size_t index) override;
    std::size_t panelMeter() const override { return m_panelMeter; }
    // Every meter's label, the default first, as the status bar and the panel name them.
    QStringList meterLabels() const;
    // The panel follows meter `index` (0 the default); its keys go to that meter.
    void choosePanelMeter(std::size_t index);

    Program& m_program;
    QMdiArea* m_mdi = nullptr;
    MonitorLoop* m_monitor = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_windowMenu = nullptr;
    QLabel* m_status[2] = {nullptr, nullptr};
    QLabel* m_meterStatus = nullptr;
    // With several meters the meter field names each one and whether it answers.
    void showMeters();
    std::size_t m_panelMeter = 0;
    QLabel* m_libraryStatus = nullptr;
    QLabel* m_publishingStatus = nullptr;
    bool m_shown = false;
    WindowPlaces* m_places = nullptr;
    QPointer<TfrmHelp> m_help;
    QPointer<TfrmPanel> m_panel;
    QPointer<TfrmSetup> m_setup;
    bool m_settingsProblemShown = false;
};

}  // namespace kelvor
