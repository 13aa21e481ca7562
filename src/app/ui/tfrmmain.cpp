// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/tfrmmain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/ui/tfrmabout.h"
#include "app/ui/tfrmhelp.h"
#include "app/ui/windowplaces.h"
#include "base/meternames.h"
#include "base/recentfiles.h"
#include "base/settings.h"
#include "files/droppedfiles.h"
#include "files/ui/filecommands.h"
#include "files/ui/openfiles.h"
#include "files/ui/tabletograph.h"
#include "files/ui/tfrmlist.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/metersdialog.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimecommands.h"
#include "graph/ui/reportgraph.h"
#include "graph/ui/tfrmgraph.h"
#include "library/ui/tfrmlibrary.h"
#include "logger/ui/loggercommands.h"
#include "logger/ui/loggerwindow.h"
#include "panel/ui/digitimages.h"
#include "panel/ui/tfrmpanel.h"
#include "print/ui/printcommands.h"
#include "program/program.h"
#include "program/prompts.h"
#include "publish/ui/tfrmpublishing.h"
#include "setup/ui/tfrmsetup.h"
#include "web/ui/shareinbrowser.h"
#include "widgets/accessiblenames.h"
#include "widgets/dialogparent.h"
#include "widgets/mdiwindows.h"

namespace kelvor {

namespace {
QIcon icon(const char* name) { return QIcon(QStringLiteral(":/icons/icon_%1.png").arg(QLatin1String(name))); }

// Windows of one kind share a remembered place: by class, the graphs by their role.
QString windowKind(QWidget* child)
{
    if (!child)
        return {};
    if (auto* graph = qobject_cast<TfrmGraph*>(child)) {
        if (graph->isRealTimeWindow())
            return QStringLiteral("RealTimeGraph");
        return graph->isLoggerWindow() ? QStringLiteral("DataLogger") : QStringLiteral("Graph");
    }
    QString name = QString::fromLatin1(child->metaObject()->className());
    return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}
}  // namespace

TfrmMain::TfrmMain(Program& program, QWidget* parent) : QMainWindow(parent), m_program(program)
{
    registerShellResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KELVOR"));
    m_program.mainWindow = this;

    // The client area has no border or scroll bars of its own.
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The desktop's own colour behind the windows, light or dark.
    m_mdi->setBackground(palette().brush(QPalette::Dark));
    // Without scroll bars the area would ask for room for every child's minimum size,
    // and the main window would grow past the screen to give it.
    m_mdi->setMinimumSize(200, 100);
    setCentralWidget(m_mdi);

    m_monitor = new MonitorLoop(m_program, *this, this);
    setAcceptDrops(true);

    buildMenus();
    buildToolBar();
    buildStatusBar();

    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        // Only a table can be output to a graph. The MDI area tells reliably which
        // child became active, so the children's own activation handlers run from here.
        QWidget* child = sub ? sub->widget() : nullptr;
        if (child)
            NameButtonsForAccessibility(*child);
        if (sub)
            leaveCloseKeyToMainWindow(*sub);
        if (auto* list = qobject_cast<TfrmList*>(child))
            list->FormActivate();
        else if (auto* graph = qobject_cast<TfrmGraph*>(child))
            graph->FormActivate();
        else if (qobject_cast<TfrmPanel*>(child))
            btnOutputToGraph->setEnabled(false);
    });

    NameButtonsForAccessibility(*this);
    connectWindowSignals();
    connect(&m_program.windowSignals, &WindowSignals::fileOpened, this, &TfrmMain::noteOpenedFile);
    m_places = new WindowPlaces(
        *m_mdi, [this] { return openProgramSettings(m_program.settingsFile); }, windowKind, this);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // Children closing during the teardown below must not reach this half-gone window.
    m_program.windowSignals.disconnect(this);
    m_monitor->mainTimer().stop();
    delete m_mdi;  // the children go before the menus and buttons they may touch
}

