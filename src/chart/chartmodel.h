// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

namespace kelvor {

// Values of the chart's enumerated properties. The numbers are ours; they are stored in
// the state block, so never renumber an existing one.
enum ChartAction : int {
    sgReinitAndReset = 0,   // rebuild the drawing structure (subsets, axes, split)
    sgResetImage = 1,       // take over data and look changed since the last refresh
    sgInvalidateImage = 2,  // repaint
    sgCustomize = 3,        // run the customisation dialog
    sgPrintDialog = 4,      // print the chart
    sgUndoZoom = 5,         // back to the unzoomed ranges
};
enum ManualScaleControlValue : int { sgNone = 0, sgManualMin = 1, sgManualMax = 2, sgManualMinAndMax = 3 };
enum DateTimeModeValue : int { sgNoDateTime = 0, sgVBDateTime = 1 };
enum GridStyleValue : int { sgThin = 0, sgThick = 1, sgDot = 2, sgDash = 3, sgNoGrid = 4 };
enum ViewingStyleValue : int { sgColor = 0, sgMonochrome = 1 };
enum PlottingMethodValue : int { sgLine = 0, sgPoint = 1, sgPointsPlusLine = 2 };
enum AllowZoomingValue : int { sgNoZooming = 0, sgHorzZooming = 1, sgVertZooming = 2, sgHorzPlusVertZooming = 3 };
enum AllowDataLabelsValue : int { sgNoDataLabels = 0, sgDataValues = 1 };
enum MultiAxesSeparatorsValue : int { sgThinLine = 0, sgMediumLine = 1, sgThickLine = 2, sgNoSeparator = 3 };
enum OrientationValue : int { sgDefaultOrientation = 0, sgLandscape = 1, sgPortrait = 2 };
enum PrintStyleControlValue : int { sgPrintDefault = 0, sgPrintCurrentStyle = 1 };
enum ArrowCursorValue : int { sgArrowCursor = 1, sgTextCursor = 2, sgCustomCursor = 3 };
enum GraphAnnotationTypeValue : int { sgTextOnly = 0, sgCrossMark = 2 };
// The unit the Y data are in; the axis titles name it.
enum ChartUnit : int { chartCelsius = 0, chartFahrenheit = 1 };

inline constexpr int kChartMaxSubsets = 64;
inline constexpr int kChartMaxAxes = 16;           // per-axis Y properties exist for 16 axes
inline constexpr int kChartMaxPoints = 4'000'000;  // per subset
inline constexpr int kChartMaxAnnotations = 1'000'000;

struct GraphAnnotation {
    double x = 0.0;  // date-time in days
    double y = 0.0;
    int type = sgTextOnly;
    int color = 0;  // 0x00BBGGRR
    QString text;
    bool operator==(const GraphAnnotation&) const = default;
};

struct VertLineAnnotation {
    double x = 0.0;
    int type = 0;
    int color = 0;
    QString text;
    bool operator==(const VertLineAnnotation&) const = default;
};

// A limit crossing the window recorded on a subset: kept with the chart so a saved run
// shows its alarms again. Kinds: see AlarmKind (graph/alarms.h).
struct ChartAlarmEvent {
    double x = 0.0;  // date-time in days
    int subset = 0;
    float value = 0.0f;
    int kind = 0;
    bool operator==(const ChartAlarmEvent&) const = default;
};

struct ChartAxisY {
    int manualScaleControl = sgNone;
    double manualMin = 0.0;
    double manualMax = 100.0;
    QString label;
    bool operator==(const ChartAxisY&) const = default;
};

struct ChartSubsetData {
    std::vector<double> x;  // date-time in days; 0.0 = never filled
    std::vector<float> y;   // NullDataValueY = gap
    bool operator==(const ChartSubsetData&) const = default;
};

// Everything the chart keeps and the state block carries: look, axes, annotations, data.
struct ChartState {
    int subsets = 1;
    int points = 0;
    std::vector<ChartSubsetData> data;  // subsets entries, each with points values

    bool usingXDataII = false;
    int dateTimeMode = sgNoDateTime;
    double nullDataValueY = 9999.0;
    std::vector<int> randomSubsetsToGraph;  // empty: every subset is drawn

