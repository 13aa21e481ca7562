// SPDX-License-Identifier: GPL-3.0-or-later
// The graph window's layout and form events.
#include "graph/ui/tfrmgraph.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "chart/ui/chartview.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/derivedtool.h"
#include "graph/ui/profiletool.h"
#include "graph/ui/referencetool.h"
#include "graph/ui/reportgraph.h"
#include "graph/ui/scaletools.h"
#include "graph/ui/toolicons.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/wrappingrow.h"

namespace kelvor {

namespace {
const QString kNoStatistic = QStringLiteral("***.* ");
// A chart's time axis and margins, and the least height of one of its plots (split
// charts stack up to four).
constexpr int kChartFrame = 70;
constexpr int kPlotMinimum = 60;

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QToolButton* toolButton(QWidget* parent, const char* name, GraphTool icon, const QString& hint, bool checkable)
{
    auto* b = named(new QToolButton(parent), name);
    b->setIcon(graphToolIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setCheckable(checkable);
    return b;
}

QFrame* divider(QWidget* parent, const char* name)
{
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QLineEdit* statisticField(QWidget* parent, const char* name, const QString& text, int width)
{
    auto* e = named(new QLineEdit(text, parent), name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    if (width > 0)
        e->setFixedWidth(width);
    return e;
}

// Holds a bar of controls at its natural width, cut at the right when the window is
// narrower (Tile on a small screen), rather than squeezing every control unreadable.
class BarClip : public QWidget {
public:
    BarClip(QWidget* bar, QWidget* parent) : QWidget(parent), m_bar(bar)
    {
        bar->setParent(this);
        bar->installEventFilter(this);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return m_bar->isHidden() ? QSize(0, 0) : m_bar->sizeHint(); }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        // The bar changed what it holds or was shown or hidden: take its new size.
        if (e->type() == QEvent::LayoutRequest || e->type() == QEvent::Show || e->type() == QEvent::Hide) {
            setFixedHeight(sizeHint().height());
            updateGeometry();
            place();
        }
        return false;
    }

private:
    void place() { m_bar->setGeometry(0, 0, std::max(width(), m_bar->sizeHint().width()), height()); }
    QWidget* m_bar;
};

QComboBox* rateList(QWidget* parent, const char* name, int index)
{
    auto* c = named(new QComboBox(parent), name);
    for (int i = 0; i <= 60; ++i)
        c->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    c->setCurrentIndex(index);
    c->setFixedWidth(48);
    return c;
}
}  // namespace

TfrmGraph::TfrmGraph(Program& program, GraphRole role, QWidget* parent)
    : QWidget(parent), m_program(program), m_role(role)
{
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1175, 612);
    m_font = QFont(QStringLiteral("Tahoma"));
    m_font.setPixelSize(13);

    pnlDataSets = buildDataSets();

    auto* right = new QWidget(this);
    ToolBar1 = buildToolBar();
    pnlGraphStatistic = buildGraphStatistic();

    pnlGraph = named(new QWidget(right), "pnlGraph");
    PESGraph1 = named(new ChartView(m_chart, pnlGraph), "PESGraph1");
    auto* graphLayout = new QVBoxLayout(pnlGraph);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    graphLayout->addWidget(PESGraph1, 1);  // the strips under it take only what they need
    m_cursors = new CursorTool(*PESGraph1, pnlGraph);
    graphLayout->addWidget(m_cursors->strip());
    m_scales = new ScaleTools(m_chart, this);
    m_derived = new DerivedTool(*PESGraph1, this);
    if (auto* bar = qobject_cast<QBoxLayout*>(ToolBar1->layout())) {
        bar->insertWidget(bar->indexOf(UndoZoom) + 1, m_cursors->button());
        bar->insertWidget(bar->indexOf(btnChangeScale) + 1, m_scales->autoButton());
        bar->insertWidget(bar->indexOf(btnChangeScale) + 2, m_scales->elapsedButton());
        bar->insertWidget(bar->indexOf(btnChangeScale) + 3, m_derived->button());
    }
    m_references =
        new ReferenceTool(m_program.prompts, m_program.dataDir, ProgramReferenceSources(m_program), *PESGraph1, this);
    m_cursors->setValueNote([this](int c, double t, double v) { return m_references->differenceText(c, t, v); });
    connect(m_references, &ReferenceTool::changed, m_cursors, &CursorTool::notesChanged);
    auto* cursorKey = new QShortcut(QKeySequence(Qt::Key_C), this);
    cursorKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(cursorKey, &QShortcut::activated, m_cursors->button(), &QToolButton::toggle);
    Panel12 = named(new QLabel(pnlGraph), "Panel12");
    Panel12->setFixedSize(167, 21);
    Panel12->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel12->setAutoFillBackground(true);
    Panel12->raise();
    pnlGraph->installEventFilter(this);

    pnlStatistic = buildStatistic();
    m_alarms = new AlarmTool(m_program, *PESGraph1,
                             {std::vector<QLineEdit*>{m_max[0], m_min[0], m_avg[0]},
                              {m_max[1], m_min[1], m_avg[1]},
                              {m_max[2], m_min[2], m_avg[2]},
                              {m_max[3], m_min[3], m_avg[3]}},
                             pnlGraph);
    graphLayout->addWidget(m_alarms->list());
    m_profileCheck = new ProfileTool(m_program, *PESGraph1, pnlGraph);
    graphLayout->addWidget(m_profileCheck->list());
    if (auto* bar = qobject_cast<QBoxLayout*>(ToolBar1->layout())) {
        bar->insertWidget(bar->indexOf(m_derived->button()) + 1, m_alarms->button());
        bar->insertWidget(bar->indexOf(m_alarms->button()) + 1, m_profileCheck->button());
        bar->insertWidget(bar->indexOf(m_profileCheck->button()) + 1, m_references->button());
    }
    Splitter1 = named(new QSplitter(Qt::Vertical, right), "Splitter1");
    Splitter1->addWidget(pnlGraph);
    Splitter1->addWidget(pnlStatistic);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setCollapsible(0, false);

    // The statistics bar keeps its one row; a narrow window (Tile on a small screen) cuts it
    // at the right rather than refusing to be narrower than it is.
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(ToolBar1);
    rightLayout->addWidget(new BarClip(pnlGraphStatistic, right));
    rightLayout->addWidget(Splitter1, 1);

    Splitter2 = named(new QSplitter(Qt::Horizontal, this), "Splitter2");
    Splitter2->addWidget(pnlDataSets);
    Splitter2->addWidget(right);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({346, 1175 - 346});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter2);

