// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "chart/chartmirror.h"
#include "chart/chartmodel.h"

class QDialog;
class QPainter;
class QPrinter;
class QCustomPlot;
class QCPGraph;
class QCPGraphData;

namespace kelvor {

// What HitTest found under a pixel; GetHotSpotData returns the last one.
enum class HotSpotType { None = 0, Data = 1, GraphAnnotation = 2, VertLineAnnotation = 3 };
struct HotSpotData {
    HotSpotType type = HotSpotType::None;
    int w0 = -1;  // subset (data) or annotation number
    int w1 = -1;  // point (data)
};

// A pixel turned into chart values: X as a date-time in days, Y on the asked axis.
struct ChartPoint {
    double x = 0.0;
    double y = 0.0;
};

// The channel drawn nearest a pixel, and its value at the time under that pixel.
struct NearestSubset {
    int subset = -1;  // -1: no drawn value there
    double x = 0.0;   // the time under the pixel, days
    double y = 0.0;   // the subset's value there, interpolated between its samples
};

// What a tool lays over the chart (cursors, alarm limits, ...). The view keeps it across
// rebuilds and draws it above the annotations. A mark tied to a subset is drawn on that
// subset's plot and left out while the subset is not drawn.
struct ChartLimitLine {  // a horizontal line across the plot of `subset`
    int subset = 0;
    double y = 0.0;
    QColor color;  // invalid: the subset's line colour as drawn
    Qt::PenStyle style = Qt::DashDotLine;
};
struct ChartMarker {  // a vertical line at a time
    double x = 0.0;   // days
    int subset = -1;  // -1: across every plot
    QColor color;
    Qt::PenStyle style = Qt::SolidLine;
    QString label;  // written beside the line at the top of its plot
};
struct ChartBand {  // a shaded span of time
    double x1 = 0.0;
    double x2 = 0.0;
    int subset = -1;  // -1: across every plot
    QColor color;     // give it some transparency: the lines are drawn under it
};
struct ChartCurve {  // a line through points on the plot of `subset`, under the scaling
    int subset = 0;
    std::vector<ChartPoint> points;  // x in days, time order; y NaN for a gap
    QColor color;                    // invalid: the subset's line colour as drawn
    Qt::PenStyle style = Qt::DashLine;
};
struct ChartCurveBand {  // a shaded area between two curves on the plot of `subset`
    int subset = 0;
    // Points (x in days) in time order, straight between them; an empty curve is the
    // plot's edge (top or bottom). The area spans the time both curves cover.
    std::vector<ChartPoint> upper, lower;
    QColor color;  // give it some transparency: the lines are drawn under it
};
struct ChartOverlay {
    std::vector<ChartCurve> curves;
    std::vector<ChartLimitLine> limits;
    std::vector<ChartMarker> markers;
    std::vector<ChartBand> bands;
    std::vector<ChartCurveBand> curveBands;
};

// The shown time range of a plot, in days.
struct ChartTimeRange {
    double from = 0.0;
    double to = 0.0;
};

class ChartPlotter;  // the QCustomPlot side, private to chartview.cpp

// Draws a ChartModel with QCustomPlot and turns mouse work into the chart's events.
// It refreshes only when the model's PEactions asks: sgReinitAndReset rebuilds,
// sgResetImage takes over what changed (data: only the points written since the last
// refresh), sgInvalidateImage repaints.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(ChartModel& model, QWidget* parent = nullptr);
    ~ChartView() override;

    // The least height at which a plot still shows its axes and some data: a window
    // made small (cascaded, tiled) keeps at least this much chart.
    static constexpr int kMinimumHeight = 100;
    QSize minimumSizeHint() const override { return {160, kMinimumHeight}; }
    QSize sizeHint() const override { return {800, 400}; }

    ChartModel& model() const { return m_model; }

    // Runs the customisation dialog (default: QDialog::exec). Tests and the program's
    // Prompts plug in here.
    void setDialogExec(std::function<int(QDialog&)> exec);
    // What sgPrintDialog does (default: nothing; the print command supplies it).
    void setPrintHandler(std::function<void(ChartView&)> handler);
    // The cursor used while ArrowCursor is sgCustomCursor; also sets ArrowCursor to it.
    void setCustomCursor(const QCursor& cursor);

    // --- queries, all in client pixels of this widget
    QPoint GetMousePoint() const { return m_mousePoint; }
    QRect GetGridRect() const;  // plot area of axis 0
    HotSpotType HitTest(int x, int y);
    HotSpotData GetHotSpotData() const { return m_hotSpot; }
    ChartPoint PixelToData(int axis, int px, int py) const;
    QPoint DataToPixel(int axis, double xDays, double y) const;
    // Among the shown subsets of the plot under the pixel, the one whose line passes
    // nearest to it vertically. Gaps and hidden subsets do not count.
    NearestSubset nearestSubset(QPoint pixel) const;

    // Where a value of a subset is drawn, on that subset's plot; none while the subset is
    // not drawn (hidden, not graphed) or the point lies outside its plot. Tools that lay
    // curves under a subset find them under the mouse with it.
    std::optional<QPoint> subsetPixel(int subset, double xDays, double y) const;
    // The subset is drawn now: graphed and not hidden.
    bool isSubsetShown(int subset) const;