void TfrmMain::connectWindowSignals()
{
    // The newest main window takes the windows' signals over.
    WindowSignals& s = m_program.windowSignals;
    s.disconnect();
    connect(&s, &WindowSignals::windowOpened, this, [this](QWidget* child) {
        QMdiSubWindow* sub = m_mdi->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        FitIntoArea(*sub);
        // Openers may still size or move their window after this; it must end up whole.
        QTimer::singleShot(0, sub, [sub] { FitIntoArea(*sub); });
    });
    connect(&s, &WindowSignals::publishingStatus, this, [this](const QString& text) {
        // The reason can be long (a TLS error): the bar shows its start, the tip all of it.
        m_publishingStatus->setText(text.size() > 60 ? text.left(57) + QStringLiteral("…") : text);
        m_publishingStatus->setToolTip(text);
    });
    connect(&s, &WindowSignals::libraryStatus, this, [this](const QString& text) {
        // Short in the bar, whole in the tool tip.
        m_libraryStatus->setText(text.section(QLatin1Char(':'), 0, 0));
        m_libraryStatus->setToolTip(text);
    });
    connect(&s, &WindowSignals::metersChosen, this, &TfrmMain::showMeters);
    connect(&s, &WindowSignals::outputToGraphEnabled, this, [this](bool on) { btnOutputToGraph->setEnabled(on); });
    connect(&s, &WindowSignals::realTimeGraphChecked, this, [this](bool on) { RealTimeGraph1->setChecked(on); });
    connect(&s, &WindowSignals::runEnabled, this, [this](bool on) {
        // A run stopped while the meter is away cannot start another before it is back.
        on = on && m_program.monitor.Connected;
        btnRun->setEnabled(on);
        Run1->setEnabled(on);
    });
    connect(&s, &WindowSignals::stopEnabled, this, [this](bool on) {
        btnStop->setEnabled(on);
        Stop1->setEnabled(on);
    });
    InstallDataLoggerHooks(m_program);
    InstallFileHooks(m_program);
}