    std::vector<int> multiAxesSubsets;         // empty: one common axis
    std::vector<double> multiAxesProportions;  // per axis, fractions of the height
    int multiAxesSeparators = sgThinLine;
    int workingAxis = 0;
    std::vector<ChartAxisY> axesY = std::vector<ChartAxisY>(kChartMaxAxes);
    int manualScaleControlX = sgNone;
    double manualMinX = 0.0;
    double manualMaxX = 1.0;

    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    std::vector<QString> subsetLabels;
    std::vector<int> subsetColors;
    int graphForeColor = 0x008000;
    int graphBackColor = 0x000000;
    int deskColor = 0xC0C0C0;
    int textColor = 0x000000;
    int gridStyle = sgDot;
    int viewingStyle = sgColor;
    int plottingMethod = sgLine;
    double lineGapThreshold = 1e20;

    bool prepareImages = false;
    bool subsetByPoint = false;
    bool noHelp = false;
    bool allowPopup = true;
    int allowDataLabels = sgNoDataLabels;
    bool focalRect = true;
    bool allowBar = true;
    bool noRandomPointsToExport = false;
    int allowZooming = sgNoZooming;
    bool scrollingHorzZoom = false;
    bool scrollingVertZoom = false;

    std::vector<GraphAnnotation> graphAnnotations;
    bool showGraphAnnotations = true;
    int graphAnnotationTextSize = 100;
    bool allowGraphAnnotHotSpots = false;

    std::vector<VertLineAnnotation> vertLineAnnotations;
    bool showVertLineAnnotations = false;
    bool allowVertLineAnnotHotSpots = false;
    int lineAnnotationTextSize = 100;

    bool allowDataHotSpots = false;
    int arrowCursor = sgArrowCursor;

    bool allowFontPage = true;
    bool allowPage1 = true;
    bool allowPage2 = true;
    bool allowSubsetsPage = true;
    bool allowAxisPage = true;
    int defOrientation = sgLandscape;
    int printStyleControl = sgPrintCurrentStyle;

    // How the window reads its data, beyond the look above.
    int dataUnit = chartCelsius;
    unsigned autoScaleAxes = 0;       // bit a: axis a fits the data in view instead of its fixed range
    bool elapsedTimeAxis = false;     // X shows h:mm:ss from the first sample instead of the clock
    bool derivedDifference = false;   // draw subset 0 minus subset 1
    unsigned derivedRates = 0;        // bit s: draw the rate of change of subset s
    double derivedRateWindow = 30.0;  // seconds the rate is smoothed over
    std::vector<ChartAlarmEvent> alarmEvents;
    bool cursorsOn = false;  // cursors A and B, date-times in days, and the strip's threshold
    double cursorA = 0.0;
    double cursorB = 0.0;
    double cursorThreshold = 0.0;

    bool operator==(const ChartState&) const = default;
};

// Result of LoadState: empty error = success.
struct ChartLoadResult {
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// What changed since the view last took over the model (see takeChanges()).
struct ChartChanges {
    bool structure = false;  // subsets, points, split, visible subsets or a loaded state
    bool look = false;       // any other property or annotation
    int dataFrom = -1;       // lowest point index written since, -1 = none
};

// The chart of a graph window: plain data. Property writes never redraw; PEactions asks
// the attached view to refresh (signal actionRequested). Subset index -1 writes every
// subset. Out-of-range indexes are ignored on write and read back as defaults
// (X 0.0, Y NullDataValueY, 0 or empty).
class ChartModel : public QObject {
    Q_OBJECT
public:
    explicit ChartModel(QObject* parent = nullptr);
    ~ChartModel() override;