    connect(PESGraph1, &ChartView::OnCustomizeDlg, this, &TfrmGraph::PESGraph1CustomizeDlg);
    connect(PESGraph1, &ChartView::OnZoomIn, this, &TfrmGraph::PESGraph1ZoomIn);
    connect(PESGraph1, &ChartView::OnMouseMove, this, &TfrmGraph::PESGraph1MouseMove);
    connect(PESGraph1, &ChartView::OnClick, this, &TfrmGraph::PESGraph1Click);
    connect(PESGraph1, &ChartView::OnGraphHotSpot, this, &TfrmGraph::PESGraph1GraphHotSpot);
    connect(PESGraph1, &ChartView::OnGraphAnnotHotSpot, this, &TfrmGraph::PESGraph1GraphAnnotHotSpot);
    connect(PESGraph1, &ChartView::OnDataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    PESGraph1->setDialogExec([this](QDialog& d) { return m_program.prompts.exec(d); });
    // Templates, graph files and the customise dialog can all change the split; every
    // change ends with a refresh, so the box is brought in line there.
    connect(&m_chart, &ChartModel::actionRequested, this, [this](int action) {
        if (action == sgReinitAndReset || action == sgResetImage)
            showSplitState();
    });

    FormCreate();
}

TfrmGraph::~TfrmGraph() = default;

QFrame* TfrmGraph::buildDataSets()
{
    auto* panel = named(new QFrame(this), "pnlDataSets");
    StaticText1 = named(new QLabel(QStringLiteral("Data Sets"), panel), "StaticText1");
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Grid2 = named(new QTableWidget(1, 11, panel), "Grid2");
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid2->verticalHeader()->setVisible(false);
    Grid2->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid2->setCursor(Qt::PointingHandCursor);
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setPixelSize(15);
    Grid2->setFont(gridFont);
    connect(Grid2, &QTableWidget::cellClicked, this, [this] { Grid2Click(); });
    auto* l = new QVBoxLayout(panel);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(StaticText1);
    l->addWidget(Grid2, 1);
    panel->setVisible(false);
    return panel;
}

QWidget* TfrmGraph::buildToolBar()
{
    auto* bar = named(new QFrame(this), "ToolBar1");
    ToolButton1 = toolButton(bar, "ToolButton1", GraphTool::Statistic, QStringLiteral("Toggle Graph Statistic"), true);
    ToolButton1->setChecked(true);
    ToolButton2 =
        toolButton(bar, "ToolButton2", GraphTool::LineCursor, QStringLiteral("Toggle Line Cursor Statistic"), true);
    ToolButton2->setChecked(true);
    ToolButton4 = toolButton(bar, "ToolButton4", GraphTool::Arrow, QStringLiteral("Normal Cursor"), true);
    ToolButton5 = toolButton(bar, "ToolButton5", GraphTool::Cross, QStringLiteral("Draw A Cross On Graph"), true);
    ToolButton9 = toolButton(bar, "ToolButton9", GraphTool::Text, QStringLiteral("Text"), true);
    m_cursorGroup = new QButtonGroup(this);
    m_cursorGroup->setExclusive(true);
    m_cursorGroup->addButton(ToolButton4);
    m_cursorGroup->addButton(ToolButton5);
    m_cursorGroup->addButton(ToolButton9);
    ToolButton4->setChecked(true);
    ToolButton15 = toolButton(bar, "ToolButton15", GraphTool::Colour, QStringLiteral("Set Annotation Color"), false);
    tbntSep3 = divider(bar, "tbntSep3");
    tbntClr = toolButton(bar, "tbntClr", GraphTool::Clear, QStringLiteral("Clear"), false);
    tbntClr->setText(QStringLiteral("Clear"));
    tbntClr->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tbntSep3->setVisible(false);
    tbntClr->setVisible(false);
    UndoZoom = named(new QPushButton(QStringLiteral("Undo Zoom"), bar), "UndoZoom");
    UndoZoom->setEnabled(false);
    chkSplit = named(new QCheckBox(QStringLiteral("Split"), bar), "chkSplit");
    chkSplit->setChecked(true);
    Button1 = named(new QPushButton(QStringLiteral("Graph Option"), bar), "Button1");
    Button1->setToolTip(QStringLiteral("Graph Customization"));
    btnChangeScale = named(new QPushButton(QStringLiteral("Y Axis"), bar), "btnChangeScale");
    btnChangeScale->setToolTip(QStringLiteral("set the maximum and minimum extent of the left y axis."));
    Button3 = named(new QPushButton(QStringLiteral("Font"), bar), "Button3");
    btnReport = named(new QPushButton(QStringLiteral("Report…"), bar), "btnReport");
    btnReport->setToolTip(QStringLiteral("A PDF report of this graph: chart, statistics and annotations"));

    // A narrow window (Tile on a small screen) takes the tools in two rows, none cut off.
    auto* l = new WrappingRowLayout(bar);
    l->setContentsMargins(2, 2, 2, 2);
    l->setSpacing(2);
    l->addWidget(ToolButton1);
    l->addWidget(ToolButton2);
    l->addWidget(divider(bar, "ToolButton3"));
    l->addWidget(ToolButton4);
    l->addWidget(ToolButton5);
    l->addWidget(ToolButton9);
    l->addWidget(ToolButton15);
    l->addWidget(divider(bar, "ToolButton8"));
    l->addWidget(tbntSep3);
    l->addWidget(tbntClr);
    l->addWidget(UndoZoom);
    l->addSpacing(8);
    l->addWidget(chkSplit);
    l->addWidget(Button1);
    l->addWidget(btnChangeScale);
    l->addWidget(divider(bar, "Splitter3"));
    l->addWidget(Button3);
    l->addWidget(btnReport);
    l->addStretch(1);

    connect(ToolButton1, &QToolButton::clicked, this, &TfrmGraph::ToolButton1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TfrmGraph::ToolButton2Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TfrmGraph::ToolButton4Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TfrmGraph::ToolButton5Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TfrmGraph::ToolButton9Click);
    connect(ToolButton15, &QToolButton::clicked, this, &TfrmGraph::ToolButton15Click);
    connect(tbntClr, &QToolButton::clicked, this, &TfrmGraph::tbntClrClick);
    connect(UndoZoom, &QPushButton::clicked, this, &TfrmGraph::UndoZoomClick);
    connect(chkSplit, &QCheckBox::clicked, this, &TfrmGraph::chkSplitClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmGraph::Button1Click);
    connect(btnChangeScale, &QPushButton::clicked, this, &TfrmGraph::btnChangeScaleClick);
    connect(Button3, &QPushButton::clicked, this, &TfrmGraph::Button3Click);
    connect(btnReport, &QPushButton::clicked, this, [this] { ReportGraphWindow(m_program, *this); });
    return bar;
}

QFrame* TfrmGraph::buildGraphStatistic()
{
    auto* panel = named(new QFrame(this), "pnlGraphStatistic");
    panel->setFixedHeight(40);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    txtStartTime = statisticField(panel, "txtStartTime", QString(), 170);
    pnlSamplingRate = named(new QFrame(panel), "pnlSamplingRate");
    ComboBox1 = rateList(pnlSamplingRate, "ComboBox1", 0);
    ComboBox2 = rateList(pnlSamplingRate, "ComboBox2", 2);
    auto* rl = new QHBoxLayout(pnlSamplingRate);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->setSpacing(2);
    rl->addWidget(ComboBox1);
    rl->addWidget(ComboBox2);
    rl->addWidget(new QLabel(QStringLiteral("mm:ss"), pnlSamplingRate));
    pnlSamplingRate->setEnabled(false);
    txtDataNo = statisticField(panel, "txtDataNo", QStringLiteral("0"), 70);
    Button2 = named(new QPushButton(QStringLiteral("Show MAX/MIN on Graph"), panel), "Button2");

    auto* l = new QHBoxLayout(panel);
    l->setContentsMargins(6, 2, 6, 2);
    l->addWidget(new QLabel(QStringLiteral("Start Time"), panel));
    l->addWidget(txtStartTime);
    l->addSpacing(12);
    l->addWidget(new QLabel(QStringLiteral("Sampling\nRate"), panel));
    l->addWidget(pnlSamplingRate);
    l->addSpacing(12);
    l->addWidget(new QLabel(QStringLiteral("Data No."), panel));
    l->addWidget(txtDataNo);
    l->addSpacing(12);
    l->addWidget(Button2);
    l->addStretch(1);

    // Only the user's choice runs the rate change; code sets the lists under a blocker.
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(Button2, &QPushButton::clicked, this, &TfrmGraph::Button2Click);
    return panel;
}

QFrame* TfrmGraph::buildStatistic()
{
    auto* panel = named(new QFrame(this), "pnlStatistic");
    panel->setFixedHeight(130);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    static const char* const maxNames[4] = {"txtT1Max", "txtT2Max", "txtT3Max", "txtT4Max"};
    static const char* const minNames[4] = {"txtT1Min", "txtT2Min", "txtT3Min", "txtT4Min"};
    static const char* const avgNames[4] = {"txtT1Avg", "txtT2Avg", "txtT3Avg", "txtT4Avg"};
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    for (int c = 0; c < 4; ++c) {
        m_max[c] = statisticField(panel, maxNames[c], kNoStatistic, 0);
        m_min[c] = statisticField(panel, minNames[c], kNoStatistic, 0);
        m_avg[c] = statisticField(panel, avgNames[c], kNoStatistic, 90);
        grid->addWidget(new QLabel(QStringLiteral("T%1 MAX ").arg(c + 1), panel), c, 0);
        grid->addWidget(m_max[c], c, 1);
        grid->addWidget(new QLabel(QStringLiteral("MIN"), panel), c, 2);
        grid->addWidget(m_min[c], c, 3);
        grid->addWidget(new QLabel(QStringLiteral("AVG"), panel), c, 4);
        grid->addWidget(m_avg[c], c, 5);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(6, 1);
    // A run of several meters: whose channels the fields show (hidden otherwise).
    auto* statMeter = named(new QWidget(panel), "pnlStatMeter");
    auto* statMeterRow = new QHBoxLayout(statMeter);
    statMeterRow->setContentsMargins(0, 0, 0, 0);
    auto* statMeterLabel = new QLabel(QStringLiteral("Meter"), statMeter);
    cmbStatMeter = named(new QComboBox(statMeter), "cmbStatMeter");
    cmbStatMeter->setAccessibleName(QStringLiteral("Statistics of meter"));
    cmbStatMeter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    statMeterLabel->setBuddy(cmbStatMeter);
    statMeterRow->addWidget(statMeterLabel);
    statMeterRow->addWidget(cmbStatMeter);
    statMeter->hide();
    grid->addWidget(statMeter, 0, 6, Qt::AlignRight | Qt::AlignTop);
    txtT1Max = m_max[0], txtT2Max = m_max[1], txtT3Max = m_max[2], txtT4Max = m_max[3];
    txtT1Min = m_min[0], txtT2Min = m_min[1], txtT3Min = m_min[2], txtT4Min = m_min[3];
    txtT1Avg = m_avg[0], txtT2Avg = m_avg[1], txtT3Avg = m_avg[2], txtT4Avg = m_avg[3];
    return panel;
}

void TfrmGraph::FormCreate()
{
    static const char* const headers[11] = {"Set",    "DATE",      "TIME",      "Rate",      "Nums",     "Unit",
                                            "Couple", "T1 Offset", "T2 Offset", "T3 Offset", "T4 Offset"};
    static const int widths[11] = {25, 60, 60, 65, 40, 40, 40, 60, 60, 60, 60};
    QStringList labels;
    for (const char* h : headers)
        labels << QString::fromLatin1(h);
    Grid2->setHorizontalHeaderLabels(labels);
    for (int c = 0; c < 11; ++c) {
        Grid2->setColumnWidth(c, widths[c]);
        Grid2->setItem(0, c, new QTableWidgetItem());
    }
    const int bgr = m_program.graph.AnnoColor;
    m_dialogColor = QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    pnlStatistic->setFont(m_font);
    pnlGraphStatistic->setFont(m_font);
}

void TfrmGraph::setClearVisible(bool on)
{
    tbntSep3->setVisible(on);
    tbntClr->setVisible(on);
}

void TfrmGraph::setRateLists(int minutesIndex, int secondsIndex)
{
    const QSignalBlocker b1(ComboBox1);
    const QSignalBlocker b2(ComboBox2);
    ComboBox1->setCurrentIndex(minutesIndex >= 0 && minutesIndex <= 60 ? minutesIndex : -1);
    ComboBox2->setCurrentIndex(secondsIndex >= 0 && secondsIndex <= 60 ? secondsIndex : -1);
}

void TfrmGraph::clearStatisticFields()
{
    for (int c = 0; c < 4; ++c) {
        m_max[c]->clear();
        m_min[c]->clear();
        m_avg[c]->clear();
    }
}

void TfrmGraph::showSplitState()
{
    const QSignalBlocker quiet(chkSplit);
    const int plots = std::max(1, int(m_chart.axisLayout().size()));
    chkSplit->setChecked(plots > 1);
    // However small the window gets (Tile, a small screen), each plot keeps room to read.
    PESGraph1->setMinimumHeight(std::max(ChartView::kMinimumHeight, kChartFrame + plots * kPlotMinimum));
}

void TfrmGraph::updateAnnotationTools()
{
    showSplitState();
    const bool unsplit = m_chart.MultiAxesProportions(0) == 1.0;
    ToolButton5->setEnabled(unsplit);
    ToolButton9->setEnabled(unsplit);
}

void TfrmGraph::redraw()
{
    m_chart.setPEnarg1(0);
    m_chart.setPEnarg2(0);
    m_chart.PEactions(sgResetImage);
    m_chart.PEactions(sgInvalidateImage);
}

void TfrmGraph::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

bool TfrmGraph::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

bool TfrmGraph::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == pnlGraph && e->type() == QEvent::Resize)
        pnlGraphResize();
    return QWidget::eventFilter(watched, e);
}

void TfrmGraph::closeEvent(QCloseEvent* e)
{
    // A window closes once; a second close request (the main window closing all its
    // children after this one was closed) must not ask again.
    if (m_closed || !FormCloseQuery()) {
        e->ignore();
        return;
    }
    m_closed = true;
    FormClose();
    e->accept();
}

}  // namespace kelvor
