// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/derivedtool.h"

#include <qcustomplot.h>
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
constexpr double kUnixEpochDays = 25569.0;
double keyOf(double days) { return (days - kUnixEpochDays) * 86400.0; }

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
    connect(m_view.customPlot(), &QCustomPlot::beforeReplot, this, &DerivedTool::sync);
}

QCPGraph* DerivedTool::rateGraph(int subset) const
{
    return subset >= 0 && subset < kChannels && m_view.customPlot()->hasPlottable(m_rate[size_t(subset)])
               ? m_rate[size_t(subset)]
               : nullptr;
}

QCPGraph* DerivedTool::differenceGraph() const
{
    return m_view.customPlot()->hasPlottable(m_difference) ? m_difference : nullptr;
}

void DerivedTool::forgetDeleted()
{
    QCustomPlot* plot = m_view.customPlot();
    for (QCPGraph** g : {&m_difference, &m_rate[0], &m_rate[1], &m_rate[2], &m_rate[3]})
        if (*g && !plot->hasPlottable(*g))
            *g = nullptr;
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

void DerivedTool::changed() { m_view.customPlot()->replot(QCustomPlot::rpQueuedReplot); }

QCPGraph* DerivedTool::makeGraph(const QString& name, const QColor& color)
{
    QCustomPlot* plot = m_view.customPlot();
    QCPAxisRect* r = plot->axisRect(plot->axisRectCount() - 1);
    QCPAxis* right = r->axis(QCPAxis::atRight);
    right->setVisible(true);
    auto* g = plot->addGraph(r->axis(QCPAxis::atBottom), right);
    g->setName(name);
    g->setPen(QPen(color, 1, Qt::DashLine));
    return g;
}

void DerivedTool::ensureGraphs()
{
    QCustomPlot* plot = m_view.customPlot();
    const ChartModel& m = m_view.model();
    QCPAxisRect* lowest = plot->axisRectCount() ? plot->axisRect(plot->axisRectCount() - 1) : nullptr;
    bool rebuilt = false;
    // The view rebuilt its plots (split, a loaded file): lay the graphs on again.
    forgetDeleted();
    for (QCPGraph** g : {&m_difference, &m_rate[0], &m_rate[1], &m_rate[2], &m_rate[3]})
        if (*g && (*g)->keyAxis()->axisRect() != lowest) {
            plot->removeGraph(*g);
            *g = nullptr;
            rebuilt = true;
        }
    const bool wantDiff = m.DerivedDifference() && m.Subsets() >= 2;
    if (wantDiff != bool(m_difference)) {
        if (wantDiff) {
            m_difference = makeGraph(QStringLiteral("%1−%2").arg(channelName(m, 0), channelName(m, 1)), Qt::white);
        } else {
            plot->removeGraph(m_difference);
            m_difference = nullptr;
        }
        rebuilt = true;
    }
    static const QColor rateColors[kChannels] = {QColor(140, 170, 255), QColor(255, 255, 140), QColor(160, 255, 160),
                                                 QColor(255, 150, 255)};
    for (int s = 0; s < kChannels; ++s) {
        const bool want = m.DerivedRate(s) && s < m.Subsets();
        QCPGraph*& g = m_rate[size_t(s)];
        if (want != bool(g)) {
            if (want) {
                g = makeGraph(QStringLiteral("d%1/dt").arg(channelName(m, s)), rateColors[s]);
            } else {
                plot->removeGraph(g);
                g = nullptr;
            }
            rebuilt = true;
        }
        if (m_rates[size_t(s)].window() != m.DerivedRateWindow()) {
            m_rates[size_t(s)].setWindow(m.DerivedRateWindow());
            rebuilt = true;
        }
    }
    if (rebuilt)
        m_synced = 0;  // hand every value to the new graphs
    if (lowest) {
        QStringList parts;
        if (m_difference)
            parts << m_view.model().unitText();
        if (std::any_of(m_rate.begin(), m_rate.end(), [](const auto& g) { return bool(g); }))
            parts << QStringLiteral("°/min");
        QCPAxis* right = lowest->axis(QCPAxis::atRight);
        right->setVisible(!parts.isEmpty());
        right->setLabel(parts.join(QStringLiteral(", ")));
        right->setTickLabels(true);
        const QCPAxis* left = lowest->axis(QCPAxis::atLeft);
        right->setBasePen(left->basePen());
        right->setTickPen(left->tickPen());
        right->setSubTickPen(left->subTickPen());
        right->setTickLabelColor(left->tickLabelColor());
        right->setLabelColor(left->labelColor());
    }
}

void DerivedTool::sync()
{
    if (m_view.customPlot()->axisRectCount() == 0)
        return;
    ensureGraphs();
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
    auto push = [&](QCPGraph* g, const std::vector<float>& v) {
        if (!g)
            return;
        if (from == 0)
            g->data()->clear();
        QVector<QCPGraphData> tail;
        tail.reserve(n - from);
        for (int i = from; i < n; ++i)
            tail.push_back(QCPGraphData(keyOf(x[size_t(i)]), v[size_t(i)] == kDerivedGap ? qQNaN() : v[size_t(i)]));
        g->data()->add(tail, true);
    };
    if (m_difference && m.Subsets() >= 2) {
        DifferenceOf(m.yData(0).data(), m.yData(1).data(), n, from, m_differenceValues);
        push(m_difference, m_differenceValues);
    }
    for (int s = 0; s < kChannels; ++s)
        if (m_rate[size_t(s)]) {
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
    QCustomPlot* plot = m_view.customPlot();
    QCPAxisRect* lowest = plot->axisRect(plot->axisRectCount() - 1);
    const QCPRange keys = lowest->axis(QCPAxis::atBottom)->range();
    const ChartModel& m = m_view.model();
    const std::vector<double>& x = m.xData(0);
    const int from =
        int(std::lower_bound(x.begin(), x.begin() + m_synced, keys.lower / 86400.0 + kUnixEpochDays) - x.begin());
    const int to = int(std::upper_bound(x.begin() + from, x.begin() + m_synced, keys.upper / 86400.0 + kUnixEpochDays) -
                       x.begin());
    bool found = false;
    double lo = 0, hi = 0;
    auto take = [&](SlidingExtremes& e, const std::vector<float>& v, const QCPGraph* g) {
        if (!g || int(v.size()) < to)
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
        lowest->axis(QCPAxis::atRight)->setRange(lo - margin, hi + margin);
    }
}

}  // namespace kelvor