void TfrmMain::buildMenus()
{
    auto action = [this](QMenu* menu, const char* name, const QString& text, void (TfrmMain::*slot)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto menu = [this](const char* name, const QString& text) {
        QMenu* m = menuBar()->addMenu(text);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };

    QMenu* file = menu("File1", QStringLiteral("&File"));
    Open1 = action(file, "Open1", QStringLiteral("&Open"), &TfrmMain::Open1Click);
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Save1 = action(file, "Save1", QStringLiteral("&Save"), &TfrmMain::Save1Click);
    Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Print1 = action(file, "Print1", QStringLiteral("&Print"), &TfrmMain::btnPrintClick);
    Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    PrinterSetup1 = action(file, "PrinterSetup1", QStringLiteral("&Printer Setup"), &TfrmMain::PrinterSetup1Click);
    QAction* report = file->addAction(QStringLiteral("&Report…"));
    report->setObjectName(QStringLiteral("Report1"));
    connect(report, &QAction::triggered, this, [this] { ReportActiveWindow(m_program, ActiveChild(*m_mdi)); });
    file->addSeparator();
    RecentFiles1 = file->addMenu(QStringLiteral("Recent &Files"));
    RecentFiles1->setObjectName(QStringLiteral("RecentFiles1"));
    RecentFiles1->menuAction()->setObjectName(QStringLiteral("RecentFiles1"));
    connect(RecentFiles1, &QMenu::aboutToShow, this, &TfrmMain::rebuildRecentFiles);
    rebuildRecentFiles();
    file->addSeparator();
    Exit1 = action(file, "Exit1", QStringLiteral("E&xit"), &TfrmMain::Exit1Click);
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* realTime = menu("RealTime1", QStringLiteral("&Real Time"));
    Run1 = action(realTime, "Run1", QStringLiteral("Run"), &TfrmMain::btnRunClick);
    Stop1 = action(realTime, "Stop1", QStringLiteral("Stop"), &TfrmMain::btnStopClick);
    Run1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    Stop1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    Run1->setEnabled(false);
    Stop1->setEnabled(false);
    realTime->addSeparator();
    QAction* meters = realTime->addAction(QStringLiteral("&Meters…"));
    meters->setObjectName(QStringLiteral("Meters1"));
    connect(meters, &QAction::triggered, this, [this] { MetersClick(m_program, this); });

    QMenu* logger = menu("DataLogger1", QStringLiteral("&Data Logger"));
    DataLogger1 = logger->menuAction();
    LoadData1 = action(logger, "LoadData1", QStringLiteral("&Load "), &TfrmMain::LoadData1Click);
    Setup1 = action(logger, "Setup1", QStringLiteral("&Setup"), &TfrmMain::Setup1Click);

    QMenu* view = menu("View1", QStringLiteral("&View"));
    ControlPanel1 = action(view, "ControlPanel1", QStringLiteral("&Control Panel"), &TfrmMain::ControlPanel1Click);
    RealTimeGraph1 = action(view, "RealTimeGraph1", QStringLiteral("Real Time &Graph"), &TfrmMain::RealTimeGraph1Click);
    Library1 = action(view, "Library1", QStringLiteral("&Library"), &TfrmMain::Library1Click);
    Library1->setIcon(LibraryIcon());
    QAction* share = view->addAction(QStringLiteral("Share in &Browser…"));
    share->setObjectName(QStringLiteral("ShareInBrowser1"));
    connect(share, &QAction::triggered, this, [this] {
        // One dialog: it shows the view's state whenever it is opened again.
        auto* dialog = findChild<ShareInBrowserDialog*>();
        if (!dialog)
            dialog = new ShareInBrowserDialog(m_program.web, this);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    for (QAction* a : {ControlPanel1, RealTimeGraph1}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    // The item only shows the state; choosing it opens or restores, never unchecks.
    connect(ControlPanel1, &QAction::triggered, this, [this] { ControlPanel1->setChecked(bool(m_panel)); });
    buildKeyboardCommands(view);

    QMenu* options = menu("Options1", QStringLiteral("&Options"));
    QAction* publishing = options->addAction(QStringLiteral("&Publishing…"));
    publishing->setObjectName(QStringLiteral("Publishing1"));
    connect(publishing, &QAction::triggered, this, [this] { OpenPublishingDialog(m_program, this); });

    m_windowMenu = menu("Window1", QStringLiteral("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TfrmMain::rebuildWindowMenu);
    rebuildWindowMenu();

    QMenu* help = menu("Help1", QStringLiteral("&Help"));
    Contents1 = action(help, "Contents1", QStringLiteral("&Contents"), &TfrmMain::Contents1Click);
    Contents1->setShortcut(QKeySequence::HelpContents);
    About1 = action(help, "About1", QStringLiteral("&About"), &TfrmMain::About1Click);
}

void TfrmMain::rebuildWindowMenu()
{
    m_windowMenu->clear();
    Tile1 = m_windowMenu->addAction(QStringLiteral("&Tile"), this, &TfrmMain::Tile1Click);
    Tile1->setObjectName(QStringLiteral("Tile1"));
    Cascade1 = m_windowMenu->addAction(QStringLiteral("&Cascade"), this, &TfrmMain::Cascade1Click);
    Cascade1->setObjectName(QStringLiteral("Cascade1"));
    m_windowMenu->addAction(CloseWindow1);
    const QList<QMdiSubWindow*> children = m_mdi->subWindowList();
    if (!children.isEmpty())
        m_windowMenu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* sub : children) {
        QAction* a = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub) {
                if (sub->isMinimized())
                    sub->showNormal();
                m_mdi->setActiveSubWindow(sub);
            }
        });
    }
}

void TfrmMain::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("Panel1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setFixedHeight(36);
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    auto button = [this](const char* name, const char* iconName, const QString& hint, void (TfrmMain::*slot)()) {
        auto* b = new QToolButton(m_toolBar);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setIcon(icon(iconName));
        b->setToolTip(hint);
        b->setFixedSize(32, 32);
        connect(b, &QToolButton::clicked, this, slot);
        m_toolBar->addWidget(b);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "open", QStringLiteral("Open File"), &TfrmMain::Open1Click);
    SpeedButton2 = button("SpeedButton2", "save", QStringLiteral("Save to file"), &TfrmMain::Save1Click);
    btnPrint = button("btnPrint", "print", QStringLiteral("Print"), &TfrmMain::btnPrintClick);
    m_toolBar->addSeparator();
    btnDataLogger = button("btnDataLogger", "datalogger", QStringLiteral("Data Logger"), &TfrmMain::LoadData1Click);
    btnOutputToGraph = button("btnOutputToGraph", "tograph", QStringLiteral("Output Tabular to graph"),
                              &TfrmMain::btnOutputToGraphClick);
    btnLibrary =
        button("btnLibrary", "library", QStringLiteral("Library of runs and downloads"), &TfrmMain::Library1Click);
    btnLibrary->setIcon(LibraryIcon());
    m_toolBar->addSeparator();
    btnRun = button("btnRun", "run", QStringLiteral("Start Graphing Real Time Data"), &TfrmMain::btnRunClick);
    btnStop = button("btnStop", "stop", QStringLiteral("Stop Graphing Real Time Data"), &TfrmMain::btnStopClick);
    SpeedButton8 = button("SpeedButton8", "help", QStringLiteral("Help"), &TfrmMain::Contents1Click);
    btnOutputToGraph->setEnabled(false);
    btnRun->setEnabled(false);
    btnStop->setEnabled(false);
    // A widget in a tool bar is hidden through its action.
    for (QAction* a : m_toolBar->actions())
        if (m_toolBar->widgetForAction(a) == SpeedButton8)
            a->setVisible(false);
}

void TfrmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[2] = {150, 120};  // the second must hold "Off Connection"
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        m_status[i]->setMinimumWidth(widths[i]);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(m_status[i]);
    }
    // Which meter is connected, so two copies driving two meters can be told apart.
    m_meterStatus = new QLabel(bar);
    m_meterStatus->setObjectName(QStringLiteral("StatusMeter"));
    bar->addWidget(m_meterStatus);
    m_publishingStatus = new QLabel(bar);
    m_publishingStatus->setObjectName(QStringLiteral("StatusMqtt"));
    bar->addWidget(m_publishingStatus);
    m_libraryStatus = new QLabel(bar);
    m_libraryStatus->setObjectName(QStringLiteral("StatusLibrary"));
    bar->addWidget(m_libraryStatus, 1);
}

