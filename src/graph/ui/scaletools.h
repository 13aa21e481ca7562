// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;
class QToolButton;

namespace kelvor {

class ChartModel;

// The tool bar's scale choices of one graph window: Auto or fixed Y per axis (one axis
// per channel when split, one shared axis otherwise) and clock or elapsed time on X.
// Both are part of the chart's look, so a graph file or the template keeps them.
class ScaleTools : public QObject {
    Q_OBJECT
public:
    ScaleTools(ChartModel& chart, QObject* parent);

    QToolButton* autoButton() const { return m_auto; }        // "Auto Y", menu per axis
    QToolButton* elapsedButton() const { return m_elapsed; }  // "Elapsed"
    // Brings the buttons in line with the chart (after a file, template or dialog).
    void showChartState();

private:
    void setAuto(int axis, bool on);
    void fillMenu();

    ChartModel& m_chart;
    QToolButton* m_auto = nullptr;
    QToolButton* m_elapsed = nullptr;
};

}  // namespace kelvor