    // --- size and data
    int Subsets() const { return m_s.subsets; }
    void setSubsets(int n);
    int Points() const { return m_s.points; }
    // Keeps existing data; new points read X 0.0 and Y NullDataValueY.
    void setPoints(int n);
    double XDataII(int subset, int point) const;
    void setXDataII(int subset, int point, double x);
    float YData(int subset, int point) const;
    void setYData(int subset, int point, float y);
    double YDataII(int subset, int point) const { return YData(subset, point); }
    void setYDataII(int subset, int point, double y) { setYData(subset, point, float(y)); }
    // Element 4*i + c is channel c of sample i; writes min(count / 4, Points) samples.
    void SetAllXDataII(const double* values, std::int64_t count);
    // Moves every subset's points n places towards the start (the first n fall off) and
    // empties the last n: X 0.0, Y the null value. For a store that scrolls.
    void DropFirstPoints(int n);
    // The meter's flags of a point whose Y is the gap value, for the four channels of a
    // run (bit c: subset c over range, "OL"; bit c+4: no reading, "----"). Kept beside
    // the data, not in the state block: a graph file holds the gap value alone, so a
    // chart read from one has none (0). Points beyond the data read 0.
    void setPointFlags(int point, std::uint8_t flags);
    std::uint8_t pointFlags(int point) const
    {
        return point >= 0 && std::size_t(point) < m_pointFlags.size() ? m_pointFlags[std::size_t(point)] : 0;
    }
    void clearPointFlags() { m_pointFlags.clear(); }
    void SetAllYData(const float* values, std::int64_t count);
    bool UsingXDataII() const { return m_s.usingXDataII; }
    void setUsingXDataII(bool on);
    int DateTimeMode() const { return m_s.dateTimeMode; }
    void setDateTimeMode(int mode);
    double NullDataValueY() const { return m_s.nullDataValueY; }
    void setNullDataValueY(double v);
    // Read-only views on one subset's arrays (empty for an unknown subset).
    const std::vector<double>& xData(int subset) const;
    const std::vector<float>& yData(int subset) const;

    // --- visible subsets: slot -1 with 0 empties the list
    int RandomSubsetsToGraph(int slot) const;
    void setRandomSubsetsToGraph(int slot, int subset);
    int randomSubsetsCount() const { return int(m_s.randomSubsetsToGraph.size()); }

    // --- axes and scale; element -1 with 0 clears the split
    int MultiAxesSubsets(int axis) const;
    void setMultiAxesSubsets(int axis, int count);
    double MultiAxesProportions(int axis) const;
    void setMultiAxesProportions(int axis, double p);
    int MultiAxesSeparators() const { return m_s.multiAxesSeparators; }
    void setMultiAxesSeparators(int v);
    int WorkingAxis() const { return m_s.workingAxis; }
    void setWorkingAxis(int axis);
    int ManualScaleControlX() const { return m_s.manualScaleControlX; }
    void setManualScaleControlX(int v);
    double ManualMinX() const { return m_s.manualMinX; }
    void setManualMinX(double v);
    double ManualMaxX() const { return m_s.manualMaxX; }
    void setManualMaxX(double v);
    // These four act on WorkingAxis.
    int ManualScaleControlY() const;
    void setManualScaleControlY(int v);
    double ManualMinY() const;
    void setManualMinY(double v);
    double ManualMaxY() const;
    void setManualMaxY(double v);
    QString YAxisLabel() const;
    void setYAxisLabel(const QString& s);
    // Axis ranges by number, for the view and the dialogs.
    const ChartAxisY& axisY(int axis) const;
    // The subsets drawn on each axis: one entry per axis (one axis when not split).
    std::vector<std::vector<int>> axisLayout() const;

    // --- look
    QString MainTitle() const { return m_s.mainTitle; }
    void setMainTitle(const QString& s);
    QString SubTitle() const { return m_s.subTitle; }
    void setSubTitle(const QString& s);
    QString XAxisLabel() const { return m_s.xAxisLabel; }
    void setXAxisLabel(const QString& s);
    QString SubsetLabels(int subset) const;
    void setSubsetLabels(int subset, const QString& s);
    int SubsetColors(int subset) const;  // default colour when never set
    void setSubsetColors(int subset, int bgr);
    int GraphForeColor() const { return m_s.graphForeColor; }
    void setGraphForeColor(int bgr);
    int GraphBackColor() const { return m_s.graphBackColor; }
    void setGraphBackColor(int bgr);
    int DeskColor() const { return m_s.deskColor; }
    void setDeskColor(int bgr);
    int TextColor() const { return m_s.textColor; }
    void setTextColor(int bgr);
    int GridStyle() const { return m_s.gridStyle; }
    void setGridStyle(int v);
    int ViewingStyle() const { return m_s.viewingStyle; }
    void setViewingStyle(int v);
    int PlottingMethod() const { return m_s.plottingMethod; }
    void setPlottingMethod(int v);
    double LineGapThreshold() const { return m_s.lineGapThreshold; }
    void setLineGapThreshold(double v);