QString TfrmMain::statusText(int panel) const { return m_status[panel == 0 ? 0 : 1]->text(); }

void TfrmMain::FormCreate()
{
    if (auto settings = openProgramSettings(m_program.settingsFile)) {
        const StoredSettings s = readSettings(*settings);
        m_program.session.setRateSeconds(s.RealTimeRate);
        m_program.graph.AnnoColor = s.AnnoColor;
        m_program.setPublishing(ReadPublishing(*settings));
    }
    if (!m_program.digits || (m_program.digits->largeLoaded == 0 && m_program.digits->smallLoaded == 0))
        m_program.digits = std::make_shared<const DigitImages>(loadDigitImages());
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    Setup1->setVisible(m_program.serviceMode);

    m_program.graph.AxisExtendDays = 10.0 * kDaysPerSecond;
    OpenRealTimeGraph(m_program);
    openPanel();

    if (QWidget* graph = RealTimeGraph(m_program)) {
        QWidget* frame = graph->parentWidget() && qobject_cast<QMdiSubWindow*>(graph->parentWidget())
                             ? graph->parentWidget()
                             : graph;
        const int height = this->height() - m_toolBar->height() - statusBar()->height() - 40;
        const int left = m_panel ? m_panel->subWindow()->width() : TfrmPanel::kClientWidth;
        frame->setGeometry(left, 0, 1200, std::max(height, 100));
        if (auto* sub = qobject_cast<QMdiSubWindow*>(frame))
            FitIntoArea(*sub);  // a small screen: narrower, so its right side stays in view
        graph->setFocus();
    }

    if (m_program.monitor.Connected) {
        m_status[1]->setText(QStringLiteral("On Connection"));
    } else {
        m_status[1]->setText(QStringLiteral("Off Connection"));
        if (!m_program.deviceProblem.isEmpty())
            probeFailed(m_program.deviceProblem);
    }
    m_monitor->mainTimer().start();
    emit shown();
}

