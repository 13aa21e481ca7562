// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <array>
#include <vector>

#include "chart/slidingextremes.h"
#include "graph/derivedchannels.h"

class QCPGraph;
class QToolButton;

namespace kelvor {

class ChartView;

// Channels computed for reading, drawn on the right-hand axis of the lowest plot: T1-T2
// and the rate of change of any channel in degrees per minute, smoothed over a window
// the user sets. Chosen per window (the chart keeps the choice); the values themselves
// are never stored. New samples are taken over as they arrive.
class DerivedTool : public QObject {
    Q_OBJECT
public:
    DerivedTool(ChartView& view, QObject* parent);

    QToolButton* button() const { return m_button; }  // "Derived", with its menu
    // What is drawn, for tests: the difference and the rate of a subset as plotted.
    QCPGraph* differenceGraph() const;
    QCPGraph* rateGraph(int subset) const;

    static constexpr int kChannels = 4;

private:
    void fillMenu();
    void sync();
    void ensureGraphs();
    QCPGraph* makeGraph(const QString& name, const QColor& color);
    void fitAxis();
    void forgetDeleted();
    void changed();

    ChartView& m_view;
    QToolButton* m_button = nullptr;
    // Ours while the plot still holds them: a rebuild of the view deletes them.
    QCPGraph* m_difference = nullptr;
    std::array<QCPGraph*, kChannels> m_rate{};
    std::vector<float> m_differenceValues;
    std::array<RateOfChange, kChannels> m_rates;
    int m_synced = 0;
    double m_syncedFirstX = 0.0;
    std::array<SlidingExtremes, kChannels + 1> m_extremes;
};

}  // namespace kelvor
