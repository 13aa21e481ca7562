// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

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
    int mirrored(int sub) const;
    QCPGraphData pointOf(int sub, int i) const;
    void drawPoints(int sub, int from, int end);
    void drawEnvelope(int sub, int end);
    void extendEnvelope(int sub, int i);
    int wantedBucket(int sub) const;
    int bucketFor(int inView) const;
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
    std::unique_ptr<ChartPlotter> m_plot;
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
