// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <array>
#include <vector>

#include "chart/slidingextremes.h"
#include "graph/derivedchannels.h"

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
    // What is drawn, for tests: the view's second-axis series of the difference and of the
    // rate of a subset (-1: not drawn).
    int differenceSeries() const { return m_difference; }
    int rateSeries(int subset) const;

    static constexpr int kChannels = 4;

private:
    void fillMenu();
    void sync();
    void ensureSeries();
    void fitAxis();
    void changed();

    ChartView& m_view;
    QToolButton* m_button = nullptr;
    // The view's second-axis series; -1 while not drawn.
    int m_difference = -1;
    std::array<int, kChannels> m_rate{-1, -1, -1, -1};
    std::vector<float> m_differenceValues;
    std::array<RateOfChange, kChannels> m_rates;
    int m_synced = 0;
    double m_syncedFirstX = 0.0;
    std::array<SlidingExtremes, kChannels + 1> m_extremes;
};

}  // namespace kelvor
