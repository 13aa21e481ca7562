// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "graph/referencecurve.h"

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace kelvor {

// How a chosen reference is laid under the graph: which of its channels under which of
// the run's, and what pins it in time.
class ReferenceDialog : public QDialog {
    Q_OBJECT
public:
    ReferenceDialog(const QString& name, const QStringList& channelNames, QWidget* parent);

    int sourceChannel() const;  // -1: each under its own
    ReferenceAlignment alignment() const;

private:
    void anchorChanged();

    QComboBox* m_channels = nullptr;
    QComboBox* m_anchor = nullptr;
    QSpinBox* m_annotation = nullptr;
    QComboBox* m_crossChannel = nullptr;
    QDoubleSpinBox* m_temperature = nullptr;
};

}  // namespace kelvor