TfrmPanel* TfrmMain::panel() const { return m_panel; }
TfrmSetup* TfrmMain::setupWindow() const { return m_setup; }

void TfrmMain::openPanel()
{
    TfrmPanel* panel = TfrmPanel::create(m_program.meterAccess(), m_program.digits.get(), *m_mdi);
    m_panel = panel;
    panel->setNoConnectionVisible(!m_program.monitor.Connected);
    m_panelMeter = 0;
    showMeters();
    connect(panel, &TfrmPanel::meterChosen, this, [this](int index) { choosePanelMeter(std::size_t(index)); });
    connect(panel, &QObject::destroyed, this, [this] { ControlPanel1->setChecked(false); });
    connect(panel, &TfrmPanel::closed, this, [this] { ControlPanel1->setChecked(false); });
    ControlPanel1->setChecked(true);
}

bool TfrmMain::FormCloseQuery()
{
    // Every child may refuse (the graphs' save prompts). The windows that ask go
    // first, the other children after them and the panel last, so a refusal leaves
    // every window on screen.
    QList<QMdiSubWindow*> asking, others, panels;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        QWidget* child = sub->widget();
        if (qobject_cast<TfrmPanel*>(child))
            panels << sub;
        else if (child && (child == RealTimeGraph(m_program) || child == LoggerGraph(m_program)))
            asking << sub;
        else
            others << sub;
    }
    // Closing the program ends a run: the real-time graph does not offer to keep it.
    m_program.graph.EndRunOnClose = true;
    for (QMdiSubWindow* sub : asking + others)
        if (!sub->close()) {
            m_program.graph.EndRunOnClose = false;
            return false;
        }
    m_program.session.stop();  // one that went on without its window
    for (QMdiSubWindow* sub : panels)
        sub->close();
    return true;
}

void TfrmMain::FormClose()
{
    QString problem = m_places->saveAll(*this);
    if (auto settings = openProgramSettings(m_program.settingsFile)) {
        const QString written = writeSettings(*settings, {m_program.session.rateSeconds(), m_program.graph.AnnoColor});
        if (problem.isEmpty())
            problem = written;
    }
    reportSettingsProblem(problem);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_monitor->mainTimer().stop();
    FormClose();
    event->accept();
}

void TfrmMain::updateRunCommands()
{
    const bool running = m_program.session.recording();
    QWidget* clear = nullptr;
    if (QWidget* graph = RealTimeGraph(m_program))
        clear = graph->findChild<QWidget*>(QStringLiteral("tbntClr"));
    if (running) {
        btnRun->setEnabled(false);  // Run1 keeps its state: disabled by the run itself
        btnStop->setEnabled(true);
        Stop1->setEnabled(true);
    } else {
        btnRun->setEnabled(true);
        Run1->setEnabled(true);
        btnStop->setEnabled(false);
        Stop1->setEnabled(false);
    }
    if (clear)
        clear->setEnabled(!running);
}

