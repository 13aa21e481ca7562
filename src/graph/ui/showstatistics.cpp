// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics side of the graph window: the fields, "Show MAX/MIN on Graph" and the
// Y axis dialog.
#include "graph/ui/showstatistics.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>
#include <cmath>

#include "chart/ui/chartview.h"
#include "graph/statistics.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetupscale.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

void ShowStatistics(TfrmGraph& window)
{
    const GraphStatistics s = ComputeStatistics(ChartSamples(window.chart()));
    window.txtStartTime->setText(s.startTimeText);
    if (s.points > 0)
        window.setRateLists(s.minutesIndex, s.secondsIndex);
    window.txtDataNo->setText(s.dataNoText);
    for (int c = 0; c < 4; ++c)
        window.maxField(c)->setText(s.maxText[c]);
    for (int c = 0; c < 4; ++c)
        window.minField(c)->setText(s.minText[c]);
    for (int c = 0; c < 4; ++c)
        window.avgField(c)->setText(s.avgText[c]);
}

void TfrmGraph::Button2Click()
{
    GraphState& g = m_program.graph;
    const QRect r = PESGraph1->GetGridRect();
    const int px = r.left() + 80;
    // The labels belong to the first plot; where a split chart leaves it too short for
    // four lines 20 pixels apart, they close up (never tighter than a line) so that
    // every channel's label is seen.
    const QFont font = PESGraph1->annotationFont();
    const int line = QFontMetrics(font).height();
    const int step = std::min(20, std::max(line, (r.height() - 4 - line) / 3));
    int py = r.top() + std::min(20, std::max(2, r.height() - 3 * step - line - 2));
    for (int c = 0; c < 4; ++c) {
        const ChartPoint at = PESGraph1->PixelToData(0, px, py);
        const int k = ++g.AnnotationCounter;
        m_chart.setGraphAnnotationType(k, sgTextOnly);
        m_chart.setGraphAnnotationX(k, at.x);
        m_chart.setGraphAnnotationY(k, at.y);
        m_chart.setGraphAnnotationColor(k, g.AnnoColor);
        m_chart.setGraphAnnotationText(k, QStringLiteral("T%1 MAX:").arg(c + 1) + m_max[c]->text() +
                                              QStringLiteral("MIN:") + m_min[c]->text() + QStringLiteral("AVG:") +
                                              m_avg[c]->text());
        py += step;
    }
    redraw();
}

void TfrmGraph::btnChangeScaleClick()
{
    TfrmSetupScale dialog(this);
    // Read through the axes directly: the working axis stays where it was.
    for (int a = 0; a < 4; ++a) {
        const ChartAxisY& axis = m_chart.axisY(a);
        dialog.edtMin[a]->setText(QString::number(int(std::trunc(axis.manualMin))));
        dialog.edtMax[a]->setText(QString::number(int(std::trunc(axis.manualMax))));
    }
    if (m_program.prompts.exec(dialog) != QDialog::Accepted)
        return;

    int minY[4] = {};
    int maxY[4] = {};
    QString invalid;
    bool allValid = true;
    // Checked from T4 MAX back to T1 MIN so that the message names the first bad field
    // in reading order.
    for (int a = 3; a >= 0; --a) {
        for (auto [edit, value] : {std::pair{dialog.edtMax[a], &maxY[a]}, std::pair{dialog.edtMin[a], &minY[a]}}) {
            bool ok = false;
            *value = edit->text().trimmed().toInt(&ok);
            if (!ok) {
                invalid = edit->text();
                allValid = false;
            }
        }
    }
    if (!allValid) {
        m_program.prompts.error(this, invalid + QStringLiteral(" is invalid."));
        return;
    }
    for (int a = 0; a < 4; ++a) {
        m_chart.setWorkingAxis(a);
        m_chart.setManualMinY(minY[a]);
        m_chart.setManualMaxY(maxY[a]);
    }
    m_chart.setWorkingAxis(0);
    // Ranges typed here are meant to be seen: the axes leave Auto for them.
    m_chart.setAutoScaleY(-1, false);
    redraw();
    if (dialog.chkSave->isChecked())
        WriteTemplate(m_program, m_chart, this);
}

}  // namespace kelvor
