// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "graph/referencecurve.h"

class QToolButton;

namespace kelvor {

class ChartView;
class Prompts;

// Runs laid under the graph as references: a graph file or a table, drawn dashed in the
// colour of the channel it lies under, pinned at the start, an annotation or a crossing,
// and moved along the time axis with the arrow keys (the newest one, or the one picked
// in the menu). The read-out tells the difference to each. Kept by the window only.
class ReferenceTool : public QObject {
    Q_OBJECT
public:
    ReferenceTool(Prompts& prompts, QString dataDir, ChartView& view, QObject* parent);

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

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void changed();  // a reference came, went or moved

private:
    void fillMenu();
    void choose();
    void lay();

    Prompts& m_prompts;
    QString m_dataDir;
    ChartView& m_view;
    QToolButton* m_button = nullptr;
    int m_overlay = -1;
    std::vector<ReferenceCurve> m_references;
    int m_picked = -1;
};

}  // namespace kelvor
