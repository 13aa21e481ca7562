// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/cursortool.h"

#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "base/localoffsets.h"
#include "chart/ui/chartview.h"

namespace kelvor {

namespace {

constexpr double kGrabPixels = 5.0;  // how near the pointer must be to pick a cursor up

QString valueText(bool has, double v) { return has ? QString::number(v, 'f', 1) : QStringLiteral("----"); }

QString durationText(double seconds)
{
    const qint64 total = qint64(std::llround(std::fabs(seconds)));
    return QStringLiteral("%1%2:%3:%4")
        .arg(seconds < 0 && total > 0 ? QStringLiteral("-") : QString())
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

// The table's columns, one per figure of a channel.
enum Column {
    ColA,
    ColB,
    ColDeltaT,
    ColDeltaTime,
    ColRate,
    ColMin,
    ColMinAt,
    ColMax,
    ColMaxAt,
    ColMean,
    ColSigma,
    ColAbove,
    ColBelow,
    ColGaps,
    kColumns
};

QString clockText(double days) { return WallDateTime(days).toString(QStringLiteral("HH:mm:ss")); }

QString signedText(double v, int decimals)
{
    return (v > 0 ? QStringLiteral("+") : QString()) + QString::number(v, 'f', decimals);
}

}  // namespace

CursorTool::CursorTool(ChartView& view, QWidget* stripParent) : QObject(stripParent), m_view(view)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnCursors"));
    m_button->setText(QStringLiteral("A|B"));
    m_button->setToolTip(QStringLiteral("Cursors A and B (C)"));
    m_button->setCheckable(true);
    connect(m_button, &QToolButton::toggled, this, &CursorTool::setOn);

