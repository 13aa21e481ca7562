// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "graph/referencecurve.h"

class QPoint;
class QToolButton;

namespace kelvor {

class ChartView;
class Clock;
class Library;
class Program;
class Prompts;
struct DataSetStore;

// Where references come from besides files.
struct ReferenceSources {
    std::function<Library*()> library;       // the open library when asked; null: none
    const DataSetStore* dataSets = nullptr;  // the data logger's downloaded data sets; null: none
    const Clock* clock = nullptr;            // decodes a library download's data sets
};
// The program's library (opened when the dialog asks) and the data logger's data sets.
ReferenceSources ProgramReferenceSources(Program& program);

// Runs laid under the graph as references: a graph file, a table, a library item or a
// data set of the data logger, drawn dashed in the colour of the channel it lies under,
// pinned at the start, an annotation or a crossing, and moved along the time axis by
// dragging it with the mouse or with the arrow keys (the newest one, the one dragged last
// or the one picked in the menu). The read-out tells the difference to each on every
// shown channel. Kept by the window only.
class ReferenceTool : public QObject {
    Q_OBJECT
public:
    ReferenceTool(Prompts& prompts, QString dataDir, ReferenceSources sources, ChartView& view, QObject* parent);

    QToolButton* button() const { return m_button; }  // "Reference", with its menu

    // Lays a reference under the graph, aligned to what the graph holds now; false with a
    // message when the anchor is missing in either.
    bool add(ReferenceCurve reference, const ReferenceAlignment& alignment, QString* error);
    void remove(int index);
    // Moves the picked reference along the time axis.
    void shift(double days);
    const std::vector<ReferenceCurve>& references() const { return m_references; }
    int picked() const { return m_picked; }
    // " Δname +1.2" for each reference with a value under channel `channel` at `t`.
    QString differenceText(int channel, double t, double runValue) const;
    // For the read-out at `t`: "   Δname T1 +1.2 T2 -0.3" for each reference, over every
    // shown channel where both the graph and the reference have a value.
    QString readoutText(double t) const;
    // The reference whose curve passes within a few pixels of `pixel` (the view's
    // pixels); -1 when none.
    int referenceAt(QPoint pixel) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void changed();  // a reference came, went or moved

private:
    void fillMenu();
    void choose();
    void lay();
    bool mouseEvent(QEvent* event);

    Prompts& m_prompts;
    QString m_dataDir;
    ReferenceSources m_sources;
    ChartView& m_view;
    QObject* m_plotWidget = nullptr;  // compared only: it may be going away
    QToolButton* m_button = nullptr;
    int m_overlay = -1;
    std::vector<ReferenceCurve> m_references;
    int m_picked = -1;
    // A drag: the reference, where it was grabbed (days) and its shift then.
    int m_dragging = -1;
    double m_grabbedAt = 0.0;
    double m_grabbedShift = 0.0;
};

}  // namespace kelvor