    // --- switches
    bool PrepareImages() const { return m_s.prepareImages; }
    void setPrepareImages(bool on);
    bool SubsetByPoint() const { return m_s.subsetByPoint; }
    void setSubsetByPoint(bool on);
    bool NoHelp() const { return m_s.noHelp; }
    void setNoHelp(bool on);
    bool AllowPopup() const { return m_s.allowPopup; }
    void setAllowPopup(bool on);
    int AllowDataLabels() const { return m_s.allowDataLabels; }
    void setAllowDataLabels(int v);
    bool FocalRect() const { return m_s.focalRect; }
    void setFocalRect(bool on);
    bool AllowBar() const { return m_s.allowBar; }
    void setAllowBar(bool on);
    bool NoRandomPointsToExport() const { return m_s.noRandomPointsToExport; }
    void setNoRandomPointsToExport(bool on);
    int AllowZooming() const { return m_s.allowZooming; }
    void setAllowZooming(int v);
    bool ScrollingHorzZoom() const { return m_s.scrollingHorzZoom; }
    void setScrollingHorzZoom(bool on);
    bool ScrollingVertZoom() const { return m_s.scrollingVertZoom; }
    void setScrollingVertZoom(bool on);

    // --- graph annotations, by annotation number (grows on write)
    double GraphAnnotationX(int i) const;
    void setGraphAnnotationX(int i, double x);
    double GraphAnnotationY(int i) const;
    void setGraphAnnotationY(int i, double y);
    int GraphAnnotationType(int i) const;
    void setGraphAnnotationType(int i, int type);
    int GraphAnnotationColor(int i) const;
    void setGraphAnnotationColor(int i, int bgr);
    QString GraphAnnotationText(int i) const;
    void setGraphAnnotationText(int i, const QString& s);
    int graphAnnotationCount() const { return int(m_s.graphAnnotations.size()); }
    const std::vector<GraphAnnotation>& graphAnnotations() const { return m_s.graphAnnotations; }
    bool ShowGraphAnnotations() const { return m_s.showGraphAnnotations; }
    void setShowGraphAnnotations(bool on);
    int GraphAnnotationTextSize() const { return m_s.graphAnnotationTextSize; }
    void setGraphAnnotationTextSize(int v);
    bool AllowGraphAnnotHotSpots() const { return m_s.allowGraphAnnotHotSpots; }
    void setAllowGraphAnnotHotSpots(bool on);

    // --- vertical line annotations
    double VertLineAnnotation(int i) const;
    void setVertLineAnnotation(int i, double x);
    int VertLineAnnotationType(int i) const;
    void setVertLineAnnotationType(int i, int type);
    int VertLineAnnotationColor(int i) const;
    void setVertLineAnnotationColor(int i, int bgr);
    QString VertLineAnnotationText(int i) const;
    void setVertLineAnnotationText(int i, const QString& s);
    const std::vector<kelvor::VertLineAnnotation>& vertLineAnnotations() const { return m_s.vertLineAnnotations; }
    bool ShowVertLineAnnotations() const { return m_s.showVertLineAnnotations; }
    void setShowVertLineAnnotations(bool on);
    bool AllowVertLineAnnotHotSpots() const { return m_s.allowVertLineAnnotHotSpots; }
    void setAllowVertLineAnnotHotSpots(bool on);
    int LineAnnotationTextSize() const { return m_s.lineAnnotationTextSize; }
    void setLineAnnotationTextSize(int v);

