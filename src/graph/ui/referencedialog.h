// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "graph/referencecurve.h"

class QComboBox;
class QDoubleSpinBox;
class QListWidget;
class QSpinBox;

namespace kelvor {

// Which run to lay under the graph — a file (asked for after the dialog), a library item
// or a data set of the data logger, one row each in `sources` — and how: which of its
// channels under which of the run's, and what pins it in time.
class ReferenceDialog : public QDialog {
    Q_OBJECT
public:
    ReferenceDialog(const QStringList& sources, const QStringList& channelNames, QWidget* parent);

    int source() const;         // the row of `sources` chosen
    int sourceChannel() const;  // -1: each under its own
    ReferenceAlignment alignment() const;

private:
    void anchorChanged();

    QListWidget* m_sources = nullptr;
    QComboBox* m_channels = nullptr;
    QComboBox* m_anchor = nullptr;
    QSpinBox* m_annotation = nullptr;
    QComboBox* m_crossChannel = nullptr;
    QDoubleSpinBox* m_temperature = nullptr;
};

}  // namespace kelvor
