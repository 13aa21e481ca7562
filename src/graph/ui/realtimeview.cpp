// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/realtimeview.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

#include "base/localetext.h"
#include "base/meternames.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "graph/meterchannels.h"
#include "graph/realtimerun.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {

void restoreNormal(QWidget& w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w.parentWidget()))
        sub->showNormal();
    else if (w.isWindow() && (w.isMinimized() || w.isMaximized()))
        w.showNormal();
}

void redraw(ChartModel& chart)
{
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

}  // namespace

RealTimeView::RealTimeView(TfrmGraph& window, RecordingSession& session)
    : QObject(&window), m_window(window), m_session(session)
{
    connect(&session, &RecordingSession::sampleAdded, this, [this](const SessionSample& s, std::uint8_t moved) {
        if (m_meters == 1)
            append(s, true);
        if (statisticsMeter() == 0)
            showExtremes(moved);
    });
    connect(&session, &RecordingSession::rowAdded, this, [this](const SessionRow& row) {
        if (m_meters <= 1)
            return;
        appendRow(row, true);
        const int shown = statisticsMeter();
        if (shown > 0 && std::size_t(shown) < row.meters.size() && row.meters[std::size_t(shown)].present)
            showStatistics();
    });
    connect(window.cmbStatMeter, &QComboBox::currentIndexChanged, this, [this] { showStatistics(); });
    connect(&session, &RecordingSession::stateChanged, this, &RealTimeView::stateChanged);
    m_countTimer.setSingleShot(true);
    connect(&m_countTimer, &QTimer::timeout, this, [this] { showCount(true); });
    connect(&session, &RecordingSession::aboutToEnd, this, &RealTimeView::handOverAnnotations);
}

void RealTimeView::reset()
{
    m_store.SampleCount = 0;
    m_store.GapPoints = 0;
    m_store.SampleMissed = false;
}

double RealTimeView::openEndedSpan() const
{
    return std::max(1, m_window.chart().Points()) * std::max(1, m_store.RateSeconds) * kDaysPerSecond;
}

void RealTimeView::showMeters()
{
    ChartModel& chart = m_window.chart();
    const std::vector<SessionSource>& sources = m_session.sources();
    const int meters = std::max<int>(1, int(sources.size()));
    if (meters == m_meters && meters == 1)
        return;  // the chart of one meter stays as the template made it
    if (m_meters == 1) {
        m_fourLabels.clear();
        m_fourColors.clear();
        for (int c = 0; c < 4; ++c) {
            m_fourLabels.push_back(chart.SubsetLabels(c));
            m_fourColors.push_back(chart.SubsetColors(c));
        }
    }
    // A split chart stays split: a plot per meter, or per channel of one meter.
    const bool split = chart.axisLayout().size() > 1;
    // Channels of other meters hidden in the last run would hide this run's.
    for (int sub = ChartView::kChannelsPerGroup; sub < 4 * std::max(meters, m_meters); ++sub)
        m_window.view().setSubsetHidden(sub, false);
    m_meters = meters;
    std::vector<QString> labels;
    for (int m = 0; m < meters && meters > 1; ++m)
        labels.push_back(MeterLabel(sources[std::size_t(m)].name, sources[std::size_t(m)].serial, m));
    if (meters == 1) {
        chart.setSubsets(4);
        for (int c = 0; c < 4 && c < int(m_fourLabels.size()); ++c) {
            chart.setSubsetLabels(c, m_fourLabels[std::size_t(c)]);
            chart.setSubsetColors(c, m_fourColors[std::size_t(c)]);
        }
        m_window.view().setLegendGroups({});
    } else {
        ApplyMeterChannels(chart, labels);
        m_window.view().setLegendGroups(labels);
    }
    if (split)
        SplitChart(chart, true);
    {
        // The meter chosen stays chosen from run to run while the run has it.
        QComboBox& choice = *m_window.cmbStatMeter;
        const QSignalBlocker quiet(&choice);
        const int kept = choice.currentIndex();
        choice.clear();
        for (const QString& label : labels)
            choice.addItem(label);
        choice.setCurrentIndex(kept >= 0 && kept < choice.count() ? kept : 0);
        choice.parentWidget()->setVisible(meters > 1);  // with its label
    }
    chart.PEactions(sgReinitAndReset);
}