    // --- interaction
    bool AllowDataHotSpots() const { return m_s.allowDataHotSpots; }
    void setAllowDataHotSpots(bool on);
    // 1 arrow, 2 text (I-beam), 3 the cursor given to the view.
    int ArrowCursor() const { return m_s.arrowCursor; }
    void setArrowCursor(int v);
    int DialogResult() const { return m_dialogResult; }
    void setDialogResult(int v) { m_dialogResult = v; }

    // --- print dialog pages and print defaults
    bool AllowFontPage() const { return m_s.allowFontPage; }
    void setAllowFontPage(bool on);
    bool AllowPage1() const { return m_s.allowPage1; }
    void setAllowPage1(bool on);
    bool AllowPage2() const { return m_s.allowPage2; }
    void setAllowPage2(bool on);
    bool AllowSubsetsPage() const { return m_s.allowSubsetsPage; }
    void setAllowSubsetsPage(bool on);
    bool AllowAxisPage() const { return m_s.allowAxisPage; }
    void setAllowAxisPage(bool on);
    int DefOrientation() const { return m_s.defOrientation; }
    void setDefOrientation(int v);
    int PrintStyleControl() const { return m_s.printStyleControl; }
    void setPrintStyleControl(int v);

    // --- reading aids of the graph window
    int DataUnit() const { return m_s.dataUnit; }
    void setDataUnit(int unit);
    // The unit as the axis titles write it: "°C" or "°F".
    QString unitText() const;
    bool AutoScaleY(int axis) const;
    void setAutoScaleY(int axis, bool on);  // axis -1: every axis
    bool ElapsedTimeAxis() const { return m_s.elapsedTimeAxis; }
    void setElapsedTimeAxis(bool on);
    bool DerivedDifference() const { return m_s.derivedDifference; }
    void setDerivedDifference(bool on);
    bool DerivedRate(int subset) const;
    void setDerivedRate(int subset, bool on);
    double DerivedRateWindow() const { return m_s.derivedRateWindow; }
    void setDerivedRateWindow(double seconds);  // ignored unless > 0
    const std::vector<ChartAlarmEvent>& alarmEvents() const { return m_s.alarmEvents; }
    void addAlarmEvent(const ChartAlarmEvent& e);
    void clearAlarmEvents();
    // The cursors as the window shows them; kept for the state block only (the view does
    // not draw them), so setting them marks nothing changed.
    void setCursorState(bool on, double a, double b, double threshold);
    // The title drawn beside axis a: its label or the channels on it, with the unit.
    QString shownAxisTitle(int axis) const;

    // --- actions
    int PEnarg1() const { return m_narg1; }
    void setPEnarg1(int v) { m_narg1 = v; }
    int PEnarg2() const { return m_narg2; }
    void setPEnarg2(int v) { m_narg2 = v; }
    // Asks the attached view to act; without a view nothing happens.
    void PEactions(int action);

    // --- whole state
    // Our versioned little-endian block: magic, version, every property, data, annotations.
    QByteArray StoreState() const;
    // Validates the whole block first; on any fault returns the reason and leaves the
    // chart as it was. On success the view is told to rebuild at its next refresh.
    ChartLoadResult LoadState(const QByteArray& block);
    ChartLoadResult LoadState(const char* data, std::int64_t size);

    const ChartState& state() const { return m_s; }

    // For the view: what changed since the last call; resets the record.
    ChartChanges takeChanges();
    // Marks everything changed (a new view attached).
    void markAllChanged();

signals:
    void actionRequested(int action);

private:
    void touchLook() { m_changes.look = true; }
    void touchStructure() { m_changes.structure = true; }
    void touchData(int point)
    {
        if (m_changes.dataFrom < 0 || point < m_changes.dataFrom)
            m_changes.dataFrom = point;
    }
    GraphAnnotation* annotationForWrite(int i);
    kelvor::VertLineAnnotation* vertLineForWrite(int i);
    ChartAxisY& workingAxisY();

    ChartState m_s;
    std::vector<std::uint8_t> m_pointFlags;  // see setPointFlags
    ChartChanges m_changes;
    int m_dialogResult = 0;
    int m_narg1 = 0;
    int m_narg2 = 0;
};

// The default colour of subset i when none was set (0x00BBGGRR).
int defaultSubsetColor(int subset);

}  // namespace kelvor
