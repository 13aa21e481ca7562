// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include "chart/chartmodel.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class QToolButton;

namespace kelvor {

class ChartView;
class AlarmTool;
class ProfileTool;
class CursorTool;
class DerivedTool;
class ReferenceTool;
class RealTimeView;
class ScaleTools;
class Program;

inline const QString kRealTimeCaption = QStringLiteral("Real-Time Graph");
inline const QString kLoggerCaption = QStringLiteral("DataLogger");

// What a graph window shows, fixed when it is made: its closing questions and commands
// follow it, whatever its caption says.
enum class GraphRole {
    File,              // a graph file, a table or a spreadsheet drawn
    RealTime,          // the real-time graph, a view of the recording session
    DataLogger,        // the data logger's download
    LibraryRecording,  // a recording opened from the library
};

// One chart of the four channels against time, with its tool bar, the statistics strip
// above the chart and the statistics panel below it. Serves the real-time graph, the
// data logger graph and graphs opened from files (see GraphRole).
// Deletes itself when closed.
class TfrmGraph : public QWidget {
    Q_OBJECT
public:
    explicit TfrmGraph(Program& program, GraphRole role = GraphRole::File, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    Program& program() const { return m_program; }
    // The window's size at creation; cascading and new windows start from it.
    QSize sizeHint() const override { return {1175, 612}; }
    // Narrower than this, the chart's time labels crowd out its plots.
    QSize minimumSizeHint() const override { return QWidget::minimumSizeHint().expandedTo({kMinimumWidth, 0}); }
    static constexpr int kMinimumWidth = 480;
    ChartModel& chart() { return m_chart; }
    ChartView& view() const { return *PESGraph1; }
    // The A/B cursors and their measurement strip under the chart.
    CursorTool& cursors() const { return *m_cursors; }
    // Auto/fixed Y and clock/elapsed X.
    ScaleTools& scales() const { return *m_scales; }
    // T1-T2 and rates of change on the right-hand axis.
    DerivedTool& derived() const { return *m_derived; }
    ReferenceTool& references() const { return *m_references; }
    // Alarm limits, their lines and events.
    AlarmTool& alarms() const { return *m_alarms; }
    ProfileTool& profileCheck() const { return *m_profileCheck; }
    // The real-time graph's view of the recording session; null in any other graph.
    RealTimeView* realTimeView() const { return m_realTime; }
    void setRealTimeView(RealTimeView* view) { m_realTime = view; }

    GraphRole role() const { return m_role; }
    bool isLoggerWindow() const { return m_role == GraphRole::DataLogger; }
    bool isRealTimeWindow() const { return m_role == GraphRole::RealTime; }

    // Shows or hides "Clear" and its divider (real-time graph only).
    void setClearVisible(bool on);
    // Writes the rate lists without running their change handler.
    void setRateLists(int minutesIndex, int secondsIndex);
    // The thirteen statistics fields, as the real-time run and ClearGraph fill them.
    QLineEdit* maxField(int channel) const { return m_max[channel]; }
    QLineEdit* minField(int channel) const { return m_min[channel]; }
    QLineEdit* avgField(int channel) const { return m_avg[channel]; }
    void clearStatisticFields();
    // Enables the cross and text tools only on an unsplit chart (and shows the chart's
    // split state in "Split").
    void updateAnnotationTools();
    // Ticks "Split" exactly when the chart draws more than one axis.
    void showSplitState();

    // --- components by their names
    QFrame* pnlDataSets;
    QLabel* StaticText1;
    QTableWidget* Grid2;
    QSplitter* Splitter2;
    QWidget* ToolBar1;
    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* ToolButton4;
    QToolButton* ToolButton5;
    QToolButton* ToolButton9;
    QToolButton* ToolButton15;
    QFrame* tbntSep3;
    QToolButton* tbntClr;
    QPushButton* UndoZoom;
    QCheckBox* chkSplit;
    QPushButton* Button1;
    QPushButton* btnChangeScale;
    QPushButton* Button3;
    QPushButton* btnReport;  // the PDF report of this graph
    QFrame* pnlGraphStatistic;
    QLineEdit* txtStartTime;
    QFrame* pnlSamplingRate;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QLineEdit* txtDataNo;
    QPushButton* Button2;
    QWidget* pnlGraph;
    ChartView* PESGraph1;
    QLabel* Panel12;
    QSplitter* Splitter1;
    QFrame* pnlStatistic;
    QLineEdit* txtT1Max;
    QLineEdit* txtT2Max;
    QLineEdit* txtT3Max;
    QLineEdit* txtT4Max;
    QLineEdit* txtT1Min;
    QLineEdit* txtT2Min;
    QLineEdit* txtT3Min;
    QLineEdit* txtT4Min;
    QLineEdit* txtT1Avg;
    QLineEdit* txtT2Avg;
    QLineEdit* txtT3Avg;
    QLineEdit* txtT4Avg;
    QComboBox* cmbStatMeter;  // the meter whose channels the statistics show

    // Real-time samples shown here that no file holds yet (a recording reopened from the
    // library): closing asks to save them, as for the real-time window.
    bool UnsavedData = false;
    // What the library knows of the samples shown (a run, a recording or download opened
    // from the library): the item's name and the meter (MeterText). Reports name both;
    // empty when not known.
    QString RecordingName;
    QString RecordingMeter;

    // --- handlers (public so the run logic and tests can drive them as the user would)
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    void pnlGraphResize();
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton9Click();
    void ToolButton15Click();
    void chkSplitClick();
    void Button1Click();
    void PESGraph1CustomizeDlg();
    void Button3Click();
    void tbntClrClick();
    void Grid2Click();
    void ComboBox1Change();
    void UndoZoomClick();
    void zoomIn();   // Ctrl+=: half the range about the middle
    void zoomOut();  // Ctrl+-: twice the range
    void PESGraph1ZoomIn();
    void PESGraph1MouseMove();
    void PESGraph1Click();
    void PESGraph1GraphHotSpot();
    void PESGraph1GraphAnnotHotSpot(bool dblClick, int index);
    void PESGraph1DataHotSpot(bool dblClick, int subset, int point);
    void Button2Click();
    void btnChangeScaleClick();

    // The font of the statistics panels (starts as Tahoma 13 px).
    QFont statisticFont() const { return m_font; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    QWidget* buildToolBar();
    QFrame* buildGraphStatistic();
    QFrame* buildStatistic();
    QFrame* buildDataSets();
    void redraw();

    Program& m_program;
    GraphRole m_role;
    ChartModel m_chart;
    QLineEdit* m_max[4];
    QLineEdit* m_min[4];
    QLineEdit* m_avg[4];
    QButtonGroup* m_cursorGroup = nullptr;
    CursorTool* m_cursors = nullptr;
    ScaleTools* m_scales = nullptr;
    DerivedTool* m_derived = nullptr;
    ReferenceTool* m_references = nullptr;
    AlarmTool* m_alarms = nullptr;
    ProfileTool* m_profileCheck = nullptr;
    RealTimeView* m_realTime = nullptr;
    QColor m_dialogColor;
    QFont m_font;
    bool m_closed = false;
};

}  // namespace kelvor