void RealTimeView::prepareRun(int count, bool openEnded)
{
    ChartModel& chart = m_window.chart();
    showMeters();
    PrepareRunStore(chart, m_store, count);
    m_store.OpenEnded = openEnded;
    m_store.RateSeconds = m_session.rateSeconds();
    for (int c = 0; c < 4; ++c) {
        m_window.minField(c)->clear();
        m_window.maxField(c)->clear();
        m_window.avgField(c)->clear();
    }
    const double now = m_window.program().clock.nowDays();
    m_window.txtStartTime->setText(DateTimeText(now));
    chart.setManualMinX(now);
    chart.setManualMaxX(now + (openEnded ? openEndedSpan() : 100.0 * kDaysPerSecond));
}

void RealTimeView::showSessionRun()
{
    const SessionSettings& run = m_session.settings();
    if (m_session.state() == SessionState::Idle)
        return;
    ChartModel& chart = m_window.chart();
    const int count = std::max(1, run.recordCount);
    showMeters();
    PrepareRunStore(chart, m_store, count);
    m_store.OpenEnded = run.openEnded;
    m_store.RateSeconds = run.rateSeconds;
    m_window.txtStartTime->setText(DateTimeText(m_session.startTime()));
    chart.setManualMinX(m_session.startTime());
    chart.setManualMaxX(m_session.startTime() + (run.openEnded ? openEndedSpan() : 100.0 * kDaysPerSecond));
    // An open-ended run shows its latest samples, as a window open all along would.
    const auto& samples = m_session.samples();
    const auto& rows = m_session.rows();
    auto firstShown = [&](std::size_t size) {
        return run.openEnded && size > std::size_t(count) ? size - std::size_t(count) : 0;
    };
    if (m_meters > 1)
        for (std::size_t i = firstShown(rows.size()); i < rows.size(); ++i)
            appendRow(rows[i], false);
    else
        for (std::size_t i = firstShown(samples.size()); i < samples.size(); ++i)
            append(samples[i], false);
    showCount(true);
    showExtremes(samples.empty() ? 0 : 0xFF);
    for (const ChartAlarmEvent& e : m_session.alarmEvents())
        chart.addAlarmEvent(e);
    showAnnotations();
    if (m_session.state() == SessionState::Ended)
        runEnded();
    else
        redraw(chart);
}

int RealTimeView::nextSlot(double time, bool afterMiss)
{
    ChartModel& chart = m_window.chart();
    RealTimeState& rt = m_store;
    const int n = afterMiss && rt.SampleCount > 0 && !WriteRunBreak(chart, rt, time) ? -1 : NextRunSlot(chart, rt);
    if (n < 0) {  // no room (the store was changed behind the run's back)
        m_session.stop();
        return -1;
    }
    if (rt.OpenEnded && rt.SampleCount >= chart.Points()) {
        // The axis moves with the samples kept, rather than leaving them in a corner.
        chart.setManualMaxX(std::max(chart.ManualMinX() + openEndedSpan(), time));
    }
    if (!(chart.ManualMaxX() >= time))
        chart.setManualMaxX(time + m_window.program().graph.AxisExtendDays);
    return n;
}

void RealTimeView::written(bool draw)
{
    m_window.program().graph.RealTimeUnsaved = true;
    if (draw)
        redraw(m_window.chart());
    m_store.SampleCount += 1;
    if (draw)
        showCount(false);
}

void RealTimeView::append(const SessionSample& sample, bool draw)
{
    const int n = nextSlot(sample.time, sample.afterMiss);
    if (n < 0)
        return;
    WriteRunSample(m_window.chart(), n, sample.flags, sample.time, sample.t);
    written(draw);
}

