// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <vector>

#include "graph/cursormeasure.h"

class QCPItemStraightLine;
class QPointF;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

namespace kelvor {

class ChartView;

// Two draggable time cursors, A and B, across every plot of a chart view, and the strip
// under the chart that reads each shown channel between them. The cursors keep their
// times while a run appends data; the measurements follow the new samples.
class CursorTool : public QObject {
    Q_OBJECT
public:
    // `stripParent` owns the strip; put strip() into a layout under the chart.
    CursorTool(ChartView& view, QWidget* stripParent);
    ~CursorTool() override;

    QToolButton* button() const { return m_button; }  // checkable: shows the cursors
    QWidget* strip() const { return m_strip; }

    bool isOn() const;
    void setOn(bool on);
    // Cursor times as date-times in days.
    double cursorA() const { return m_a; }
    double cursorB() const { return m_b; }
    void setCursors(double a, double b);
    void setThreshold(double threshold);

    // The strip's line for a channel (empty while it is not shown).
    QString channelText(int channel) const;
    // A hidden channel is not drawn and is left out of the strip; clicking its legend
    // entry hides or shows it. Kept by the window only, never in the chart's files.
    void setChannelHidden(int channel, bool hidden);
    bool isChannelHidden(int channel) const;

    static constexpr int kChannels = 4;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void applyHidden();
    // The chart keeps the cursors for its files: told of every change, and read back when
    // the chart was loaded or set up anew.
    void pushState();
    void adoptModelState();
    bool toggleLegendEntryAt(const QPointF& pos);
    void placeInView();
    void ensureLines();
    void moveLines();
    bool syncSeries();  // true when a series took new samples or was reread
    void refreshStrip();
    double keyAtPixel(double px) const;
    double pixelOfKey(double key) const;

    ChartView& m_view;
    QObject* m_plotWidget = nullptr;  // compared only, never used: it may be going away
    QToolButton* m_button = nullptr;
    QWidget* m_strip = nullptr;
    QLineEdit* m_threshold = nullptr;
    std::array<QLabel*, kChannels> m_rows{};
    std::array<bool, kChannels> m_hidden{};
    std::array<CursorSeries, kChannels> m_series;
    std::array<int, kChannels> m_syncedPoints{};
    std::array<double, kChannels> m_syncedFirstX{};
    std::vector<QPointer<QCPItemStraightLine>> m_linesA;
    std::vector<QPointer<QCPItemStraightLine>> m_linesB;
    double m_a = 0.0;
    double m_b = 0.0;
    bool m_stripStale = true;
    int m_dragging = 0;  // 0 none, 1 A, 2 B
};

}  // namespace kelvor
