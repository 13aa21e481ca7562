// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/derivedtool.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>

#include "chart/ui/chartview.h"

namespace kelvor {

namespace {
QString channelName(const ChartModel& m, int s)
{
    const QString label = m.SubsetLabels(s);
    return label.isEmpty() ? QStringLiteral("T%1").arg(s + 1) : label;
}
}  // namespace

DerivedTool::DerivedTool(ChartView& view, QObject* parent) : QObject(parent), m_view(view)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnDerived"));
    m_button->setText(QStringLiteral("Derived"));
    m_button->setToolTip(QStringLiteral("T1−T2 and rates of change in °/min, on the right-hand axis"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(new QMenu(m_button));
    connect(m_button->menu(), &QMenu::aboutToShow, this, &DerivedTool::fillMenu);
    connect(&m_view, &ChartView::aboutToDraw, this, &DerivedTool::sync);
    // The view keeps the series over a rebuild but not their points: hand them over again.
    connect(&m_view, &ChartView::rebuilt, this, [this] { m_synced = 0; });
}

int DerivedTool::rateSeries(int subset) const
{
    return subset >= 0 && subset < kChannels ? m_rate[size_t(subset)] : -1;
}

void DerivedTool::fillMenu()
{
    ChartModel& m = m_view.model();
    QMenu* menu = m_button->menu();
    menu->clear();
    QAction* diff = menu->addAction(QStringLiteral("%1−%2").arg(channelName(m, 0), channelName(m, 1)));
    diff->setCheckable(true);
    diff->setChecked(m.DerivedDifference());
    connect(diff, &QAction::toggled, this, [this](bool on) {
        m_view.model().setDerivedDifference(on);
        changed();
    });
    menu->addSeparator();
    for (int s = 0; s < std::min(kChannels, m.Subsets()); ++s) {
        QAction* a = menu->addAction(QStringLiteral("Rate of change of %1 (°/min)").arg(channelName(m, s)));
        a->setCheckable(true);
        a->setChecked(m.DerivedRate(s));
        connect(a, &QAction::toggled, this, [this, s](bool on) {
            m_view.model().setDerivedRate(s, on);
            changed();
        });
    }
    auto* row = new QWidget(menu);
    auto* l = new QHBoxLayout(row);
    l->setContentsMargins(24, 2, 8, 2);
    l->addWidget(new QLabel(QStringLiteral("Smoothed over"), row));
    auto* seconds = new QSpinBox(row);
    seconds->setObjectName(QStringLiteral("spnRateWindow"));
    seconds->setRange(2, 3600);
    seconds->setSuffix(QStringLiteral(" s"));
    seconds->setValue(int(m.DerivedRateWindow()));
    l->addWidget(seconds);
    connect(seconds, &QSpinBox::valueChanged, this, [this](int v) {
        m_view.model().setDerivedRateWindow(v);
        changed();
    });
    auto* action = new QWidgetAction(menu);
    action->setDefaultWidget(row);
    menu->addAction(action);
}

void DerivedTool::changed() { m_view.redraw(); }

void DerivedTool::ensureSeries()
{
    const ChartModel& m = m_view.model();
    bool changed = false;
    auto want = [&](int& id, bool on, const QString& name, const QColor& color) {
        if (on == (id >= 0))
            return;
        if (on) {
            id = m_view.addSecondAxisSeries(name, color, Qt::DashLine);
        } else {
            m_view.removeSecondAxisSeries(id);
            id = -1;
        }
        changed = true;
    };
    want(m_difference, m.DerivedDifference() && m.Subsets() >= 2,
         QStringLiteral("%1−%2").arg(channelName(m, 0), channelName(m, 1)), Qt::white);
    static const QColor rateColors[kChannels] = {QColor(140, 170, 255), QColor(255, 255, 140), QColor(160, 255, 160),
                                                 QColor(255, 150, 255)};
    for (int s = 0; s < kChannels; ++s) {
        want(m_rate[size_t(s)], m.DerivedRate(s) && s < m.Subsets(), QStringLiteral("d%1/dt").arg(channelName(m, s)),
             rateColors[s]);
        if (m_rates[size_t(s)].window() != m.DerivedRateWindow()) {
            m_rates[size_t(s)].setWindow(m.DerivedRateWindow());
            changed = true;
        }
    }
    if (changed)
        m_synced = 0;  // hand every value to the series again
    QStringList parts;
    if (m_difference >= 0)
        parts << m.unitText();
    if (std::any_of(m_rate.begin(), m_rate.end(), [](int id) { return id >= 0; }))
        parts << QStringLiteral("°/min");
    m_view.setSecondAxisLabel(parts.join(QStringLiteral(", ")));
}

void DerivedTool::sync()
{
    if (m_view.axisRectCount() == 0)
        return;
    ensureSeries();
    const ChartModel& m = m_view.model();
    const std::vector<double>& x = m.xData(0);
    int n = int(std::min({x.size(), m.yData(0).size()}));
    // The filled part: points never written read X 0.0.
    const int filled = int(std::find(x.begin(), x.begin() + n, 0.0) - x.begin());
    n = filled;
    const double firstX = n ? x.front() : 0.0;
    if (n == m_synced && firstX == m_syncedFirstX) {
        fitAxis();
        return;
    }
    // A run appends; anything else (cleared, a new data set, a scrolled store) rereads.
    const int from = n < m_synced || firstX != m_syncedFirstX ? 0 : m_synced;
    std::vector<ChartPoint> tail;
    auto push = [&](int id, const std::vector<float>& v) {
        if (id < 0)
            return;
        tail.resize(size_t(n - from));
        for (int i = from; i < n; ++i)
            tail[size_t(i - from)] = {x[size_t(i)], v[size_t(i)] == kDerivedGap ? qQNaN() : double(v[size_t(i)])};
        m_view.setSecondAxisPoints(id, tail, from == 0);
    };
    if (m_difference >= 0 && m.Subsets() >= 2) {
        DifferenceOf(m.yData(0).data(), m.yData(1).data(), n, from, m_differenceValues);
        push(m_difference, m_differenceValues);
    }
    for (int s = 0; s < kChannels; ++s)
        if (m_rate[size_t(s)] >= 0) {
            m_rates[size_t(s)].update(m.xData(s).data(), m.yData(s).data(), n, from);
            push(m_rate[size_t(s)], m_rates[size_t(s)].values());
        }
    for (SlidingExtremes& e : m_extremes)
        e.invalidateFrom(from);
    m_synced = n;
    m_syncedFirstX = firstX;
    fitAxis();
}

void DerivedTool::fitAxis()
{
    const ChartTimeRange keys = m_view.shownTimeRange(m_view.axisRectCount() - 1);
    const ChartModel& m = m_view.model();
    const std::vector<double>& x = m.xData(0);
    const int from = int(std::lower_bound(x.begin(), x.begin() + m_synced, keys.from) - x.begin());
    const int to = int(std::upper_bound(x.begin() + from, x.begin() + m_synced, keys.to) - x.begin());
    bool found = false;
    double lo = 0, hi = 0;
    auto take = [&](SlidingExtremes& e, const std::vector<float>& v, int id) {
        if (id < 0 || int(v.size()) < to)
            return;
        e.moveTo(v.data(), from, to, kDerivedGap);
        if (e.empty())
            return;
        lo = found ? std::min(lo, double(e.minimum())) : e.minimum();
        hi = found ? std::max(hi, double(e.maximum())) : e.maximum();
        found = true;
    };
    take(m_extremes[kChannels], m_differenceValues, m_difference);
    for (int s = 0; s < kChannels; ++s)
        take(m_extremes[size_t(s)], m_rates[size_t(s)].values(), m_rate[size_t(s)]);
    if (found) {
        const double margin = std::max(0.5, (hi - lo) * 0.05);
        m_view.setSecondAxisRange(lo - margin, hi + margin);
    }
}

}  // namespace kelvor