void RealTimeView::appendRow(const SessionRow& row, bool draw)
{
    const int n = nextSlot(row.time, row.afterMiss);
    if (n < 0)
        return;
    ChartModel& chart = m_window.chart();
    constexpr std::uint8_t kNoReadings = 0xF0;  // a meter that gave none: a gap in its channels
    for (int m = 0; m < m_meters; ++m) {
        const SessionMeterReading none{};
        const SessionMeterReading& r = std::size_t(m) < row.meters.size() ? row.meters[std::size_t(m)] : none;
        const std::uint8_t flags = r.present ? r.flags : kNoReadings;
        if (m == 0)
            WriteRunSample(chart, n, flags, row.time, r.t);
        else
            WriteRunChannels(chart, n, 4 * m, flags, row.time, r.t);
    }
    written(draw);
}

void RealTimeView::showCount(bool now)
{
    // Setting the field's text lays it out and repaints it: per sample of a fast burst
    // that costs more than drawing the sample.
    if (now || !m_countShown.isValid() || m_countShown.elapsed() >= kCountEveryMs) {
        m_countTimer.stop();
        m_countShown.start();
        m_window.txtDataNo->setText(QString::number(m_store.SampleCount - m_store.GapPoints));
    } else if (!m_countTimer.isActive()) {
        m_countTimer.start(int(std::max<qint64>(1, kCountEveryMs - m_countShown.elapsed())));
    }
}

void RealTimeView::showExtremes(std::uint8_t moved)
{
    for (int c = 0; c < 4; ++c) {
        if (moved & (1u << c))
            m_window.maxField(c)->setText(m_session.maximumText(c));
        if (moved & (1u << (c + 4)))
            m_window.minField(c)->setText(m_session.minimumText(c));
    }
}

int RealTimeView::statisticsMeter() const
{
    return m_meters > 1 ? std::max(0, m_window.cmbStatMeter->currentIndex()) : 0;
}

void RealTimeView::showStatistics()
{
    auto show = [](QLineEdit* field, const QString& text) {
        if (field->text() != text)  // a field set lays itself out again
            field->setText(text);
    };
    const int meter = statisticsMeter();
    const bool ended = m_session.state() == SessionState::Ended;
    for (int c = 0; c < 4; ++c) {
        show(m_window.maxField(c), m_session.maximumText(c, meter));
        show(m_window.minField(c), m_session.minimumText(c, meter));
        show(m_window.avgField(c), ended ? m_session.averageText(c, meter) : QString());
    }
}

void RealTimeView::stateChanged(SessionState state)
{
    if (state == SessionState::Ended)
        runEnded();
}

void RealTimeView::runEnded()
{
    showCount(true);
    restoreNormal(m_window);
    m_window.tbntClr->setEnabled(true);
    ChartModel& chart = m_window.chart();
    if (chart.Points() > m_store.SampleCount) {
        ShortenRunStore(chart, m_store.SampleCount);
        redraw(chart);
    }
    chart.setManualMaxX(m_session.endTime());
    const int meter = statisticsMeter();
    for (int s = 0; s < chart.Subsets() && s < 4; ++s)
        m_window.avgField(s)->setText(m_session.averageText(s, meter));
    redraw(chart);
}

void RealTimeView::handOverAnnotations()
{
    std::vector<RecordingAnnotation> notes;
    for (const GraphAnnotation& a : m_window.chart().graphAnnotations())
        if (!a.text.isEmpty() || a.type != sgTextOnly)
            notes.push_back({a.x, a.y, a.type, a.color, a.text});
    m_session.setAnnotations(std::move(notes));
}

void RealTimeView::showAnnotations()
{
    ChartModel& chart = m_window.chart();
    GraphState& g = m_window.program().graph;
    for (const RecordingAnnotation& a : m_session.annotations()) {
        const int k = ++g.AnnotationCounter;
        chart.setGraphAnnotationX(k, a.x);
        chart.setGraphAnnotationY(k, a.y);
        chart.setGraphAnnotationType(k, a.type);
        chart.setGraphAnnotationColor(k, a.color);
        chart.setGraphAnnotationText(k, a.text);
    }
}

}  // namespace kelvor