void TfrmMain::meterFound()
{
    m_status[0]->clear();
    m_status[0]->setToolTip(QString());
    m_status[1]->setText(QStringLiteral("On Connection"));
    const QString serial = m_program.device ? m_program.device->connectedSerial() : QString();
    m_meterStatus->setText(serial.isEmpty() ? QString() : QStringLiteral("Meter %1").arg(serial));
    showMeters();
    if (m_panel && m_panelMeter == 0)
        m_panel->setNoConnectionVisible(false);
    DataLogger1->setVisible(true);
    DataLogger1->setEnabled(true);
    btnDataLogger->setVisible(true);
    btnDataLogger->setEnabled(true);
    updateRunCommands();
}

void TfrmMain::meterLost()
{
    for (QWidget* w : {static_cast<QWidget*>(btnRun), static_cast<QWidget*>(btnDataLogger)})
        w->setEnabled(false);
    for (QAction* a : {Run1, DataLogger1})
        a->setEnabled(false);
    // A run goes on without the meter (its samples wait for it to come back), and the
    // user must be able to end it meanwhile.
    const bool running = m_program.session.recording();
    btnStop->setEnabled(running);
    Stop1->setEnabled(running);
    m_status[0]->clear();
    m_status[1]->setText(QStringLiteral("No Connection"));
    m_meterStatus->clear();
    showMeters();
    if (m_panel && m_panelMeter == 0)
        m_panel->setNoConnectionVisible(true);
}

QStringList TfrmMain::meterLabels() const
{
    const std::unique_ptr<QSettings> names = openProgramSettings(m_program.settingsFile);
    auto label = [&names](MeterDevice& device, int index) {
        const QString serial = device.connectedSerial();
        return MeterLabel(ReadMeterName(*names, serial), serial, index);
    };
    QStringList labels{label(*m_program.device, 0)};
    for (std::size_t i = 0; i < m_program.otherMeters.size(); ++i)
        labels << label(*m_program.otherMeters[i]->device, int(i + 1));
    return labels;
}

void TfrmMain::showMeters()
{
    if (m_program.otherMeters.empty())
        return;
    const QStringList labels = meterLabels();
    if (m_panel)
        m_panel->setMeters(labels, int(m_panelMeter));
    QStringList parts;
    for (int i = 0; i < labels.size(); ++i) {
        const bool connected =
            i == 0 ? m_program.monitor.Connected : m_program.otherMeters[std::size_t(i - 1)]->monitor.Connected;
        parts << QStringLiteral("%1: %2").arg(labels[i],
                                              connected ? QStringLiteral("on") : QStringLiteral("no connection"));
    }
    m_meterStatus->setText(parts.join(QStringLiteral("  |  ")));
}

void TfrmMain::otherMeterChanged(std::size_t index)
{
    showMeters();
    if (m_panel && m_panelMeter == index + 1)
        m_panel->setNoConnectionVisible(!m_program.otherMeters[index]->monitor.Connected);
}

void TfrmMain::choosePanelMeter(std::size_t index)
{
    if (index > m_program.otherMeters.size())
        return;
    m_panelMeter = index;
    if (!m_panel)
        return;
    OtherMeter* other = index > 0 ? m_program.otherMeters[index - 1].get() : nullptr;
    m_panel->setMeter(other ? MeterAccess{other->link, m_program.monitorLoop, m_program.prompts}
                            : m_program.meterAccess());
    m_panel->setMeters(meterLabels(), int(index));
    m_panel->setNoConnectionVisible(!(other ? other->monitor.Connected : m_program.monitor.Connected));
    // At once, not at the meter's next reading: the display must not show the last meter's.
    m_panel->RedrawPanel(other ? other->live : m_program.live);
}

// In the first panel, where a missing meter is explained: the panel's values stand
// still meanwhile, and should not pass for current ones.
void TfrmMain::readingsStopped()
{
    const QString text = QString::fromLatin1(kReadingsStoppedText);
    m_status[0]->setText(text);
    m_status[0]->setToolTip(text);
}

