// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/referencedialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QListWidget>
#include <QSpinBox>
#include <QStyle>
#include <algorithm>

namespace kelvor {

ReferenceDialog::ReferenceDialog(const QStringList& sources, const QStringList& channelNames, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgReference"));
    setWindowTitle(QStringLiteral("Reference Curve"));
    auto* form = new QFormLayout(this);
    m_sources = new QListWidget(this);
    m_sources->setObjectName(QStringLiteral("lstReferenceSource"));
    m_sources->addItems(sources);
    m_sources->setCurrentRow(0);
    // Room for a handful of rows: a library of hundreds scrolls.
    // Wide enough for the longest row, within what a 1366 pixel screen gives a dialog.
    m_sources->setMinimumWidth(std::clamp(m_sources->sizeHintForColumn(0) + 2 * m_sources->frameWidth() +
                                              style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                                          420, 900));
    m_sources->setMaximumHeight(m_sources->sizeHintForRow(0) * 8 + 2 * m_sources->frameWidth());
    form->addRow(QStringLiteral("Reference:"), m_sources);

    m_channels = new QComboBox(this);
    m_channels->setObjectName(QStringLiteral("cmbReferenceChannels"));
    m_channels->addItem(QStringLiteral("Each channel under its own"), -1);
    for (int c = 0; c < int(channelNames.size()); ++c)
        m_channels->addItem(QStringLiteral("Its %1 under every channel").arg(channelNames[c]), c);
    form->addRow(QStringLiteral("Channels:"), m_channels);

    m_anchor = new QComboBox(this);
    m_anchor->setObjectName(QStringLiteral("cmbReferenceAnchor"));
    m_anchor->addItem(QStringLiteral("At the start"), int(ReferenceAnchor::Start));
    m_anchor->addItem(QStringLiteral("At an annotation"), int(ReferenceAnchor::Annotation));
    m_anchor->addItem(QStringLiteral("Where a channel first crosses"), int(ReferenceAnchor::Crossing));
    form->addRow(QStringLiteral("Aligned:"), m_anchor);

    m_annotation = new QSpinBox(this);
    m_annotation->setObjectName(QStringLiteral("spnReferenceAnnotation"));
    m_annotation->setRange(1, 1'000'000);
    m_annotation->setToolTip(QStringLiteral("The annotation in time order, in the graph and in the reference"));
    form->addRow(QStringLiteral("Annotation no.:"), m_annotation);

    m_crossChannel = new QComboBox(this);
    m_crossChannel->setObjectName(QStringLiteral("cmbReferenceCrossChannel"));
    m_crossChannel->addItems(channelNames);
    form->addRow(QStringLiteral("Channel:"), m_crossChannel);
    m_temperature = new QDoubleSpinBox(this);
    m_temperature->setObjectName(QStringLiteral("spnReferenceTemperature"));
    m_temperature->setRange(-300.0, 3000.0);
    m_temperature->setDecimals(1);
    m_temperature->setValue(100.0);
    form->addRow(QStringLiteral("Temperature:"), m_temperature);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_sources, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    form->addRow(buttons);
    connect(m_anchor, &QComboBox::currentIndexChanged, this, &ReferenceDialog::anchorChanged);
    anchorChanged();
}

void ReferenceDialog::anchorChanged()
{
    const auto anchor = ReferenceAnchor(m_anchor->currentData().toInt());
    m_annotation->setEnabled(anchor == ReferenceAnchor::Annotation);
    m_crossChannel->setEnabled(anchor == ReferenceAnchor::Crossing);
    m_temperature->setEnabled(anchor == ReferenceAnchor::Crossing);
}

int ReferenceDialog::source() const { return m_sources->currentRow(); }

int ReferenceDialog::sourceChannel() const { return m_channels->currentData().toInt(); }

ReferenceAlignment ReferenceDialog::alignment() const
{
    ReferenceAlignment a;
    a.anchor = ReferenceAnchor(m_anchor->currentData().toInt());
    a.annotation = m_annotation->value() - 1;
    a.channel = m_crossChannel->currentIndex();
    a.temperature = m_temperature->value();
    return a;
}

}  // namespace kelvor