    // The plot under a pixel (-1: none), counted from the top.
    int plotAt(QPoint pixel) const;
    ChartTimeRange shownTimeRange(int plot) const;
    // The time under a pixel column of the first plot and back, unrounded.
    double timeAtX(double px) const;
    double xOfTime(double days) const;
    // The font the chart writes its annotations in.
    QFont annotationFont() const;

    // --- what tools lay over the chart
    // A new, empty overlay; each tool keeps its own and replaces it whole.
    int addOverlay();
    void setOverlay(int id, ChartOverlay overlay);
    // A hidden subset is not drawn (nor counted by Auto scale) and greyed out in the
    // legend. Kept by the view only.
    void setSubsetHidden(int subset, bool hidden);
    bool isSubsetHidden(int subset) const;
    // The subset whose legend entry is under a pixel; -1 when none.
    int legendSubsetAt(QPoint pixel) const;
    // A chart of several meters: the legend shows each meter's name above its channels
    // (group g: subsets 4g to 4g + 3), a column per meter. Empty: the plain legend.
    // Kept by the view only.
    void setLegendGroups(std::vector<QString> names);
    const std::vector<QString>& legendGroups() const { return m_legendGroups; }
    static constexpr int kChannelsPerGroup = 4;
    // The group whose heading is under a pixel; -1 when none.
    int legendGroupAt(QPoint pixel) const;
    // Extra series on the second (right-hand) axis of the lowest plot. They keep their
    // name and pen across rebuilds but lose their points: rebuilt() says when to hand
    // them over again.
    int addSecondAxisSeries(const QString& name, const QColor& color, Qt::PenStyle style);
    void removeSecondAxisSeries(int id);
    // Appends points (x in days, y NaN for a gap) in time order; `replace` drops the old ones.
    void setSecondAxisPoints(int id, const std::vector<ChartPoint>& points, bool replace);
    // The second axis is shown while it has a label.
    void setSecondAxisLabel(const QString& label);
    void setSecondAxisRange(double lo, double hi);
    // Draws again once control returns to the event loop.
    void redraw();

    // Draws the chart over the printer's printable page as it looks in the window,
    // laid out for the page's size. False when the printer could not be started. The
    // printer keeps its resolution.
    bool print(QPrinter& printer);

    // --- for tests and the graph window
    int axisRectCount() const;
    bool isZoomed() const { return m_zoomed; }
    // The model's points mirrored for a subset, and their values as drawn (NaN = gap).
    int plottedCount(int subset) const;
    double plottedValue(int subset, int k) const;
    // What the plot itself holds for a subset: the points, or their envelope when far
    // more of them are in view than the plot has pixels.
    std::vector<ChartPoint> drawnPoints(int subset) const;
    // Zooms axis 0 (or every axis) to a rectangle in pixels as the rubber band does.
    void zoomToPixels(const QRect& r);
    // Zooms every axis about the middle of its range: factor 0.5 shows half the range
    // (in), 2 twice the range (out). The axes the chart allows zooming only.
    void zoomBy(double factor);
    QCustomPlot* customPlot() const;
    // The plot's graph of a subset; null while the subset is not drawn.
    QCPGraph* graphOf(int subset) const;
    // The graph of a second-axis series; null when there is none.
    QCPGraph* secondAxisGraph(int id) const;
    QWidget* plotWidget() const;  // the widget that takes the mouse

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseMove();
    void OnZoomIn();
    void OnDataHotSpot(bool dblClick, int subset, int point);
    void OnGraphHotSpot();
    void OnGraphAnnotHotSpot(bool dblClick, int index);
    void OnCustomizeDlg();
    // The plots were built anew (a split, a loaded chart): second-axis series are empty.
    void rebuilt();
    // Each time before the chart is drawn: tools bring their marks up to date here.
    void aboutToDraw();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void onAction(int action);
    void reinit();
    void resetImage();
    void applyLook();
    void applyAnnotations();
    void applyRanges();
    void fitAutoAxes();
    void applyTimeAxis();
    void applyOverlay(int id);
    void applyHidden();
    void applyLegendGroups();
    void makeSecondAxisGraph(int id);
    void applySecondAxis();
    void fitDetail();
    void clickAt(const QPoint& at, bool dbl);
    void undoZoom();
    void customize();
    void applyCursor();
    void handlePress(QMouseEvent* e);
    void handleRelease(QMouseEvent* e);
    void handleDoubleClick(QMouseEvent* e);
    void handleMove(QMouseEvent* e);
    void handleWheel();

    ChartModel& m_model;
    ChartMirror m_mirror;
    std::unique_ptr<ChartPlotter> m_plot;
    std::map<int, ChartOverlay> m_overlays;
    std::vector<bool> m_hidden;  // by subset
    std::vector<QString> m_legendGroups;
    struct SecondAxisSeries {
        QString name;
        QColor color;
        Qt::PenStyle style = Qt::SolidLine;
    };
    std::map<int, SecondAxisSeries> m_secondSeries;
    QString m_secondAxisLabel;
    int m_nextId = 1;
    std::function<int(QDialog&)> m_exec;
    std::function<void(ChartView&)> m_print;
    QCursor m_customCursor;
    QPoint m_mousePoint;
    QPoint m_pressPoint;
    bool m_pressed = false;
    HotSpotData m_hotSpot;
    bool m_zoomed = false;
};

}  // namespace kelvor
