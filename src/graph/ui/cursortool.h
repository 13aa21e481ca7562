// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "graph/cursormeasure.h"

class QPoint;
class QLabel;
class QLineEdit;
class QTableWidget;
class QToolButton;
class QWidget;

namespace kelvor {

class ChartView;

// Two draggable time cursors, A and B, across every plot of a chart view, and the strip
// under the chart that reads each shown channel between them: a table with a row per
// channel and a column per figure. The cursors keep their
// times while a run appends data; the measurements follow the new samples.
class CursorTool : public QObject {
    Q_OBJECT
public:
    // `stripParent` owns the strip; put strip() into a layout under the chart.
    CursorTool(ChartView& view, QWidget* stripParent);
    ~CursorTool() override;

    QToolButton* button() const { return m_button; }  // checkable: shows the cursors
    QWidget* strip() const { return m_strip; }
    QTableWidget* table() const { return m_table; }

    bool isOn() const;
    void setOn(bool on);
    // Cursor times as date-times in days.
    double cursorA() const { return m_a; }
    double cursorB() const { return m_b; }
    void setCursors(double a, double b);
    // Forgets the cursor times (a new run): shown cursors are placed anew on the chart.
    void reset();
    void setThreshold(double threshold);

    // The strip's figures for a channel as one line of text (empty while it is not shown).
    QString channelText(int channel) const;
    // A hidden channel is not drawn and is left out of the strip; clicking its legend
    // entry hides or shows it. Kept by the window only, never in the chart's files.
    void setChannelHidden(int channel, bool hidden);
    bool isChannelHidden(int channel) const;
    // Text put after a cursor's value of a channel (the difference to references); the
    // strip asks again after notesChanged().
    using ValueNote = std::function<QString(int channel, double t, double value)>;
    void setValueNote(ValueNote note) { m_note = std::move(note); }
    void notesChanged();

    static constexpr int kChannels = 4;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The chart keeps the cursors for its files: told of every change, and read back when
    // the chart was loaded or set up anew.
    void pushState();
    void adoptModelState();
    bool toggleLegendEntryAt(QPoint pos);  // in the view's pixels
    void hideSubset(int subset, bool hidden);
    void placeInView();
    void moveLines();
    bool syncSeries();  // true when a series took new samples or was reread
    void refreshStrip();
    void fitTableHeight();
    QPoint toView(QPoint plotPixel) const;

    ChartView& m_view;
    QObject* m_plotWidget = nullptr;  // compared only, never used: it may be going away
    QToolButton* m_button = nullptr;
    QWidget* m_strip = nullptr;
    QLineEdit* m_threshold = nullptr;
    QTableWidget* m_table = nullptr;
    std::array<QString, kChannels> m_lines;
    std::array<bool, kChannels> m_hidden{};
    std::array<CursorSeries, kChannels> m_series;
    std::array<int, kChannels> m_syncedPoints{};
    std::array<double, kChannels> m_syncedFirstX{};
    int m_overlay = 0;
    double m_a = 0.0;
    double m_b = 0.0;
    bool m_stripStale = true;
    bool m_placePending = false;
    int m_dragging = 0;  // 0 none, 1 A, 2 B
    ValueNote m_note;
};

}  // namespace kelvor