    m_strip = new QWidget(stripParent);
    m_strip->setObjectName(QStringLiteral("pnlCursors"));
    m_strip->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(m_strip);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(1);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Threshold:"), m_strip));
    m_threshold = new QLineEdit(QStringLiteral("0"), m_strip);
    m_threshold->setObjectName(QStringLiteral("edtThreshold"));
    m_threshold->setValidator(new QDoubleValidator(-3000.0, 3000.0, 1, m_threshold));
    m_threshold->setMaximumWidth(70);
    top->addWidget(m_threshold);
    top->addWidget(new QLabel(QStringLiteral("Drag the cursors A and B on the chart; C shows or hides them."), m_strip),
                   1);
    layout->addLayout(top);
    m_table = new QTableWidget(kChannels, kColumns, m_strip);
    m_table->setObjectName(QStringLiteral("tblCursors"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_table->setFocusPolicy(Qt::ClickFocus);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->verticalHeader()->setHighlightSections(false);
    for (int r = 0; r < kChannels; ++r)
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    layout->addWidget(m_table);
    m_strip->hide();
    connect(m_threshold, &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const double t = m_threshold->text().toDouble(&ok);
        if (ok)
            setThreshold(t);
    });

    m_overlay = m_view.addOverlay();
    // The view built its plots anew: the data is read again.
    connect(&m_view, &ChartView::rebuilt, this, [this] { m_syncedPoints.fill(0); });
    connect(&m_view, &ChartView::aboutToDraw, this, [this] {
        if (!isOn())
            return;
        if (m_placePending) {
            // Placed once the new run has samples to measure, on the part recorded.
            syncSeries();
            if (std::any_of(m_series.begin(), m_series.end(), [](const CursorSeries& s) { return s.size() >= 2; })) {
                m_placePending = false;
                placeInView();
                pushState();
                moveLines();
                m_stripStale = true;
            }
        }
        // The strip is rewritten only when the cursors, the threshold or the data moved.
        if (syncSeries() || m_stripStale)
            refreshStrip();
    });
    connect(&m_view.model(), &ChartModel::actionRequested, this, [this](int action) {
        if (action == sgReinitAndReset || action == sgResetImage)
            adoptModelState();
    });
    m_plotWidget = m_view.plotWidget();
    m_plotWidget->installEventFilter(this);
}

CursorTool::~CursorTool() = default;

bool CursorTool::isOn() const { return m_button->isChecked(); }

void CursorTool::setOn(bool on)
{
    if (m_button->isChecked() != on) {
        m_button->setChecked(on);  // comes back here through toggled
        return;
    }
    if (on && m_a == 0.0 && m_b == 0.0)
        placeInView();
    m_strip->setVisible(on);
    m_stripStale = true;
    pushState();
    moveLines();
    m_view.redraw();
}

void CursorTool::setCursors(double a, double b)
{
    m_a = a;
    m_b = b;
    pushState();
    moveLines();
    m_stripStale = true;
    if (isOn())
        m_view.redraw();
}

void CursorTool::reset()
{
    setCursors(0.0, 0.0);
    m_placePending = isOn();
}

void CursorTool::setThreshold(double threshold)
{
    if (m_threshold->text().toDouble() != threshold)
        m_threshold->setText(QString::number(threshold));
    for (CursorSeries& s : m_series)
        s.setThreshold(threshold);
    pushState();
    refreshStrip();
}

void CursorTool::pushState() { m_view.model().setCursorState(isOn(), m_a, m_b, m_threshold->text().toDouble()); }

void CursorTool::adoptModelState()
{
    const ChartState& s = m_view.model().state();
    if (s.cursorsOn == isOn() && s.cursorA == m_a && s.cursorB == m_b &&
        s.cursorThreshold == m_threshold->text().toDouble())
        return;
    m_a = s.cursorA;
    m_b = s.cursorB;
    m_threshold->setText(QString::number(s.cursorThreshold));
    for (CursorSeries& series : m_series)
        series.setThreshold(s.cursorThreshold);
    setOn(s.cursorsOn);  // shows them where the chart had them, and writes the same state back
}

void CursorTool::notesChanged()
{
    m_stripStale = true;
    if (isOn())
        m_view.redraw();
}

void CursorTool::setChannelHidden(int channel, bool hidden)
{
    if (channel < 0 || channel >= kChannels)
        return;
    m_hidden[size_t(channel)] = hidden;
    m_view.setSubsetHidden(channel, hidden);
    refreshStrip();
    m_view.redraw();
}

bool CursorTool::isChannelHidden(int channel) const
{
    return channel >= 0 && channel < kChannels && m_hidden[size_t(channel)];
}

bool CursorTool::toggleLegendEntryAt(QPoint pos)
{
    // A meter's heading hides its four channels, or shows them again once all are hidden.
    if (const int group = m_view.legendGroupAt(pos); group >= 0) {
        const int first = group * ChartView::kChannelsPerGroup;
        bool all = true;
        for (int c = first; c < first + ChartView::kChannelsPerGroup; ++c)
            all = all && m_view.isSubsetHidden(c);
        for (int c = first; c < first + ChartView::kChannelsPerGroup; ++c)
            hideSubset(c, !all);
        return true;
    }
    const int c = m_view.legendSubsetAt(pos);
    if (c < 0)
        return false;
    hideSubset(c, !m_view.isSubsetHidden(c));
    return true;
}

void CursorTool::hideSubset(int subset, bool hidden)
{
    // The cursors read the first four; the channels of other meters are only drawn or not.
    if (subset < kChannels) {
        setChannelHidden(subset, hidden);
        return;
    }
    m_view.setSubsetHidden(subset, hidden);
    m_view.redraw();
}

QString CursorTool::channelText(int channel) const
{
    if (channel < 0 || channel >= kChannels || !isOn() || m_table->isRowHidden(channel))
        return {};
    return m_lines[size_t(channel)];
}

void CursorTool::placeInView()
{
    if (m_view.axisRectCount() == 0)
        return;
    // Thirds of the recorded part in view, so a run that has just started reads at once.
    syncSeries();
    const ChartTimeRange view = m_view.shownTimeRange(0);
    double first = 0.0, last = 0.0;
    for (const CursorSeries& s : m_series) {
        if (s.size() == 0)
            continue;
        first = first == 0.0 ? s.firstTime() : std::min(first, s.firstTime());
        last = last == 0.0 ? s.lastTime() : std::max(last, s.lastTime());
    }
    ChartTimeRange r{std::max(view.from, first), std::min(view.to, last)};
    if (first == 0.0 || r.to <= r.from)
        r = view;
    m_a = r.from + (r.to - r.from) / 3.0;
    m_b = r.from + (r.to - r.from) * 2.0 / 3.0;
}

void CursorTool::moveLines()
{
    ChartOverlay lines;
    // Bright on the black plot and apart from the channel colours.
    if (isOn())
        lines.markers = {{m_a, -1, QColor(255, 220, 0), Qt::DashLine, {}},
                         {m_b, -1, QColor(0, 230, 230), Qt::DashLine, {}}};
    m_view.setOverlay(m_overlay, std::move(lines));
}

bool CursorTool::syncSeries()
{
    bool changed = false;
    const ChartModel& model = m_view.model();
    for (int c = 0; c < kChannels; ++c) {
        const std::vector<double>& x = model.xData(c);
        const std::vector<float>& y = model.yData(c);
        const int n = int(std::min(x.size(), y.size()));
        CursorSeries& s = m_series[size_t(c)];
        const double firstX = n > 0 ? x.front() : 0.0;
        // A run only appends (and may rewrite its newest sample); anything else rereads.
        int from = std::max(0, s.size() - 1);
        if (n < m_syncedPoints[size_t(c)] || firstX != m_syncedFirstX[size_t(c)] || m_syncedPoints[size_t(c)] == 0)
            from = 0;
        if (from == 0 || n != m_syncedPoints[size_t(c)] || s.size() < n) {
            const int before = s.size();
            s.update(x.data(), y.data(), n, from);
            changed = changed || from == 0 || s.size() != before;
        }
        m_syncedPoints[size_t(c)] = n;
        m_syncedFirstX[size_t(c)] = firstX;
    }
    return changed;
}

void CursorTool::refreshStrip()
{
    m_stripStale = false;
    const ChartModel& model = m_view.model();
    std::vector<bool> drawn(kChannels, model.randomSubsetsCount() == 0);
    for (int i = 0; i < model.randomSubsetsCount(); ++i) {
        const int s = model.RandomSubsetsToGraph(i);
        if (s >= 0 && s < kChannels)
            drawn[size_t(s)] = true;
    }
    const QString threshold = m_threshold->text();
    QStringList headers = {QStringLiteral("A"),
                           QStringLiteral("B"),
                           QStringLiteral("ΔT"),
                           QStringLiteral("Δt"),
                           QStringLiteral("°/min"),
                           QStringLiteral("Min"),
                           QStringLiteral("at"),
                           QStringLiteral("Max"),
                           QStringLiteral("at"),
                           QStringLiteral("Mean"),
                           QStringLiteral("σ"),
                           QStringLiteral(">") + threshold,
                           QStringLiteral("<") + threshold,
                           QStringLiteral("Gaps")};
    m_table->setHorizontalHeaderLabels(headers);
    QStringList labels;
    for (int c = 0; c < kChannels; ++c) {
        const bool shown = c < model.Subsets() && drawn[size_t(c)] && !m_hidden[size_t(c)];
        m_table->setRowHidden(c, !shown);
        QString label = c < model.Subsets() ? model.SubsetLabels(c) : QString();
        if (label.isEmpty())
            label = QStringLiteral("T%1").arg(c + 1);
        labels << label;
        if (!shown) {
            m_lines[size_t(c)].clear();
            continue;
        }
        const CursorMeasurement m = m_series[size_t(c)].measure(m_a, m_b);
        const QString none = QStringLiteral("----");
        std::array<QString, kColumns> cell;
        cell[ColA] = valueText(m.hasA, m.valueA);
        cell[ColB] = valueText(m.hasB, m.valueB);
        if (m_note && m.hasA)
            cell[ColA] = (cell[ColA] + QLatin1Char(' ') + m_note(c, m_a, m.valueA).trimmed()).trimmed();
        if (m_note && m.hasB)
            cell[ColB] = (cell[ColB] + QLatin1Char(' ') + m_note(c, m_b, m.valueB).trimmed()).trimmed();
        cell[ColDeltaT] = m.hasA && m.hasB ? signedText(m.deltaT, 1) : none;
        cell[ColDeltaTime] = durationText(m.deltaSeconds);
        cell[ColRate] = m.hasRate ? signedText(m.ratePerMinute, 2) : none;
        QString text = QStringLiteral("%1  A %2  B %3  ΔT %4  Δt %5  rate %6")
                           .arg(label, -3)
                           .arg(cell[ColA], 7)
                           .arg(cell[ColB], 7)
                           .arg(cell[ColDeltaT], 7)
                           .arg(cell[ColDeltaTime], 9)
                           .arg(m.hasRate ? cell[ColRate] + QStringLiteral(" °/min") : none, 13);
        if (m.count > 0) {
            cell[ColMin] = QString::number(m.minimum, 'f', 1);
            cell[ColMinAt] = clockText(m.minTime);
            cell[ColMax] = QString::number(m.maximum, 'f', 1);
            cell[ColMaxAt] = clockText(m.maxTime);
            cell[ColMean] = QString::number(m.mean, 'f', 1);
            cell[ColSigma] = QString::number(m.stdDev, 'f', 2);
            cell[ColAbove] = durationText(m.secondsAbove);
            cell[ColBelow] = durationText(m.secondsBelow);
            text += QStringLiteral("  min %1 @ %2  max %3 @ %4  mean %5  σ %6  >%7: %8  <%7: %9")
                        .arg(cell[ColMin], cell[ColMinAt], cell[ColMax], cell[ColMaxAt], cell[ColMean], cell[ColSigma],
                             threshold, cell[ColAbove], cell[ColBelow]);
        } else {
            for (int k = ColMin; k <= ColBelow; ++k)
                cell[size_t(k)] = none;
            text += QStringLiteral("  no measurement between A and B");
        }
        cell[ColGaps] = QString::number(m.gaps);
        text += QStringLiteral("  gaps %1").arg(m.gaps);
        m_lines[size_t(c)] = text;
        for (int k = 0; k < kColumns; ++k) {
            QTableWidgetItem* item = m_table->item(c, k);
            item->setText(cell[size_t(k)]);
            item->setToolTip(m.count > 0 ? QString() : QStringLiteral("No measurement between A and B"));
        }
    }
    m_table->setVerticalHeaderLabels(labels);
    fitTableHeight();
}

void CursorTool::fitTableHeight()
{
    // Exactly the rows shown, so the chart keeps the rest of the room.
    int height = m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth();
    for (int c = 0; c < kChannels; ++c)
        if (!m_table->isRowHidden(c))
            height += m_table->rowHeight(c);
    if (m_table->horizontalScrollBar()->isVisible() ||
        m_table->horizontalHeader()->length() + m_table->verticalHeader()->width() > m_table->width())
        height += m_table->horizontalScrollBar()->sizeHint().height();
    m_table->setFixedHeight(height);
}

QPoint CursorTool::toView(QPoint plotPixel) const { return m_view.plotWidget()->mapTo(&m_view, plotPixel); }

bool CursorTool::eventFilter(QObject* watched, QEvent* e)
{
    // Only mouse work is ours; other events also arrive while the view is torn down.
    const QEvent::Type type = e->type();
    if (watched != m_plotWidget ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) ||
        m_view.axisRectCount() == 0)
        return false;
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton && toggleLegendEntryAt(toView(me->position().toPoint())))
            return true;
    }
    if (!isOn())
        return false;
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::LeftButton)
                return false;
            const double px = me->position().x() + toView(QPoint()).x();
            const double dA = std::fabs(px - m_view.xOfTime(m_a));
            const double dB = std::fabs(px - m_view.xOfTime(m_b));
            if (std::min(dA, dB) > kGrabPixels)
                return false;
            m_dragging = dA <= dB ? 1 : 2;
            return true;
        }
        case QEvent::MouseMove: {
            if (m_dragging == 0)
                return false;
            const double days = m_view.timeAtX(static_cast<QMouseEvent*>(e)->position().x() + toView(QPoint()).x());
            if (m_dragging == 1)
                setCursors(days, m_b);
            else
                setCursors(m_a, days);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (m_dragging == 0)
                return false;
            m_dragging = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace kelvor