void TfrmMain::readingsResumed()
{
    if (m_status[0]->text() != QLatin1String(kReadingsStoppedText))
        return;
    m_status[0]->clear();
    m_status[0]->setToolTip(QString());
}

void TfrmMain::probeFailed(const QString& why)
{
    // The first panel says why no meter is found (the device's own words), so a
    // missing permission or backend is not a silent "Off Connection".
    const QString text = why.isEmpty() ? m_program.deviceProblem : why;
    if (m_status[0]->toolTip() != text) {
        m_status[0]->setText(text);
        m_status[0]->setToolTip(text);
    }
}

// The commands of other subsystems, each handed the window it acts on.
void TfrmMain::Open1Click() { kelvor::Open1Click(m_program); }
void TfrmMain::Save1Click() { kelvor::Save1Click(m_program, ActiveChild(*m_mdi)); }
void TfrmMain::btnPrintClick() { PrintActiveWindow(m_program, ActiveChild(*m_mdi)); }
void TfrmMain::PrinterSetup1Click() { m_program.prompts.printerSetup(this, m_program.printer()); }
void TfrmMain::LoadData1Click() { kelvor::LoadData1Click(m_program); }
void TfrmMain::Setup1Click()
{
    if (TfrmSetup* existing = m_setup) {
        BringForward(existing);
        return;
    }
    TfrmSetup* form = TfrmSetup::open(m_program.meterAccess(), *m_mdi);
    m_setup = form;
    // A closed window may linger until its deletion: the next Setup opens a new one.
    connect(form, &TfrmSetup::closed, this, [this, form] {
        if (m_setup == form)
            m_setup = nullptr;
    });
}
void TfrmMain::btnOutputToGraphClick() { kelvor::btnOutputToGraphClick(m_program, ActiveChild(*m_mdi)); }
void TfrmMain::btnRunClick() { RealTimeRunClick(m_program, this); }
void TfrmMain::btnStopClick() { RealTimeStopClick(m_program); }

void TfrmMain::Exit1Click()
{
    // Exit leaves the settings store as it was, window places included.
    m_places->setFrozen(true);
    // Asks the same save questions as closing the window (a Cancel keeps everything),
    // then leaves the event loop directly: the settings are not written back.
    if (!FormCloseQuery()) {
        m_places->setFrozen(false);
        return;
    }
    m_monitor->mainTimer().stop();
    QCoreApplication::exit(0);
}

void TfrmMain::ControlPanel1Click()
{
    if (m_panel) {
        BringForward(m_panel);
        ControlPanel1->setChecked(true);
        return;
    }
    openPanel();
}

void TfrmMain::RealTimeGraph1Click()
{
    if (QWidget* graph = RealTimeGraph(m_program)) {
        BringForward(graph);
        return;
    }
    BringForward(OpenRealTimeGraph(m_program));
}

void TfrmMain::Tile1Click() { TileWindows(*m_mdi); }
void TfrmMain::Cascade1Click() { CascadeWindows(*m_mdi); }

