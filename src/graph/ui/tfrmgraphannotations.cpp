// SPDX-License-Identifier: GPL-3.0-or-later
// The graph window's marks and labels: placing, deleting and the data hot-spot mark.
#include <QLineEdit>

#include "base/localetext.h"
#include "chart/ui/chartview.h"
#include "graph/ui/tfrmannoedit.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {
// Where each tool's cursor really points, from the mouse position (its hot spot).
constexpr QPoint kTextToolOffset(1, 7);
constexpr QPoint kCrossToolOffset(15, 15);  // the centre of the 32 x 32 cross
constexpr int kDataHotSpotMark = 2;
}  // namespace

void TfrmGraph::PESGraph1Click()
{
    GraphState& g = m_program.graph;
    if (g.GraphClickMode == ClickMode::Normal)
        return;
    const bool cross = g.GraphClickMode == ClickMode::Cross;
    const QPoint p = PESGraph1->GetMousePoint() + (cross ? kCrossToolOffset : kTextToolOffset);
    const QRect r = PESGraph1->GetGridRect();
    const ChartPoint v = PESGraph1->PixelToData(0, p.x(), p.y());
    if (!r.contains(p))
        return;
    if (cross) {
        const int k = ++g.AnnotationCounter;
        m_chart.setGraphAnnotationType(k, sgCrossMark);
        m_chart.setGraphAnnotationX(k, v.x);
        m_chart.setGraphAnnotationY(k, v.y);
        m_chart.setGraphAnnotationColor(k, g.AnnoColor);
        m_chart.setGraphAnnotationText(k, QString());
    } else {
        TfrmAnnoEdit dialog(this);
        if (m_program.prompts.exec(dialog) == QDialog::Accepted) {
            const int k = ++g.AnnotationCounter;
            m_chart.setGraphAnnotationType(k, sgTextOnly);
            m_chart.setGraphAnnotationX(k, v.x);
            m_chart.setGraphAnnotationY(k, v.y);
            m_chart.setGraphAnnotationText(k, dialog.Edit1->text());
            m_chart.setGraphAnnotationColor(k, g.AnnoColor);
        }
    }
    redraw();
}

void TfrmGraph::PESGraph1GraphHotSpot() { PESGraph1->setToolTip(QStringLiteral("Double click to delete.")); }

void TfrmGraph::PESGraph1GraphAnnotHotSpot(bool dblClick, int index)
{
    if (!dblClick)
        return;
    // The index stays taken; the mark only becomes an empty label.
    m_chart.setGraphAnnotationType(index, sgTextOnly);
    m_chart.setGraphAnnotationText(index, QString());
    redraw();
}

void TfrmGraph::PESGraph1DataHotSpot(bool, int subset, int point)
{
    const double x = m_chart.XDataII(subset, point);
    const float y = m_chart.YData(subset, point);
    m_chart.setGraphAnnotationType(kDataHotSpotMark, sgCrossMark);
    m_chart.setGraphAnnotationColor(kDataHotSpotMark, 0);
    m_chart.setGraphAnnotationX(kDataHotSpotMark, x);
    m_chart.setGraphAnnotationY(kDataHotSpotMark, y);
    m_chart.setGraphAnnotationText(kDataHotSpotMark, LongTimeText(x) + QChar(13) + FixedText(y, 1));
    redraw();
}

}  // namespace kelvor
