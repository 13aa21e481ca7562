// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ui/chartview.h"

#include <qcustomplot.h>

namespace kelvor {

class ChartPlotter : public QCustomPlot {
public:
    using QCustomPlot::QCustomPlot;
};

ChartView::ChartView(ChartModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_plot = std::make_unique<ChartPlotter>(this);
    connect(&m_model, &ChartModel::actionRequested, this, &ChartView::onAction);
}

ChartView::~ChartView() = default;

void ChartView::setDialogExec(std::function<int(QDialog&)> exec) { m_exec = std::move(exec); }
void ChartView::setPrintHandler(std::function<void(ChartView&)> handler) { m_print = std::move(handler); }
void ChartView::setCustomCursor(const QCursor& cursor) { m_customCursor = cursor; }
QRect ChartView::GetGridRect() const { return m_plot->axisRect()->rect(); }
HotSpotType ChartView::HitTest(int, int) { return HotSpotType::None; }
ChartPoint ChartView::PixelToData(int, int, int) const { return {}; }
QPoint ChartView::DataToPixel(int, double, double) const { return {}; }
void ChartView::renderTo(QPainter&, const QRect&) {}
void ChartView::print(QPrinter&) {}
int ChartView::axisRectCount() const { return m_plot->axisRectCount(); }
int ChartView::plottedCount(int) const { return 0; }
double ChartView::plottedValue(int, int) const { return 0.0; }
void ChartView::zoomToPixels(const QRect&) {}
QCustomPlot* ChartView::customPlot() const { return m_plot.get(); }
void ChartView::resizeEvent(QResizeEvent*) { m_plot->setGeometry(rect()); }
void ChartView::onAction(int) {}
void ChartView::reinit() {}
void ChartView::resetImage() {}
void ChartView::undoZoom() {}
void ChartView::customize() {}
void ChartView::applyCursor() {}
void ChartView::handlePress(QMouseEvent*) {}
void ChartView::handleRelease(QMouseEvent*) {}
void ChartView::handleDoubleClick(QMouseEvent*) {}
void ChartView::handleMove(QMouseEvent*) {}
void ChartView::handleWheel() {}

}  // namespace kelvor
