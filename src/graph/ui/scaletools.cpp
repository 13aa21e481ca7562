// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/scaletools.h"

#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>

#include "chart/chartmodel.h"

namespace kelvor {

namespace {
void refresh(ChartModel& chart)
{
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}
}  // namespace

ScaleTools::ScaleTools(ChartModel& chart, QObject* parent) : QObject(parent), m_chart(chart)
{
    m_auto = new QToolButton;
    m_auto->setObjectName(QStringLiteral("tbtnAutoScale"));
    m_auto->setText(QStringLiteral("Auto Y"));
    m_auto->setToolTip(
        QStringLiteral("Fit the Y axes to the data in view; the arrow chooses axes one by one. "
                       "\"Y Axis\" sets fixed ranges."));
    m_auto->setCheckable(true);
    m_auto->setPopupMode(QToolButton::MenuButtonPopup);
    m_auto->setMenu(new QMenu(m_auto));
    connect(m_auto->menu(), &QMenu::aboutToShow, this, &ScaleTools::fillMenu);
    connect(m_auto, &QToolButton::clicked, this, [this](bool on) { setAuto(-1, on); });

    m_elapsed = new QToolButton;
    m_elapsed->setObjectName(QStringLiteral("tbtnElapsed"));
    m_elapsed->setText(QStringLiteral("Elapsed"));
    m_elapsed->setToolTip(QStringLiteral("Time axis from the first sample (h:mm:ss) instead of the clock"));
    m_elapsed->setCheckable(true);
    connect(m_elapsed, &QToolButton::clicked, this, [this](bool on) {
        m_chart.setElapsedTimeAxis(on);
        refresh(m_chart);
    });
    connect(&m_chart, &ChartModel::actionRequested, this, [this](int action) {
        if (action == sgReinitAndReset || action == sgResetImage)
            showChartState();
    });
}

void ScaleTools::fillMenu()
{
    QMenu* menu = m_auto->menu();
    menu->clear();
    const auto layout = m_chart.axisLayout();
    for (int a = 0; a < int(layout.size()); ++a) {
        QStringList names;
        for (int s : layout[size_t(a)])
            names << m_chart.SubsetLabels(s);
        const QString text = layout.size() == 1 ? QStringLiteral("Auto: the shared axis")
                                                : QStringLiteral("Auto: %1").arg(names.join(QStringLiteral(", ")));
        QAction* act = menu->addAction(text);
        act->setCheckable(true);
        act->setChecked(m_chart.AutoScaleY(a));
        connect(act, &QAction::toggled, this, [this, a](bool on) { setAuto(a, on); });
    }
}

void ScaleTools::setAuto(int axis, bool on)
{
    // Off: the next refresh puts the fixed ranges (the Y Axis dialog's) back.
    m_chart.setAutoScaleY(axis, on);
    refresh(m_chart);
    showChartState();
}

void ScaleTools::showChartState()
{
    const auto layout = m_chart.axisLayout();
    bool any = false;
    for (int a = 0; a < int(layout.size()); ++a)
        any = any || m_chart.AutoScaleY(a);
    const QSignalBlocker b1(m_auto);
    const QSignalBlocker b2(m_elapsed);
    m_auto->setChecked(any);
    m_elapsed->setChecked(m_chart.ElapsedTimeAxis());
}

}  // namespace kelvor