void TfrmMain::Contents1Click()
{
    // Inside the program: no browser needs to be set up for the help to show.
    if (!m_help)
        m_help = new TfrmHelp(m_program.helpPath(), this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void TfrmMain::About1Click()
{
    TfrmAbout box(this);
    m_program.prompts.exec(box);
}

}  // namespace kelvor

namespace kelvor {
void TfrmMain::Library1Click() { OpenLibraryWindow(m_program); }
}  // namespace kelvor

namespace kelvor {

void TfrmMain::buildKeyboardCommands(QMenu* view)
{
    view->addSeparator();
    auto graphCommand = [this, view](const char* name, const QString& text, void (TfrmGraph::*command)()) {
        QAction* a = view->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, command] {
            if (auto* graph = qobject_cast<TfrmGraph*>(ActiveChild(*m_mdi)))
                (graph->*command)();
        });
        return a;
    };
    ZoomIn1 = graphCommand("ZoomIn1", QStringLiteral("Zoom &In"), &TfrmGraph::zoomIn);
    // Ctrl+= is where most keyboards have "+" without Shift.
    ZoomIn1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    ZoomOut1 = graphCommand("ZoomOut1", QStringLiteral("Zoom &Out"), &TfrmGraph::zoomOut);
    ZoomOut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    UndoZoom1 = graphCommand("UndoZoom1", QStringLiteral("&Undo Zoom"), &TfrmGraph::UndoZoomClick);
    UndoZoom1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    CloseWindow1 = new QAction(QStringLiteral("Cl&ose"), this);
    CloseWindow1->setObjectName(QStringLiteral("CloseWindow1"));
    CloseWindow1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(CloseWindow1, &QAction::triggered, m_mdi, &QMdiArea::closeActiveSubWindow);
    addAction(CloseWindow1);  // the key works while the Window menu is closed too
    // The zoom commands only mean something on a graph.
    connect(view, &QMenu::aboutToShow, this, [this] {
        const bool graph = qobject_cast<TfrmGraph*>(ActiveChild(*m_mdi)) != nullptr;
        for (QAction* a : {ZoomIn1, ZoomOut1, UndoZoom1})
            a->setEnabled(graph);
    });
}

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_mdi->setBackground(palette().brush(QPalette::Dark));
}

void TfrmMain::leaveCloseKeyToMainWindow(QMdiSubWindow& sub)
{
    // A child's system menu may answer Ctrl+W too (the desktop's Close key); two owners
    // make the key ambiguous and it does nothing. Window > Close serves every child,
    // the frameless front panel included.
    const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
    if (QMenu* menu = sub.systemMenu())
        for (QAction* a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            if (keys.removeAll(ctrlW) > 0)
                a->setShortcuts(keys);
        }
}

void TfrmMain::showInPlace() { m_places->showMain(*this); }

TfrmHelp* TfrmMain::helpWindow() const { return m_help.data(); }

void TfrmMain::openFiles(const QStringList& paths) { OpenFiles(m_program, paths); }

void TfrmMain::comeForward()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QStringList paths = DroppedFiles(event->mimeData()->urls());
    event->acceptProposedAction();
    // After the drop has ended: opening may ask questions, which must not run inside
    // the drag and drop loop of the source program.
    QTimer::singleShot(0, this, [this, paths] { openFiles(paths); });
}

void TfrmMain::noteOpenedFile(const QString& path)
{
    if (auto settings = openProgramSettings(m_program.settingsFile)) {
        QString problem;
        addRecentFile(*settings, path, &problem);
        reportSettingsProblem(problem);
    }
}

void TfrmMain::rebuildRecentFiles()
{
    RecentFiles1->clear();
    QStringList files;
    if (auto settings = openProgramSettings(m_program.settingsFile))
        files = readRecentFiles(*settings);
    int n = 0;
    for (const QString& path : files) {
        QAction* a = RecentFiles1->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QFileInfo(path).fileName()));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenFileByKind(m_program, path); });
    }
    if (files.isEmpty()) {
        RecentFiles1->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    RecentFiles1->addSeparator();
    RecentFiles1->addAction(QStringLiteral("&Clear Recent Files"), this, [this] {
        if (auto settings = openProgramSettings(m_program.settingsFile)) {
            QString problem;
            clearRecentFiles(*settings, &problem);
            reportSettingsProblem(problem);
        }
    });
}

void TfrmMain::reportSettingsProblem(const QString& problem)
{
    // Once per run: the store stays unwritable, and every open would say it again.
    if (problem.isEmpty() || m_settingsProblemShown)
        return;
    m_settingsProblemShown = true;
    m_program.prompts.error(this, QStringLiteral("The settings could not be stored: %1").arg(problem));
}

}  // namespace kelvor
